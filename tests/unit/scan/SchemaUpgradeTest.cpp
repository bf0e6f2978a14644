// Included stores of older layouts brought to the current tables, after asking once.
#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "platform/ado/Connection.h"
#include "platform/system/SystemInfo.h"
#include "scan/CScanInfo.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ScriptedUserInterface.h"
#include "tests/unit/scan/StoreTestSupport.h"

#include <sqlite3.h>

#include <regex>

#include <gtest/gtest.h>

#include <iostream>

using namespace scan;
using testsupport::IsolatedEnvironment;
using testsupport::ScriptedUserInterface;

namespace {

const char* const kConfirmText = "IMPORTANT: You are upgrading from a previous version of "
                                 "Tallyvol.  Tallyvol needs to make some minor database "
                                 "structure changes that will make this database incompatible with "
                                 "Tallyvol versions 3.1 and earlier.  It is "
                                 "highly recommended that you make a backup of you tallyvol3.db "
                                 "file before continuing if you think you might "
                                 "want to go back to Tallyvol 3.1 or earlier.\r\n\r\nDo you want "
                                 "to continue with the database upgrade?";

// A store file made directly with SQLite, as older versions laid it out.
void makeStore(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

const char* const kOldestLayout =
    "create table DirNames (DirID integer primary key, Path varchar(254), ParentDirID integer, "
    "RootOfCache integer);"
    "create table ScanDefinition (ScanID integer primary key, ScanRootDirID integer, ScanType "
    "integer, Date datetime);"
    "create table SizeData (EntryID integer primary key, DirID integer, ScanID integer, "
    "ParentDirID integer, "
    "Size numeric);"
    "create table Extensions (ExtensionID integer primary key, ExtensionText varchar(20));"
    "create table ExtensionInfo (ExtensionID integer, ScanID integer, NumFound integer, SizeUsed "
    "numeric);"
    "insert into DirNames values (1, '//h/data', 0, 0);"
    "insert into ScanDefinition values (1, 1, 2, '2003-05-06 07:08:09');"
    "insert into SizeData values (1, 1, 1, 0, 5000000000);";

void useStore(const std::string& path, int kind = 1) {
    app::SetSetting(app::settings::DBSource, kind);
    app::SetCurrentDBSource(kind);
    app::SetSetting(app::settings::ConnectionString, scantest::StoreConnectionString(path));
}

std::string columns(platform::ado::Connection& connection, const std::string& table) {
    std::string names;
    auto rows = connection.OpenRecordset("select name from pragma_table_info('" + table + "')");
    for (; !rows->IsEOF(); rows->MoveNext()) {
        names += rows->Fields(0).AsString() + " ";
    }
    return names;
}

struct Upgrade : ::testing::Test {
    void SetUp() override {
        ResetUpgradeConfirmationForTesting();
        app::ResetProgramEndRequestForTesting();
    }
    void TearDown() override {
        ResetUpgradeConfirmationForTesting();
        app::ResetProgramEndRequestForTesting();
    }
};

} // namespace

TEST_F(Upgrade, TheOldestLayoutIsUpgradedInPlaceAfterOneQuestion) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    std::string store = env.Root() + "/old.db";
    makeStore(store, kOldestLayout);
    useStore(store);
    ui.messageBoxAnswers.push_back(platform::ui::IDYES);
    CScanInfo scanInfo;
    scanInfo.UpgradeSchema();
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].caption, "Confirm Database Upgrade");
    EXPECT_EQ(ui.messageBoxes[0].text, kConfirmText);

    auto connection = scanInfo.GetConnection();
    EXPECT_EQ(columns(*connection, "ScanDefinition"), "ScanID ScanRootDirID ScanType ScanDate ");
    EXPECT_EQ(columns(*connection, "SizeData"), "EntryID DirID ScanID ParentDirID DirSize ");
    EXPECT_EQ(columns(*connection, "Filters"), "FilterID RootDirID Filter ");
    auto scan = connection->OpenRecordset("select ScanDate from ScanDefinition");
    EXPECT_EQ(scan->Fields("ScanDate").AsString(), "2003-05-06 07:08:09");
    EXPECT_EQ(connection->OpenRecordset("select DirSize from SizeData")->Fields(0).AsInt64(),
              5000000000LL);
    connection->Execute("insert into Filters (RootDirID, Filter) values (1, '*.tmp')");
    EXPECT_EQ(connection->OpenRecordset("select FilterID from Filters")->Fields(0).AsInt(), 1);

    // Upgraded now: later checks find nothing to do and ask nothing.
    ResetUpgradeConfirmationForTesting();
    scanInfo.UpgradeSchema();
    EXPECT_EQ(ui.messageBoxes.size(), 1u);
}

TEST_F(Upgrade, ACurrentStoreAndOtherKindsAreLeftAlone) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    useStore(scantest::NewStoreFile(env.Root() + "/current.db"));
    CScanInfo scanInfo;
    scanInfo.UpgradeSchema();
    EXPECT_TRUE(ui.messageBoxes.empty());

    // The wizard creates the other kinds' tables at the current layout; they are never probed.
    std::string old = env.Root() + "/old.db";
    makeStore(old, kOldestLayout);
    useStore(old, 3);
    CScanInfo other;
    other.UpgradeSchema();
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ(columns(*other.GetConnection(), "SizeData"),
              "EntryID DirID ScanID ParentDirID Size ");
}

TEST_F(Upgrade, AMissingFiltersTableAloneAsksOnceToo) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    std::string store = scantest::NewStoreFile(env.Root() + "/nofilters.db");
    {
        platform::ado::Connection connection;
        connection.Open(scantest::StoreConnectionString(store));
        connection.Execute("drop table Filters");
    }
    useStore(store);
    ui.messageBoxAnswers.push_back(platform::ui::IDYES);
    CScanInfo scanInfo;
    scanInfo.UpgradeSchema();
    EXPECT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(columns(*scanInfo.GetConnection(), "Filters"), "FilterID RootDirID Filter ");
}

TEST_F(Upgrade, DecliningEndsTheProgramWithoutChanges) {
    IsolatedEnvironment env;
    std::string store = env.Root() + "/old.db";
    makeStore(store, kOldestLayout);
    useStore(store);
    {
        ScriptedUserInterface ui;
        ui.messageBoxAnswers = {platform::ui::IDNO, platform::ui::IDOK};
        CScanInfo scanInfo;
        scanInfo.UpgradeSchema();
        ASSERT_EQ(ui.messageBoxes.size(), 2u) << "one question, one notice, then nothing more is tried";
        EXPECT_EQ(ui.messageBoxes[0].caption, "Confirm Database Upgrade");
        EXPECT_EQ(ui.messageBoxes[0].text.rfind("IMPORTANT", 0), 0u);
        EXPECT_EQ(ui.messageBoxes[1].caption, "Upgrade Aborted");
        EXPECT_EQ(ui.messageBoxes[1].text, "No changes have been made.  Tallyvol will shut down.");
        EXPECT_TRUE(app::ProgramEndRequested()) << "start-up ends the program";
    }
    platform::ado::Connection connection;
    connection.Open(scantest::StoreConnectionString(store));
    EXPECT_EQ(columns(connection, "ScanDefinition"), "ScanID ScanRootDirID ScanType Date ");
}

TEST_F(Upgrade, AFailingStepIsLoggedAndTheNextStepsStillRun) {
    IsolatedEnvironment env;
    testsupport::MakeDirectories(env.LogDirectory());
    ScriptedUserInterface ui;
    std::string store = env.Root() + "/old.db";
    // An index on the old date column keeps SQLite from dropping it.
    makeStore(store, std::string(kOldestLayout) + "create index ByDate on ScanDefinition (Date);");
    useStore(store);
    CScanInfo scanInfo;
    scanInfo.UpgradeSchema();
    EXPECT_EQ(ui.messageBoxes.size(), 1u);
    std::string log = testsupport::ReadFile(env.LogFile());
    EXPECT_NE(
        log.find("Exception while updating ScanDefinition table schema.  Exception details:   "
                 "Err=IDispatch error #3088, Desc=error in index ByDate after drop column: no such "
                 "column: Date"),
        std::string::npos)
        << log;
    EXPECT_NE(log.find("ErrNum=80040E10"), std::string::npos);
    auto connection = scanInfo.GetConnection();
    EXPECT_EQ(columns(*connection, "SizeData"), "EntryID DirID ScanID ParentDirID DirSize ");
    EXPECT_EQ(columns(*connection, "Filters"), "FilterID RootDirID Filter ");
}

TEST_F(Upgrade, AnAutomatedRunUpgradesWithoutAskingAndSaysSoInTheLog) {
    IsolatedEnvironment env;
    testsupport::MakeDirectories(env.LogDirectory());
    ScriptedUserInterface ui;
    std::string store = env.Root() + "/old.db";
    makeStore(store, kOldestLayout);
    useStore(store);
    CScanInfo scanInfo;
    app::AutomatedScanInProgress = true;
    scanInfo.UpgradeSchema();
    app::AutomatedScanInProgress = false;
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ(columns(*scanInfo.GetConnection(), "ScanDefinition"),
              "ScanID ScanRootDirID ScanType ScanDate ");
    std::string log = testsupport::ReadFile(env.LogFile());
    // The question's line breaks are escaped: one log line per event.
    std::string escaped = std::regex_replace(std::regex_replace(kConfirmText, std::regex("\r"), "\\r"),
                                             std::regex("\n"), "\\n");
    EXPECT_NE(log.find(escaped), std::string::npos) << log;
    EXPECT_NE(log.find("Upgrading the database without confirmation: automated run."),
              std::string::npos);
}

TEST_F(Upgrade, StoredPathsWithDriveLettersAreConvertedAfterTheQuestion) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    std::string store = scantest::NewStoreFile(env.Root() + "/drives.db");
    std::string longPath = "E:\\" + std::string(250, 'x');
    {
        platform::ado::Connection connection;
        connection.Open(scantest::StoreConnectionString(store));
        connection.Execute("insert into DirNames (Path, ParentDirID) values ('C:\\DATA\\Don''t', 0)");
        connection.Execute("insert into DirNames (Path, ParentDirID) values ('D:\\', 0)");
        connection.Execute("insert into DirNames (Path, ParentDirID) values ('" + longPath + "', 0)");
        connection.Execute("insert into DirNames (Path, ParentDirID) values ('//host/kept', 0)");
    }
    useStore(store);
    ui.messageBoxAnswers = {platform::ui::IDYES};
    CScanInfo scanInfo;
    scanInfo.UpgradeSchema();
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].text, kConfirmText);

    std::string host = platform::system::ComputerName();
    std::vector<std::string> paths;
    {
        platform::ado::Connection connection;
        connection.Open(scantest::StoreConnectionString(store));
        auto rows = connection.OpenRecordset("select Path from DirNames order by DirID");
        for (; !rows->IsEOF(); rows->MoveNext()) {
            paths.push_back(rows->Fields(0).AsString());
        }
    }
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_EQ(paths[0], "//" + host + "/C:/DATA/Don't");
    EXPECT_EQ(paths[1], "//" + host + "/D:");
    EXPECT_EQ(paths[2], longPath) << "a converted path too long to store stays as it was";
    EXPECT_EQ(paths[3], "//host/kept");

    // Asked once per process: a second pass over the same store finds only the long path and
    // converts nothing more, without asking again.
    scanInfo.UpgradeSchema();
    EXPECT_EQ(ui.messageBoxes.size(), 1u);

    // A store without the table logs the step's failure.
    app::EnableDebugLog();
    {
        platform::ado::Connection connection;
        connection.Open(scantest::StoreConnectionString(store));
        connection.Execute("drop table DirNames");
    }
    scanInfo.UpgradeSchema();
    EXPECT_NE(testsupport::ReadFile(env.LogFile())
                  .find("Exception while UNCing paths.  Exception details:   "
                        "Err=IDispatch error #3127, Desc=no such table: DirNames, "
                        "ErrNum=80040E37"),
              std::string::npos);
}

// A store of the last layout indexed its size rows by parent first; it is re-indexed by scan
// once, without a question (older versions read it as well), and loads still find every row.
TEST_F(Upgrade, SizeRowsIndexedByParentAreReindexedByScanOnce) {
    IsolatedEnvironment env;
    testsupport::MakeDirectories(env.LogDirectory());
    ScriptedUserInterface ui;
    std::string store = scantest::NewStoreFile(env.Root() + "/indexed.db");
    useStore(store);
    std::string tree = env.Root() + "/tree";
    testsupport::WriteSizedFile(tree + "/a/f", 5000);
    testsupport::WriteSizedFile(tree + "/b/f", 1);
    CScanInfo scanInfo;
    ASSERT_EQ(scanInfo.Scan(tree, true, 2, false), 8192 + 4096);
    auto connection = scanInfo.GetConnection();
    connection->Execute("drop index SizeData_ScanID_ParentDirID");
    connection->Execute("drop table sqlite_stat1");
    connection->Execute("create index SizeData_ScanID on SizeData (ScanID)");
    connection->Execute("create index SizeData_ParentDirID on SizeData (ParentDirID, ScanID)");
    scanInfo.ResetConnections();

    scanInfo.UpgradeSchema();
    EXPECT_TRUE(ui.messageBoxes.empty());
    connection = scanInfo.GetConnection();
    auto indexes = [&] {
        std::string names;
        auto rows = connection->OpenRecordset(
            "select name from sqlite_master where type='index' and tbl_name='SizeData' order by name");
        for (; !rows->IsEOF(); rows->MoveNext()) {
            names += rows->Fields(0).AsString() + " ";
        }
        return names;
    };
    EXPECT_EQ(indexes(), "SizeData_ScanID_ParentDirID ");
    EXPECT_EQ(connection->OpenRecordset("select count(*) from sqlite_stat1")->Fields(0).AsInt64(), 1);
    scanInfo.UpgradeSchema();
    EXPECT_EQ(indexes(), "SizeData_ScanID_ParentDirID ");

    DisplayData data;
    ASSERT_TRUE(scanInfo.LoadScans(tree, 0, data, 100));
    ASSERT_EQ(data.scans.size(), 1u);
    ASSERT_EQ(data.rows.size(), 2u);
    EXPECT_EQ(data.Value(data.rows[0].id, data.scans[0].scanID).value_or(0) +
                  data.Value(data.rows[1].id, data.scans[0].scanID).value_or(0),
              8192u + 4096u);
    EXPECT_NE(testsupport::ReadFile(env.LogFile()).find("Indexing the stored directory sizes by scan"),
              std::string::npos);
}
