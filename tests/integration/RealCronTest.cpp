// The real cron daemon runs an alert task made by the scheduler layer: a growth alert on a
// directory whose name would run a command if any shell ever expanded it, scheduled for the
// next minute in the crontab of an account made for the test. The scheduled run of the built
// program stores an automated scan of exactly that directory, and nothing else happens.
// Takes 15 to 75 s: the run waits for the next whole minute (the one after when fewer than ten
// seconds are left).
#include "alerts/AlertTaskText.h"
#include "brand/Brand.h"
#include "platform/ado/Connection.h"
#include "platform/system/SystemInfo.h"
#include "platform/taskscheduler/CronDaemon.h"
#include "platform/taskscheduler/TaskScheduler.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/TestUser.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <iomanip>
#include <thread>

using namespace testsupport;
namespace ts = platform::taskscheduler;

namespace {

// The cron daemon this test started, if it had to; stopped again when the test ends. Another
// test run may stop a daemon it started while this one waits: then this one starts its own.
pid_t g_startedCron = 0;

void ensureCron() {
    if (ts::FindCronDaemon() == 0) {
        ASSERT_EQ(ts::StartTaskScheduler(stdout), 0);
        g_startedCron = ts::FindCronDaemon();
    }
}

void stopStartedCron() {
    if (g_startedCron != 0 && ts::FindCronDaemon() == g_startedCron) {
        ::kill(g_startedCron, SIGTERM);
        for (int i = 0; i < 100 && ts::FindCronDaemon() == g_startedCron; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    g_startedCron = 0;
}

struct StopStartedCron {
    ~StopStartedCron() { stopStartedCron(); }
};

std::string sqlText(const std::string& text) {
    std::string quoted;
    for (char c : text) {
        quoted += c == '\'' ? std::string("''") : std::string(1, c);
    }
    return "'" + quoted + "'";
}

// Automated scans stored for the directory so far.
long long automatedScans(const std::string& store, const std::string& storedPath) {
    struct stat st {};
    if (::stat(store.c_str(), &st) != 0) {
        return 0;
    }
    try {
        platform::ado::Connection connection;
        connection.Open("Provider=SQLite;Data Source=" + store);
        return connection
            .OpenRecordset("select count(*) from ScanDefinition s, DirNames d where "
                           "s.ScanRootDirID=d.DirID and "
                           "s.ScanType=2 and d.Path=" +
                           sqlText(storedPath))
            ->Fields(0)
            .AsInt64();
    } catch (const std::exception&) {
        return 0; // the run is still creating the store
    }
}

} // namespace

TEST(RealCron, AnAlertScheduledForTheNextMinuteStoresAnAutomatedScanOfItsDirectory) {
    auto started = std::chrono::steady_clock::now();
    TestUser user;
    if (!user.Made()) {
        GTEST_SKIP() << user.Problem();
    }
    StopStartedCron stopAtEnd;
    ensureCron();
    IsolatedEnvironment env;
    const std::string directory = env.Root() + "/tree/it's $(touch /tmp/x) \"%d\" \\ back";
    WriteFile(directory + "/data", std::string(10000, 'x'));
    ::chmod(env.Root().c_str(), 0755);
    user.Own(env.Root());
    struct stat before {};
    bool existedBefore = ::stat("/tmp/x", &before) == 0;

    alerts::AlertDefinition alert;
    alert.type = alerts::kAlertGrowthSize;
    alert.directory = directory;
    alert.value = "1000000";
    alert.profiles = {1};
    ASSERT_EQ(alerts::AlertDefinitionProblem(alert), "");

    // Cron reads changed crontabs at the start of each minute: leave it ten seconds at least.
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::time_t at = now + 60 - local.tm_sec + (local.tm_sec >= 50 ? 60 : 0);
    std::tm when{};
    ::localtime_r(&at, &when);

    ts::TaskScheduler scheduler(user.Name());
    std::string comment = alerts::AlertComment(alert);
    std::string name;
    ASSERT_EQ(scheduler.CreateAlertTask(TALLYVOLTASKCREATOR, alerts::AlertTaskName(comment),
                                        TALLYVOL_BINARY, alerts::AlertParameters(alert), comment,
                                        &name,
                                        {*ts::CronTrigger::Daily(when.tm_hour, when.tm_min)}),
              ts::S_OK)
        << scheduler.LastErrorText();

    std::string stored = "//" + platform::system::ComputerName() + directory;
    std::string store = env.Home() + "/tallyvol3.db";
    auto deadline = std::chrono::system_clock::from_time_t(at) + std::chrono::seconds(45);
    long long scans = 0;
    while ((scans = automatedScans(store, stored)) == 0 &&
           std::chrono::system_clock::now() < deadline) {
        ensureCron();
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    EXPECT_EQ(scans, 1) << "no automated scan of " << stored << " stored by "
                        << std::put_time(&when, "%H:%M") << "; log: " << ReadFile(env.LogFile());

    std::vector<ts::AlertTask> tasks;
    EXPECT_EQ(scheduler.ListAlertTasks(TALLYVOLTASKCREATOR, &tasks), ts::S_OK);
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_EQ(tasks[0].name, name);
    EXPECT_EQ(tasks[0].parameters, alerts::AlertParameters(alert));
    EXPECT_EQ(scheduler.DeleteAlertTask(name), ts::S_OK);

    struct stat after {};
    if (existedBefore) {
        ASSERT_EQ(::stat("/tmp/x", &after), 0);
        EXPECT_EQ(after.st_mtime, before.st_mtime) << "/tmp/x was touched";
    } else {
        EXPECT_NE(::stat("/tmp/x", &after), 0)
            << "/tmp/x was created: a shell expanded the directory";
    }
    std::printf("real cron test took %lld s\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(
                                           std::chrono::steady_clock::now() - started)
                                           .count()));
}
