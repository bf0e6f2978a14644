#include "app/ui/ShellOpen.h"

#include "app/base/DiagnosticLog.h"

#include <QProcess>

namespace app::ui {

void ShellOpen(const QString& target, std::function<void(bool opened)> done) {
    auto* process = new QProcess();
    process->setProgram(QStringLiteral("xdg-open"));
    process->setArguments({target});
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(process, &QProcess::finished, process, [process, done](int exitCode, QProcess::ExitStatus status) {
        bool opened = status == QProcess::NormalExit && exitCode == 0;
        TV_DEBUG_LOG("xdg-open %s: exit status %d", process->arguments().value(0).toUtf8().constData(), exitCode);
        if (done) {
            done(opened);
        }
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, done](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) {
            return; // a crash still ends with finished()
        }
        TV_DEBUG_LOG("xdg-open cannot be started");
        if (done) {
            done(false);
        }
        process->deleteLater();
    });
    process->start();
}

} // namespace app::ui
