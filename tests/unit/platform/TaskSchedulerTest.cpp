// The scheduler layer over a stand-in crontab program: the operations on tasks among foreign
// lines, the numbered names, refusals that write nothing, crontab's failures reaching the
// caller, another account's crontab and moving tasks between crontabs, the accounts root
// lists, and concurrent writers that lose nothing.
#include "platform/taskscheduler/TaskScheduler.h"
#include "platform/taskscheduler/CrontabAccess.h"
#include "platform/taskscheduler/CrontabAccounts.h"
#include "platform/taskscheduler/CrontabLock.h"
#include "tests/support/FakeCrontab.h"
#include "tests/support/IsolatedEnvironment.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

using namespace platform::taskscheduler;
using namespace testsupport;

namespace {

const std::string kForeign =
    "MAILTO=root\n# nightly backup\n15 2 * * * /usr/local/bin/backup \\%d\n\n";

struct SchedulerFixture : ::testing::Test {
    IsolatedEnvironment env;
    FakeCrontab crontab;
    TaskScheduler scheduler;

    std::string create(const std::string& name,
                       const std::string& parameters = "/DIR=\"/srv\" /SCAN",
                       const std::string& creator = "Tallyvol") {
        std::string created;
        EXPECT_EQ(scheduler.CreateAlertTask(creator, name, "/usr/bin/tallyvol", parameters,
                                            "comment of " + name, &created),
                  S_OK)
            << scheduler.LastErrorText();
        return created;
    }

    std::vector<std::string> listed() {
        std::vector<AlertTask> tasks;
        EXPECT_EQ(scheduler.ListAlertTasks("tallyvol", &tasks), S_OK) << scheduler.LastErrorText();
        std::vector<std::string> names;
        for (const AlertTask& task : tasks) {
            names.push_back(task.name + (task.Scheduled() ? " scheduled" : ""));
        }
        return names;
    }
};

} // namespace

TEST_F(SchedulerFixture, TasksAreCreatedScheduledUpdatedAndDeletedAmongForeignLines) {
    crontab.SetTable(kForeign);
    EXPECT_EQ(create("Free space less than 5% in _srv.job"), "Free space less than 5% in _srv.job");
    create("other.job", "/SCAN", "SomeoneElse");
    EXPECT_EQ(listed(), std::vector<std::string>{"Free space less than 5% in _srv.job"});
    EXPECT_EQ(crontab.Table()->substr(0, kForeign.size()), kForeign);

    bool scheduled = true;
    EXPECT_EQ(scheduler.IsScheduled("Free space less than 5% in _srv.job", &scheduled), S_OK);
    EXPECT_FALSE(scheduled);
    std::vector<CronTrigger> triggers = {*CronTrigger::Weekly(0x3E, 6, 45),
                                         CronTrigger::AtStartup()};
    EXPECT_EQ(scheduler.WriteAlertTriggers("Free space less than 5% in _srv.job", triggers), S_OK);
    EXPECT_EQ(scheduler.IsScheduled("Free space less than 5% in _srv.job", &scheduled), S_OK);
    EXPECT_TRUE(scheduled);

    std::string table = *crontab.Table();
    std::string expectedLine = "45 6 * * 1,2,3,4,5 TALLYVOL_HOME='" + env.Home() +
                               "' XDG_CONFIG_HOME='" + env.ConfigHome() + "' TALLYVOL_LOCK_DIR='" +
                               env.Root() + "' '/usr/bin/tallyvol' '/DIR=\"/srv\"' '/SCAN'\n";
    EXPECT_NE(table.find(expectedLine), std::string::npos) << table;

    // An update keeps the name and the schedule, and rewrites the command of every trigger.
    EXPECT_EQ(scheduler.UpdateAlertTask("Free space less than 5% in _srv.job", "/opt/tallyvol",
                                        "/DIR=\"/srv/b\" /SCAN", "new comment"),
              S_OK);
    std::vector<AlertTask> tasks;
    ASSERT_EQ(scheduler.ListAlertTasks("TALLYVOL", &tasks), S_OK);
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_EQ(tasks[0].comment, "new comment");
    EXPECT_EQ(tasks[0].application, "/opt/tallyvol");
    EXPECT_EQ(tasks[0].triggers, triggers);
    std::string parameters;
    EXPECT_EQ(scheduler.ReadAlertParameters(tasks[0].name, &parameters), S_OK);
    EXPECT_EQ(parameters, "/DIR=\"/srv/b\" /SCAN");
    std::vector<CronTrigger> read;
    EXPECT_EQ(scheduler.ReadAlertTriggers(tasks[0].name, &read), S_OK);
    EXPECT_EQ(read, triggers);

    EXPECT_EQ(scheduler.DeleteAlertTask(tasks[0].name), S_OK);
    EXPECT_EQ(scheduler.DeleteAlertTask("other.job"), S_OK);
    EXPECT_EQ(*crontab.Table(), kForeign);
    EXPECT_EQ(scheduler.DeleteAlertTask("other.job"), E_FILENOTFOUND);
    EXPECT_EQ(scheduler.IsScheduled("other.job", &scheduled), E_FILENOTFOUND);
    EXPECT_FALSE(scheduled);
    EXPECT_EQ(scheduler.LastErrorText(), "There is no task named other.job.");
}

TEST_F(SchedulerFixture, ASecondTaskOfTheSameNameIsNumberedBeforeItsExtensionUpTo999) {
    EXPECT_EQ(create("Max size less than 1 K in _srv.job"), "Max size less than 1 K in _srv.job");
    EXPECT_EQ(create("Max size less than 1 K in _srv.job"),
              "Max size less than 1 K in _srv [2].job");
    EXPECT_EQ(create("Max size less than 1 K in _srv.job"),
              "Max size less than 1 K in _srv [3].job");
    EXPECT_EQ(create("a. b.job"), "a. b.job");
    EXPECT_EQ(create("a. b.job"), "a. b [2].job") << "split at the last full stop";

    std::string table;
    for (int n = 2; n <= 998; ++n) {
        table += CrontabDocument::BlockText(
            TaskBlock{"x [" + std::to_string(n) + "].job", "Tallyvol", "", "/t", "", {}, {}});
    }
    crontab.SetTable(
        table + CrontabDocument::BlockText(TaskBlock{"x.job", "Tallyvol", "", "/t", "", {}, {}}));
    EXPECT_EQ(create("x.job"), "x [999].job");
    int installs = crontab.Installs();
    std::string created = "unchanged";
    EXPECT_EQ(scheduler.CreateAlertTask("Tallyvol", "x.job", "/t", "", "", &created), E_FILEEXISTS);
    EXPECT_EQ(created, "unchanged");
    EXPECT_EQ(crontab.Installs(), installs);

    create("noextension");
    EXPECT_EQ(scheduler.CreateAlertTask("Tallyvol", "noextension", "/t", "", "", &created),
              E_FILEEXISTS);
}

TEST_F(SchedulerFixture, TextsACrontabCannotHoldAreRefusedBeforeAnythingIsWritten) {
    crontab.SetTable(kForeign);
    std::string created;
    EXPECT_EQ(scheduler.CreateAlertTask("Tallyvol", "a.job", "/usr/bin/tallyvol",
                                        "/DIR=\"/srv/two\nlines\"", "c", &created),
              E_INVALIDARG);
    EXPECT_NE(scheduler.LastErrorText().find("line break"), std::string::npos);
    create("b.job");
    EXPECT_EQ(scheduler.UpdateAlertTask("b.job", "/usr/bin/tallyvol", "/DIR=\"/srv\" /SCAN",
                                        "two\nlines"),
              E_INVALIDARG);
    env.Set("TALLYVOL_HOME", "/home/with\nbreak");
    EXPECT_EQ(
        scheduler.CreateAlertTask("Tallyvol", "c.job", "/usr/bin/tallyvol", "/SCAN", "c", &created),
        E_INVALIDARG);
    EXPECT_NE(scheduler.LastErrorText().find("TALLYVOL_HOME"), std::string::npos);
    EXPECT_EQ(crontab.Installs(), 1) << "only b.job was written";
    EXPECT_EQ(listed(), std::vector<std::string>{"b.job"});
}

TEST_F(SchedulerFixture, CrontabFailuresReachTheCallerWithItsMessage) {
    crontab.FailWith("You (root) are not allowed to use this program (crontab)");
    std::vector<AlertTask> tasks;
    EXPECT_EQ(scheduler.ListAlertTasks("Tallyvol", &tasks), E_ACCESSDENIED);
    EXPECT_EQ(scheduler.LastErrorText(),
              "You (root) are not allowed to use this program (crontab)");
    crontab.FailWith("crontab: installing new crontab failed");
    std::string created;
    EXPECT_EQ(scheduler.CreateAlertTask("Tallyvol", "a.job", "/t", "/SCAN", "", &created), E_FAIL);
    EXPECT_EQ(scheduler.LastErrorText(), "crontab: installing new crontab failed");

    TempDirectory empty;
    env.Set("PATH", empty.Path());
    EXPECT_EQ(scheduler.ListAlertTasks("Tallyvol", &tasks), SCHED_E_SERVICE_NOT_INSTALLED);
    EXPECT_NE(scheduler.LastErrorText().find("could not be started"), std::string::npos);
}

TEST_F(SchedulerFixture, AnotherAccountsCrontabIsRootsAlone) {
    TaskScheduler unknown("no-such-user-tallyvol");
    std::vector<AlertTask> tasks;
    EXPECT_EQ(unknown.ListAlertTasks("Tallyvol", &tasks), E_NONEMAPPED);
    if (::geteuid() != 0) {
        GTEST_SKIP() << "the rest needs root";
    }
    TaskScheduler forNobody("nobody");
    std::string created;
    ASSERT_EQ(forNobody.CreateAlertTask("Tallyvol", "n.job", "/t", "/SCAN", "", &created), S_OK)
        << forNobody.LastErrorText();
    EXPECT_NE(crontab.Table("nobody")->find("name=n.job"), std::string::npos);
    EXPECT_FALSE(crontab.Table().has_value()) << "root's own table untouched";
    struct stat st {};
    ASSERT_EQ(::stat(CrontabLock::LockPath(65534).c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u) << "the account can take its own lock later";

    // An account that is not root may not use another's crontab.
    EXPECT_EXIT(
        {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
                std::_Exit(3);
            }
            TaskScheduler forRoot("root");
            std::vector<AlertTask> found;
            std::_Exit(forRoot.ListAlertTasks("Tallyvol", &found) == E_ACCESSDENIED ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(SchedulerFixture, RootMovesATaskBetweenCrontabsWithoutLosingOrDoublingIt) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "moving a task into another account's crontab needs root";
    }
    const std::string nobodysOwn = "# nobody's job\n5 * * * * /bin/true\n";
    crontab.SetTable(kForeign);
    crontab.SetTable(nobodysOwn, "nobody");
    std::string name = create("m.job");
    ASSERT_EQ(scheduler.WriteAlertTriggers(name, {*CronTrigger::Daily(1, 0)}), S_OK);
    AlertTask before;
    ASSERT_EQ(scheduler.ReadAlertTask(name, &before), S_OK);

    std::vector<CronTrigger> weekly = {*CronTrigger::Weekly(0x41, 23, 5)};
    ASSERT_EQ(scheduler.MoveAlertTask(name, "nobody", weekly), S_OK) << scheduler.LastErrorText();
    EXPECT_EQ(*crontab.Table(), kForeign);
    TaskScheduler nobody("nobody");
    AlertTask moved;
    ASSERT_EQ(nobody.ReadAlertTask(name, &moved), S_OK);
    EXPECT_EQ(moved.triggers, weekly);
    EXPECT_EQ(moved.parameters, before.parameters);
    EXPECT_EQ(moved.comment, before.comment);
    EXPECT_EQ(moved.environment, before.environment) << "the run keeps the store it was made for";
    EXPECT_EQ(crontab.Table("nobody")->substr(0, nobodysOwn.size()), nobodysOwn);

    // Back to root's own crontab, named by its account; within one crontab only the triggers
    // change.
    ASSERT_EQ(nobody.MoveAlertTask(name, "root", {}), S_OK) << nobody.LastErrorText();
    EXPECT_EQ(*crontab.Table("nobody"), nobodysOwn);
    ASSERT_EQ(scheduler.MoveAlertTask(name, "root", weekly), S_OK);
    EXPECT_EQ(listed(), std::vector<std::string>{"m.job scheduled"});

    // Refusals change neither crontab.
    struct Refusal {
        std::string account;
        HRESULT result;
    };
    crontab.SetTable(nobodysOwn + CrontabDocument::BlockText(
                                      TaskBlock{name, "Tallyvol", "", "/t", "", {}, {}}),
                     "nobody");
    std::string rootTable = *crontab.Table();
    std::string nobodyTable = *crontab.Table("nobody");
    for (const Refusal& refusal : {Refusal{"nobody", E_FILEEXISTS},
                                   Refusal{"no-such-user-tallyvol", E_NONEMAPPED}}) {
        EXPECT_EQ(scheduler.MoveAlertTask(name, refusal.account, {}), refusal.result)
            << refusal.account;
        EXPECT_EQ(*crontab.Table(), rootTable);
        EXPECT_EQ(*crontab.Table("nobody"), nobodyTable);
    }
    EXPECT_EQ(scheduler.MoveAlertTask("none.job", "daemon", {}), E_FILENOTFOUND);

    // The old crontab cannot be written: the new one is restored, the task stays where it was.
    crontab.SetTable(nobodysOwn, "nobody");
    crontab.RefuseInstallsOf("crontab: installing new crontab failed");
    EXPECT_EQ(scheduler.MoveAlertTask(name, "nobody", {}), E_FAIL);
    EXPECT_EQ(scheduler.LastErrorText(), "crontab: installing new crontab failed");
    EXPECT_EQ(*crontab.Table(), rootTable);
    EXPECT_EQ(*crontab.Table("nobody"), nobodysOwn);
}

TEST(CrontabAccounts, RootListsTheKnownAccountsOfTheSpoolDirectoryOrElseEveryAccount) {
    if (::geteuid() != 0) {
        EXPECT_TRUE(OtherCrontabAccounts().empty()) << "only root reads other crontabs";
        GTEST_SKIP() << "the rest needs root";
    }
    TempDirectory spool;
    for (const char* file : {"root", "nobody", "daemon", "no-such-user-tallyvol", "tmp.X1a2b3"}) {
        WriteFile(spool / file, "");
    }
    EXPECT_EQ(OtherCrontabAccounts(spool.Path()), (std::vector<std::string>{"daemon", "nobody"}));
    std::vector<std::string> everyone = OtherCrontabAccounts(spool / "missing");
    EXPECT_NE(std::find(everyone.begin(), everyone.end(), "nobody"), everyone.end());
    EXPECT_EQ(std::find(everyone.begin(), everyone.end(), "root"), everyone.end());
    EXPECT_TRUE(std::is_sorted(everyone.begin(), everyone.end()));
    EXPECT_EQ(CurrentAccountName(), "root");
    EXPECT_EQ(RunAsAccounts().at(0), "root");

    EXPECT_EXIT(
        {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
                std::_Exit(3);
            }
            std::_Exit(OtherCrontabAccounts(spool.Path()).empty() &&
                               CurrentAccountName() == "nobody" && RunAsAccounts()[0] == "nobody"
                           ? 0
                           : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(SchedulerFixture, ALockDirectoryThatIsNotPrivateIsRefused) {
    std::string directory = env.Root() + "/tallyvol-" + std::to_string(::geteuid());
    ASSERT_EQ(::symlink(env.Root().c_str(), directory.c_str()), 0);
    std::string created;
    EXPECT_EQ(scheduler.CreateAlertTask("Tallyvol", "a.job", "/t", "/SCAN", "", &created), E_FAIL);
    EXPECT_NE(scheduler.LastErrorText().find("Cannot open"), std::string::npos)
        << scheduler.LastErrorText();
    ::unlink(directory.c_str());
    ASSERT_EQ(::mkdir(directory.c_str(), 0777), 0);
    ::chmod(directory.c_str(), 0777);
    EXPECT_EQ(scheduler.CreateAlertTask("Tallyvol", "a.job", "/t", "/SCAN", "", &created),
              E_ACCESSDENIED);
    EXPECT_EQ(crontab.Installs(), 0);
}

TEST_F(SchedulerFixture, ConcurrentWritersLoseNothing) {
    crontab.SetTable(kForeign);
    crontab.SetReadDelay("0.2");
    constexpr int kWriters = 6;

    // The same read-modify-write without the lock loses changes: the test can tell.
    std::vector<std::thread> threads;
    for (int i = 0; i < kWriters; ++i) {
        threads.emplace_back([i] {
            CrontabAccess access;
            std::string text, problem;
            if (access.Read(&text, &problem) == S_OK) {
                access.Write(text + "# unlocked " + std::to_string(i) + "\n", &problem);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::string table = *crontab.Table();
    EXPECT_LT(std::count(table.begin(), table.end(), '#'), 1 + kWriters);

    crontab.SetTable(kForeign);
    threads.clear();
    for (int i = 0; i < kWriters; ++i) {
        threads.emplace_back([i] {
            TaskScheduler own;
            std::string created;
            EXPECT_EQ(own.CreateAlertTask("Tallyvol", "same.job", "/t",
                                          "/SCAN " + std::to_string(i), "", &created),
                      S_OK)
                << own.LastErrorText();
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::vector<std::string> names = listed();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"same [2].job", "same [3].job", "same [4].job",
                                               "same [5].job", "same [6].job", "same.job"}));
    EXPECT_EQ(crontab.Table()->substr(0, kForeign.size()), kForeign);
}
