#include "app/ui/ModalRunner.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

namespace app::ui {

namespace {
ModalObserver g_observer;
} // namespace

ModalObserver SetModalObserver(ModalObserver observer) {
    ModalObserver previous = std::move(g_observer);
    g_observer = std::move(observer);
    return previous;
}

int RunModal(QDialog& dialog) {
    if (g_observer) {
        QPointer<QDialog> guarded(&dialog);
        QTimer::singleShot(0, &dialog, [guarded] {
            if (guarded && guarded->isVisible() && g_observer) {
                g_observer(*guarded);
            }
        });
    }
    return dialog.exec();
}

} // namespace app::ui
