// The data-access layer over unixODBC: the SQLite ODBC driver, the MariaDB driver against the
// fixture's server, and the ODBC installer that registers data sources.
#include "platform/ado/Connection.h"
#include "platform/ado/ErrorCodes.h"
#include "platform/ado/OdbcInstaller.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/OdbcSandbox.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

using namespace platform::ado;
using testsupport::TempDirectory;

namespace {

std::string newStore(const TempDirectory& directory) {
    std::string path = directory / "store.db";
    testsupport::WriteFile(
        path, testsupport::ReadFile(std::string(TALLYVOL_BINARY_DIR) + "/bin/datasrc3.dll"));
    return path;
}

HRESULT failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ComError& error) {
        return error.Error();
    }
    return 0;
}

std::string attributes(std::initializer_list<std::string> pairs) {
    std::string list;
    for (const std::string& pair : pairs) {
        list += pair;
        list += '\0';
    }
    list += '\0';
    return list;
}

// Rows of a batch of prepared inserts, as a statement that needs one round trip per row would
// write them; a second batch holds a duplicate of a unique key in its second statement.
void batchesOfInserts(Connection& connection) {
    auto insert = connection.Prepare("insert into B (Name, Size) Values (?, ?)");
    for (int i = 0; i < 2500; ++i) {
        std::string name = "n" + std::to_string(i);
        insert->BindText(1, name, "'" + name + "'").Bind(2, 5000000000LL + i).AddToBatch();
    }
    EXPECT_EQ(insert->BatchRows(), 2500u);
    EXPECT_EQ(insert->ExecuteBatch(), 2500);
    EXPECT_EQ(insert->BatchRows(), 0u);
    auto sum = connection.OpenRecordset("select count(*), sum(Size) - 2500 * 5000000000 from B");
    EXPECT_EQ(sum->Fields(0).AsInt64(), 2500);
    EXPECT_EQ(sum->Fields(1).AsInt64(), 2499 * 2500 / 2);

    const int perStatement = static_cast<int>(Command::kMaxRowsPerStatement);
    for (int i = 0; i < perStatement + 10; ++i) {
        std::string name = i == perStatement + 5 ? "n7" : "m" + std::to_string(i);
        insert->BindText(1, name, "'" + name + "'").Bind(2, i).AddToBatch();
    }
    EXPECT_EQ(failureOf([&] { insert->ExecuteBatch(); }), DB_E_INTEGRITYVIOLATION);
    EXPECT_EQ(insert->BatchRows(), 0u) << "a failed batch is gone";
    EXPECT_EQ(connection.OpenRecordset("select count(*) from B where Name like 'm%'")
                  ->Fields(0)
                  .AsInt64(),
              perStatement)
        << "the first statement's rows stay, none of the failed one's";

    auto update = connection.Prepare("update B set Size=? where Name=?");
    update->Bind(1, 1).BindText(2, "n1", "'n1'").AddToBatch();
    update->Bind(1, 2).BindText(2, "n2", "'n2'").AddToBatch();
    EXPECT_EQ(update->ExecuteBatch(), 2);
    EXPECT_EQ(connection.OpenRecordset("select sum(Size) from B where Name in ('n1', 'n2')")
                  ->Fields(0)
                  .AsInt64(),
              3);
}

} // namespace

TEST(AdoOdbc, TheSqliteDriverServesTheStoreWithTheSameCodes) {
    testsupport::OdbcSandbox odbc;
    TempDirectory directory;
    std::string path = newStore(directory);
    Connection connection;
    connection.SetMode(19);
    connection.Open("Driver=SQLite3;Database=" + path);
    EXPECT_NE(connection.ProviderName().find("SQLite"), std::string::npos);
    connection.Execute("insert into DirNames (Path, ParentDirID) Values ('//h/a''b\\c%_', 0)");
    connection.Execute(
        "insert into SizeData (DirID, ScanID, ParentDirID, DirSize) Values (1, 1, 0, 5000000000)");
    auto rows = connection.OpenRecordset("select * from SizeData");
    EXPECT_EQ(rows->Fields("DirSize").AsInt64(), 5000000000LL);
    EXPECT_EQ(rows->Fields("DirSize").Type(), adBigInt);
    EXPECT_EQ(rows->Fields("DirID").Type(), adInteger);
    auto names = connection.OpenRecordset("select Path from DirNames where Path like '//h/a''%'");
    ASSERT_FALSE(names->IsEOF());
    EXPECT_EQ(names->Fields("Path").AsString(), "//h/a'b\\c%_");
    // The driver reports constraint failures as HY000 with SQLite's code 19.
    EXPECT_EQ(failureOf([&] {
                  connection.Execute(
                      "insert into DirNames (Path, ParentDirID) Values ('//h/a''b\\c%_', 0)");
              }),
              DB_E_INTEGRITYVIOLATION);
    EXPECT_EQ(failureOf([&] { connection.OpenRecordset("select * from Missing"); }), DB_E_NOTABLE);
    EXPECT_EQ(failureOf([&] { connection.OpenRecordset("select Missing from DirNames"); }),
              DB_E_PARAMNOTOPTIONAL);
    // Same case rule as the embedded back end.
    auto upper = connection.OpenRecordset("select count(*) from DirNames where Path like '//H/%'");
    EXPECT_EQ(upper->Fields(0).AsInt64(), 0);

    connection.BeginTrans();
    connection.Execute("insert into Extensions (ExtensionText) Values ('.TMP')");
    connection.RollbackTrans();
    EXPECT_EQ(connection.OpenRecordset("select count(*) from Extensions")->Fields(0).AsInt64(), 0);
}

TEST(AdoOdbc, ABatchOfInsertsGoesAsMultiRowStatements) {
    testsupport::OdbcSandbox odbc;
    TempDirectory directory;
    std::string path = newStore(directory);
    Connection connection;
    connection.Open("Driver=SQLite3;Database=" + path);
    connection.Execute("create table B (Name varchar(40) not null unique, Size bigint)");
    batchesOfInserts(connection);
}

TEST(AdoOdbc, TheInstallerRegistersASystemDataSourceThatOpens) {
    testsupport::OdbcSandbox odbc;
    TempDirectory directory;
    std::string path = newStore(directory);
    OdbcInstaller& installer = OdbcInstaller::Instance();
    ASSERT_TRUE(installer.Available()) << installer.LastError();
    EXPECT_TRUE(installer.DriverInstalled("SQLite3"));
    EXPECT_TRUE(installer.DriverInstalled("MariaDB Unicode"));
    EXPECT_FALSE(installer.DriverInstalled("Microsoft Access Driver (*.mdb)"));

    ASSERT_TRUE(installer.ConfigDataSource(
        ODBC_ADD_SYS_DSN, "SQLite3",
        attributes({"Database=" + path, "DSN=TallyvolTest", "DESCRIPTION=Té st"})))
        << installer.LastError();
    std::string list = testsupport::ReadFile(odbc.SystemDataSources());
    EXPECT_NE(list.find("[TallyvolTest]"), std::string::npos) << list;
    EXPECT_NE(list.find("SQLite3"), std::string::npos) << list;
    EXPECT_NE(list.find(path), std::string::npos) << list;
    EXPECT_NE(list.find("Té st"), std::string::npos) << list;

    Connection connection;
    connection.Open("DSN=TallyvolTest");
    EXPECT_EQ(connection.OpenRecordset("select count(*) from DirNames")->Fields(0).AsInt64(), 0);

    // A driver that is not installed gets no data source.
    EXPECT_FALSE(installer.ConfigDataSource(ODBC_ADD_SYS_DSN, "MySQL ODBC 3.51 Driver",
                                            attributes({"DSN=Nowhere", "Server=localhost"})));
    EXPECT_NE(installer.LastError().find("not installed"), std::string::npos);
    EXPECT_EQ(testsupport::ReadFile(odbc.SystemDataSources()).find("Nowhere"), std::string::npos);

    Connection missing;
    EXPECT_EQ(failureOf([&] { missing.Open("DSN=NoSuchSource"); }), E_FAIL);
}

TEST(AdoOdbc, InstallerTextsSurviveTheWideConversion) {
    for (const std::string text : {"plain", "päth/é", "日本語", "emoji \xF0\x9F\x98\x80 end", ""}) {
        EXPECT_EQ(FromUtf16(ToUtf16(text)), text);
    }
    EXPECT_EQ(ToUtf16("\xF0\x9F\x98\x80").size(), 2u); // a surrogate pair
    EXPECT_EQ(ToUtf16("bad \xC3").back(), u'\xFFFD');
}

TEST(AdoOdbc, MariaDbReportsItsErrorsWithTheSameCodes) {
    TALLYVOL_REQUIRE_MARIADB(server);
    testsupport::OdbcSandbox odbc;
    testsupport::ScratchDatabase database(server, "tvado");
    database.Create();
    Connection connection;
    connection.SetMode(19);
    connection.Open(server.OdbcConnectionString(database.Name()));
    EXPECT_NE(connection.ProviderName().find("MariaDB"), std::string::npos);
    connection.Execute(
        "create table T (ID int not null auto_increment primary key, Name varchar(40) not null, "
        "Size bigint, Stamp datetime, unique key T_Name (Name))");
    connection.Execute("insert into T (Name, Size, Stamp) values ('a\\\\b''c', 5000000000, "
                       "'2024-01-05 10:11:12')");
    EXPECT_EQ(failureOf([&] { connection.Execute("insert into T (Name) values ('a\\\\b''c')"); }),
              DB_E_INTEGRITYVIOLATION);
    EXPECT_EQ(failureOf([&] { connection.OpenRecordset("select * from Missing"); }), DB_E_NOTABLE);
    EXPECT_EQ(failureOf([&] { connection.OpenRecordset("select Missing from T"); }),
              DB_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(failureOf([&] { connection.Execute("selec 1"); }), DB_E_ERRORSINCOMMAND);

    auto rows = connection.OpenRecordset("select * from T");
    EXPECT_EQ(rows->Fields("Name").AsString(), "a\\b'c");
    EXPECT_EQ(rows->Fields("Size").AsInt64(), 5000000000LL);
    EXPECT_EQ(rows->Fields("Size").Type(), adBigInt);
    EXPECT_EQ(rows->Fields("ID").Type(), adInteger);
    EXPECT_EQ(rows->Fields("Stamp").Type(), adDBTimeStamp);
    EXPECT_EQ(rows->Fields("Stamp").AsString(), "2024-01-05 10:11:12");
    EXPECT_EQ(connection.Execute("update T set Size=1 where ID=99"), 0);

    connection.BeginTrans();
    connection.Execute("insert into T (Name) values ('rolled back')");
    connection.RollbackTrans();
    EXPECT_EQ(connection.OpenRecordset("select count(*) from T")->Fields(0).AsInt64(), 1);

    connection.SetCommandTimeout(1);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(failureOf([&] { connection.OpenRecordset("select sleep(5) as Slept"); }),
              DB_E_ABORTLIMITREACHED);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
              4.5);

    connection.SetCommandTimeout(30);
    connection.Execute(
        "create table B (Name varchar(40) not null, Size bigint, unique key B_Name (Name))");
    batchesOfInserts(connection);

    // Two writers waiting for each other's row: the server rolls one back to end the deadlock.
    Connection other;
    other.Open(server.OdbcConnectionString(database.Name()));
    connection.BeginTrans();
    other.BeginTrans();
    connection.Execute("insert into T (Name) values ('x')");
    other.Execute("insert into T (Name) values ('y')");
    HRESULT first = 0;
    std::thread waiting([&] {
        first = failureOf([&] { connection.Execute("insert into T (Name) values ('y')"); });
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    HRESULT second = failureOf([&] { other.Execute("insert into T (Name) values ('x')"); });
    if (second == XACT_E_ABORTED) {
        other.RollbackTrans();
    }
    waiting.join();
    EXPECT_TRUE((first == XACT_E_ABORTED) != (second == XACT_E_ABORTED))
        << std::hex << first << " " << second;
    if (connection.InTransaction()) {
        connection.RollbackTrans();
    }
    if (other.InTransaction()) {
        other.RollbackTrans();
    }

    Connection refused;
    EXPECT_EQ(failureOf([&] {
                  refused.Open("Driver=MariaDB Unicode;Server=127.0.0.1;Port=" +
                               std::to_string(server.port) + ";UID=nobody;PWD=wrong");
              }),
              DB_SEC_E_AUTH_FAILED);
}
