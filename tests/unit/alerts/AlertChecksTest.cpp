// The five threshold checks on stored scans built here and a controlled free-space source, and
// the sending of their alerts to the listed profiles.
#include "alerts/AlertChecks.h"
#include "alerts/GrowthMailText.h"
#include "alerts/EventLog.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/FormatBytes.h"
#include "tests/support/DatagramReceiver.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

using namespace alerts;
using testsupport::IsolatedEnvironment;
using testsupport::ReadFile;

namespace {

constexpr std::int64_t K = 1024;
const std::string kDir = "//host/srv";

// The stored scans of the directory, newest first: per scan, the size of each row.
struct Store {
    std::vector<std::pair<std::uint32_t, std::string>> rows;
    std::vector<std::map<std::uint32_t, std::int64_t>> scans; // newest first
};

struct Sent {
    std::string directory;
    std::string message;
    std::int64_t size;
    MailAppendix appendix;
};

// A check context over the store: the loader hands out the newest maxScans scans as the
// scan engine's LoadScans does, and every call is recorded.
struct Checks {
    Store store;
    std::uint64_t totalFree = 0;
    std::uint64_t totalBytes = 0;
    bool freeSpaceFails = false;
    bool loaderFails = false;
    std::vector<std::string> loads;
    std::vector<std::string> freeSpaceQueries;
    std::vector<Sent> sent;

    AlertCheckContext context(int units = app::kUnitK) {
        AlertCheckContext c;
        c.directory = kDir;
        c.units = units;
        c.loadScans = [this](const std::string& path, int view, scan::DisplayData& data, int maxScans) {
            loads.push_back(path + " view " + std::to_string(view) + " max " + std::to_string(maxScans));
            if (loaderFails) return false;
            data.path = path;
            std::uint32_t scanID = 100;
            for (std::size_t s = 0; s < store.scans.size() && static_cast<int>(s) < maxScans; ++s, --scanID) {
                data.scans.push_back({scanID, {}});
                for (const auto& [row, value] : store.scans[s]) {
                    data.SetValue(row, scanID, static_cast<std::uint64_t>(value));
                }
            }
            for (const auto& [id, name] : store.rows) data.rows.push_back({id, name});
            return !data.scans.empty();
        };
        c.getFreeSpace = [this](const std::string& path, std::uint64_t* free, std::uint64_t* toCaller,
                                std::uint64_t* total) {
            freeSpaceQueries.push_back(path);
            if (freeSpaceFails) return false;
            *free = totalFree;
            *toCaller = totalFree / 2;
            *total = totalBytes;
            return true;
        };
        c.sendAlert = [this](const std::string& directory, const std::string& message, std::int64_t size,
                             const MailAppendix& appendix) {
            sent.push_back({directory, message, size, appendix});
        };
        return c;
    }
};

std::string growthMessage(const std::string& row, const std::string& threshold, const std::string& current) {
    return "The disk space taken up by " + row + " increased by more than " + threshold +
           " since the last saved scan.  (Current size: " + current + ")";
}

} // namespace

TEST(AlertChecks, GrowthByAnAmountAlertsOnlyAboveTheThreshold) {
    Checks checks;
    checks.store.rows = {{1, kDir + "/equal"}, {2, kDir + "/above"}, {3, kDir + "/new"}, {4, kDir + "/gone"},
                         {5, kDir + "/shrunk"}};
    checks.store.scans = {{{1, 1500 * K}, {2, 1501 * K}, {3, 900000 * K}, {5, 10 * K}},
                          {{1, 1000 * K}, {2, 1000 * K}, {4, 1 * K}, {5, 9000 * K}}};
    AlertSizeCheck(checks.context(), 500 * K); // /ALERTSIZE=500
    EXPECT_EQ(checks.loads, std::vector<std::string>{kDir + " view 0 max 2"});
    ASSERT_EQ(checks.sent.size(), 1u) << "growth equal to the threshold, a new row and a vanished row never alert";
    EXPECT_EQ(checks.sent[0].directory, kDir + "/above");
    EXPECT_EQ(checks.sent[0].message, growthMessage(kDir + "/above", "500 K", "1,501 K"));
    EXPECT_EQ(checks.sent[0].size, 1501 * K);

    // The newest stored scan is compared with the one before it, whatever older scans hold.
    checks.sent.clear();
    checks.store.scans.push_back({{1, 0}, {2, 0}});
    AlertSizeCheck(checks.context(app::kUnitBytes), 500 * K);
    ASSERT_EQ(checks.sent.size(), 1u);
    EXPECT_EQ(checks.sent[0].message, growthMessage(kDir + "/above", "512,000 bytes", "1,537,024 bytes"));
}

TEST(AlertChecks, GrowthChecksNeedTwoStoredScans) {
    Checks checks;
    checks.store.rows = {{1, kDir + "/a"}};
    checks.store.scans = {{{1, 1000000 * K}}};
    AlertSizeCheck(checks.context(), 0);
    AlertPercentCheck(checks.context(), 0);
    EXPECT_TRUE(checks.sent.empty());
    checks.store.scans.push_back({{1, 1}});
    checks.loaderFails = true;
    AlertSizeCheck(checks.context(), 0);
    AlertPercentCheck(checks.context(), 0);
    EXPECT_TRUE(checks.sent.empty()) << "nothing could be loaded";
    checks.loaderFails = false;
    AlertSizeCheck(checks.context(), 0);
    EXPECT_EQ(checks.sent.size(), 1u);
}

TEST(AlertChecks, GrowthByAPercentageTruncatesAndCountsAnEmptyPreviousAsOneByte) {
    Checks checks;
    checks.store.rows = {{1, kDir + "/half"}, {2, kDir + "/from-zero"}, {3, kDir + "/tiny"}, {4, kDir + "/shrunk"},
                         {5, kDir + "/one-percent"}};
    checks.store.scans = {{{1, 150}, {2, 3}, {3, 1005}, {4, 1}, {5, 101}},
                          {{1, 100}, {2, 0}, {3, 1000}, {4, 100}, {5, 100}}};
    AlertPercentCheck(checks.context(app::kUnitBytes), 49);
    ASSERT_EQ(checks.sent.size(), 2u);
    EXPECT_EQ(checks.sent[0].message, "The disk space taken up by " + kDir +
                                          "/half increased by more than 49% since the last saved scan (increase=50%).  "
                                          "(Current size: 150 bytes)");
    EXPECT_EQ(checks.sent[0].size, 150);
    EXPECT_EQ(checks.sent[1].directory, kDir + "/from-zero");
    EXPECT_NE(checks.sent[1].message.find("(increase=200%)"), std::string::npos) << checks.sent[1].message;

    checks.sent.clear();
    AlertPercentCheck(checks.context(app::kUnitBytes), 50);
    ASSERT_EQ(checks.sent.size(), 1u) << "50% is not more than 50%";
    EXPECT_EQ(checks.sent[0].directory, kDir + "/from-zero");
    checks.sent.clear();
    AlertPercentCheck(checks.context(app::kUnitBytes), 200);
    EXPECT_TRUE(checks.sent.empty());

    // At 0 every row that grew by at least one whole percent alerts: 1005 against 1000 is 0.5%.
    checks.sent.clear();
    AlertPercentCheck(checks.context(app::kUnitBytes), 0);
    std::vector<std::string> rows;
    for (const Sent& s : checks.sent) rows.push_back(s.directory);
    EXPECT_EQ(rows, (std::vector<std::string>{kDir + "/half", kDir + "/from-zero", kDir + "/one-percent"}));
}

TEST(AlertChecks, HugeSizesNeverOverflow) {
    Checks checks;
    constexpr std::int64_t kHuge = std::int64_t{1} << 62;
    checks.store.rows = {{1, kDir + "/huge"}};
    checks.store.scans = {{{1, kHuge}}, {{1, 1}}};
    AlertPercentCheck(checks.context(app::kUnitGB), 1000);
    ASSERT_EQ(checks.sent.size(), 1u);
    EXPECT_EQ(checks.sent[0].size, kHuge);
    checks.sent.clear();
    AlertSizeCheck(checks.context(app::kUnitGB), kHuge - 2);
    ASSERT_EQ(checks.sent.size(), 1u);
    checks.sent.clear();
    checks.totalFree = static_cast<std::uint64_t>(kHuge / 2);
    checks.totalBytes = static_cast<std::uint64_t>(kHuge);
    FreePercentAlertCheck(checks.context(), 51);
    ASSERT_EQ(checks.sent.size(), 1u);
    EXPECT_NE(checks.sent[0].message.find("dropped to 50%"), std::string::npos);
}

TEST(AlertChecks, FreeSpaceBelowAnAmount) {
    Checks checks;
    checks.totalBytes = 1000000 * K;
    checks.totalFree = 1000 * K;
    FreeAlertCheck(checks.context(), 1000 * K);
    EXPECT_TRUE(checks.sent.empty()) << "equal never alerts";
    EXPECT_EQ(checks.freeSpaceQueries, std::vector<std::string>{kDir});
    checks.totalFree = 999 * K;
    FreeAlertCheck(checks.context(), 1000 * K);
    ASSERT_EQ(checks.sent.size(), 1u);
    EXPECT_EQ(checks.sent[0].directory, kDir);
    EXPECT_EQ(checks.sent[0].message,
              "Free disk space on " + kDir + " has dropped below 1,000 K (Current free space: 999 K)");
    EXPECT_EQ(checks.sent[0].size, 999 * K);
    checks.freeSpaceFails = true;
    FreeAlertCheck(checks.context(), 1000000000 * K);
    EXPECT_EQ(checks.sent.size(), 1u);
}

TEST(AlertChecks, TotalSizeAboveALimitSumsTheNewestScanOnly) {
    Checks checks;
    checks.store.rows = {{1, kDir + "/a"}, {2, kDir + "/b"}};
    checks.store.scans = {{{1, 600 * K}, {2, 400 * K}}, {{1, 5000 * K}, {2, 5000 * K}}};
    MaxSizeCheck(checks.context(), 1000 * K);
    EXPECT_EQ(checks.loads, std::vector<std::string>{kDir + " view 0 max 1"});
    EXPECT_TRUE(checks.sent.empty());
    MaxSizeCheck(checks.context(), 999 * K);
    ASSERT_EQ(checks.sent.size(), 1u);
    EXPECT_EQ(checks.sent[0].directory, kDir);
    EXPECT_EQ(checks.sent[0].message,
              "The disk space taken up by " + kDir + " has grown beyond the limit of 999 K (current size: 1,000 K)");
    EXPECT_EQ(checks.sent[0].size, 1000 * K);
    checks.store.scans.clear();
    MaxSizeCheck(checks.context(), -1);
    EXPECT_EQ(checks.sent.size(), 1u) << "no stored scan, nothing to judge";
}

TEST(AlertChecks, FreeSpaceBelowAPercentageTruncates) {
    Checks checks;
    checks.totalBytes = 10000;
    checks.totalFree = 999; // 9.99 %
    FreePercentAlertCheck(checks.context(app::kUnitBytes), 10);
    ASSERT_EQ(checks.sent.size(), 1u);
    EXPECT_EQ(checks.sent[0].message, "Free disk space on " + kDir +
                                          " has dropped to 9% (below the 10% alert threshold).  Current free space: "
                                          "999 bytes");
    EXPECT_EQ(checks.sent[0].size, 999);
    checks.sent.clear();
    checks.totalFree = 1000;
    FreePercentAlertCheck(checks.context(app::kUnitBytes), 10);
    EXPECT_TRUE(checks.sent.empty()) << "equal never alerts";
    checks.totalBytes = 0; // a volume that reports no size counts as 0 % free
    FreePercentAlertCheck(checks.context(app::kUnitBytes), 1);
    ASSERT_EQ(checks.sent.size(), 1u);
    EXPECT_NE(checks.sent[0].message.find("dropped to 0% (below the 1% alert threshold)"), std::string::npos);
    checks.freeSpaceFails = true;
    FreePercentAlertCheck(checks.context(), 100);
    EXPECT_EQ(checks.sent.size(), 1u);
}

TEST(AlertChecks, EveryCheckWritesItsDebugLinesAndSurvivesExceptions) {
    IsolatedEnvironment env;
    app::EnableDebugLog();
    Checks checks;
    checks.freeSpaceFails = true;
    AlertSizeCheck(checks.context(), 5 * 1024 * 1024 * K); // a threshold beyond 32 bits
    AlertPercentCheck(checks.context(), 25);
    FreeAlertCheck(checks.context(), 1);
    MaxSizeCheck(checks.context(), 5 * 1024 * 1024 * K);
    FreePercentAlertCheck(checks.context(), 10);
    checks.freeSpaceFails = false;
    FreeAlertCheck(checks.context(), 1);
    FreePercentAlertCheck(checks.context(), 10);

    AlertCheckContext throwing = checks.context();
    throwing.loadScans = [](const std::string&, int, scan::DisplayData&, int) -> bool {
        throw std::runtime_error("store gone");
    };
    throwing.getFreeSpace = [](const std::string&, std::uint64_t*, std::uint64_t*, std::uint64_t*) -> bool {
        throw std::runtime_error("volume gone");
    };
    AlertSizeCheck(throwing, 1);
    AlertPercentCheck(throwing, 1);
    FreeAlertCheck(throwing, 1);
    MaxSizeCheck(throwing, 1);
    FreePercentAlertCheck(throwing, 1);

    std::string log = ReadFile(env.LogFile());
    const char* lines[] = {
        "Doing AlertSizeCheck with dir=//host/srv, trigger=5368709120  (, 0)\r\n",
        "Doing AlertPercentCheck with dir=//host/srv, trigger=25  (, 0)\r\n",
        "Failed to FENGetFreeSpace for //host/srv  (, 0)\r\n",
        "Doing MaxSizeCheck with dir=//host/srv, trigger=5368709120  (, 0)\r\n",
        "Doing FreePercentAlertCheck with dir=//host/srv, trigger=10  (, 0)\r\n",
        "Doing FreeAlertCheck for //host/srv  (, 0)\r\n",
        "Doing FreePercentAlertCheck for //host/srv  (, 0)\r\n",
        "** Exception in AlertSizeCheck\n  (, 0)\r\n",
        "** Exception in AlertPercentCheck\n  (, 0)\r\n",
        "** Exception in FreeAlertCheck\n  (, 0)\r\n",
        "** Exception in MaxSizeCheck\n  (, 0)\r\n",
        "** Exception in FreePercentAlertCheck\n  (, 0)\r\n",
    };
    std::size_t position = 0;
    for (const char* line : lines) {
        std::size_t found = log.find(line, position);
        EXPECT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
        if (found != std::string::npos) position = found;
    }
    EXPECT_EQ(log.find("Doing FreeAlertCheck for"), log.rfind("Doing FreeAlertCheck for"))
        << "a failed query stops before the check's line";
}

TEST(AlertChecks, AlertsGoToEveryListedProfileInOrder) {
    IsolatedEnvironment env;
    Notification defaultNotification;
    std::vector<std::pair<int, int>> delivered; // (profile, type)
    AlertDelivery record = [&](const Notification& profile, const std::string& directory, const std::string& message,
                               std::int64_t size) {
        EXPECT_EQ(directory, "/srv/a");
        EXPECT_EQ(message, "msg");
        EXPECT_EQ(size, 42);
        delivered.emplace_back(profile.PID, profile.Type);
    };
    Notification eventLog;
    eventLog.Type = kEventLog;
    eventLog.Save();
    Notification mail;
    mail.Type = kEMail;
    mail.Save();
    ASSERT_EQ(eventLog.PID, 2);
    ASSERT_EQ(mail.PID, 3);

    SendAlert("2,3", defaultNotification, "/srv/a", "msg", 42, record);
    EXPECT_EQ(delivered, (std::vector<std::pair<int, int>>{{2, kEventLog}, {3, kEMail}}));
    delivered.clear();
    SendAlert(",,3,,x2,2b,", defaultNotification, "/srv/a", "msg", 42, record);
    EXPECT_EQ(delivered, (std::vector<std::pair<int, int>>{{3, kEMail}, {0, kMessageBox}, {2, kEventLog}}))
        << "empty pieces are skipped; a piece without leading digits is identifier 0";
    delivered.clear();
    defaultNotification.Type = kRunProgram;
    defaultNotification.Str1 = "NOTE.EXE";
    SendAlert("", defaultNotification, "/srv/a", "msg", 42, record);
    EXPECT_EQ(delivered, (std::vector<std::pair<int, int>>{{1, kRunProgram}}))
        << "without a list the dialog's default notification is used";
}

TEST(AlertChecks, AnIdentifierWithoutASectionShowsAMessageBox) {
    IsolatedEnvironment env;
    testsupport::DatagramReceiver syslog(env.Root() + "/syslog.sock");
    env.Set("LOGSINK_SOCKET", syslog.Path());
    env.Set("TALLYVOL_LOGSINK_LIBRARY", "");
    ResetEventLogForTesting();
    testsupport::ScriptedUserInterface ui;
    Notification eventLog;
    eventLog.Type = kEventLog;
    eventLog.Save();
    ASSERT_EQ(eventLog.PID, 1);

    SendAlert("1,5", Notification(0), "/srv/a", "grew", 1);
    std::optional<std::string> record = syslog.Receive();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->substr(record->size() - 7), "]: grew");
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].text, "grew");
    EXPECT_EQ(ui.messageBoxes[0].caption, "Tallyvol Alert");

    // No list and no /NOTIFY=: every alert shows a message box.
    SendAlert("", Notification(0), "/srv/a", "again", 1);
    ASSERT_EQ(ui.messageBoxes.size(), 2u);
    EXPECT_EQ(ui.messageBoxes[1].text, "again");
    ResetEventLogForTesting();
}

TEST(AlertChecks, GrowthAlertsListTheGrowersBelowForTheirEmailsOnly) {
    Checks checks;
    checks.store.rows = {{1, kDir + "/a"}};
    checks.store.scans = {{{1, 9000 * K}}, {{1, 1000 * K}}};
    checks.totalFree = 1;
    checks.totalBytes = 100;
    std::vector<std::string> growthLoads;
    scan::GrowthReport report;
    report.outcome = scan::GrowthOutcome::kReady;
    report.localRoot = "/srv/a";
    report.olderScan.date = scan::ScanDateTime::Parse("2024-03-07 02:00:05");
    report.newerScan.date = scan::ScanDateTime::Parse("2024-03-08 02:00:03");
    scan::GrowthRow grown;
    grown.localPath = "/srv/a/x\ny";
    grown.change = 3000 * K;
    grown.percent = 150.0;
    scan::GrowthRow fresh;
    fresh.localPath = "/srv/a/new";
    fresh.change = 5000 * K;
    fresh.status = scan::GrowthStatus::kNew;
    report.rows = {fresh, grown};
    auto context = [&] {
        AlertCheckContext c = checks.context();
        c.loadGrowth = [&](const std::string& path, const scan::GrowthRequest& request) {
            growthLoads.push_back(path + " top " + std::to_string(request.top) + (request.includeRoot ? " root" : "") +
                                  (request.growthOnly ? " growth" : "") + (request.minimumDays ? " days" : ""));
            return report;
        };
        return c;
    };
    AlertSizeCheck(context(), 500 * K);
    AlertPercentCheck(context(), 10);
    MaxSizeCheck(context(), 0);
    FreeAlertCheck(context(), 1000);
    FreePercentAlertCheck(context(), 50);
    ASSERT_EQ(checks.sent.size(), 5u);
    EXPECT_TRUE(growthLoads.empty()) << "made only when an e-mail goes out";
    const std::string list = "\r\n\r\nLargest growth below /srv/a between the scans of 2024-03-07 02:00:05 and "
                             "2024-03-08 02:00:03:\r\n"
                             "  +5,000 K (new)  /srv/a/new\r\n"
                             "  +3,000 K (+150.0%)  /srv/a/x y\r\n";
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_TRUE(checks.sent[i].appendix) << i;
        EXPECT_EQ(checks.sent[i].appendix(), list);
        EXPECT_EQ(checks.sent[i].appendix(), list) << "made once per alert";
    }
    EXPECT_EQ(growthLoads, (std::vector<std::string>{kDir + "/a top 10 growth", kDir + "/a top 10 growth"}));
    for (std::size_t i = 2; i < 5; ++i) {
        EXPECT_FALSE(checks.sent[i].appendix) << "the whole directory and free space: no list";
    }

    // Without a loader, or with a report that could not be made, the mail is the message alone.
    checks.sent.clear();
    AlertSizeCheck(checks.context(), 500 * K);
    EXPECT_FALSE(checks.sent.at(0).appendix);
    report.outcome = scan::GrowthOutcome::kStoreFailed;
    checks.sent.clear();
    AlertSizeCheck(context(), 500 * K);
    EXPECT_EQ(checks.sent.at(0).appendix(), "");

    // Nothing grew below; nothing below was stored.
    report.outcome = scan::GrowthOutcome::kReady;
    report.rows.clear();
    EXPECT_EQ(GrowthMailText(report, app::kUnitK),
              "\r\n\r\nNo directory below /srv/a grew between the scans of 2024-03-07 02:00:05 and 2024-03-08 "
              "02:00:03.\r\n");
    report.firstLevelOnly = true;
    EXPECT_NE(GrowthMailText(report, app::kUnitK).find("No directory level below /srv/a is stored: /SAVESUBDIRS"),
              std::string::npos);
}
