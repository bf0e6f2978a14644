#include "app/ui/BackgroundCall.h"

#include "app/base/DiagnosticLog.h"

#include <QEventLoop>
#include <QMetaObject>

#include <system_error>
#include <thread>

namespace app::ui {

namespace {

void runCaught(const std::function<void()>& work) {
    try {
        work();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in RunWhileResponsive\n");
    }
}

} // namespace

bool RunWhileResponsive(const std::function<void()>& work) {
    QEventLoop loop;
    std::thread helper;
    try {
        helper = std::thread([&loop, &work] {
            runCaught(work);
            // Queued: the loop quits once it runs, even if the work ended before it started.
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        runCaught(work);
        return false;
    }
    loop.exec();
    helper.join();
    return true;
}

} // namespace app::ui
