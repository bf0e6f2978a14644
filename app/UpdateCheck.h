/*
 * The update check: decides whether a check is due, shows the checking bar through its owner,
 * downloads and applies the internet settings page, and stamps the time of the check. The
 * main window runs it on UpdateCheckWorker's thread when it opens (and after Preferences with
 * the option ticked); the about box runs a forced check on the GUI thread through
 * RunAboutBoxUpdateRequest and then shows the "Update Status" box.
 *
 * Runs on its caller's thread. Everything visible goes through the owner; pauses go through
 * the waitUntil hook (the worker sleeps, the GUI thread dispatches its events).
 */
#ifndef TALLYVOL_APP_UPDATECHECK_H
#define TALLYVOL_APP_UPDATECHECK_H

#include "app/IUpdateCheckOwner.h"
#include "app/UpdateStatus.h"

#include <chrono>
#include <functional>
#include <string>

namespace app {

struct UpdateCheckHooks {
    using Clock = std::chrono::steady_clock;
    // Pauses until the moment (or earlier, once cancelled). Without it the check does not pause.
    std::function<void(Clock::time_point)> waitUntil;
    // True once the check should give up (the window is closing).
    std::function<bool()> cancelled;
    // Now, as the stamp of a check (UpdateSchedule.h); replaceable for tests.
    std::function<double()> now;
};

enum class UpdateCheckResult {
    kDisabled,  // the brand does not allow version checks
    kNotDue,    // not due, or CheckForUpdates is off: nothing written
    kCancelled, // stopped before it ended: the stamp is not written
    kChecked,   // the page was asked for (whether or not it came) and the stamp written
};

class UpdateCheck {
public:
    static constexpr int kBarMinimumMilliseconds = 1000;
    static constexpr int kBarMaximumMilliseconds = 8000;
    static constexpr const char* kCheckingBarSecondLine =
        "available.  No information is being sent to the server.";

    UpdateCheck(IUpdateCheckOwner& owner, UpdateCheckHooks hooks, ProgramVersion own = OwnProgramVersion(),
                bool allowed = AllowedByBrand());

    // One check. A forced check skips the due rule and stamps 0, so the next automatic check is
    // due at once.
    UpdateCheckResult Run(bool forced);

    // The checking bar's first line ("Checking the <product> web site to see if a newer version is").
    static std::string CheckingBarFirstLine();
    // The bar's "Don't show this message" box was ticked.
    static void DontShowCheckingBarAgain();
    static bool AllowedByBrand();

private:
    void waitUntil(UpdateCheckHooks::Clock::time_point moment) const;
    bool cancelled() const;

    IUpdateCheckOwner& m_owner;
    UpdateCheckHooks m_hooks;
    ProgramVersion m_own;
    bool m_allowed;
};

// The about box's update button: a forced check on the calling thread, then one "Update Status"
// box (information icon) with the text of the resulting state. Returns that state.
int RunAboutBoxUpdateRequest(IUpdateCheckOwner& owner, UpdateCheckHooks hooks,
                             ProgramVersion own = OwnProgramVersion(), bool allowed = UpdateCheck::AllowedByBrand());

} // namespace app

#endif
