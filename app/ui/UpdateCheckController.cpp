#include "app/ui/UpdateCheckController.h"

#include "app/InternetSettings.h"
#include "app/base/DiagnosticLog.h"
#include "app/ui/BackgroundCall.h"
#include "app/ui/CheckingForUpdatesDlg.h"
#include "app/ui/MainWindow.h"
#include "platform/ui/IUserInterface.h"

#include <QApplication>
#include <QDialog>
#include <QThread>

#include <chrono>

namespace app::ui {

namespace {

struct CallState {
    bool done = false;
};

} // namespace

UpdateCheckController::UpdateCheckController(QWidget& window, std::function<double()> now)
    : QObject(&window),
      m_worker(std::make_unique<UpdateCheckWorker>(*this, OwnProgramVersion(), UpdateCheck::AllowedByBrand(),
                                                   std::move(now))) {
    // The check ends with its window: nothing may wait for a window that is gone.
    if (auto* dialog = qobject_cast<QDialog*>(&window)) {
        connect(dialog, &QDialog::finished, this, &UpdateCheckController::Shutdown);
    }
}

UpdateCheckController::~UpdateCheckController() {
    Shutdown();
}

UpdateCheckController& UpdateCheckController::ForWindow(QWidget& window) {
    if (auto* existing = window.findChild<UpdateCheckController*>(QString(), Qt::FindDirectChildrenOnly)) {
        return *existing;
    }
    return *new UpdateCheckController(window);
}

UpdateCheckController* UpdateCheckController::OfMainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* main = qobject_cast<MainWindow*>(widget);
        if (main != nullptr && main->isVisible()) {
            return &ForWindow(*main);
        }
    }
    return nullptr;
}

CheckingForUpdatesDlg* UpdateCheckController::CheckingBar() const {
    return m_bar.data();
}

bool UpdateCheckController::shutDown() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_shutdown;
}

void UpdateCheckController::Shutdown() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shutdown = true;
    }
    m_wake.notify_all();
    m_worker->Stop();
    delete m_bar.data();
}

bool UpdateCheckController::StartAutomatic() {
    if (shutDown()) {
        return false;
    }
    return m_worker->Start();
}

UpdateCheckHooks UpdateCheckController::helperHooks() {
    UpdateCheckHooks hooks;
    hooks.waitUntil = [this](UpdateCheckHooks::Clock::time_point moment) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait_until(lock, moment, [this] { return m_shutdown; });
    };
    hooks.cancelled = [this] { return shutDown(); };
    return hooks;
}

int UpdateCheckController::RunAboutBoxRequest() {
    // The forced check never runs beside the automatic one: it would show a second bar and
    // stamp the time under the other's feet.
    if (m_worker->Running()) {
        RunWhileResponsive([this] {
            while (!m_worker->WaitUntilFinished(std::chrono::milliseconds(100)) && !shutDown()) {
            }
        });
    }
    int state = GetUpdateState();
    RunWhileResponsive([this, &state] { state = RunAboutBoxUpdateRequest(*this, helperHooks()); });
    return state;
}

void UpdateCheckController::DownloadSettings() {
    RunWhileResponsive([this] { DownloadInternetSettings(*this, [this] { return shutDown(); }); });
}

void UpdateCheckController::onGuiThread(std::function<void()> call) {
    auto runGuarded = [this, call = std::move(call)] {
        if (shutDown()) {
            return;
        }
        try {
            call();
        } catch (...) {
            TV_DEBUG_LOG("** Exception in UpdateCheckController\n");
        }
    };
    if (QThread::currentThread() == thread()) {
        runGuarded();
        return;
    }
    auto state = std::make_shared<CallState>();
    // Queued to this object: a call still waiting when the controller goes is dropped with it.
    QMetaObject::invokeMethod(
        this,
        [this, state, runGuarded] {
            runGuarded();
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                state->done = true;
            }
            m_wake.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait(lock, [this, &state] { return state->done || m_shutdown; });
}

void UpdateCheckController::ShowCheckingBar(const std::string& firstLine) {
    onGuiThread([this, firstLine] {
        delete m_bar.data();
        m_bar = new CheckingForUpdatesDlg(firstLine);
        m_bar->Open();
    });
}

void UpdateCheckController::CloseCheckingBar() {
    onGuiThread([this] { delete m_bar.data(); });
}

int UpdateCheckController::ShowMessage(const std::string& text, const std::string& caption, unsigned flags) {
    // A call released by Shutdown may still be showing its box: the result is shared, and
    // read and written under the lock.
    auto result = std::make_shared<int>(platform::ui::DefaultButtonResult(flags));
    onGuiThread([this, result, text, caption, flags] {
        int pressed = platform::ui::UI().MessageBox(text, caption, flags);
        std::lock_guard<std::mutex> lock(m_mutex);
        *result = pressed;
    });
    std::lock_guard<std::mutex> lock(m_mutex);
    return *result;
}

} // namespace app::ui
