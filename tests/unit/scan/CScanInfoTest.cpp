// The scan engine's connections and opening the store at start-up: the default store on a
// fresh machine, the first start, the wizard, and stores that cannot be used.
#include "scan/CScanInfo.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "dbconfig/DatabasePreparation.h"
#include "dbconfig/StorePreparation.h"
#include "platform/ado/Connection.h"
#include "platform/ado/OdbcInstaller.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/OdbcSandbox.h"
#include "tests/support/ScriptedUserInterface.h"
#include "tests/unit/scan/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <iostream>
#include <thread>

using namespace scan;
using testsupport::IsolatedEnvironment;
using testsupport::ScriptedUserInterface;
namespace settings = app::settings;

// Opening the store makes a missing store file through the database configuration, as
// start-up installs it.
static const bool kStorePreparationInstalled = (dbconfig::InstallStorePreparation(), true);

namespace {

struct AutomatedScan {
    AutomatedScan() { app::AutomatedScanInProgress = true; }
    ~AutomatedScan() { app::AutomatedScanInProgress = false; }
};

void useStore(const std::string& path) {
    app::SetSetting(settings::DBSource, 1);
    app::SetSetting(settings::MDBPath, path);
    app::SetSetting(settings::ConnectionString, scantest::StoreConnectionString(path));
    app::SetSetting(settings::ConnectionStringSpec, "1:" + path);
}

std::int64_t tableCount(platform::ado::Connection& connection) {
    return connection.OpenRecordset("select count(*) from sqlite_master where type='table'")
        ->Fields(0)
        .AsInt64();
}

} // namespace

TEST(CScanInfo, EachThreadKeepsItsOwnConnectionUntilTheCacheIsReset) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    useStore(scantest::NewStoreFile(env.Root() + "/store.db"));
    CScanInfo scanInfo;
    auto first = scanInfo.GetConnection();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->IsOpen());
    EXPECT_EQ(first->Mode(), 19);
    EXPECT_EQ(scanInfo.GetConnection(), first);
    auto fresh = scanInfo.GetConnection(true);
    ASSERT_TRUE(fresh);
    EXPECT_NE(fresh, first);
    EXPECT_EQ(scanInfo.CachedConnectionCount(), 1u);

    std::shared_ptr<platform::ado::Connection> other;
    std::thread([&] { other = scanInfo.GetConnection(); }).join();
    ASSERT_TRUE(other);
    EXPECT_NE(other, first);
    EXPECT_EQ(scanInfo.CachedConnectionCount(), 2u);

    scanInfo.ResetConnections();
    EXPECT_EQ(scanInfo.CachedConnectionCount(), 0u);
    auto after = scanInfo.GetConnection();
    EXPECT_NE(after, first);
    EXPECT_TRUE(first->IsOpen()); // a caller's reference stays usable
    EXPECT_TRUE(ui.errorReports.empty());
}

TEST(CScanInfo, AConnectionThatCannotOpenIsReportedAndNotCached) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    std::string connectionString = "Provider=SQLite;Data Source=" + env.Root() + "/none.db";
    app::SetSetting(settings::ConnectionString, connectionString);
    CScanInfo scanInfo;
    EXPECT_FALSE(scanInfo.GetConnection());
    EXPECT_EQ(scanInfo.CachedConnectionCount(), 0u);
    ASSERT_EQ(ui.errorReports.size(), 1u);
    EXPECT_EQ(ui.errorReports[0].rfind(
                  "An error occurred while: Trying to open the \"" + connectionString +
                      "\" database connection.  HR=80004005.\r\nDetails: Msg=Unspecified error, "
                      "Desc=unable to open database file",
                  0),
              0u)
        << ui.errorReports[0];
    EXPECT_NE(ui.errorReports[0].find("DBG=9"), std::string::npos);
}

TEST(CScanInfo, AnAutomatedRunOnAFreshMachineCreatesAndUsesTheDefaultStore) {
    IsolatedEnvironment env;
    testsupport::MakeDirectories(env.LogDirectory());
    testsupport::OdbcSandbox odbc;
    ScriptedUserInterface ui;
    std::string home = env.Root() + "/fresh/home";
    env.Set("TALLYVOL_HOME", home); // a home with nothing in it but the log setting
    app::SetMachineString(env.LogDirectory(), "LogDir");
    CScanInfo scanInfo;
    bool opened = false;
    {
        AutomatedScan automated;
        opened = scanInfo.OpenDatabase(false);
    }
    EXPECT_TRUE(opened);
    std::string store = home + "/tallyvol3.db";
    EXPECT_EQ(DefaultDatabaseFile(), store);
    ASSERT_TRUE(testsupport::FileExists(store));
    EXPECT_EQ(app::GetSetting(settings::DBSource), 1);
    EXPECT_EQ(app::CurrentDBSource(), 1);
    EXPECT_EQ(app::GetSetting(settings::ConnectionString), "Provider=SQLite;Data Source=" + store);
    EXPECT_EQ(app::GetSetting(settings::ConnectionStringSpec), "1:" + store);
    EXPECT_EQ(app::GetSetting(settings::MDBPath), store);
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ(ui.wizardRuns, 0);
    EXPECT_TRUE(ui.errorReports.empty());
    auto connection = scanInfo.GetConnection();
    ASSERT_TRUE(connection);
    EXPECT_EQ(tableCount(*connection), 7); // six tables and SQLite's sequence table
    EXPECT_NE(testsupport::ReadFile(env.LogFile())
                  .find("No database is configured; using the default store"),
              std::string::npos);
}

TEST(CScanInfo, AFirstStartWithoutTheOldDataSourceSetsUpTheDefaultStore) {
    IsolatedEnvironment env;
    testsupport::OdbcSandbox odbc;
    ScriptedUserInterface ui;
    CScanInfo scanInfo;
    EXPECT_TRUE(scanInfo.OpenDatabase(true));
    std::string store = env.Home() + "/tallyvol3.db";
    EXPECT_TRUE(testsupport::FileExists(store));
    EXPECT_EQ(app::GetSetting(settings::ConnectionString), "Provider=SQLite;Data Source=" + store);
    EXPECT_EQ(app::GetSetting(settings::DBSource), 1);
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_TRUE(ui.errorReports.empty());

    // The next start finds the same store and leaves it alone.
    platform::ado::Connection writer;
    writer.Open("Provider=SQLite;Data Source=" + store);
    writer.Execute("insert into Extensions (ExtensionText) values ('.KEEP')");
    CScanInfo later;
    EXPECT_TRUE(later.OpenDatabase(false));
    EXPECT_EQ(later.GetConnection()
                  ->OpenRecordset("select count(*) from Extensions")
                  ->Fields(0)
                  .AsInt64(),
              1);
}

TEST(CScanInfo, AFirstStartKeepsTheOldDefaultDataSourceWhenItOpens) {
    IsolatedEnvironment env;
    testsupport::OdbcSandbox odbc;
    ScriptedUserInterface ui;
    std::string store = scantest::NewStoreFile(env.Home() + "/tallyvol3.db");
    std::string attributes =
        "Database=" + store + std::string(1, '\0') + "DSN=CVTallyvol" + std::string(2, '\0');
    ASSERT_TRUE(platform::ado::OdbcInstaller::Instance().ConfigDataSource(
        platform::ado::ODBC_ADD_SYS_DSN, "SQLite3", attributes));
    CScanInfo scanInfo;
    EXPECT_TRUE(scanInfo.OpenDatabase(true));
    EXPECT_EQ(app::GetSetting(settings::DSNName), "CVTallyvol");
    EXPECT_EQ(app::GetSetting(settings::ConnectionString), "DSN=CVTallyvol");
    EXPECT_EQ(app::GetSetting(settings::DBSource), 1);
    EXPECT_EQ(app::GetSetting(settings::MDBPath), store);
    EXPECT_EQ(app::GetSetting(settings::ConnectionStringSpec), "1:" + store);
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_NE(scanInfo.GetConnection()->ProviderName().find("SQLite"), std::string::npos);
}

TEST(CScanInfo, WithoutADatabaseAnInteractiveStartRunsTheWizard) {
    IsolatedEnvironment env;
    testsupport::OdbcSandbox odbc;
    struct WizardThatChoosesAStore : ScriptedUserInterface {
        std::string store;
        bool RunDatabaseWizard() override {
            ++wizardRuns;
            useStore(store);
            return true;
        }
    } ui;
    ui.store = scantest::NewStoreFile(env.Root() + "/chosen.db");
    CScanInfo scanInfo;
    EXPECT_TRUE(scanInfo.OpenDatabase(false));
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].caption, "No Database");
    EXPECT_EQ(ui.messageBoxes[0].text, "Tallyvol doesn't yet have a database specified for it's "
                                       "data.\r\n\r\nYou are about to be taken through "
                                       "a few short steps that will help you specify where "
                                       "Tallyvol should store it's data.\r\n\r\nPress OK to "
                                       "continue.");
    EXPECT_EQ(ui.wizardRuns, 1);
    EXPECT_EQ(app::CurrentDBSource(), 1);
    EXPECT_EQ(scanInfo.GetConnection()->ConnectionString(),
              "Provider=SQLite;Data Source=" + ui.store);
}

TEST(CScanInfo, CancellingTheWizardEndsTheProgram) {
    IsolatedEnvironment env;
    testsupport::OdbcSandbox odbc;
    app::ResetProgramEndRequestForTesting();
    ScriptedUserInterface ui;
    CScanInfo scanInfo;
    EXPECT_FALSE(scanInfo.OpenDatabase(false));
    ASSERT_EQ(ui.messageBoxes.size(), 2u);
    EXPECT_EQ(ui.messageBoxes[0].caption, "No Database");
    EXPECT_EQ(ui.messageBoxes[0].text.substr(0, 40), "Tallyvol doesn't yet have a database spe");
    EXPECT_EQ(ui.messageBoxes[1].caption, "No Database");
    EXPECT_EQ(ui.messageBoxes[1].text.substr(0, 40), "Since database connectivity was not succ");
    EXPECT_TRUE(app::ProgramEndRequested()) << "start-up ends the program";
    app::ResetProgramEndRequestForTesting();
}

TEST(CScanInfo, AStoreThatIsNoDatabaseIsReportedAndLeftAlone) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    std::string notes = env.Root() + "/notes.db";
    testsupport::WriteFile(notes, std::string(4096, 'n'));
    useStore(notes);
    ui.messageBoxAnswers.push_back(platform::ui::IDNO);
    CScanInfo scanInfo;
    EXPECT_FALSE(scanInfo.OpenDatabase(false));
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].caption, "Database Connectivity Error");
    EXPECT_NE(ui.messageBoxes[0].text.find("file is not a database"), std::string::npos);
    EXPECT_EQ(testsupport::ReadFile(notes), std::string(4096, 'n'));

    ScriptedUserInterface quiet;
    AutomatedScan automated;
    EXPECT_FALSE(scanInfo.OpenDatabase(false));
    EXPECT_TRUE(quiet.messageBoxes.empty());
    EXPECT_EQ(quiet.errorReports.size(), 1u);
}

TEST(CScanInfo, AMissingStoreFileIsRecreatedWhenTheUserAgreesOrNobodyIsThere) {
    IsolatedEnvironment env;
    std::string store = env.Root() + "/gone.db";
    useStore(store);
    {
        ScriptedUserInterface ui;
        ui.messageBoxAnswers = {platform::ui::IDNO, platform::ui::IDNO};
        CScanInfo scanInfo;
        EXPECT_FALSE(scanInfo.OpenDatabase(false));
        ASSERT_EQ(ui.messageBoxes.size(), 2u);
        EXPECT_EQ(ui.messageBoxes[0].caption, "Verify Database File Creation");
        EXPECT_EQ(ui.messageBoxes[0].text,
                  "The data file " + store +
                      " can not be found in the specified data directory.  Without this "
                      "file, all scanning will fail.  Would you like to re-create a new "
                      "database file?");
        EXPECT_FALSE(testsupport::FileExists(store));
    }
    {
        ScriptedUserInterface ui;
        ui.messageBoxAnswers = {platform::ui::IDYES};
        CScanInfo scanInfo;
        EXPECT_TRUE(scanInfo.OpenDatabase(false));
        EXPECT_TRUE(testsupport::FileExists(store));
    }
    std::remove(store.c_str());
    {
        ScriptedUserInterface ui;
        std::vector<std::string> notices;
        dbconfig::SetProfileNotifier([&](const std::string& text) { notices.push_back(text); });
        CScanInfo scanInfo;
        AutomatedScan automated;
        EXPECT_TRUE(scanInfo.OpenDatabase(false));
        dbconfig::SetProfileNotifier({});
        EXPECT_TRUE(ui.messageBoxes.empty());
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0], "The data file " + store +
                                  " can not be found.  Without this file, all scanning will fail.  "
                                  "Since this error is "
                                  "happening in an automated run, a new database file will "
                                  "automatically be created.");
        EXPECT_TRUE(testsupport::FileExists(store));
    }
}
