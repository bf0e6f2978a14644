#include "app/ui/SharedLook.h"

#include <QPalette>
#include <QWidget>

namespace app::ui {

void ApplySharedLook(QWidget& dialog) {
    // Only the dialog fills its background: labels, check boxes and group boxes fill none of
    // their own, so they show the dialog's colour, while edits and lists draw their Base colour.
    QPalette palette = dialog.palette();
    palette.setColor(QPalette::Window, kDialogBackground);
    dialog.setPalette(palette);
    dialog.setAutoFillBackground(true);
}

} // namespace app::ui
