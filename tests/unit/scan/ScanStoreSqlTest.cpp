// The statements of the scan store as each database kind receives them, and every statement
// run against a real included store.
#include "scan/ScanStoreSql.h"
#include "platform/ado/Connection.h"
#include "scan/DisplayData.h"
#include "scan/SizeIndexLayout.h"
#include "scan/SqlRules.h"
#include "tests/support/TempDirectory.h"
#include "tests/unit/scan/StoreTestSupport.h"

#include <gtest/gtest.h>

using namespace scan;

using scantest::At;

TEST(SqlRules, DateLiteralsArePlainQuotedDatesForEveryKind) {
    std::tm when = At(2024, 1, 5, 7, 8, 9);
    for (int kind : {0, kAccessDatabase, kSqlServerDatabase, kMySqlDatabase, 7}) {
        EXPECT_EQ(FormatDateLiteral(kind, when), "'2024-01-05 07:08:09'") << kind;
    }
    ScanDateTime invalid;
    invalid.state = ScanDateTime::State::kInvalid;
    EXPECT_EQ(FormatDateLiteral(kAccessDatabase, invalid), "'Invalid DateTime'");
}

TEST(SqlRules, OnlyMySqlEscapesBackslashesTwiceAsMuchInsideLike) {
    EXPECT_EQ(EscapePath(kMySqlDatabase, "C:\\A\\B", false), "C:\\\\A\\\\B");
    EXPECT_EQ(EscapePath(kMySqlDatabase, "C:\\A\\B", true), "C:\\\\\\\\A\\\\\\\\B");
    for (int kind : {kAccessDatabase, kSqlServerDatabase, 0}) {
        EXPECT_EQ(EscapePath(kind, "C:\\A\\B", true), "C:\\A\\B");
    }
    EXPECT_EQ(PathForSql(kMySqlDatabase, "//h/it's\\x"), "//h/it''s\\\\x");
    EXPECT_EQ(PathForSql(kAccessDatabase, "//h/it's\\x"), "//h/it''s\\x");
}

TEST(ScanStoreSql, ScanStatementsDifferByKindWhereTheDatabasesDo) {
    std::tm when = At(2024, 3, 10, 12, 30, 45);
    ScanStoreSql access(kAccessDatabase);
    ScanStoreSql server(kSqlServerDatabase);
    ScanStoreSql mysql(kMySqlDatabase);
    EXPECT_EQ(access.InsertScan(4, 2, when), "insert into ScanDefinition (ScanRootDirID, ScanType, "
                                             "ScanDate) values (4, 2, '2024-03-10 12:30:45')");
    EXPECT_EQ(mysql.SelectNewScanID(4, when), "select ScanID from ScanDefinition where "
                                              "ScanRootDirID=4 and ScanDate='2024-03-10 12:30:45'");
    EXPECT_EQ(server.InsertScan(4, 1, when),
              "insert into ScanDefinition (ScanRootDirID, ScanType, ScanDate) values "
              "(4, 1, CONVERT(datetime, '2024-03-10 12:30:45', 120))");
    EXPECT_EQ(server.SelectNewScanID(4, when),
              "select ScanID from ScanDefinition where ScanRootDirID=4 and "
              "ScanDate=CONVERT(datetime, '2024-03-10 12:30:45', 120)");
    EXPECT_EQ(
        access.InsertSizeRow(10, 3, 9, 5000000000LL),
        "insert into SizeData (DirID, ScanID, ParentDirID, DirSize) Values (10, 3, 9, 5000000000)");

    std::tm cutoff = At(2024, 3, 2, 17, 0, 0);
    EXPECT_EQ(access.PurgeScans(cutoff, 2)[0],
              "delete from SizeData where ScanID in (select ScanID from "
              "ScanDefinition where ScanDate < '2024-03-02' and ScanType=2)");
    EXPECT_EQ(access.PurgeScans(cutoff, 2)[2],
              "delete from ScanDefinition where ScanDate < '2024-03-02' and ScanType=2");
    EXPECT_EQ(server.PurgeScans(cutoff, 1)[1],
              "delete from ExtensionInfo where ScanID in (select ScanID from ScanDefinition where "
              "ScanDate < "
              "CONVERT(datetime, '03-02-2024', 110) and ScanType=1)");
    auto purge = mysql.PurgeScans(cutoff, 2);
    ASSERT_EQ(purge.size(), 3u);
    EXPECT_EQ(
        purge[0],
        "delete SizeData from SizeData, ScanDefinition where SizeData.ScanID=ScanDefinition.ScanID "
        "and ScanDefinition.ScanDate < '2024-03-02' and ScanDefinition.ScanType=2");
    EXPECT_EQ(purge[2], "delete ScanDefinition from ScanDefinition where ScanDefinition.ScanDate < "
                        "'2024-03-02' and "
                        "ScanDefinition.ScanType=2");
    auto deletion = access.DeleteScan(7);
    EXPECT_EQ(deletion, (std::vector<std::string>{"delete from SizeData where ScanID=7",
                                                  "delete from ExtensionInfo where ScanID=7",
                                                  "delete from ScanDefinition where ScanID=7"}));
}

TEST(ScanStoreSql, PathsAreQuotedAndEscapedForTheKind) {
    ScanStoreSql access(kAccessDatabase);
    ScanStoreSql mysql(kMySqlDatabase);
    const std::string path = "//h/it's\\x%_";
    EXPECT_EQ(access.SelectDirID(path), "select DirID from DirNames where Path='//h/it''s\\x%_'");
    EXPECT_EQ(mysql.SelectDirID(path), "select DirID from DirNames where Path='//h/it''s\\\\x%_'");
    EXPECT_EQ(mysql.SelectDirectoriesUnder(path),
              "select * from DirNames where Path like '//h/it''s\\\\\\\\x%_%'");
    EXPECT_EQ(mysql.CountParentlessUnder("//h/a\\b"),
              "select count(*) from DirNames where ParentDirID=0 and Path like '//h/a\\\\\\\\b%'");
    EXPECT_EQ(mysql.InsertDirectory("C:\\A\\B", 12),
              "insert into DirNames (Path, ParentDirID) Values ('C:\\\\A\\\\B', 12)");
    EXPECT_EQ(access.InsertPreparedDirectory("//h/a", 3),
              "INSERT INTO DirNames (Path, RootOfCache, ParentDirID) VALUES ('//h/a', 1, 3)");
    EXPECT_EQ(mysql.RepairParent(5, "//h/x'y"),
              "update DirNames set ParentDirID=5 where Path='//h/x''y'");
    EXPECT_EQ(mysql.UpdatePath("//H/C:\\D", 8),
              "UPDATE DirNames SET Path='//H/C:\\\\D' WHERE DirID=8");
    // Filter patterns and extensions keep their backslashes in MySQL too.
    EXPECT_EQ(mysql.InsertFilter(4, "it's\\*"),
              "insert into Filters (RootDirID, Filter) values (4, 'it''s\\\\*')");
    EXPECT_EQ(access.InsertFilter(4, "it's\\*"),
              "insert into Filters (RootDirID, Filter) values (4, 'it''s\\*')");
    EXPECT_EQ(mysql.SelectExtensionID(".A\\B"),
              "SELECT ExtensionID from Extensions where ExtensionText='.A\\\\B'");
    EXPECT_EQ(access.InsertExtension("<NONE>"),
              "INSERT INTO Extensions (ExtensionText) Values ('<NONE>')");
    EXPECT_EQ(
        access.SelectChildSizes(4294967295u, 3),
        "select DirID, ScanID, DirSize from SizeData where ParentDirID=4294967295 AND ScanID=3");
}

TEST(ScanStoreSql, EveryStatementWorksOnTheIncludedStore) {
    testsupport::TempDirectory directory;
    std::string path = scantest::NewStoreFile(directory / "store.db");
    platform::ado::Connection connection;
    connection.SetMode(19);
    connection.Open("Provider=SQLite;Data Source=" + path);
    scantest::ExerciseEveryStatement(connection, kAccessDatabase);
}

TEST(ScanStoreSql, PathLookupsUseTheIndexesOfTheIncludedStore) {
    testsupport::TempDirectory directory;
    std::string path = scantest::NewStoreFile(directory / "store.db");
    platform::ado::Connection connection;
    connection.Open("Provider=SQLite;Data Source=" + path);
    ScanStoreSql sql(kAccessDatabase);
    auto plan = [&](const std::string& statement) {
        std::string text;
        auto rows = connection.OpenRecordset("EXPLAIN QUERY PLAN " + statement);
        for (; !rows->IsEOF(); rows->MoveNext()) {
            text += rows->Fields("detail").AsString() + "\n";
        }
        return text;
    };
    EXPECT_NE(plan(sql.SelectDirID("//h/a")).find("DirNames_Path"), std::string::npos);
    EXPECT_NE(plan(sql.SelectDirectoriesUnder("//h/a")).find("DirNames_Path"), std::string::npos);
    EXPECT_NE(plan(sql.SelectChildren(3)).find("DirNames_ParentDirID"), std::string::npos);
    // By parent and scan, through SizeData_ParentDirID or the covering SizeData_ScanID_ParentDirID.
    std::string childSizes = plan(sql.SelectChildSizes(3, 4));
    EXPECT_NE(childSizes.find("ParentDirID=?"), std::string::npos) << childSizes;
    EXPECT_NE(childSizes.find("ScanID=?"), std::string::npos) << childSizes;
    EXPECT_NE(plan(sql.DeleteScan(3)[0]).find("SizeData_ScanID"), std::string::npos);
    EXPECT_NE(plan(sql.DeleteScan(3)[1]).find("ExtensionInfo_ScanID"), std::string::npos);
    EXPECT_NE(
        plan(sql.SelectNewScanID(3, At(2024, 1, 1, 0, 0, 0))).find("ScanDefinition_Root_Date"),
        std::string::npos);
    EXPECT_NE(plan(sql.SelectExtensionID(".TXT")).find("Extensions_Text"), std::string::npos);
    EXPECT_NE(plan(sql.SelectFilter(3)).find("Filters_RootDirID"), std::string::npos);

    // The children of one directory in every scan: one seek per scan into the scan-first index,
    // once the store has the statistics that tell the planner a scan has many rows.
    scan::SizeIndexLayout::EnsureStatistics(connection);
    for (const std::string& byParent : {sql.SelectChildSizes(3), sql.SelectScansOfDirectory(3)}) {
        std::string text = plan(byParent);
        EXPECT_NE(text.find("SizeData_ScanID_ParentDirID (ANY(ScanID) AND ParentDirID=?)"), std::string::npos)
            << text;
    }
    scan::SizeIndexLayout::EnsureStatistics(connection);
    EXPECT_EQ(connection.OpenRecordset("select count(*) from sqlite_stat1")->Fields(0).AsInt64(), 1)
        << "added once";
}
