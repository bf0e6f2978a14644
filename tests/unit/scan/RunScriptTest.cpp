// Scripts cut into statements and run one by one; the shipped table scripts of the included
// store.
#include "scan/RunScript.h"
#include "app/base/DiagnosticLog.h"
#include "platform/ado/Connection.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ScriptedUserInterface.h"
#include "tests/unit/scan/StoreTestSupport.h"

#include <gtest/gtest.h>

using scan::RunScript;
using scan::SplitScript;

namespace {

std::vector<std::string> texts(const std::string& script) {
    std::vector<std::string> result;
    for (const auto& statement : SplitScript(script)) {
        result.push_back((statement.ignoreErrors ? "!" : "") + statement.text);
    }
    return result;
}

std::string schema(platform::ado::Connection& connection) {
    std::string text;
    auto rows =
        connection.OpenRecordset("select type, name, tbl_name from sqlite_master order by name");
    for (; !rows->IsEOF(); rows->MoveNext()) {
        text += rows->Fields("type").AsString() + " " + rows->Fields("name").AsString() + " " +
                rows->Fields("tbl_name").AsString() + "\n";
    }
    return text;
}

} // namespace

TEST(RunScript, HashLinesEndStatementsAndShortOnesVanish) {
    EXPECT_EQ(texts("create table A (x int)\r\n\r\n  , y int)\n#\n#\nselect 1\r#rest ignored\ndrop "
                    "table A"),
              (std::vector<std::string>{"create table A (x int)\r\n  , y int)\r\n", "select 1\r\n",
                                        "drop table A\r\n"}));
    // "#" after "#" executes nothing; five characters or fewer (with the line end) are dropped.
    EXPECT_EQ(texts("#\n#\nabc\n#\nabcd\n#\n"), (std::vector<std::string>{"abcd\r\n"}));
    EXPECT_TRUE(texts("").empty());
    EXPECT_TRUE(texts("\r\n\n\r").empty());
}

TEST(RunScript, TheIgnoreMarkerIsRemovedAndMarksTheStatement) {
    EXPECT_EQ(texts("%IGNOREERRORS%drop table A\n#\ndrop table B %IGNOREERRORS%\n"),
              (std::vector<std::string>{"!drop table A\r\n", "!drop table B \r\n"}));
    // The marker alone is run as a bare line break whose error nobody hears of.
    EXPECT_EQ(texts("%IGNOREERRORS%\n#\n"), (std::vector<std::string>{"!\r\n"}));
}

TEST(RunScript, AFailingStatementIsReportedAndTheScriptGoesOn) {
    testsupport::IsolatedEnvironment env;
    testsupport::ScriptedUserInterface ui;
    testsupport::TempDirectory directory;
    platform::ado::Connection connection;
    connection.Open(
        scantest::StoreConnectionString(scantest::NewStoreFile(directory / "store.db")));
    EXPECT_TRUE(RunScript(connection, "insert into Extensions (ExtensionText) values ('.A')\n#\n"
                                      "insert into Missing values (1)\n#\n"
                                      "%IGNOREERRORS%insert into AlsoMissing values (1)\n#\n"
                                      "%IGNOREERRORS%\n#\n"
                                      "insert into Extensions (ExtensionText) values ('.B')\n"));
    ASSERT_EQ(ui.errorReports.size(), 1u);
    EXPECT_EQ(ui.errorReports[0].rfind(
                  "An error occurred while: Running the following database script:\r\n"
                  "insert into Missing values (1)\r\n.\r\nDetails: Msg=IDispatch error #3127, "
                  "Desc=no such table: Missing, HR=80040E37",
                  0),
              0u)
        << ui.errorReports[0];
    EXPECT_EQ(connection.OpenRecordset("select count(*) from Extensions")->Fields(0).AsInt64(), 2);
}

TEST(RunScript, TheShippedScriptsDropAndRecreateTheTemplatesTables) {
    testsupport::IsolatedEnvironment env;
    testsupport::ScriptedUserInterface ui;
    testsupport::TempDirectory directory;
    platform::ado::Connection connection;
    connection.Open(
        scantest::StoreConnectionString(scantest::NewStoreFile(directory / "store.db")));
    std::string original = schema(connection);
    EXPECT_NE(original.find("table SizeData SizeData"), std::string::npos);
    std::string bin = std::string(TALLYVOL_BINARY_DIR) + "/bin/";
    RunScript(connection, testsupport::ReadFile(bin + "DropAccessTables.txt"));
    EXPECT_EQ(schema(connection), "table sqlite_sequence sqlite_sequence\n");
    RunScript(connection, testsupport::ReadFile(bin + "CreateAccessTables.txt"));
    EXPECT_EQ(schema(connection), original);
    // Running the creation script on existing tables changes nothing and reports nothing.
    RunScript(connection, testsupport::ReadFile(bin + "CreateAccessTables.txt"));
    EXPECT_EQ(schema(connection), original);
    EXPECT_TRUE(ui.errorReports.empty()) << ui.errorReports[0];
}
