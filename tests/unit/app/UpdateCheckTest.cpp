// The update check: when it is due, the update state and its texts, the checking bar's timing,
// the worker thread, the about box's forced check, and a server that never answers.
#include "app/UpdateCheck.h"
#include "app/UpdateCheckWorker.h"
#include "app/UpdateSchedule.h"
#include "app/UpdateStatus.h"
#include "app/base/Settings.h"
#include "platform/ui/IUserInterface.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/RecordingUpdateCheckOwner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>

using namespace app;
using namespace testsupport;
using Clock = std::chrono::steady_clock;

namespace {

// 1 June 2026, noon, as an automation date.
constexpr double kNow = 46174.5;

void storeStamp(double stamp) {
    StampHalves halves = SplitStamp(stamp);
    SetSetting(settings::LastUpdateCheck0, static_cast<int>(halves.low));
    SetSetting(settings::LastUpdateCheck1, static_cast<int>(halves.high));
}

StampHalves storedHalves() {
    return {static_cast<std::uint32_t>(GetSetting(settings::LastUpdateCheck0)),
            static_cast<std::uint32_t>(GetSetting(settings::LastUpdateCheck1))};
}

long millisecondsSince(Clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// A home with a web server whose settings page announces 3.3.0 and carries one message.
class UpdateCheckFlow : public ::testing::Test {
protected:
    void SetUp() override {
        SetSetting(settings::HomePage, m_server.Address() + "/tallyvol");
        m_server.SetPage("settings2.asp", "REG:LatestMajor-3\r\nREG:LatestMinor-3\r\nREG:LatestBuild-0\r\n"
                                          "MSG_<_3.3.0_1:Version 3.3 is out\r\n");
        SetSetting(settings::CheckForUpdates, 1);
    }

    // The hooks of a check run on this thread: pauses are recorded, not waited.
    UpdateCheckHooks recordingHooks(double now = kNow) {
        UpdateCheckHooks hooks;
        hooks.waitUntil = [this](Clock::time_point moment) { m_pauses.push_back(moment); };
        hooks.now = [now] { return now; };
        return hooks;
    }

    IsolatedEnvironment m_env;
    HttpTestServer m_server;
    RecordingUpdateCheckOwner m_owner;
    std::vector<Clock::time_point> m_pauses;
};

} // namespace

TEST(UpdateSchedule, TheDueRule) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        StampHalves last;
        int days;
        bool due;
    };
    const Case cases[] = {
        {"never checked", {0, 0}, 30, true},
        {"10 days ago, every 30 days", SplitStamp(kNow - 10), 30, false},
        {"exactly 30 days ago", SplitStamp(kNow - 30), 30, false},
        {"30 days and a minute ago", SplitStamp(kNow - 30 - 1.0 / 1440), 30, true},
        {"yesterday, every day", SplitStamp(kNow - 1.5), 1, true},
        {"an hour ago, every 0 days", SplitStamp(kNow - 1.0 / 24), 0, true},
        {"halves that make no number", SplitStamp(nan), 30, true},
        {"only the low half set", {1, 0}, 30, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsUpdateCheckDue(c.last, c.days, kNow), c.due) << c.name;
    }
}

TEST(UpdateSchedule, StampsAreAutomationDatesSplitIntoTwoHalves) {
    EXPECT_DOUBLE_EQ(AutomationDateFromUnixSeconds(0), 25569.0);
    EXPECT_DOUBLE_EQ(AutomationDateFromUnixSeconds(86400 * 1.5), 25570.5);
    StampHalves halves = SplitStamp(kNow);
    EXPECT_EQ(JoinStamp(halves), kNow);
    EXPECT_EQ(halves.high, 0x40E68BD0u) << "the high half holds sign, exponent and the top of the fraction";
    EXPECT_EQ(SplitStamp(0.0).low, 0u);
    EXPECT_EQ(SplitStamp(0.0).high, 0u);
}

// The stamp is local standard time: daylight saving time is taken off.
TEST(UpdateSchedule, TheClockIsLocalStandardTime) {
    IsolatedEnvironment env;
    const std::time_t summer = 1782907200; // 2026-07-01 12:00 UTC
    const std::time_t winter = 1767268800; // 2026-01-01 12:00 UTC
    struct Case {
        const char* zone;
        std::time_t moment;
        double hoursEast;
    };
    const Case cases[] = {
        {"UTC", summer, 0}, {"Europe/Berlin", summer, 1}, {"Europe/Berlin", winter, 1},
        {"America/New_York", summer, -5}, {"Asia/Kolkata", summer, 5.5},
    };
    for (const Case& c : cases) {
        env.Set("TZ", c.zone);
        ::tzset();
        double expected = AutomationDateFromUnixSeconds(static_cast<double>(c.moment) + c.hoursEast * 3600);
        EXPECT_NEAR(UpdateCheckClockAt(c.moment), expected, 1e-9) << c.zone;
    }
    ::unsetenv("TZ");
    ::tzset();
}

TEST(UpdateStatus, TheStateTable) {
    struct Case {
        ProgramVersion latest, own;
        int state;
    };
    const Case cases[] = {
        {{0, 0, 0}, {3, 1, 9}, kUpdateStateUnknown},
        {{3, 2, 0}, {3, 1, 9}, kUpdateStateNewerVersion},
        {{3, 1, 10}, {3, 1, 9}, kUpdateStateMinorUpdate},
        {{2, 9, 9}, {3, 1, 0}, kUpdateStateNone},
        {{4, 0, 0}, {3, 1, 0}, kUpdateStateNewerVersion},
        {{0, 0, 1}, {3, 1, 0}, kUpdateStateNone},
        {{0, 5, 0}, {3, 1, 0}, kUpdateStateNone},
        {{3, 0, 99}, {3, 1, 0}, kUpdateStateNone},
        {{3, 1, 9}, {3, 1, 9}, kUpdateStateNone},
        {{3, 1, 8}, {3, 1, 9}, kUpdateStateNone},
        // 16-bit comparisons: 65539 is 3, 65536 is 0.
        {{65539, 1, 9}, {3, 1, 9}, kUpdateStateNone},
        {{65536, 65536, 0}, {3, 1, 9}, kUpdateStateUnknown},
        {{3, 1, 65546}, {3, 1, 9}, kUpdateStateMinorUpdate},
        {{-1, 0, 0}, {3, 1, 9}, kUpdateStateNewerVersion},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UpdateStateOf(c.latest, c.own), c.state)
            << c.latest.major << "." << c.latest.minor << "." << c.latest.build << " against " << c.own.major << "."
            << c.own.minor << "." << c.own.build;
    }
}

TEST(UpdateStatus, TitleSuffixesAndAboutBoxTexts) {
    const char* suffixes[] = {"", " - [ Update Available ]", " - [ Minor Update Available ]", ""};
    const char* texts[] = {
        "There are currently no updates available.",
        "There is currently a newer version of Tallyvol available.",
        "There is a minor update (minor bug fixes) available.",
        "Tallyvol is unable to determine if there are updates available.  This might be caused by not having a "
        "libcurl library on your system.  This is installed on newer Linux distributions that come with curl, or "
        "with any application that is Internet aware (including curl).  If you can find libcurl4 in your "
        "distribution's packages, that will install this missing library.",
    };
    for (int state = 0; state <= 3; ++state) {
        EXPECT_EQ(UpdateTitleSuffix(state), suffixes[state]) << state;
        EXPECT_EQ(UpdateStatusText(state), texts[state]) << state;
    }
    IsolatedEnvironment env;
    EXPECT_EQ(GetUpdateState(), kUpdateStateNone) << "the defaults are our own version";
}

TEST_F(UpdateCheckFlow, ADueCheckShowsTheBarForOneToEightSecondsAppliesThePageAndStampsNow) {
    const Clock::time_point before = Clock::now();
    EXPECT_EQ(UpdateCheck(m_owner, recordingHooks(), {3, 2, 1}).Run(false), UpdateCheckResult::kChecked);
    EXPECT_EQ(m_owner.Events(), (std::vector<std::string>{
                                    "show:Checking the Tallyvol web site to see if a newer version is",
                                    "message:Version 3.3 is out", "close"}));
    ASSERT_EQ(m_pauses.size(), 2u);
    EXPECT_NEAR(std::chrono::duration<double>(m_pauses[0] - before).count(), 1.0, 0.5);
    EXPECT_NEAR(std::chrono::duration<double>(m_pauses[1] - before).count(), 8.0, 0.5);
    EXPECT_EQ(JoinStamp(storedHalves()), kNow);
    EXPECT_EQ(GetUpdateState({3, 2, 1}), kUpdateStateNewerVersion);
    EXPECT_EQ(std::string(UpdateCheck::kCheckingBarSecondLine), "available.  No information is being sent to the server.");
}

// Each reason to skip, and what it leaves behind.
TEST_F(UpdateCheckFlow, ChecksThatAreNotDueWriteNothing) {
    struct Case {
        const char* name;
        double last;
        int checkForUpdates;
        bool allowed;
        UpdateCheckResult result;
    };
    const Case cases[] = {
        {"checked 10 days ago", kNow - 10, 1, true, UpdateCheckResult::kNotDue},
        {"due, but updates are not to be checked", kNow - 40, 0, true, UpdateCheckResult::kNotDue},
        {"due, but the brand allows no checks", kNow - 40, 1, false, UpdateCheckResult::kDisabled},
    };
    for (const Case& c : cases) {
        storeStamp(c.last);
        SetSetting(settings::CheckForUpdates, c.checkForUpdates);
        EXPECT_EQ(UpdateCheck(m_owner, recordingHooks(), {3, 2, 1}, c.allowed).Run(false), c.result) << c.name;
        EXPECT_EQ(JoinStamp(storedHalves()), c.last) << c.name << ": the stamp stays";
    }
    EXPECT_TRUE(m_owner.Events().empty());
    EXPECT_TRUE(m_server.Requests().empty());
    EXPECT_EQ(GetSetting(settings::LatestMinor), 2);
}

TEST_F(UpdateCheckFlow, NeverCheckedIsDueOnTheFirstStartAndTheCheckReadsItsOwnDefault) {
    // A fresh machine: no stamp, and CheckForUpdates missing (the check's default is 1).
    IsolatedEnvironment fresh;
    SetSetting(settings::HomePage, m_server.Address() + "/tallyvol");
    EXPECT_EQ(UpdateCheck(m_owner, recordingHooks(), {3, 2, 1}).Run(false), UpdateCheckResult::kChecked);
    EXPECT_EQ(ReadMachineInt("CheckForUpdates", -1), 1);
    EXPECT_EQ(JoinStamp(storedHalves()), kNow);
}

TEST_F(UpdateCheckFlow, DontShowTheBarAgainSkipsBarAndPauses) {
    UpdateCheck::DontShowCheckingBarAgain();
    EXPECT_EQ(ReadMachineInt("SkipNewVersionInternetCheck", 0), 1);
    EXPECT_EQ(UpdateCheck(m_owner, recordingHooks(), {3, 2, 1}).Run(false), UpdateCheckResult::kChecked);
    EXPECT_EQ(m_owner.Events(), std::vector<std::string>{"message:Version 3.3 is out"});
    EXPECT_TRUE(m_pauses.empty());
}

TEST_F(UpdateCheckFlow, TheAboutBoxForcesACheckStampsZeroAndShowsTheState) {
    storeStamp(kNow - 1);
    SetSetting(settings::CheckForUpdates, 0);
    EXPECT_EQ(RunAboutBoxUpdateRequest(m_owner, recordingHooks(), {3, 2, 1}), kUpdateStateNewerVersion);
    std::vector<RecordingUpdateCheckOwner::Message> messages = m_owner.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].caption, "Update Status");
    EXPECT_EQ(messages[1].text, "There is currently a newer version of Tallyvol available.");
    EXPECT_EQ(messages[1].flags, platform::ui::MB_OK | platform::ui::MB_ICONINFORMATION);
    EXPECT_EQ(storedHalves().low, 0u);
    EXPECT_EQ(storedHalves().high, 0u) << "the next automatic check is due at once";

    // Without the brand's permission nothing is asked; the stored state is reported.
    RecordingUpdateCheckOwner other;
    SetSetting(settings::LatestMajor, 0);
    SetSetting(settings::LatestMinor, 0);
    SetSetting(settings::LatestBuild, 0);
    std::size_t requests = m_server.Requests().size();
    EXPECT_EQ(RunAboutBoxUpdateRequest(other, recordingHooks(), {3, 2, 1}, false), kUpdateStateUnknown);
    EXPECT_EQ(m_server.Requests().size(), requests);
    ASSERT_EQ(other.Messages().size(), 1u);
    EXPECT_EQ(other.Messages()[0].text.rfind("Tallyvol is unable to determine", 0), 0u);
}

TEST_F(UpdateCheckFlow, TheWorkerRunsTheCheckOnItsOwnThread) {
    SetSetting(settings::SkipNewVersionInternetCheck, 1);
    UpdateCheckWorker worker(m_owner, {3, 2, 1}, true, [] { return kNow; });
    ASSERT_TRUE(worker.Start());
    EXPECT_FALSE(worker.Start()) << "one check at a time";
    ASSERT_TRUE(worker.WaitUntilFinished(std::chrono::seconds(15)));
    EXPECT_EQ(worker.LastResult(), UpdateCheckResult::kChecked);
    EXPECT_EQ(m_owner.Events(), std::vector<std::string>{"message:Version 3.3 is out"});
    EXPECT_EQ(JoinStamp(storedHalves()), kNow);
    // Due again only after DaysBetweenChecks: a second start finds nothing to do.
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.WaitUntilFinished(std::chrono::seconds(15)));
    EXPECT_EQ(worker.LastResult(), UpdateCheckResult::kNotDue);
    EXPECT_EQ(m_server.Requests().size(), 1u);
}

TEST_F(UpdateCheckFlow, StoppingTheWorkerClosesTheBarAtOnceAndLeavesTheStamp) {
    storeStamp(kNow - 40);
    UpdateCheckWorker worker(m_owner, {3, 2, 1}, true, [] { return kNow; });
    ASSERT_TRUE(worker.Start());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Clock::time_point stopping = Clock::now();
    worker.Stop();
    EXPECT_LT(millisecondsSince(stopping), 1000);
    EXPECT_FALSE(worker.Running());
    EXPECT_EQ(worker.LastResult(), UpdateCheckResult::kCancelled);
    std::vector<std::string> events = m_owner.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().rfind("show:", 0), 0u);
    EXPECT_EQ(events.back(), "close");
    EXPECT_EQ(JoinStamp(storedHalves()), kNow - 40) << "a check cut short has not looked";
}

// A server that accepts and never answers holds the worker for the download's 8 s time-out,
// no longer; the check then counts as made, with nothing learned.
TEST_F(UpdateCheckFlow, AHungServerEndsTheCheckWithinTheBound) {
    SetSetting(settings::SkipNewVersionInternetCheck, 1);
    SetSetting(settings::PageName3, "hang");
    UpdateCheckWorker worker(m_owner, {3, 2, 1}, true, [] { return kNow; });
    const Clock::time_point start = Clock::now();
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.WaitUntilFinished(std::chrono::seconds(20)));
    long elapsed = millisecondsSince(start);
    EXPECT_GE(elapsed, 7500);
    EXPECT_LT(elapsed, 9500);
    EXPECT_EQ(worker.LastResult(), UpdateCheckResult::kChecked);
    EXPECT_EQ(GetSetting(settings::LatestMinor), 2);
    EXPECT_TRUE(m_owner.Events().empty());
}
