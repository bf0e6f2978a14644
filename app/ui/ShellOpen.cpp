#include "app/ui/ShellOpen.h"

#include "app/base/DiagnosticLog.h"
#include "platform/shell/PendingOpen.h"

#include <QCoreApplication>
#include <QTimer>

#include <memory>

namespace app::ui {

namespace {
constexpr int kPollMilliseconds = 20;
}

void ShellOpen(const QString& target, std::function<void(bool opened)> done) {
    auto opener = std::make_shared<platform::shell::PendingOpen>(target.toStdString());
    // Owned by the application, so an opener still running when the program ends is let go of.
    auto* poll = new QTimer(QCoreApplication::instance());
    poll->setInterval(kPollMilliseconds);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, opener, target, done = std::move(done)] {
        std::optional<platform::shell::OpenResult> result = opener->Poll();
        if (!result) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        bool opened = result->status == platform::shell::OpenStatus::kOpened;
        if (!opened) {
            TV_DEBUG_LOG("Opening %s failed: %s (%d)", target.toUtf8().constData(), result->detail.c_str(),
                         result->code);
        }
        if (done) {
            done(opened);
        }
    });
    poll->start();
}

} // namespace app::ui
