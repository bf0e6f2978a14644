// A MySQL/MariaDB store prepared the way the database configuration prepares one (database by
// the command-line client, system data source, tables by script), then every statement of
// the scan store run against it.
#include "dbconfig/DatabasePreparation.h"
#include "platform/ado/Connection.h"
#include "scan/SqlRules.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/OdbcSandbox.h"
#include "tests/support/ScriptedUserInterface.h"
#include "tests/unit/scan/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using testsupport::IsolatedEnvironment;
using testsupport::ScriptedUserInterface;

namespace {

std::int64_t tableCount(platform::ado::Connection& connection, const std::string& database) {
    return connection
        .OpenRecordset("select count(*) from information_schema.tables where table_schema='" +
                       database + "'")
        ->Fields(0)
        .AsInt64();
}

} // namespace

TEST(MariaDbStore, PreparedByScriptsItServesEveryStatement) {
    TALLYVOL_REQUIRE_MARIADB(server);
    IsolatedEnvironment env;
    env.Set("TMPDIR", env.Root());
    testsupport::OdbcSandbox odbc;
    ScriptedUserInterface ui;
    testsupport::ScratchDatabase database(server, "tvstore");

    ASSERT_TRUE(dbconfig::RunMySqlScript(dbconfig::kCreateMySQLDatabase, "/usr/bin",
                                         database.Name(), server.host, server.port, server.user,
                                         server.password));
    ASSERT_TRUE(dbconfig::CreateMySqlDSN("TallyvolMariaDb", database.Name(), server.host,
                                         server.port, server.user, server.password));
    std::string sources = testsupport::ReadFile(odbc.SystemDataSources());
    EXPECT_NE(sources.find("[TallyvolMariaDb]"), std::string::npos) << sources;
    EXPECT_NE(sources.find("MariaDB Unicode"), std::string::npos) << sources;
    ASSERT_TRUE(dbconfig::RunMySqlScript(dbconfig::kCreateMySQLTables, "/usr/bin", database.Name(),
                                         server.host, server.port, server.user, server.password));
    EXPECT_TRUE(ui.errorReports.empty());
    EXPECT_TRUE(ui.messageBoxes.empty());
    // The client's output stays behind in the temporary directory; it had nothing to say.
    EXPECT_EQ(testsupport::ReadFile(env.Root() + "/~MySQLInitLog.tmp"), "");
    EXPECT_FALSE(testsupport::FileExists(env.Root() + "/~InitializeMySQL.tmp"));

    platform::ado::Connection connection;
    connection.SetMode(19);
    connection.Open("DSN=TallyvolMariaDb");
    EXPECT_EQ(tableCount(connection, database.Name()), 6);
    scantest::ExerciseEveryStatement(connection, scan::kMySqlDatabase);

    ASSERT_TRUE(dbconfig::RunMySqlScript(dbconfig::kDropMySQLTables, "/usr/bin", database.Name(),
                                         server.host, server.port, server.user, server.password));
    EXPECT_EQ(tableCount(connection, database.Name()), 0);
}

TEST(MariaDbStore, AClientStillRunningAfterFifteenSecondsIsLeftToFinish) {
    TALLYVOL_REQUIRE_MARIADB(server);
    IsolatedEnvironment env;
    env.Set("TMPDIR", env.Root());
    ScriptedUserInterface ui;
    testsupport::ScratchDatabase database(server, "tvslow");
    database.Create();
    std::string script = env.Root() + "/slow.txt";
    testsupport::WriteFile(
        script, "USE `$DATABASE$`;\r\nSELECT SLEEP(17);\r\nCREATE TABLE Finished (x INT);\r\n");
    auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(dbconfig::RunMySqlScript(script, "/usr/bin", database.Name(), server.host,
                                         server.port, server.user, server.password));
    double waited =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_GE(waited, 15.9);
    EXPECT_LT(waited, 16.9);
    // The input file is gone already; the client read it before and finishes its work.
    EXPECT_FALSE(testsupport::FileExists(env.Root() + "/~InitializeMySQL.tmp"));
    platform::ado::Connection connection;
    connection.Open(server.OdbcConnectionString(database.Name()));
    bool finished = false;
    for (int i = 0; i < 100 && !finished; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        finished = tableCount(connection, database.Name()) == 1;
    }
    EXPECT_TRUE(finished);
}
