// The alert commands of the tallyvol binary: what they print, their exit status and the crontab
// they leave, over a stand-in crontab program, and over the real crontab program in the crontab
// of an account made for the test.
#include "tests/support/FakeCrontab.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TestUser.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

struct CommandFixture : ::testing::Test {
    IsolatedEnvironment env;
    FakeCrontab crontab;

    ProcessResult run(const std::vector<std::string>& arguments) {
        return RunTallyvol(arguments, {}, 60);
    }
};

const std::string kGrowthName = "Space usage change greater than 500000 K in _srv_data..job";

} // namespace

TEST_F(CommandFixture, AnAlertIsAddedListedAndRemoved) {
    crontab.SetTable("MAILTO=root\n30 1 * * * /usr/local/bin/backup\n");
    ProcessResult added = run(
        {"--alert-add", "15 2 * * *", "/DIR=/srv/data", "/ALERTSIZE=500000", "/SAVE", "/PID=1,3"});
    EXPECT_EQ(added.exitCode, 0) << added.err;
    EXPECT_EQ(added.out, kGrowthName + "\n");
    std::string table = *crontab.Table();
    EXPECT_EQ(table.rfind("MAILTO=root\n30 1 * * * /usr/local/bin/backup\n# tallyvol-task v1 ", 0),
              0u)
        << table;
    EXPECT_NE(table.find("\n15 2 * * * TALLYVOL_HOME='" + env.Home() + "' XDG_CONFIG_HOME='" +
                         env.ConfigHome() + "' TALLYVOL_LOCK_DIR='" + env.Root() + "' '" +
                         TALLYVOL_BINARY +
                         "' '/DIR=\"/srv/data\"' '/ALERTSIZE=500000' '/SAVE' '/PID=1,3'\n"),
              std::string::npos)
        << table;

    ProcessResult custom =
        run({"--alert-add", "@reboot", "/DIR=/srv/data", "/ALERTSIZE=5", "/DOSYMLINKCHECK"});
    EXPECT_EQ(custom.exitCode, 0) << custom.err;
    EXPECT_EQ(custom.out, "Custom; _DIR=_srv_data _ALERTSIZE=5.job\n")
        << "without /SAVE no table type fits";
    crontab.SetTable(*crontab.Table() + "# tallyvol-task v1 name=broken%zz.job creator=Tallyvol\n");

    ProcessResult listed = run({"--alerts"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out, kGrowthName +
                              "\n    Space usage change greater than 500000 K in /srv/data.\n"
                              "    15 2 * * *  (Daily at 02:15)\n"
                              "Custom; _DIR=_srv_data _ALERTSIZE=5.job\n"
                              "    Custom: /DIR=/srv/data /ALERTSIZE=5\n"
                              "    @reboot  (At start-up)\n");

    EXPECT_EQ(run({"--alert-remove", kGrowthName}).exitCode, 0);
    ProcessResult again = run({"--alert-remove", kGrowthName});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.err, "tallyvol: there is no alert named \"" + kGrowthName +
                             "\" (tallyvol --alerts lists them)\n");
    EXPECT_EQ(run({"--alert-remove", "Custom; _DIR=_srv_data _ALERTSIZE=5.job"}).exitCode, 0);
    EXPECT_EQ(*crontab.Table(), "MAILTO=root\n30 1 * * * /usr/local/bin/backup\n"
                                "# tallyvol-task v1 name=broken%zz.job creator=Tallyvol\n");
    EXPECT_EQ(run({"--alerts"}).out, "");
}

TEST_F(CommandFixture, NothingIsWrittenWhenTheRequestIsWrong) {
    crontab.SetTable("# mine\n");
    struct Case {
        std::vector<std::string> arguments;
        int status;
        const char* message;
    } cases[] = {
        {{"--alert-add", "* * * * * rm -rf /", "/DIR=/srv", "/SCAN"}, 1, "is not a cron time"},
        {{"--alert-add", "61 * * * *", "/DIR=/srv", "/SCAN"}, 1, "is not a cron time"},
        {{"--alert-add", "@daily", "/SCAN"}, 1, "an alert needs a directory"},
        {{"--alert-add", "@daily", "/DIR=/srv", "/DIR=/tmp", "/SCAN"}, 1, "give /DIR= once"},
        {{"--alert-add", "@daily", "/DIR=/srv", "/SAVE"}, 1, "the options make no unattended run"},
        {{"--alert-add", "@daily", "/DIR=/srv", "/SCAN", "/PID=1,x"},
         1,
         "/PID= takes profile identifiers"},
        {{"--alert-add", "@daily", "/DIR=/srv/two\nlines", "/SCAN"}, 1, "line break"},
        {{"--alert-add", "@daily", "/DIR=/srv/a\" b", "/SCAN"}, 1, "double quotes"},
        {{"--alert-add", "@daily", "/DIR=/srv", "/SCAN", "/NOTIFY=/bin/prog $DIR$"},
         1,
         "several arguments"},
        {{"--alert-add", "@daily", "/DIR=/srv", "/SCAN", "--run-as", "no-such-user-tv"},
         1,
         "no user account named"},
        {{"--alert-add", "@daily"}, 2, "usage: tallyvol --alert-add"},
        {{"--alerts", "extra"}, 2, "--alerts takes no other arguments"},
        {{"--alert-remove"}, 2, "--alert-remove takes one alert name"},
        {{"/SCAN", "--alerts"}, 2, "the alert command must come first"},
        {{"--alerts", "--run-as"}, 2, "--run-as needs a user name"},
    };
    for (const Case& c : cases) {
        ProcessResult result = run(c.arguments);
        EXPECT_EQ(result.exitCode, c.status) << c.arguments[0] << " " << c.arguments.back();
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(*crontab.Table(), "# mine\n");
    EXPECT_EQ(crontab.Installs(), 0);

    crontab.FailWith("You (root) are not allowed to use this program (crontab)");
    ProcessResult refused = run({"--alerts"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "tallyvol: cannot list the alerts: You (root) are not allowed to use "
                           "this program (crontab) "
                           "(HR=80070005)\n");

    ProcessResult help = run({"--help"});
    EXPECT_NE(help.out.find("--alert-add \"TRIGGER\" OPTION..."), std::string::npos);
}

TEST(AlertCommands, TheRealCrontabOfAnotherAccountHoldsTheAlert) {
    TestUser user;
    if (!user.Made()) {
        GTEST_SKIP() << user.Problem();
    }
    IsolatedEnvironment env;
    const std::string directory = "/srv/it's $(touch /tmp/x) \"%d\" \\ back";
    ProcessResult added =
        RunTallyvol({"--alert-add", "0 3 * * 1-5", "--run-as", user.Name(), "/DIR=" + directory,
                     "/MAXSIZE=100", "/SAVE", "/SAVESUBDIRS", "/PID=2"});
    ASSERT_EQ(added.exitCode, 0) << added.err;
    std::string name = "Max size less than 100 K in _srv_it's $(touch _tmp_x) ''%d'' _ back.job";
    EXPECT_EQ(added.out, name + "\n");

    ProcessResult table = RunProcess("/usr/bin/crontab", {"-u", user.Name(), "-l"});
    EXPECT_NE(table.out.find("\n0 3 * * 1-5 TALLYVOL_HOME='"), std::string::npos) << table.out;
    EXPECT_NE(
        table.out.find(
            " '/DIR=\"/srv/it'\\''s $(touch /tmp/x) \"\\%d\" \\ back\"' '/MAXSIZE=100' '/SAVE' "
            "'/SAVESUBDIRS' '/PID=2'\n"),
        std::string::npos)
        << table.out;

    ProcessResult listed = RunTallyvol({"--alerts", "--run-as", user.Name()});
    EXPECT_EQ(listed.out,
              name + "\n    Max size less than 100 K in " + directory + "\n    0 3 * * 1-5\n");
    EXPECT_EQ(RunTallyvol({"--alerts"}).out, "") << "root's own crontab is another";
    EXPECT_EQ(RunTallyvol({"--alert-remove", name, "--run-as", user.Name()}).exitCode, 0);
    EXPECT_EQ(RunProcess("/usr/bin/crontab", {"-u", user.Name(), "-l"}).out, "");
}
