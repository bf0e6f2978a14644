#include "app/UpdateCheck.h"

#include "app/InternetSettings.h"
#include "app/UpdateSchedule.h"
#include "app/base/Settings.h"
#include "brand/Brand.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"

#include <cstdint>

namespace app {

namespace {

// Closes the checking bar on every way out once it was shown.
class CheckingBar {
public:
    explicit CheckingBar(IUpdateCheckOwner& owner) : m_owner(owner) {}
    ~CheckingBar() {
        if (m_shown) {
            m_owner.CloseCheckingBar();
        }
    }
    CheckingBar(const CheckingBar&) = delete;
    CheckingBar& operator=(const CheckingBar&) = delete;
    void Show(const std::string& firstLine) {
        m_owner.ShowCheckingBar(firstLine);
        m_shown = true;
    }
    void Close() {
        if (m_shown) {
            m_shown = false;
            m_owner.CloseCheckingBar();
        }
    }
    bool Shown() const { return m_shown; }

private:
    IUpdateCheckOwner& m_owner;
    bool m_shown = false;
};

} // namespace

UpdateCheck::UpdateCheck(IUpdateCheckOwner& owner, UpdateCheckHooks hooks, ProgramVersion own, bool allowed)
    : m_owner(owner), m_hooks(std::move(hooks)), m_own(own), m_allowed(allowed) {
    if (!m_hooks.now) {
        m_hooks.now = [] { return UpdateCheckClock(); };
    }
}

bool UpdateCheck::AllowedByBrand() {
    return gbAllowVersionCheck;
}

std::string UpdateCheck::CheckingBarFirstLine() {
    return platform::system::StringPrintf("Checking the %s web site to see if a newer version is", ProductName3218);
}

void UpdateCheck::DontShowCheckingBarAgain() {
    SetSetting(settings::SkipNewVersionInternetCheck, 1);
}

void UpdateCheck::waitUntil(UpdateCheckHooks::Clock::time_point moment) const {
    if (m_hooks.waitUntil && !cancelled()) {
        m_hooks.waitUntil(moment);
    }
}

bool UpdateCheck::cancelled() const {
    return m_hooks.cancelled && m_hooks.cancelled();
}

UpdateCheckResult UpdateCheck::Run(bool forced) {
    if (!m_allowed) {
        return UpdateCheckResult::kDisabled;
    }
    double stamp = 0;
    if (!forced) {
        StampHalves last{static_cast<std::uint32_t>(GetSetting(settings::LastUpdateCheck0)),
                         static_cast<std::uint32_t>(GetSetting(settings::LastUpdateCheck1))};
        int days = GetSetting(settings::DaysBetweenChecks);
        double now = m_hooks.now();
        bool due = IsUpdateCheckDue(last, days, now);
        if (due) {
            stamp = now;
        }
        if (!due || GetSetting(settings::CheckForUpdatesWhenChecking) != 1) {
            return UpdateCheckResult::kNotDue;
        }
    }
    const auto start = UpdateCheckHooks::Clock::now();
    {
        CheckingBar bar(m_owner);
        if (GetSetting(settings::SkipNewVersionInternetCheck) == 0) {
            bar.Show(CheckingBarFirstLine());
            waitUntil(start + std::chrono::milliseconds(kBarMinimumMilliseconds));
        }
        InternetSettings(m_owner, m_own, m_hooks.cancelled).Download();
        if (bar.Shown()) {
            waitUntil(start + std::chrono::milliseconds(kBarMaximumMilliseconds));
            bar.Close();
        }
    }
    // A check cut short by the window closing has not looked: the next start tries again.
    if (cancelled()) {
        return UpdateCheckResult::kCancelled;
    }
    StampHalves halves = SplitStamp(stamp);
    SetSetting(settings::LastUpdateCheck0, static_cast<int>(halves.low));
    SetSetting(settings::LastUpdateCheck1, static_cast<int>(halves.high));
    return UpdateCheckResult::kChecked;
}

int RunAboutBoxUpdateRequest(IUpdateCheckOwner& owner, UpdateCheckHooks hooks, ProgramVersion own, bool allowed) {
    UpdateCheck(owner, std::move(hooks), own, allowed).Run(true);
    int state = GetUpdateState(own);
    namespace ui = platform::ui;
    owner.ShowMessage(UpdateStatusText(state), kUpdateStatusCaption, ui::MB_OK | ui::MB_ICONINFORMATION);
    return state;
}

} // namespace app
