#include "app/UpdateCheckWorker.h"

#include "app/base/DiagnosticLog.h"

namespace app {

UpdateCheckWorker::UpdateCheckWorker(IUpdateCheckOwner& owner, ProgramVersion own, bool allowed,
                                     std::function<double()> now)
    : m_owner(owner), m_own(own), m_allowed(allowed), m_now(std::move(now)) {}

UpdateCheckWorker::~UpdateCheckWorker() {
    Stop();
}

bool UpdateCheckWorker::Start() {
    if (m_running.load()) {
        return false;
    }
    if (m_thread.joinable()) {
        m_thread.join(); // the previous check has ended; collect its thread
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopRequested = false;
    }
    m_running = true;
    try {
        m_thread = std::thread(&UpdateCheckWorker::threadMain, this);
    } catch (const std::system_error&) {
        m_running = false;
        TV_DEBUG_LOG("** Exception in UpdateCheckWorker::Start\n");
        return false;
    }
    return true;
}

bool UpdateCheckWorker::WaitUntilFinished(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_wake.wait_for(lock, timeout, [this] { return !m_running.load(); });
}

void UpdateCheckWorker::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopRequested = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

UpdateCheckResult UpdateCheckWorker::LastResult() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastResult;
}

void UpdateCheckWorker::threadMain() {
    UpdateCheckHooks hooks;
    hooks.waitUntil = [this](UpdateCheckHooks::Clock::time_point moment) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait_until(lock, moment, [this] { return m_stopRequested; });
    };
    hooks.cancelled = [this] {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_stopRequested;
    };
    hooks.now = m_now;
    UpdateCheckResult result = UpdateCheckResult::kCancelled;
    try {
        result = UpdateCheck(m_owner, std::move(hooks), m_own, m_allowed).Run(false);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in UpdateCheckThread\n");
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastResult = result;
        m_running = false;
    }
    m_wake.notify_all();
}

} // namespace app
