// Unattended runs of the tallyvol binary, as cron starts them: a tree scanned and stored twice
// while it grows, the alert checks just below and just above their thresholds delivered through
// a real program, free space on a volume of known size, and a report written by the run.
#include "alerts/Notification.h"
#include "platform/ado/Connection.h"
#include "platform/system/SystemInfo.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/PrivateMount.h"
#include "tests/support/ProcessRunner.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <fstream>
#include <regex>

using namespace testsupport;

namespace {

constexpr std::uint64_t kBlock = 4096;

// A run's world: an isolated home whose log stays in the test's directory, a tree, and a
// program that records every alert it is started for (one line per argument, then END).
struct RunFixture {
    IsolatedEnvironment env;
    std::string tree = env.Root() + "/srv data";
    std::string recorder = env.Root() + "/bin dir/record alert.sh";
    std::string record = env.Root() + "/alerts.txt";

    RunFixture() {
        MakeDirectories(env.LogDirectory());
        MakeDirectories(tree);
        // One write per alert, so that programs started together cannot mix their lines.
        WriteFile(recorder, "#!/bin/sh\nline=''\nfor a in \"$@\"; do line=\"$line<$a>\"; done\n"
                            "printf '%s\\n' \"$line\" >> \"" + record + "\"\n");
        ::chmod(recorder.c_str(), 0755);
    }

    std::map<std::string, std::string> environment() const {
        return {{"TALLYVOL_HOME", env.Home()}, {"XDG_CONFIG_HOME", env.ConfigHome()}, {"TMPDIR", env.Root()}};
    }

    ProcessResult run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "/DIR=" + tree);
        ProcessResult result = RunTallyvol(arguments, environment());
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result;
    }

    // The alerts the recorder received so far; waits a little for programs still starting.
    std::vector<std::string> alerts(std::size_t expected) const {
        for (int i = 0; i < 100; ++i) {
            std::string text = ReadFile(record);
            if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= expected) {
                break;
            }
            ::usleep(50000);
        }
        ::usleep(expected == 0 ? 300000 : 0); // a wrongly started program would show by now
        std::vector<std::string> lines;
        std::string text = ReadFile(record);
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            lines.push_back(text.substr(start, end - start));
        }
        return lines;
    }

    void clearAlerts() { ::unlink(record.c_str()); }

    // A notification that runs the recorder with the directory (quoted) and the size.
    std::string notify() const { return "/NOTIFY=\"" + recorder + "\" \"$DIR$\" $SIZE$ \"$MSG$\""; }

    // Sets the size on disk of a directory's one file to `blocks` blocks.
    void setBlocks(const std::string& relative, std::uint64_t blocks) {
        WriteSizedFile(tree + "/" + relative + "/data", blocks == 0 ? 0 : (blocks - 1) * kBlock + 1);
    }

    std::string stored(const std::string& relative) const {
        return "//" + platform::system::ComputerName() + tree + (relative.empty() ? "" : "/" + relative);
    }
};

} // namespace

TEST(AutomatedRun, TwoRunsOnAGrowingTreeStoreTwoScans) {
    RunFixture f;
    WriteSizedFile(f.tree + "/a/one", 100);
    WriteSizedFile(f.tree + "/b/deep/two", 5000);
    f.run({"/SCAN", "/SAVE"});
    WriteSizedFile(f.tree + "/a/three", 10000);
    WriteSizedFile(f.tree + "/c/new", 1);
    f.run({"/SCAN", "/SAVE"});

    platform::ado::Connection store;
    store.Open("Provider=SQLite;Data Source=" + f.env.Home() + "/tallyvol3.db");
    auto sizes = [&](const std::string& relative) {
        std::vector<std::int64_t> result;
        auto rows = store.OpenRecordset("select s.DirSize from SizeData s, DirNames d where s.DirID=d.DirID and "
                                        "d.Path='" + f.stored(relative) + "' order by s.ScanID");
        for (; !rows->IsEOF(); rows->MoveNext()) result.push_back(rows->Fields(0).AsInt64());
        return result;
    };
    EXPECT_EQ(sizes(""), (std::vector<std::int64_t>{4096 + 8192, 4096 + 12288 + 8192 + 4096}));
    EXPECT_EQ(sizes("a"), (std::vector<std::int64_t>{4096, 4096 + 12288}));
    EXPECT_EQ(sizes("b"), (std::vector<std::int64_t>{8192, 8192}));
    EXPECT_EQ(sizes("c"), (std::vector<std::int64_t>{4096}));
    EXPECT_EQ(sizes("b/deep"), (std::vector<std::int64_t>{})) << "without /SAVESUBDIRS only one level";
    EXPECT_EQ(store.OpenRecordset("select count(*) from ScanDefinition where ScanType=2")->Fields(0).AsInt64(), 2);
    EXPECT_EQ(store.OpenRecordset("select count(*) from ExtensionInfo")->Fields(0).AsInt64(), 0);

    f.run({"/SCAN", "/SAVESUBDIRS"});
    EXPECT_EQ(sizes("b/deep"), (std::vector<std::int64_t>{8192}));
}

TEST(AutomatedRun, GrowthByAnAmountAlertsOnlyAboveTheThreshold) {
    RunFixture f;
    // 1,000 K then 1,500 K: growth 500 K equals /ALERTSIZE=500 and sends nothing.
    f.setBlocks("projects", 250);
    f.run({"/SCAN", "/SAVE"});
    f.setBlocks("projects", 375);
    f.run({"/ALERTSIZE=500", "/SAVE", f.notify()});
    EXPECT_TRUE(f.alerts(0).empty());

    // One block more than the threshold: an alert naming the subdirectory and its size.
    f.setBlocks("projects", 501);
    f.run({"/ALERTSIZE=500", "/SAVE", f.notify()});
    std::vector<std::string> alerts = f.alerts(1);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0], "<" + f.stored("projects") + "><2,004><K><The disk space taken up by " + f.stored("projects") +
                             " increased by more than 500 K since the last saved scan.  (Current size: 2,004 K)>");
}

TEST(AutomatedRun, GrowthByAPercentageAndSubdirectoriesNewInTheLatestScan) {
    RunFixture f;
    f.setBlocks("p", 100);
    f.run({"/SCAN", "/SAVE"});
    f.setBlocks("p", 150); // 50 % more
    f.setBlocks("fresh", 10);
    f.run({"/ALERTPERCENT=50", "/SAVE", f.notify()});
    EXPECT_TRUE(f.alerts(0).empty()) << "50 is not more than 50; a new directory never alerts";

    // The same two stored scans compared again (no /SAVE) at 49 %.
    f.run({"/ALERTPERCENT=49", f.notify()});
    std::vector<std::string> alerts = f.alerts(1);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_NE(alerts[0].find("increased by more than 49% since the last saved scan (increase=50%).  (Current size: 600 K)"),
              std::string::npos)
        << alerts[0];
}

TEST(AutomatedRun, TheWholeDirectoryAboveItsLimit) {
    RunFixture f;
    f.setBlocks("a", 100);
    f.setBlocks("b", 50);
    f.run({"/MAXSIZE=600", "/SAVE", f.notify()});
    EXPECT_TRUE(f.alerts(0).empty()) << "600 K exactly";
    f.setBlocks("b", 51);
    f.run({"/MAXSIZE=600", "/SAVE", f.notify()});
    std::vector<std::string> alerts = f.alerts(1);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_NE(alerts[0].find("has grown beyond the limit of 600 K (current size: 604 K)"), std::string::npos) << alerts[0];
    EXPECT_EQ(alerts[0].rfind("<" + f.tree + ">", 0), 0u) << "the scan directory as given";
}

TEST(AutomatedRun, ProfilesFromTheCommandLineInTheirOrder) {
    RunFixture f;
    {
        // The profiles are made in the run's own home, as the alert dialogs would make them.
        alerts::Notification first;
        first.Type = alerts::kRunProgram;
        first.Str1 = "\"" + f.recorder + "\" first \"$DIR$\"";
        first.Save();
        alerts::Notification page;
        page.Type = alerts::kPage;
        page.Save();
        alerts::Notification second;
        second.Type = alerts::kRunProgram;
        second.Str1 = "\"" + f.recorder + "\" second";
        second.Save();
        ASSERT_EQ(first.PID, 1);
        ASSERT_EQ(second.PID, 3);
    }
    f.setBlocks("x", 1);
    f.run({"/SCAN", "/SAVE"});
    f.setBlocks("x", 2);
    f.run({"/ALERTSIZE=0", "/SAVE", "/PID=3,,2,1"});
    std::vector<std::string> alerts = f.alerts(2);
    ASSERT_EQ(alerts.size(), 2u);
    std::sort(alerts.begin(), alerts.end());
    EXPECT_EQ(alerts[0], "<first><" + f.stored("x") + ">");
    EXPECT_EQ(alerts[1], "<second>");
}

TEST(AutomatedRun, FreeSpaceOnAVolumeOfKnownSize) {
    if (!PrivateMountsAvailable()) {
        GTEST_SKIP() << "this machine does not let a test mount a file system of its own";
    }
    RunFixture f;
    std::string volume = f.env.Root() + "/volume";
    MakeDirectories(volume);
    // 10,000 pages of which 999 stay free: 9.99 %, which the check truncates to 9.
    EXPECT_EXIT(
        {
            std::string error;
            if (!MountPrivateTmpfs(volume, 10000 * kBlock, &error)) {
                std::fprintf(stderr, "mount: %s\n", error.c_str());
                std::_Exit(2);
            }
            struct statvfs vfs {};
            ::statvfs(volume.c_str(), &vfs);
            std::uint64_t fill = (vfs.f_bfree - 999) * vfs.f_frsize;
            {
                std::ofstream out(volume + "/fill", std::ios::binary);
                std::string chunk(1 << 20, 'x');
                for (std::uint64_t written = 0; written < fill; written += chunk.size()) {
                    out.write(chunk.data(), static_cast<std::streamsize>(std::min<std::uint64_t>(chunk.size(), fill - written)));
                }
            }
            ::statvfs(volume.c_str(), &vfs);
            if (vfs.f_bfree != 999 || vfs.f_blocks != 10000) {
                std::fprintf(stderr, "volume: %lu of %lu free\n", vfs.f_bfree, vfs.f_blocks);
                std::_Exit(3);
            }
            auto env = f.environment();
            auto run = [&](const std::vector<std::string>& arguments) {
                std::vector<std::string> all{"/DIR=" + volume};
                all.insert(all.end(), arguments.begin(), arguments.end());
                return RunTallyvol(all, env).exitCode;
            };
            run({"/FREEPERCENT=9", f.notify()});
            run({"/FREEALERT=3996", f.notify()}); // exactly the free 999 pages
            if (!f.alerts(0).empty()) {
                std::fprintf(stderr, "alerted at the threshold: %s\n", f.alerts(0)[0].c_str());
                std::_Exit(4);
            }
            run({"/FREEPERCENT=10", f.notify()});
            run({"/FREEALERT=3997", f.notify()});
            std::vector<std::string> alerts = f.alerts(2);
            bool percent = false;
            bool amount = false;
            for (const std::string& alert : alerts) {
                percent = percent || alert.find("has dropped to 9% (below the 10% alert threshold).  Current free space: "
                                                "3,996 K") != std::string::npos;
                amount = amount || alert.find("has dropped below 3,997 K (Current free space: 3,996 K)") != std::string::npos;
            }
            if (!percent || !amount) {
                for (const std::string& alert : alerts) std::fprintf(stderr, "%s\n", alert.c_str());
                std::_Exit(5);
            }
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(AutomatedRun, AReportWrittenByTheRun) {
    RunFixture f;
    f.setBlocks("alpha", 1);
    f.setBlocks("beta", 256);
    f.run({"/SCAN", "/SAVE"});
    std::string report = f.env.Root() + "/out dir/report.txt";
    MakeDirectories(f.env.Root() + "/out dir");
    // Empty fields are skipped, so the seventh field needs a sixth that is not REVCOLS.
    f.run({"/PRINT=FILE=" + report, "/PRINTFORMAT=K,UNITS,TEXT,3,0,NOREV,TOTALS"});
    std::string text = ReadFile(report);
    std::string header = "Tallyvol Disk Space Tracker Report\r\nDirectory: " + f.stored("") + "\r\nPrint Date: ";
    EXPECT_EQ(text.rfind(header, 0), 0u) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("\r\n\r\nDirectories\t[^\t\r]+\r\n"))) << text;
    EXPECT_NE(text.find("\r\nalpha\t4 K\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nbeta\t1,024 K\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 24), "*** Totals ***\t1,028 K\r\n");
}
