/*
 * The automatic update check's own thread. The main window owns one worker and starts it when
 * it opens (and after Preferences with the option ticked); the check runs on a std::thread and
 * asks the window, through IUpdateCheckOwner, for everything visible. Stopping (the window
 * closing, or the worker's destruction) interrupts the pauses and the download within about a
 * tenth of a second and joins the thread; a bar the check showed is closed before it ends.
 *
 * Start, Stop and Running are called on the GUI thread only.
 */
#ifndef TALLYVOL_APP_UPDATECHECKWORKER_H
#define TALLYVOL_APP_UPDATECHECKWORKER_H

#include "app/IUpdateCheckOwner.h"
#include "app/UpdateCheck.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace app {

class UpdateCheckWorker {
public:
    // `now` replaces the check's clock (tests); empty uses the real one.
    explicit UpdateCheckWorker(IUpdateCheckOwner& owner, ProgramVersion own = OwnProgramVersion(),
                               bool allowed = UpdateCheck::AllowedByBrand(), std::function<double()> now = {});
    ~UpdateCheckWorker();
    UpdateCheckWorker(const UpdateCheckWorker&) = delete;
    UpdateCheckWorker& operator=(const UpdateCheckWorker&) = delete;

    // Starts one automatic check; false (and nothing started) while one still runs.
    bool Start();
    bool Running() const { return m_running.load(); }
    // Waits up to `timeout` for the running check to end; true when none runs afterwards.
    bool WaitUntilFinished(std::chrono::milliseconds timeout);
    // Interrupts the running check, if any, and waits for its thread.
    void Stop();
    // What the last finished check did.
    UpdateCheckResult LastResult() const;

private:
    void threadMain();

    IUpdateCheckOwner& m_owner;
    ProgramVersion m_own;
    bool m_allowed;
    std::function<double()> m_now;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopRequested = false;
    std::atomic<bool> m_running{false};
    UpdateCheckResult m_lastResult = UpdateCheckResult::kNotDue;
    std::thread m_thread;
};

} // namespace app

#endif
