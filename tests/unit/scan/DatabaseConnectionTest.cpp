// Opening connection strings, the start-up connection test and its question, the download page
// and the command time-out guard.
#include "scan/DatabaseConnection.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "platform/ado/Connection.h"
#include "scan/CommandTimeout.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ScriptedUserInterface.h"
#include "tests/unit/scan/StoreTestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <iostream>
#include <thread>

using namespace scan;
using testsupport::IsolatedEnvironment;
using testsupport::ScriptedUserInterface;

namespace {

// A browser stand-in on PATH that writes its directory and arguments to a file.
std::string installRecordingBrowser(IsolatedEnvironment& env) {
    std::string bin = env.Root() + "/bin";
    std::string record = env.Root() + "/opened.txt";
    testsupport::WriteFile(bin + "/xdg-open", "#!/bin/sh\necho \"$PWD|$*\" > '" + record + "'\n");
    ::chmod((bin + "/xdg-open").c_str(), 0755);
    env.Set("PATH", bin + ":/usr/bin:/bin");
    return record;
}

std::string waitForFile(const std::string& path) {
    for (int i = 0; i < 200 && !testsupport::FileExists(path); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return testsupport::FileExists(path) ? testsupport::ReadFile(path) : std::string();
}

} // namespace

TEST(DatabaseConnection, OpeningGivesAConnectionOrTheFailureCodeAndText) {
    IsolatedEnvironment env;
    std::string store = scantest::NewStoreFile(env.Root() + "/store.db");
    OpenedConnection opened = OpenConnectionString(scantest::StoreConnectionString(store));
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened.connection->Mode(), 19);

    std::string missing = "Provider=SQLite;Data Source=" + env.Root() + "/none.db";
    OpenedConnection failed = OpenConnectionString(missing);
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.failureCode, 0x80004005u);
    EXPECT_EQ(failed.failureText,
              "Exception while connecting to " + missing +
                  ".  Err=Unspecified error,  Desc=unable to open database file: " + env.Root() +
                  "/none.db,  HR=80004005");
}

TEST(DatabaseConnection, AnEmptyConnectionStringMeansTheDefaultDataSource) {
    IsolatedEnvironment env;
    EXPECT_EQ(StoredConnectionString(), "DSN=CVTallyvol");
    app::SetSetting(app::settings::ConnectionString, "");
    EXPECT_EQ(StoredConnectionString(), "DSN=CVTallyvol");
    app::SetSetting(app::settings::ConnectionString, "Provider=SQLite;Data Source=/x.db");
    EXPECT_EQ(StoredConnectionString(), "Provider=SQLite;Data Source=/x.db");
}

TEST(DatabaseConnection, AFailedTestAsksAboutTheDriversAndNoGivesFalse) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    std::string notes = env.Root() + "/notes.db";
    testsupport::WriteFile(notes, std::string(2048, 'n'));
    EXPECT_TRUE(TestConnection(true, "anything at all"));
    std::string store = scantest::NewStoreFile(env.Root() + "/store.db");
    EXPECT_TRUE(TestConnection(false, scantest::StoreConnectionString(store)));
    EXPECT_TRUE(ui.messageBoxes.empty());

    ui.messageBoxAnswers.push_back(platform::ui::IDNO);
    std::string connectionString = scantest::StoreConnectionString(notes);
    EXPECT_FALSE(TestConnection(false, connectionString));
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].caption, "Database Connectivity Error");
    EXPECT_EQ(ui.messageBoxes[0].flags & platform::ui::MB_TYPEMASK, platform::ui::MB_YESNO);
    const std::string& text = ui.messageBoxes[0].text;
    EXPECT_EQ(text.rfind("Your system cannot currently connect to the Tallyvol database.  Tallyvol "
                         "uses SQLite and "
                         "unixODBC to connect to a database.  By default, it uses SQLite or ODBC "
                         "to connect to an "
                         "SQLite database.  The error is: Failed to open the database pointed to "
                         "by connection \"" +
                             connectionString +
                             "\".  ErrNum=80004005  Err=Exception while connecting to " +
                             connectionString +
                             ".  Err=Unspecified error,  Desc=file is not a database",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("\r\n\r\nWould you like to install the database drivers?"),
              std::string::npos);
    EXPECT_EQ(testsupport::ReadFile(notes), std::string(2048, 'n'));
}

TEST(DatabaseConnection, DuringAnAutomatedScanTheFailureIsReportedWithoutAQuestion) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    app::AutomatedScanInProgress = true;
    bool result = TestConnection(false, "Provider=SQLite;Data Source=" + env.Root() + "/none.db");
    app::AutomatedScanInProgress = false;
    EXPECT_FALSE(result);
    EXPECT_TRUE(ui.messageBoxes.empty());
    ASSERT_EQ(ui.errorReports.size(), 1u);
    EXPECT_NE(ui.errorReports[0].find("Failed to open the database pointed to by connection"),
              std::string::npos);
}

TEST(DatabaseConnection, YesOpensTheDownloadPageAndEndsTheProgram) {
    IsolatedEnvironment env;
    std::string record = installRecordingBrowser(env);
    app::ResetProgramEndRequestForTesting();
    {
        ScriptedUserInterface ui;
        ui.messageBoxAnswers.push_back(platform::ui::IDYES);
        EXPECT_FALSE(TestConnection(false, "Provider=SQLite;Data Source=/nonexistent/none.db"));
        ASSERT_EQ(ui.messageBoxes.size(), 2u);
        EXPECT_EQ(ui.messageBoxes[0].caption, "Database Connectivity Error");
        EXPECT_EQ(ui.messageBoxes[1].caption, "Exitting");
        EXPECT_TRUE(app::ProgramEndRequested()) << "start-up ends the program";
    }
    app::ResetProgramEndRequestForTesting();
    EXPECT_EQ(waitForFile(record), "/|https://www.corvane.example/Tallyvol/MDAC.aspx\n");
}

TEST(DatabaseConnection, WithoutABrowserTheDownloadPageIsReported) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    env.Set("PATH", env.Root() + "/empty");
    app::SetSetting(app::settings::MDACPage, "https://example.test/drivers");
    OpenDownloadPage();
    ASSERT_EQ(ui.errorReports.size(), 1u);
    EXPECT_EQ(ui.errorReports[0],
              "An error occurred while: Opening https://example.test/drivers.  Please open a "
              "browser and go there manually to get the database drivers.\r\nDetails: None");
}

TEST(DatabaseConnection, TheTimeOutGuardRestoresAndObeysTheDisableSetting) {
    IsolatedEnvironment env;
    RefreshTimeoutSetting();
    auto connection = std::make_shared<platform::ado::Connection>();
    connection->SetCommandTimeout(45);
    {
        SetCommandTimeout guard(connection, kLongCommandTimeout);
        EXPECT_EQ(connection->CommandTimeout(), 0); // absent setting: no time-outs
    }
    EXPECT_EQ(connection->CommandTimeout(), 45);
    EXPECT_NE(
        testsupport::ReadFile(env.MachineHive()).find("\"SQLDisableTimeouts\"=dword:00000001"),
        std::string::npos);

    app::SetSetting(app::settings::SQLDisableTimeouts, 0);
    RefreshTimeoutSetting();
    {
        SetCommandTimeout guard(connection, kLongCommandTimeout);
        EXPECT_EQ(connection->CommandTimeout(), kLongCommandTimeout);
        SetCommandTimeout inner(connection, 0);
        EXPECT_EQ(connection->CommandTimeout(), 0);
    }
    EXPECT_EQ(connection->CommandTimeout(), 45);
    SetCommandTimeout none(nullptr, 5); // no connection: nothing to do
    RefreshTimeoutSetting();
}
