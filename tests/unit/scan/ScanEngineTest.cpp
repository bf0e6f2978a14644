// Scans stored and read back: real trees, a real store file, rows checked against totals the
// test computes itself.
#include "app/ProgressDlg.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "platform/ado/Connection.h"
#include "platform/system/NamedMutex.h"
#include "platform/system/SystemInfo.h"
#include "scan/CScanInfo.h"
#include "scan/fs/StoredPath.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ScriptedUserInterface.h"
#include "tests/unit/scan/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

using namespace scan;
using testsupport::IsolatedEnvironment;
using testsupport::ScriptedUserInterface;
using testsupport::WriteFile;
using testsupport::WriteSizedFile;

namespace {

std::uint64_t onDisk(std::uint64_t size) {
    return size == 0 ? 0 : (size & ~std::uint64_t{4095}) + 4096;
}

// An isolated home, a new store file, the scripted interface and a scan engine using them.
struct ScanFixture {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    std::string store = scantest::NewStoreFile(env.Root() + "/store.db");
    std::string tree = env.Root() + "/tree";
    app::CProgressDlg progress; // the scan sink of the main dialog: window, question, log
    CScanInfo scanInfo;

    ScanFixture() {
        scanInfo.SetSink(&progress);
        app::SetSetting(app::settings::DBSource, 1);
        app::SetCurrentDBSource(1);
        app::SetSetting(app::settings::ConnectionString, scantest::StoreConnectionString(store));
        testsupport::MakeDirectories(tree);
    }

    std::string stored(const std::string& relative = "") const {
        return MakeStoredPath(relative.empty() ? tree : tree + "/" + relative, false);
    }

    std::int64_t query(const std::string& sql) {
        auto rows = scanInfo.GetConnection()->OpenRecordset(sql);
        return rows->IsEOF() || rows->Fields(0).IsNull() ? -1 : rows->Fields(0).AsInt64();
    }

    // DirSize of the directory in the scan, -1 when it has no row.
    std::int64_t sizeRow(const std::string& relative, int scanID) {
        std::string path = stored(relative);
        std::string quoted;
        for (char c : path) {
            quoted += c;
            if (c == '\'') quoted += '\'';
        }
        return query("select DirSize from SizeData s, DirNames d where s.DirID=d.DirID and d.Path='" + quoted +
                     "' and s.ScanID=" + std::to_string(scanID));
    }

    int lastScanID() { return static_cast<int>(query("select max(ScanID) from ScanDefinition")); }
};

} // namespace

TEST(ScanEngine, AScanStoresEveryLevelWithTotalsOfItsFiles) {
    ScanFixture f;
    WriteSizedFile(f.tree + "/top.bin", 4096);
    WriteSizedFile(f.tree + "/a/one.TXT", 1);
    WriteSizedFile(f.tree + "/a/deep/er/two.txt", 4097);
    WriteSizedFile(f.tree + "/a/deep/er/archive.TAR.gz", 5'000'000'000ULL);
    WriteSizedFile(f.tree + "/b/README", 0);
    WriteSizedFile(f.tree + "/b/.profile", 4095);

    std::int64_t total = f.scanInfo.Scan(f.tree, true, 2, false);
    std::uint64_t deep = onDisk(4097) + onDisk(5'000'000'000ULL);
    std::uint64_t a = onDisk(1) + deep;
    std::uint64_t b = onDisk(4095);
    ASSERT_EQ(total, static_cast<std::int64_t>(onDisk(4096) + a + b));

    int scanID = f.lastScanID();
    EXPECT_EQ(f.query("select ScanType from ScanDefinition where ScanID=" + std::to_string(scanID)), 2);
    EXPECT_EQ(f.sizeRow("", scanID), total);
    EXPECT_EQ(f.sizeRow("a", scanID), static_cast<std::int64_t>(a));
    EXPECT_EQ(f.sizeRow("a/deep", scanID), static_cast<std::int64_t>(deep));
    EXPECT_EQ(f.sizeRow("a/deep/er", scanID), static_cast<std::int64_t>(deep)) << "64-bit sizes are kept whole";
    EXPECT_EQ(f.sizeRow("b", scanID), static_cast<std::int64_t>(b));

    // Every ancestor of the tree has a row, each with its parent.
    std::string host = "//" + platform::system::ComputerName();
    EXPECT_EQ(f.query("select ParentDirID from DirNames where Path='" + host + "'"), 0);
    EXPECT_EQ(f.query("select count(*) from DirNames where ParentDirID=0"), 1) << "parents were repaired";
    EXPECT_EQ(f.query("select p.Path='" + f.stored("a/deep") + "' from DirNames c, DirNames p where c.ParentDirID=p.DirID "
                      "and c.Path='" + f.stored("a/deep/er") + "'"),
              1);

    // Extensions: ".TXT" twice (one and two.txt), ".GZ", "<NONE>" for README, ".PROFILE".
    auto extension = [&](const std::string& text, const char* column) {
        return f.query(std::string("select i.") + column + " from ExtensionInfo i, Extensions e where "
                       "i.ExtensionID=e.ExtensionID and e.ExtensionText='" + text + "' and i.ScanID=" +
                       std::to_string(scanID));
    };
    EXPECT_EQ(extension(".TXT", "NumFound"), 2);
    EXPECT_EQ(extension(".TXT", "SizeUsed"), static_cast<std::int64_t>(onDisk(1) + onDisk(4097)));
    EXPECT_EQ(extension(".GZ", "SizeUsed"), static_cast<std::int64_t>(onDisk(5'000'000'000ULL)));
    EXPECT_EQ(extension("<NONE>", "NumFound"), 1);
    EXPECT_EQ(extension("<NONE>", "SizeUsed"), 0);
    EXPECT_EQ(extension(".PROFILE", "NumFound"), 1);
    EXPECT_EQ(extension(".BIN", "SizeUsed"), 8192);
}

TEST(ScanEngine, WithoutAllLevelsOnlyTheRootAndItsChildrenGetRowsButTotalsCountEverything) {
    ScanFixture f;
    WriteSizedFile(f.tree + "/a/b/c/deep.dat", 10);
    f.scanInfo.SetSaveOptions(true, false);
    std::int64_t total = f.scanInfo.Scan(f.tree, true, 2, false);
    int scanID = f.lastScanID();
    EXPECT_EQ(total, 4096);
    EXPECT_EQ(f.sizeRow("", scanID), 4096);
    EXPECT_EQ(f.sizeRow("a", scanID), 4096);
    EXPECT_EQ(f.sizeRow("a/b", scanID), -1);
    EXPECT_EQ(f.query("select count(*) from ExtensionInfo where ScanID=" + std::to_string(scanID)), 0)
        << "an automated scan without all levels stores no extension statistics";

    f.scanInfo.Scan(f.tree, true, 1, false);
    EXPECT_EQ(f.query("select count(*) from ExtensionInfo where ScanID=" + std::to_string(f.lastScanID())), 1)
        << "an interactive one does";
}

TEST(ScanEngine, NotSavingWritesNothingButCounts) {
    ScanFixture f;
    WriteSizedFile(f.tree + "/x/y.txt", 100);
    f.scanInfo.SetSaveOptions(false, false);
    EXPECT_EQ(f.scanInfo.Scan(f.tree, true, 2, false), 4096);
    EXPECT_EQ(f.query("select count(*) from ScanDefinition"), 0);
    EXPECT_EQ(f.query("select count(*) from SizeData"), 0);
    EXPECT_EQ(f.query("select count(*) from ExtensionInfo"), 0);
}

TEST(ScanEngine, ARepeatScanFindsEveryDirectoryInTheCacheAndANewOneIsAdded) {
    ScanFixture f;
    for (int i = 0; i < 30; ++i) {
        WriteSizedFile(f.tree + "/d" + std::to_string(i) + "/sub/f", 10);
    }
    f.scanInfo.Scan(f.tree, true, 2, false);
    std::int64_t rows = f.query("select count(*) from DirNames");
    f.scanInfo.Scan(f.tree, true, 2, false);
    EXPECT_EQ(f.scanInfo.CacheMisses(), 0);
    EXPECT_EQ(f.query("select count(*) from DirNames"), rows);

    WriteSizedFile(f.tree + "/new/f", 10);
    f.scanInfo.Scan(f.tree, true, 2, false);
    EXPECT_EQ(f.scanInfo.CacheMisses(), 1);
    EXPECT_EQ(f.sizeRow("new", f.lastScanID()), 4096);
    EXPECT_EQ(f.query("select count(*) from ScanDefinition"), 3);
}

TEST(ScanEngine, TwoScansOfOneRootInTheSameSecondGetScansOfTheirOwn) {
    ScanFixture f;
    WriteSizedFile(f.tree + "/a/f", 10);
    f.scanInfo.Scan(f.tree, true, 2, false);
    int first = f.lastScanID();
    WriteSizedFile(f.tree + "/a/g", 10);
    f.scanInfo.Scan(f.tree, true, 2, false);
    int second = f.lastScanID();
    ASSERT_NE(first, second);
    EXPECT_EQ(f.sizeRow("a", first), 4096);
    EXPECT_EQ(f.sizeRow("a", second), 8192);
    EXPECT_EQ(f.query("select count(distinct ScanDate) from ScanDefinition"), 2);
}

TEST(ScanEngine, AwkwardNamesAreStoredAndFoundAgain) {
    ScanFixture f;
    std::vector<std::string> names = {"don't", "50% off", "a_b", "back\\slash", "Ünïcødé", "with blank", "UPPER", "upper"};
    for (const std::string& name : names) {
        WriteSizedFile(f.tree + "/" + name + "/file", 1);
    }
    f.scanInfo.Scan(f.tree, true, 2, false);
    int scanID = f.lastScanID();
    for (const std::string& name : names) {
        EXPECT_EQ(f.sizeRow(name, scanID), 4096) << name;
        EXPECT_GT(f.scanInfo.GetDirID(nullptr, f.tree + "/" + name, 0, DirIDOptions().LookupOnly().WithoutCache()), 0) << name;
    }

    DisplayData data;
    ASSERT_TRUE(f.scanInfo.LoadScans(f.tree, 0, data, 100));
    EXPECT_EQ(data.rows.size(), names.size()) << "UPPER and upper stay two directories";
}

TEST(ScanEngine, NamesThatAreNotUtf8AreStoredAndLeadBackToTheirDirectories) {
    ScanFixture f;
    scantest::ScanNamesThatAreNotUtf8(f.scanInfo, f.env.Root() + "/bytes");
    EXPECT_TRUE(f.ui.errorReports.empty()) << f.ui.errorReports.front();
}

TEST(ScanEngine, APathTooLongToStoreGetsNoRowsButCountsInItsParent) {
    ScanFixture f;
    std::string longName(200, 'n');
    std::string path = longName + "/" + longName;
    WriteSizedFile(f.tree + "/" + path + "/f", 1);
    std::int64_t total = f.scanInfo.Scan(f.tree, true, 2, false);
    EXPECT_EQ(total, 4096);
    int scanID = f.lastScanID();
    EXPECT_EQ(f.sizeRow(longName, scanID), 4096);
    EXPECT_EQ(f.query("select count(*) from DirNames where length(Path) > 254"), 0);
    EXPECT_EQ(f.scanInfo.GetDirID(nullptr, f.tree + "/" + path, 0, DirIDOptions().WithoutCache()), kDirIDTooLong);
}

TEST(ScanEngine, FiltersSkipMatchingDirectoriesOfTheirRootOnly) {
    ScanFixture f;
    WriteSizedFile(f.tree + "/temp/a", 1);
    WriteSizedFile(f.tree + "/data/temporary files/b", 1);
    WriteSizedFile(f.tree + "/data/mytemp/c", 1);
    WriteSizedFile(f.tree + "/data/keep/d", 1);
    f.scanInfo.SetFilters(nullptr, f.tree, "  \r\n/TEMP/\r\n\t");
    EXPECT_EQ(f.scanInfo.GetFilters(nullptr, f.tree), "/TEMP/");
    EXPECT_EQ(f.scanInfo.Scan(f.tree, true, 2, false), 3 * 4096) << "only /temp/ itself is skipped";
    int scanID = f.lastScanID();
    EXPECT_EQ(f.sizeRow("temp", scanID), -1);

    f.scanInfo.SetFilters(nullptr, f.tree, "temp");
    EXPECT_EQ(f.scanInfo.Scan(f.tree, true, 2, false), 4096) << "temp anywhere in the path";
    // Filters of the tree do not apply to a scan rooted below it.
    EXPECT_EQ(f.scanInfo.Scan(f.tree + "/data", true, 2, false), 3 * 4096);

    f.scanInfo.SetFilters(nullptr, f.tree, " \r\n ");
    EXPECT_EQ(f.query("select count(*) from Filters"), 0) << "a blank text deletes the row";
}

TEST(ScanEngine, AnExcludedRootIsNotScanned) {
    ScanFixture f;
    WriteSizedFile(f.tree + "/f", 1);
    f.scanInfo.SetFilters(nullptr, f.tree, "tree/");
    EXPECT_EQ(f.scanInfo.Scan(f.tree, true, 2, false), -2);
}

TEST(ScanEngine, CancellingKeepsWhatWasWritten) {
    ScanFixture f;
    WriteSizedFile(f.tree + "/a/f", 1);
    WriteSizedFile(f.tree + "/b/f", 1);
    f.ui.cancelAfterQueries = 0;
    EXPECT_EQ(f.scanInfo.Scan(f.tree, false, 1, false), -1);
    EXPECT_EQ(f.ui.progressOpens, 1);
    EXPECT_EQ(f.ui.progressCloses, 1);
    EXPECT_EQ(f.query("select count(*) from ScanDefinition"), 1) << "the scan's row was committed";
    EXPECT_GE(f.query("select count(*) from DirNames"), 3);
}

TEST(ScanEngine, AMissingRootIsScannedOnlyWhenTheUserSaysSo) {
    ScanFixture f;
    std::string missing = f.env.Root() + "/gone";
    f.ui.missingDirectoryAnswers = {false};
    EXPECT_EQ(f.scanInfo.Scan(missing, true, 1, false), -1);
    EXPECT_EQ(f.query("select count(*) from ScanDefinition"), 0);

    f.ui.missingDirectoryAnswers = {true};
    f.ui.missingDirectoryDontAsk = {true};
    EXPECT_EQ(f.scanInfo.Scan(missing, true, 1, false), 0);
    EXPECT_EQ(f.query("select count(*) from ScanDefinition"), 1);
    EXPECT_EQ(f.scanInfo.Scan(missing, true, 1, false), 0) << "not asked again";
    EXPECT_EQ(f.ui.missingDirectoryQuestions.size(), 2u);
}

TEST(ScanEngine, LinksToDirectoriesAreCountedOnceWithTheLoopCheck) {
    ScanFixture f;
    WriteSizedFile(f.tree + "/real/big", 40000);
    ASSERT_EQ(::symlink((f.tree + "/real").c_str(), (f.tree + "/link").c_str()), 0);
    ASSERT_EQ(::symlink(f.tree.c_str(), (f.tree + "/real/back").c_str()), 0);

    std::int64_t withoutCheck = f.scanInfo.Scan(f.tree, true, 2, false);
    std::uint64_t linkSizes = onDisk((f.tree + "/real").size()) + onDisk(f.tree.size());
    EXPECT_EQ(withoutCheck, static_cast<std::int64_t>(onDisk(40000) + linkSizes)) << "links count as small files";

    std::int64_t withCheck = f.scanInfo.Scan(f.tree, true, 2, true);
    EXPECT_EQ(withCheck, static_cast<std::int64_t>(onDisk(40000))) << "the cycle ends, the data counts once";
}

TEST(ScanEngine, LoadScansKeepsTheNewestAndFillsEveryView) {
    ScanFixture f;
    WriteSizedFile(f.tree + "/a/x.txt", 1);
    for (int i = 0; i < 5; ++i) {
        WriteSizedFile(f.tree + "/a/grow" + std::to_string(i) + ".txt", 4096);
        f.scanInfo.Scan(f.tree, true, 2, false);
    }
    DisplayData data;
    ASSERT_TRUE(f.scanInfo.LoadScans(f.tree, 0, data, 3));
    ASSERT_EQ(data.scans.size(), 3u);
    EXPECT_TRUE(data.scans[1].date < data.scans[0].date);
    EXPECT_TRUE(data.scans[2].date < data.scans[1].date);
    ASSERT_EQ(data.rows.size(), 1u);
    EXPECT_EQ(data.rows[0].name, f.stored("a"));
    EXPECT_EQ(data.Value(data.rows[0].id, data.scans[0].scanID), 4096u + 5 * 8192);
    EXPECT_EQ(data.Value(data.rows[0].id, data.scans[2].scanID), 4096u + 3 * 8192);
    EXPECT_EQ(data.path, f.stored());

    ASSERT_TRUE(f.scanInfo.LoadScans(f.tree, 2, data, 100));
    EXPECT_EQ(data.scans.size(), 5u);
    ASSERT_EQ(data.rows.size(), 1u);
    EXPECT_EQ(data.rows[0].name, ".TXT");
    EXPECT_EQ(data.Value(data.rows[0].id, data.scans[0].scanID), 6u);
    ASSERT_TRUE(f.scanInfo.LoadScans(f.tree, 1, data, 100));
    EXPECT_EQ(data.Value(data.rows[0].id, data.scans[4].scanID), 4096u + 8192);

    // A leaf has no saved children, hence no scans; an unknown directory has no identifier.
    ASSERT_TRUE(f.scanInfo.LoadScans(f.tree + "/a", 0, data, 100));
    EXPECT_TRUE(data.scans.empty());
    ASSERT_TRUE(f.scanInfo.LoadScans(f.env.Root() + "/never", 0, data, 100));
    EXPECT_EQ(data.dirID, -1);
}

TEST(ScanEngine, DeletingOneScanAndPurgingOldOnes) {
    ScanFixture f;
    WriteSizedFile(f.tree + "/a/f", 1);
    f.scanInfo.Scan(f.tree, true, 2, false);
    int kept = f.lastScanID();
    f.scanInfo.Scan(f.tree, true, 1, false);
    int deleted = f.lastScanID();
    f.scanInfo.DeleteScan(static_cast<std::uint32_t>(deleted));
    EXPECT_EQ(f.query("select count(*) from SizeData where ScanID=" + std::to_string(deleted)), 0);
    EXPECT_EQ(f.query("select count(*) from ExtensionInfo where ScanID=" + std::to_string(deleted)), 0);
    EXPECT_EQ(f.query("select count(*) from ScanDefinition where ScanID=" + std::to_string(deleted)), 0);
    EXPECT_GT(f.query("select count(*) from SizeData where ScanID=" + std::to_string(kept)), 0);

    // Seven days before today at 00:00 is the cut-off: a scan one second before it goes, one
    // at it stays; the other scan type is not touched.
    std::time_t now = std::time(nullptr);
    std::tm cutoff{};
    ::localtime_r(&now, &cutoff);
    cutoff.tm_mday -= 7;
    cutoff.tm_hour = cutoff.tm_min = cutoff.tm_sec = 0;
    cutoff.tm_isdst = -1;
    std::time_t cutoffTime = std::mktime(&cutoff);
    auto dated = [](std::time_t when) {
        std::tm local{};
        ::localtime_r(&when, &local);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
        return std::string(text);
    };
    auto connection = f.scanInfo.GetConnection();
    connection->Execute("insert into ScanDefinition (ScanID, ScanRootDirID, ScanType, ScanDate) values (100, 1, 2, '" +
                        dated(cutoffTime - 1) + "')");
    connection->Execute("insert into SizeData (DirID, ScanID, ParentDirID, DirSize) values (1, 100, 0, 5)");
    connection->Execute("insert into ScanDefinition (ScanID, ScanRootDirID, ScanType, ScanDate) values (101, 1, 2, '" +
                        dated(cutoffTime) + "')");
    connection->Execute("insert into ScanDefinition (ScanID, ScanRootDirID, ScanType, ScanDate) values (102, 1, 1, '" +
                        dated(cutoffTime - 86400) + "')");
    f.scanInfo.DeleteOldScans(0, 2);
    EXPECT_EQ(f.query("select count(*) from ScanDefinition where ScanID=100"), 1) << "0 days deletes nothing";
    f.scanInfo.DeleteOldScans(7, 2);
    EXPECT_EQ(f.query("select count(*) from ScanDefinition where ScanID=100"), 0);
    EXPECT_EQ(f.query("select count(*) from SizeData where ScanID=100"), 0);
    EXPECT_EQ(f.query("select count(*) from ScanDefinition where ScanID=101"), 1);
    EXPECT_EQ(f.query("select count(*) from ScanDefinition where ScanID=102"), 1);
    EXPECT_EQ(f.query("select count(*) from ScanDefinition where ScanID=" + std::to_string(kept)), 1);
}

TEST(ScanEngine, PathsOfDirectoriesAndScans) {
    ScanFixture f;
    WriteSizedFile(f.tree + "/a/f", 1);
    f.scanInfo.Scan(f.tree, true, 2, false);
    int scanID = f.lastScanID();
    EXPECT_EQ(f.scanInfo.GetPathFromScanID(static_cast<std::uint32_t>(scanID)), f.stored());
    EXPECT_EQ(f.scanInfo.GetPathFromScanID(99999), "");
    int dirID = f.scanInfo.GetDirID(nullptr, f.tree + "/a", 0, DirIDOptions().LookupOnly().WithoutCache());
    EXPECT_EQ(f.scanInfo.GetPathFromDirID(nullptr, static_cast<std::uint32_t>(dirID)), f.stored("a"));
}

TEST(ScanEngine, AStoreThatFailsMidScanEndsTheScanAndKeepsEarlierRows) {
    ScanFixture f;
    WriteSizedFile(f.tree + "/a/f", 1);
    f.scanInfo.Scan(f.tree, true, 2, false);
    // The size rows can no longer be written: the table is gone.
    f.scanInfo.GetConnection()->Execute("alter table SizeData rename to SizeDataGone");
    EXPECT_EQ(f.scanInfo.Scan(f.tree, true, 2, false), -1);
    ASSERT_FALSE(f.ui.errorReports.empty());
    EXPECT_NE(f.ui.errorReports.back().find("Saving scan data for " + f.stored()), std::string::npos)
        << f.ui.errorReports.back();
    f.scanInfo.GetConnection()->Execute("alter table SizeDataGone rename to SizeData");
    EXPECT_EQ(f.query("select count(*) from SizeData"), 2) << "the first scan's rows are intact";
}

TEST(ScanEngine, OnlyOneScanAtATimeWithTheIncludedStore) {
    ScanFixture f;
    WriteSizedFile(f.tree + "/a/f", 1);
    platform::system::NamedMutex other("Tallyvol_Access_Single_Scan");
    ASSERT_TRUE(other.Wait(0));

    // An interactive scan asks after a second; Yes cancels the request.
    f.ui.messageBoxAnswers = {platform::ui::IDYES};
    EXPECT_EQ(f.scanInfo.Scan(f.tree, true, 1, false), -1);
    ASSERT_EQ(f.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(f.ui.messageBoxes[0].caption, "Multiple Scans with SQLite");
    EXPECT_EQ(f.query("select count(*) from ScanDefinition"), 0);

    // No waits: a confirmation, then the scan waits until the other one is done.
    f.ui.messageBoxAnswers = {platform::ui::IDNO, platform::ui::IDOK};
    std::thread release([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        other.Release();
    });
    EXPECT_EQ(f.scanInfo.Scan(f.tree, true, 1, false), 4096);
    release.join();
    ASSERT_EQ(f.ui.messageBoxes.size(), 3u);
    EXPECT_EQ(f.ui.messageBoxes[2].text, "Tallyvol will now enter a waiting state.");
    EXPECT_EQ(f.ui.messageBoxes[2].caption, "Wait Confirmed");
}
