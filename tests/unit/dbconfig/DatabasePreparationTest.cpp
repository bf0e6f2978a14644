// Preparing databases: the store file from the template, ODBC data sources, the MySQL client
// and the table scripts, with every failure text.
#include "dbconfig/DatabasePreparation.h"
#include "app/base/Settings.h"
#include "dbconfig/AccessDatabase.h"
#include "platform/ado/Connection.h"
#include "platform/ado/OdbcInstaller.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/OdbcSandbox.h"
#include "tests/support/ScriptedUserInterface.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace dbconfig;
using testsupport::IsolatedEnvironment;
using testsupport::ScriptedUserInterface;

namespace {

std::string templateBytes() {
    return testsupport::ReadFile(std::string(TALLYVOL_BINARY_DIR) + "/bin/datasrc3.dll");
}

// A stand-in for the MySQL client that keeps what it was given: its arguments and its input.
std::string fakeClient(const IsolatedEnvironment& env) {
    std::string bin = env.Root() + "/mysqlbin";
    testsupport::WriteFile(bin + "/mysql",
                           "#!/bin/sh\nprintf '%s|' \"$@\" > '" + env.Root() +
                               "/arguments.txt'\ncat > '" + env.Root() +
                               "/input.txt'\noptions=\"${1#--defaults-extra-file=}\"\n"
                               "cp \"$options\" '" + env.Root() + "/options.txt'\n"
                               "stat -c %a \"$options\" > '" + env.Root() + "/options-mode.txt'\n"
                               "echo client output\necho client error >&2\n");
    ::chmod((bin + "/mysql").c_str(), 0755);
    return bin;
}

std::string mySqlSection(const std::string& list) {
    std::size_t start = list.find("[TallyvolMy]");
    return start == std::string::npos ? std::string() : list.substr(start);
}

} // namespace

TEST(DatabasePreparation, TheStoreFileIsMadeFromTheTemplateOnlyWhenMissing) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    std::string store = env.Root() + "/data/store.db";
    testsupport::MakeDirectories(env.Root() + "/data");

    EXPECT_TRUE(EnsureAccessFile(store, true, false));
    EXPECT_EQ(testsupport::ReadFile(store), templateBytes());
    struct stat st {};
    ASSERT_EQ(::stat(store.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);

    // An existing file is never replaced, whatever it holds.
    testsupport::WriteFile(store, "my own data");
    EXPECT_TRUE(EnsureAccessFile(store, false, false));
    EXPECT_EQ(testsupport::ReadFile(store), "my own data");
    EXPECT_TRUE(ui.messageBoxes.empty());

    // No path: the MDBPath setting; its default is the brand's file in the program's home.
    EXPECT_EQ(AccessPageFilePath(), env.Home() + "/tallyvol3.db");
    EXPECT_EQ(app::GetSetting(app::settings::MDBPath), env.Home() + "/tallyvol3.db");
    ui.messageBoxAnswers.push_back(platform::ui::IDNO);
    EXPECT_FALSE(EnsureAccessFile(std::nullopt, false, false));
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].caption, "Verify Database File Creation");
    EXPECT_FALSE(testsupport::FileExists(env.Home() + "/tallyvol3.db"));
    ui.messageBoxAnswers.push_back(platform::ui::IDYES);
    EXPECT_TRUE(EnsureAccessFile(std::nullopt, false, false));
    EXPECT_EQ(testsupport::ReadFile(env.Home() + "/tallyvol3.db"), templateBytes());

    // A directory that does not exist: the copy fails silently and the answer is still yes.
    EXPECT_TRUE(EnsureAccessFile(env.Root() + "/nowhere/store.db", true, false));
    EXPECT_FALSE(testsupport::FileExists(env.Root() + "/nowhere/store.db"));

    // Without the template beside the program there is nothing to copy.
    env.Set("TALLYVOL_DATA_DIR", env.Root() + "/empty");
    EXPECT_TRUE(EnsureAccessFile(env.Root() + "/data/other.db", true, false));
    EXPECT_FALSE(testsupport::FileExists(env.Root() + "/data/other.db"));
}

TEST(DatabasePreparation, TheAccessPageStringsNameTheFile) {
    IsolatedEnvironment env;
    EXPECT_EQ(AccessDirectConnectionString("/srv/a b.db"),
              "Provider=SQLite;Data Source=/srv/a b.db");
    EXPECT_EQ(AccessOdbcConnectionString("CVTallyvol"), "DSN=CVTallyvol");
    EXPECT_EQ(AccessConnectionStringSpec("/srv/a b.db"), "1:/srv/a b.db");
    EXPECT_EQ(AccessPageDsnName(), "CVTallyvol");
    EXPECT_EQ(SqlServerCredentialsSuffix(true, "sa", "pw", ""), "");
    EXPECT_EQ(SqlServerCredentialsSuffix(false, "sa", "pw", "APP=x"), ";USER ID=sa;PWD=pw;APP=x");
    EXPECT_EQ(SqlServerCredentialsSuffix(false, "sa", "", ";APP=x"), ";USER ID=sa;APP=x");
    EXPECT_EQ(SqlServerCredentialsSuffix(false, "", "pw", ""), "");
}

TEST(DatabasePreparation, TheStoresDataSourceIsRegisteredAndOpens) {
    IsolatedEnvironment env;
    testsupport::OdbcSandbox odbc;
    ScriptedUserInterface ui;
    std::string store = env.Root() + "/store é.db";
    ASSERT_TRUE(EnsureAccessFile(store, true, false));
    ASSERT_TRUE(CreateAccessDSN("TallyvolStore", store));
    EXPECT_EQ(app::GetSetting(app::settings::DSNName), "TallyvolStore");
    std::string list = testsupport::ReadFile(odbc.SystemDataSources());
    EXPECT_NE(list.find("[TallyvolStore]"), std::string::npos) << list;
    EXPECT_NE(list.find("Database"), std::string::npos);
    EXPECT_NE(list.find(store), std::string::npos);
    EXPECT_NE(list.find("Corvane Tallyvol"), std::string::npos);
    platform::ado::Connection connection;
    connection.Open(AccessOdbcConnectionString("TallyvolStore"));
    EXPECT_EQ(connection.OpenRecordset("select count(*) from DirNames")->Fields(0).AsInt64(), 0);
    EXPECT_TRUE(ui.errorReports.empty());
}

TEST(DatabasePreparation, WithoutTheSqliteDriverTheUserHearsTwiceAndMayGoForIt) {
    IsolatedEnvironment env;
    testsupport::OdbcSandbox odbc(
        std::map<std::string, std::string>{{"MariaDB Unicode", "libmaodbc.so"}});
    ScriptedUserInterface ui;
    env.Set("PATH", env.Root() + "/nobrowser");
    ui.messageBoxAnswers.push_back(platform::ui::IDYES);
    EXPECT_FALSE(CreateAccessDSN("TallyvolStore", env.Root() + "/store.db"));
    ASSERT_EQ(ui.errorReports.size(), 2u);
    EXPECT_EQ(ui.errorReports[0], "An error occurred while: Creating the System DSN (database "
                                  "connectivity definition) for Tallyvol "
                                  "(possibly because the SQLite ODBC driver isn't "
                                  "installed?).\r\n\r\nPress OK to try again with the "
                                  "desired values filled in.\r\nDetails: None");
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].caption, "No SQLite Driver?");
    EXPECT_EQ(
        ui.messageBoxes[0].text,
        "The creation of the ODBC DSN has still failed, possibly because the SQLite ODBC driver "
        "isn't installed. "
        " You can get this driver by installing your distribution's SQLite ODBC driver package "
        "(libsqliteodbc).\r\n\r\nDo you want to stop and install the driver?");
    // Yes went for the download page, which needs a browser this machine does not have.
    EXPECT_NE(ui.errorReports[1].find("Please open a browser and go there manually"),
              std::string::npos);
    EXPECT_EQ(testsupport::ReadFile(odbc.SystemDataSources()), "");
}

TEST(DatabasePreparation, MySqlDataSourcesPreferTheDriversInTheirOrder) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    {
        testsupport::OdbcSandbox odbc(
            {{"MySQL ODBC 3.52 Driver", "libmaodbc.so"}, {"MariaDB Unicode", "libmaodbc.so"}});
        ASSERT_TRUE(CreateMySqlDSN("TallyvolMy", "tallyvol", "db.example", 3307, "scan", "pa'ss"));
        std::string section = mySqlSection(testsupport::ReadFile(odbc.SystemDataSources()));
        EXPECT_NE(section.find("MySQL ODBC 3.52 Driver"), std::string::npos) << section;
        for (const char* entry : {"tallyvol", "Option", "3307", "db.example", "scan", "pa'ss"}) {
            EXPECT_NE(section.find(entry), std::string::npos) << entry << "\n" << section;
        }
    }
    {
        testsupport::OdbcSandbox odbc({{"MySQL ODBC 3.51 Driver", "libmaodbc.so"},
                                       {"MySQL ODBC 3.52 Driver", "libmaodbc.so"}});
        ASSERT_TRUE(CreateMySqlDSN("TallyvolMy", "tallyvol", "db.example", 3306, "scan", "pw"));
        EXPECT_NE(mySqlSection(testsupport::ReadFile(odbc.SystemDataSources()))
                      .find("MySQL ODBC 3.51 Driver"),
                  std::string::npos);
    }
    EXPECT_TRUE(ui.errorReports.empty());
    {
        testsupport::OdbcSandbox odbc(
            std::map<std::string, std::string>{{"SQLite3", "libsqlite3odbc.so"}});
        EXPECT_FALSE(CreateMySqlDSN("TallyvolMy", "tallyvol", "db.example", 3306, "scan", "pw"));
        ASSERT_EQ(ui.errorReports.size(), 1u);
        EXPECT_EQ(
            ui.errorReports[0],
            "An error occurred while: Creating the System DSN (database connectivity definition) "
            "for Tallyvol "
            "(possibly because the MySQL ODBC 3.51 or 3.52 driver or the MariaDB ODBC driver isn't "
            "installed?).\r\n\r\nPress OK to try again with the desired values filled "
            "in.\r\nDetails: None");
    }
}

TEST(DatabasePreparation, TheMySqlClientGetsTheScriptAndTheCommandLine) {
    IsolatedEnvironment env;
    env.Set("TMPDIR", env.Root());
    ScriptedUserInterface ui;
    std::string bin = fakeClient(env);
    std::string script = env.Root() + "/script.txt";
    testsupport::WriteFile(script, "USE `$DATABASE$`;\r\nDROP TABLE $DATABASE$.T;\r\n");
    EXPECT_TRUE(RunMySqlScript(script, bin, "tv", "db.example", 3307, "scan", "se\"c\\ret"));
    // The password never shows in the process list: the client reads it from an option file of
    // our own, readable by us alone.
    std::string arguments = testsupport::ReadFile(env.Root() + "/arguments.txt");
    EXPECT_EQ(arguments.find("se\"c"), std::string::npos) << arguments;
    EXPECT_EQ(arguments.rfind("--defaults-extra-file=" + env.Root() + "/client.cnf|", 0), 0u) << arguments;
    EXPECT_NE(arguments.find("|--host=db.example|--port=3307|--user=scan|"), std::string::npos) << arguments;
    EXPECT_EQ(testsupport::ReadFile(env.Root() + "/options.txt"), "[client]\npassword=\"se\\\"c\\\\ret\"\n");
    EXPECT_EQ(testsupport::ReadFile(env.Root() + "/options-mode.txt"), "600\n");
    // Windows line ends reach the client as two line feeds.
    EXPECT_EQ(testsupport::ReadFile(env.Root() + "/input.txt"),
              "USE `tv`;\n\nDROP TABLE tv.T;\n\n");
    for (const char* left : {"/~InitializeMySQL.tmp", "/~MySQLInitLog.tmp", "/client.cnf"}) {
        EXPECT_FALSE(testsupport::FileExists(env.Root() + left)) << left;
    }
    // What the client said is kept in the log.
    EXPECT_NE(testsupport::ReadFile(env.LogFile()).find("The mysql client answered: client output\\nclient error"),
              std::string::npos);
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_TRUE(ui.errorReports.empty());
}

TEST(DatabasePreparation, MySqlScriptFailuresAreToldToTheUser) {
    IsolatedEnvironment env;
    env.Set("TMPDIR", env.Root());
    ScriptedUserInterface ui;
    EXPECT_FALSE(RunMySqlScript(env.Root() + "/missing.txt", "/usr/bin", "tv", "h", 1, "u", "p"));
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].caption, "Script Error");
    EXPECT_EQ(ui.messageBoxes[0].text,
              "Unable to open the file " + env.Root() +
                  "/missing.txt which contains the script for re-initializing the new target "
                  "database.  Copying the "
                  "table has failed.  Error=No such file or directory, (2)");

    EXPECT_FALSE(
        RunMySqlScript(kCreateMySQLDatabase, env.Root() + "/nobin/", "tv", "h", 1, "u", "p"));
    ASSERT_EQ(ui.errorReports.size(), 1u);
    EXPECT_EQ(ui.errorReports[0],
              "An error occurred while: Trying to launch " + env.Root() +
                  "/nobin/mysql.  Error = No such file or directory.\r\nDatabase initialization "
                  "cannot continue.\r\nDetails: None");
    EXPECT_FALSE(testsupport::FileExists(env.Root() + "/~InitializeMySQL.tmp"));

    // The temporary script cannot be written: a directory stands where it would go.
    testsupport::MakeDirectories(env.Root() + "/~InitializeMySQL.tmp");
    EXPECT_FALSE(RunMySqlScript(kCreateMySQLDatabase, "/usr/bin", "tv", "h", 1, "u", "p"));
    ASSERT_EQ(ui.errorReports.size(), 2u);
    EXPECT_EQ(
        ui.errorReports[1].rfind("An error occurred while: Trying to open " + env.Root() +
                                     "/~InitializeMySQL.tmp for writing an updated version of the "
                                     "initilization script " +
                                     std::string(TALLYVOL_BINARY_DIR) +
                                     "/bin/CreateMySQLDatabase.txt.  GLE=17, Error=File exists",
                                 0),
        0u)
        << ui.errorReports[1];
}

TEST(DatabasePreparation, TableScriptsThatCannotBeReadAreReported) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    platform::ado::Connection connection;
    std::string store = env.Root() + "/store.db";
    ASSERT_TRUE(EnsureAccessFile(store, true, false));
    connection.Open(AccessDirectConnectionString(store));
    EXPECT_TRUE(RunTableScript(connection, kDropAccessTables));
    EXPECT_EQ(connection
                  .OpenRecordset(
                      "select count(*) from sqlite_master where type='table' and name='DirNames'")
                  ->Fields(0)
                  .AsInt64(),
              0);
    EXPECT_TRUE(RunTableScript(connection, kCreateAccessTables));
    EXPECT_EQ(connection.OpenRecordset("select count(*) from DirNames")->Fields(0).AsInt64(), 0);
    EXPECT_TRUE(ui.errorReports.empty());

    EXPECT_FALSE(RunTableScript(connection, env.Root() + "/none.txt"));
    ASSERT_EQ(ui.errorReports.size(), 1u);
    EXPECT_EQ(ui.errorReports[0],
              "An error occurred while: Trying to open the file " + env.Root() +
                  "/none.txt which contains the script for re-initializing the new target "
                  "database.  Copying the table has failed.  Error=No such file or directory, "
                  "(2)\r\nDetails: None");
}

TEST(DatabasePreparation, SqlServerDatabasesAreCreatedThroughFreeTds) {
    IsolatedEnvironment env;
    testsupport::OdbcSandbox odbc;
    ScriptedUserInterface ui;
    // The SQL Server driver is there; no server is (nothing listens on port 1).
    EXPECT_TRUE(platform::ado::OdbcInstaller::Instance().DriverInstalled("FreeTDS"));
    EXPECT_FALSE(
        CreateSqlServerDatabase("127.0.0.1,1", "Tallyvol", false, "sa", "pw", "Timeout=2"));
    ASSERT_EQ(ui.errorReports.size(), 1u);
    EXPECT_EQ(ui.errorReports[0].rfind(
                  "An error occurred while: Trying to connect with database using connection "
                  "string PROVIDER=SQLOLEDB;SERVER=127.0.0.1,1;TRUSTED_CONNECTION=no;USER ID=sa;"
                  "PWD=****;Timeout=2.  HR=x80004005  Err=Exception while connecting to "
                  "PROVIDER=SQLOLEDB;",
                  0),
              0u)
        << ui.errorReports[0];
    // The creation script names the database where the placeholder stood.
    std::string script =
        testsupport::ReadFile(std::string(TALLYVOL_BINARY_DIR) + "/bin/" + kCreateMSSQLDatabase);
    EXPECT_NE(script.find("$DATABASE$"), std::string::npos);

    env.Set("TALLYVOL_DATA_DIR", env.Root());
    EXPECT_FALSE(CreateSqlServerDatabase("127.0.0.1,1", "Tallyvol", true, "", "", ""));
    ASSERT_EQ(ui.errorReports.size(), 2u);
    EXPECT_EQ(ui.errorReports[1],
              "An error occurred while: Trying to open the file " + env.Root() +
                  "/CreateMSSQLDatabase.txt which contains the script for re-initializing the "
                  "new target database.  Copying the table has failed.  Error=No such file or "
                  "directory, (2)\r\nDetails: None");
}
