#include "tests/unit/scan/StoreTestSupport.h"

#include "tests/support/TempDirectory.h"

#include "platform/ado/Connection.h"
#include "platform/ado/ErrorCodes.h"
#include "platform/system/Paths.h"
#include "scan/CScanInfo.h"
#include "scan/ScanStoreSql.h"
#include "scan/fs/NameBytes.h"
#include "scan/fs/StoredPath.h"

#include <gtest/gtest.h>

#include <set>

namespace scantest {

using platform::ado::Connection;

namespace {

std::int64_t single(Connection& connection, const std::string& sql) {
    auto rows = connection.OpenRecordset(sql, platform::ado::adCmdText);
    EXPECT_FALSE(rows->IsEOF()) << sql;
    return rows->IsEOF() ? -1 : rows->Fields(0).AsInt64();
}

int rowCount(Connection& connection, const std::string& sql) {
    auto rows = connection.OpenRecordset(sql, platform::ado::adCmdText);
    int count = 0;
    for (; !rows->IsEOF(); rows->MoveNext()) {
        ++count;
    }
    return count;
}

std::set<std::string> paths(Connection& connection, const std::string& sql) {
    std::set<std::string> found;
    auto rows = connection.OpenRecordset(sql, platform::ado::adCmdText);
    for (; !rows->IsEOF(); rows->MoveNext()) {
        found.insert(rows->Fields("Path").AsString());
    }
    return found;
}

void run(Connection& connection, const std::string& sql) {
    connection.Execute(sql, platform::ado::adCmdText | platform::ado::adExecuteNoRecords);
}

} // namespace

std::tm At(int year, int month, int day, int hour, int minute, int second) {
    std::tm value{};
    value.tm_year = year - 1900;
    value.tm_mon = month - 1;
    value.tm_mday = day;
    value.tm_hour = hour;
    value.tm_min = minute;
    value.tm_sec = second;
    return value;
}

std::string NewStoreFile(const std::string& path) {
    testsupport::WriteFile(
        path, testsupport::ReadFile(std::string(TALLYVOL_BINARY_DIR) + "/bin/datasrc3.dll"));
    return path;
}

std::string StoreConnectionString(const std::string& path) {
    return "Provider=SQLite;Data Source=" + path;
}

void ExerciseEveryStatement(Connection& connection, int kind) {
    scan::ScanStoreSql sql(kind);
    const std::string root = "//host/srv/it's a\\b%c_d";
    const std::string child = root + "/sub é";
    const std::string prepared = root + "/prepared";
    const std::string other = "//host/other";

    // ---- Directories ----
    run(connection, sql.InsertDirectory(root, 0));
    int rootID = static_cast<int>(single(connection, sql.SelectDirID(root)));
    EXPECT_EQ(rootID, 1); // identifiers are generated from 1
    run(connection, sql.InsertDirectory(child, rootID));
    int childID = static_cast<int>(single(connection, sql.SelectDirID(child)));
    EXPECT_GT(childID, rootID);
    run(connection, sql.InsertPreparedDirectory(prepared, rootID));
    run(connection, sql.MarkPreparedRoot(root));
    run(connection, sql.InsertDirectory(other, 0));
    // Paths that differ only in case are different directories.
    run(connection, sql.InsertDirectory("//HOST/OTHER", 0));
    EXPECT_EQ(single(connection, sql.SelectDirID("//HOST/OTHER")),
              single(connection, sql.SelectDirID(other)) + 1);
    try {
        run(connection, sql.InsertDirectory(root, 0));
        ADD_FAILURE() << "a path was stored twice";
    } catch (const platform::ado::ComError& error) {
        EXPECT_EQ(error.Error(), platform::ado::DB_E_INTEGRITYVIOLATION);
    }

    EXPECT_EQ(single(connection, sql.CountParentless()), 3); // root, other, OTHER
    EXPECT_EQ(single(connection, sql.CountParentlessUnder(root)), 1);
    EXPECT_EQ(rowCount(connection, sql.SelectParentless()), 3);
    EXPECT_EQ(paths(connection, sql.SelectParentlessUnder(root)), std::set<std::string>{root});
    run(connection, sql.RepairParent(rootID, other));
    EXPECT_EQ(single(connection, sql.CountParentless()), 2);

    auto cache =
        connection.OpenRecordset(sql.SelectDirectoriesUnder(root), platform::ado::adCmdText);
    std::set<std::string> cached;
    for (; !cache->IsEOF(); cache->MoveNext()) {
        cached.insert(cache->Fields("Path").AsString());
        bool preparedRow = cache->Fields("Path").AsString() == prepared ||
                           cache->Fields("Path").AsString() == root;
        EXPECT_EQ(cache->Fields("RootOfCache").AsInt(), preparedRow ? 1 : 0)
            << cache->Fields("Path").AsString();
    }
    EXPECT_EQ(cached, (std::set<std::string>{root, child, prepared}));

    EXPECT_EQ(paths(connection, sql.SelectChildren(static_cast<std::uint32_t>(rootID))),
              (std::set<std::string>{child, prepared, other}));
    auto childPath = connection.OpenRecordset(
        sql.SelectPathOfDirectory(static_cast<std::uint32_t>(childID)), platform::ado::adCmdText);
    EXPECT_EQ(childPath->Fields("Path").AsString(), child);

    // ---- Scans and sizes ----
    const std::tm first = At(2024, 3, 1, 10, 0, 0);
    const std::tm lastOfDay = At(2024, 3, 9, 23, 59, 59);
    const std::tm newest = At(2024, 3, 10, 12, 30, 45);
    run(connection, sql.InsertScan(rootID, 2, first));
    int scan1 = static_cast<int>(single(connection, sql.SelectNewScanID(rootID, first)));
    run(connection, sql.InsertScan(rootID, 2, lastOfDay));
    int scan2 = static_cast<int>(single(connection, sql.SelectNewScanID(rootID, lastOfDay)));
    run(connection, sql.InsertScan(rootID, 1, newest));
    int scan3 = static_cast<int>(single(connection, sql.SelectNewScanID(rootID, newest)));
    EXPECT_EQ(scan1, 1);
    EXPECT_LT(scan2, scan3);

    run(connection, sql.InsertSizeRow(rootID, scan1, 0, 5000000000LL));
    run(connection, sql.InsertSizeRow(childID, scan1, rootID, 1234));
    run(connection, sql.InsertSizeRow(childID, scan2, rootID, 77));
    run(connection, sql.InsertSizeRow(childID, scan3, rootID, 99));
    auto full = connection.OpenRecordset("select DirSize from SizeData where ParentDirID=0",
                                         platform::ado::adCmdText);
    EXPECT_EQ(full->Fields("DirSize").AsInt64(), 5000000000LL);

    auto scans = connection.OpenRecordset(
        sql.SelectScansOfDirectory(static_cast<std::uint32_t>(rootID)), platform::ado::adCmdText);
    int scansSeen = 0;
    for (; !scans->IsEOF(); scans->MoveNext(), ++scansSeen) {
        if (scans->Fields("ScanID").AsInt() == scan3) {
            std::tm stored{};
            ASSERT_TRUE(scans->Fields("ScanDate").AsDateTime(&stored))
                << scans->Fields("ScanDate").AsString();
            EXPECT_EQ(stored.tm_mday, 10);
            EXPECT_EQ(stored.tm_hour, 12);
            EXPECT_EQ(stored.tm_sec, 45);
        }
    }
    EXPECT_EQ(scansSeen, 3);
    EXPECT_EQ(rowCount(connection, sql.SelectChildSizes(static_cast<std::uint32_t>(rootID))), 3);
    auto sizes = connection.OpenRecordset(
        sql.SelectChildSizes(static_cast<std::uint32_t>(rootID), scan3), platform::ado::adCmdText);
    EXPECT_EQ(sizes->Fields("DirID").AsInt(), childID);
    EXPECT_EQ(sizes->Fields("DirSize").AsInt64(), 99);
    EXPECT_EQ(single(connection, sql.SelectRootOfScan(static_cast<std::uint32_t>(scan3))), rootID);

    // ---- Extensions ----
    run(connection, sql.InsertExtension(".TXT"));
    run(connection, sql.InsertExtension("<NONE>"));
    run(connection, sql.InsertExtension(".IT'S"));
    int none = static_cast<int>(single(connection, sql.SelectExtensionID("<NONE>")));
    int quoted = static_cast<int>(single(connection, sql.SelectExtensionID(".IT'S")));
    EXPECT_NE(none, quoted);
    EXPECT_EQ(rowCount(connection, sql.SelectAllExtensions()), 3);
    EXPECT_EQ(rowCount(connection, sql.SelectExtensionsForLoad()), 3);
    run(connection, sql.InsertExtensionRow(none, scan1, 7, 5000000000LL));
    run(connection, sql.InsertExtensionRow(quoted, scan3, 2, 10));
    auto counts = connection.OpenRecordset(sql.SelectExtensionCounts(), platform::ado::adCmdText);
    EXPECT_EQ(counts->Fields("NumFound").AsInt() + 0,
              counts->Fields("ExtensionID").AsInt() == none ? 7 : 2);
    auto used = connection.OpenRecordset(sql.SelectExtensionSizes() +
                                             " where ScanID=" + std::to_string(scan1),
                                         platform::ado::adCmdText);
    EXPECT_EQ(used->Fields("SizeUsed").AsInt64(), 5000000000LL);

    // ---- Filters ----
    const std::string patterns = "*.tmp\r\nit's\\cache\r\n%_";
    run(connection, sql.InsertFilter(rootID, patterns));
    auto filter = connection.OpenRecordset(sql.SelectFilter(rootID), platform::ado::adCmdText);
    EXPECT_EQ(filter->Fields("Filter").AsString(), patterns);
    run(connection, sql.UpdateFilter("*.bak", rootID));
    EXPECT_EQ(connection.OpenRecordset(sql.SelectFilter(rootID), platform::ado::adCmdText)
                  ->Fields(0)
                  .AsString(),
              "*.bak");
    run(connection, sql.DeleteFilter(rootID));
    EXPECT_TRUE(
        connection.OpenRecordset(sql.SelectFilter(rootID), platform::ado::adCmdText)->IsEOF());

    // ---- Paths that begin with a drive letter ----
    run(connection, sql.InsertDirectory("C:\\DATA", 0));
    EXPECT_EQ(single(connection, sql.CountDriveLetterPaths()), 1);
    auto drives = connection.OpenRecordset(sql.SelectDriveLetterPaths(), platform::ado::adCmdText);
    EXPECT_EQ(drives->Fields("Path").AsString(), "C:\\DATA");
    int driveID = drives->Fields("DirID").AsInt();
    drives.reset();
    run(connection, sql.UpdatePath("//host/C:\\DATA", driveID));
    EXPECT_EQ(single(connection, sql.SelectDirID("//host/C:\\DATA")), driveID);
    EXPECT_EQ(single(connection, sql.CountDriveLetterPaths()), 0);

    // ---- Purging automated scans older than 10 March, then deleting one scan ----
    for (const std::string& statement : sql.PurgeScans(At(2024, 3, 10, 8, 0, 0), 2)) {
        run(connection, statement);
    }
    EXPECT_EQ(single(connection, "select count(*) from ScanDefinition"), 1);
    EXPECT_EQ(single(connection, "select count(*) from SizeData"), 1);
    EXPECT_EQ(single(connection, "select count(*) from ExtensionInfo"), 1);
    for (const std::string& statement : sql.DeleteScan(static_cast<std::uint32_t>(scan3))) {
        run(connection, statement);
    }
    EXPECT_EQ(single(connection, "select count(*) from ScanDefinition"), 0);
    EXPECT_EQ(single(connection, "select count(*) from SizeData"), 0);
    EXPECT_EQ(single(connection, "select count(*) from ExtensionInfo"), 0);
    // Directories and extensions stay.
    EXPECT_EQ(single(connection, "select count(*) from DirNames"), 6);
    EXPECT_EQ(single(connection, "select count(*) from Extensions"), 3);
}

void ScanNamesThatAreNotUtf8(scan::CScanInfo& scanInfo, const std::string& tree) {
    const std::string bad = tree + "/bad\xff\xfeutf8";
    testsupport::WriteSizedFile(bad + "/f.\xe9t\xe9", 5000);
    testsupport::WriteSizedFile(bad + "/deeper/g", 1);
    testsupport::WriteSizedFile(tree + "/good/h.txt", 1);
    const std::int64_t total = 8192 + 4096 + 4096;
    ASSERT_EQ(scanInfo.Scan(tree, true, 2, false), total);
    ASSERT_EQ(scanInfo.Scan(tree, true, 2, false), total);
    EXPECT_EQ(scanInfo.CacheMisses(), 0) << "the second scan finds every directory stored";

    scan::DisplayData data;
    ASSERT_TRUE(scanInfo.LoadScans(tree, 0, data, 100));
    ASSERT_EQ(data.scans.size(), 2u);
    ASSERT_EQ(data.rows.size(), 2u);
    bool found = false;
    for (const scan::DisplayRow& row : data.rows) {
        EXPECT_EQ(row.name.find_first_of("\xff\xfe"), std::string::npos)
            << "stored names are UTF-8";
        if (scan::LocalPathFromStored(row.name) == bad) {
            found = true;
            EXPECT_TRUE(platform::system::IsDirectory(scan::LocalPathFromStored(row.name)));
            EXPECT_EQ(data.Value(row.id, data.scans[0].scanID), 8192u + 4096u);
            EXPECT_EQ(data.Value(row.id, data.scans[1].scanID), 8192u + 4096u);
        }
    }
    EXPECT_TRUE(found) << "the stored row leads back to the directory";
    ASSERT_TRUE(scanInfo.LoadScans(bad, 0, data, 100));
    ASSERT_EQ(data.rows.size(), 1u);
    EXPECT_EQ(scan::LocalPathFromStored(data.rows[0].name), bad + "/deeper");
    EXPECT_EQ(data.Value(data.rows[0].id, data.scans[0].scanID), 4096u);

    ASSERT_TRUE(scanInfo.LoadScans(tree, 1, data, 100));
    std::uint64_t extensions = 0;
    bool latin1 = false;
    for (const scan::DisplayRow& row : data.rows) {
        extensions += data.Value(row.id, data.scans[0].scanID).value_or(0);
        latin1 = latin1 || scan::DecodeNonUtf8(row.name) == ".\xe9T\xe9";
    }
    EXPECT_EQ(extensions, static_cast<std::uint64_t>(total));
    EXPECT_TRUE(latin1) << "the extension of a Latin-1 file name is stored";
}

} // namespace scantest
