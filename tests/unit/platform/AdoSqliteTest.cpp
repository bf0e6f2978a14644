// The data-access layer over the SQLite C API: the included store file as the program opens it.
#include "platform/ado/Connection.h"
#include "platform/ado/ErrorCodes.h"
#include "tests/support/PrivateMount.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <iostream>

using namespace platform::ado;
using testsupport::TempDirectory;

namespace {

// A new store: a copy of the empty template the build made.
std::string newStore(const TempDirectory& directory, const std::string& name = "store.db") {
    std::string path = directory / name;
    testsupport::WriteFile(
        path, testsupport::ReadFile(std::string(TALLYVOL_BINARY_DIR) + "/bin/datasrc3.dll"));
    return path;
}

std::unique_ptr<Connection> open(const std::string& path, int mode = 19) {
    auto connection = std::make_unique<Connection>();
    connection->SetMode(mode);
    connection->Open("Provider=SQLite;Data Source=" + path);
    return connection;
}

std::int64_t count(Connection& connection, const std::string& table) {
    auto rows = connection.OpenRecordset("select count(*) from " + table);
    return rows->Fields(0).AsInt64();
}

HRESULT failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ComError& error) {
        return error.Error();
    }
    return 0;
}

} // namespace

TEST(AdoSqlite, RowsComeBackByNameWithTheirAdoTypesAndFullValues) {
    TempDirectory directory;
    auto connection = open(newStore(directory));
    EXPECT_EQ(connection->ProviderName(), "SQLite");
    EXPECT_EQ(connection->Execute(
                  "insert into DirNames (Path, ParentDirID) Values ('//host/data', 0)", 129),
              1);
    connection->Execute(
        "insert into ScanDefinition (ScanRootDirID, ScanType, ScanDate) values (1, 2, "
        "'2024-02-29 23:59:58')");
    connection->Execute(
        "insert into SizeData (DirID, ScanID, ParentDirID, DirSize) Values (1, 1, 0, 5000000000)");

    auto rows = connection->OpenRecordset("select * from SizeData");
    ASSERT_FALSE(rows->IsEOF());
    EXPECT_EQ(rows->Fields("dirsize").AsInt64(), 5000000000LL); // names match without case
    EXPECT_EQ(rows->Fields("DirSize").Type(), adBigInt);
    EXPECT_EQ(rows->Fields("DirID").Type(), adInteger);
    EXPECT_EQ(rows->Fields("EntryID").AsInt(), 1); // generated from 1
    rows->MoveNext();
    EXPECT_TRUE(rows->IsEOF());
    EXPECT_EQ(failureOf([&] { rows->Fields("DirID"); }), adErrNoCurrentRecord);

    auto scans = connection->OpenRecordset("select * from ScanDefinition");
    EXPECT_EQ(scans->Fields("ScanDate").Type(), adDate);
    std::tm date{};
    ASSERT_TRUE(scans->Fields("ScanDate").AsDateTime(&date));
    EXPECT_EQ(date.tm_year, 124);
    EXPECT_EQ(date.tm_mon, 1);
    EXPECT_EQ(date.tm_mday, 29);
    EXPECT_EQ(date.tm_sec, 58);
    EXPECT_EQ(failureOf([&] { scans->Fields("NoSuchColumn"); }), adErrItemNotFound);

    auto names =
        connection->OpenRecordset("select Path, RootOfCache, count(*) as Number from DirNames");
    EXPECT_EQ(names->Fields("Path").Type(), adVarWChar);
    EXPECT_EQ(names->Fields("Number").Type(), adBigInt);
    EXPECT_EQ(names->Fields("RootOfCache").AsInt(), 0); // the column's default

    auto empty = connection->OpenRecordset("select Filter from Filters");
    EXPECT_TRUE(empty->IsEOF());
    EXPECT_EQ(empty->Column(0).Name(), "Filter");
    auto nulls = connection->OpenRecordset("select NULL as Nada");
    EXPECT_TRUE(nulls->Fields("Nada").IsNull());
    EXPECT_EQ(failureOf([&] { nulls->Fields("Nada").AsInt64(); }), DISP_E_TYPEMISMATCH);
}

TEST(AdoSqlite, PathsWithQuotesBackslashesAndWildcardsAreStoredAsWritten) {
    TempDirectory directory;
    auto connection = open(newStore(directory));
    // Quotes doubled, nothing else escaped for the included store.
    connection->Execute(
        "insert into DirNames (Path, ParentDirID) Values ('//h/it''s\\100%_x é', 0)");
    connection->Execute("insert into DirNames (Path, ParentDirID) Values ('//h/IT''S', 0)");
    auto rows =
        connection->OpenRecordset("select Path from DirNames where Path='//h/it''s\\100%_x é'");
    ASSERT_FALSE(rows->IsEOF());
    EXPECT_EQ(rows->Fields("Path").AsString(), "//h/it's\\100%_x é");
    // Prefix searches are case-sensitive: paths that differ in case are different directories.
    EXPECT_EQ(count(*connection, "DirNames where Path like '//h/it%'"), 1);
    EXPECT_EQ(count(*connection, "DirNames where Path like '//h/IT%'"), 1);
}

TEST(AdoSqlite, FailuresCarryDistinctCodesTheDriverTextAndTheSystemText) {
    TempDirectory directory;
    auto connection = open(newStore(directory));
    connection->Execute("insert into DirNames (Path, ParentDirID) Values ('//h/a', 0)");
    try {
        connection->Execute("insert into DirNames (Path, ParentDirID) Values ('//h/a', 0)");
        FAIL() << "a second row with the same path was accepted";
    } catch (const ComError& error) {
        EXPECT_EQ(error.Error(), DB_E_INTEGRITYVIOLATION);
        EXPECT_EQ(error.ErrorMessage(), "IDispatch error #3119");
        EXPECT_NE(error.Description().find("UNIQUE constraint failed: DirNames.Path"),
                  std::string::npos);
    }
    EXPECT_EQ(failureOf([&] { connection->OpenRecordset("select * from Missing"); }), DB_E_NOTABLE);
    EXPECT_EQ(failureOf([&] { connection->Execute("update Missing set A=1"); }), DB_E_NOTABLE);
    EXPECT_EQ(failureOf([&] { connection->OpenRecordset("select Missing from DirNames"); }),
              DB_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(failureOf([&] { connection->Execute("selec 1"); }), DB_E_ERRORSINCOMMAND);
    // The failed statements changed nothing.
    EXPECT_EQ(count(*connection, "DirNames"), 1);
}

TEST(AdoSqlite, OpeningNeverCreatesAFileAndRefusesFilesThatAreNoStore) {
    TempDirectory directory;
    std::string missing = directory / "missing.db";
    EXPECT_EQ(failureOf([&] { open(missing); }), E_FAIL);
    EXPECT_FALSE(testsupport::FileExists(missing));

    std::string notAStore = directory / "notes.db";
    std::string content(4096, 'x');
    content.replace(0, 20, "These are my notes. ");
    testsupport::WriteFile(notAStore, content);
    try {
        open(notAStore);
        FAIL() << "a text file opened as a store";
    } catch (const ComError& error) {
        EXPECT_EQ(error.Error(), E_FAIL);
        EXPECT_EQ(error.ErrorMessage(), "Unspecified error");
        EXPECT_NE(error.Description().find("not a database"), std::string::npos)
            << error.Description();
    }
    EXPECT_EQ(testsupport::ReadFile(notAStore), content);

    Connection connection;
    EXPECT_EQ(failureOf([&] { connection.Execute("select 1"); }), adErrObjectClosed);
    EXPECT_EQ(failureOf([&] { connection.Open("Provider=SQLite"); }), adErrInvalidConnection);
}

TEST(AdoSqlite, UnknownProvidersFailWithAClearText) {
    Connection connection;
    try {
        connection.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/tmp/tallyvol3.mdb");
        FAIL();
    } catch (const ComError& error) {
        EXPECT_EQ(error.Error(), adErrProviderNotFound);
        EXPECT_NE(error.Description().find("Provider cannot be found"), std::string::npos);
        EXPECT_NE(error.Description().find("Microsoft.Jet.OLEDB.4.0"), std::string::npos);
    }
    EXPECT_EQ(failureOf([&] { connection.Open("Data Source=/tmp/x.db"); }), adErrProviderNotFound);
    EXPECT_FALSE(connection.IsOpen());
}

TEST(AdoSqlite, TransactionsCommitRollBackAndDoNotNest) {
    TempDirectory directory;
    std::string path = newStore(directory);
    auto connection = open(path);
    EXPECT_EQ(connection->BeginTrans(), 1);
    EXPECT_EQ(failureOf([&] { connection->BeginTrans(); }), adErrInvalidTransaction);
    connection->Execute("insert into Extensions (ExtensionText) Values ('.TXT')");
    connection->CommitTrans();
    connection->BeginTrans();
    connection->Execute("insert into Extensions (ExtensionText) Values ('<NONE>')");
    connection->RollbackTrans();
    EXPECT_EQ(failureOf([&] { connection->CommitTrans(); }), adErrInvalidTransaction);
    connection->BeginTrans();
    connection->Execute("insert into Extensions (ExtensionText) Values ('.LOG')");
    connection->Close(); // an open transaction is rolled back
    auto again = open(path);
    auto rows = again->OpenRecordset("select ExtensionText from Extensions");
    ASSERT_FALSE(rows->IsEOF());
    EXPECT_EQ(rows->Fields(0).AsString(), ".TXT");
    rows->MoveNext();
    EXPECT_TRUE(rows->IsEOF());
}

TEST(AdoSqlite, ARecordsetOutlivesItsConnection) {
    TempDirectory directory;
    auto connection = open(newStore(directory));
    for (int i = 0; i < 3; ++i) {
        connection->Execute("insert into Extensions (ExtensionText) Values ('.E" +
                            std::to_string(i) + "')");
    }
    auto rows =
        connection->OpenRecordset("select ExtensionText from Extensions order by ExtensionID");
    connection->Close();
    connection.reset();
    int seen = 0;
    for (; !rows->IsEOF(); rows->MoveNext()) {
        EXPECT_EQ(rows->Fields(0).AsString(), ".E" + std::to_string(seen++));
    }
    EXPECT_EQ(seen, 3);
}

TEST(AdoSqlite, TheCommandTimeOutEndsLongStatementsAndLockWaits) {
    TempDirectory directory;
    std::string path = newStore(directory);
    auto connection = open(path);
    connection->SetCommandTimeout(1);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(failureOf([&] {
                  connection->OpenRecordset(
                      "with recursive n(i) as (select 1 union all select i + 1 from n "
                      "where i < 2000000000) select count(*) from n");
              }),
              DB_E_ABORTLIMITREACHED);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_GE(seconds, 0.9);
    EXPECT_LT(seconds, 10);

    // Another connection holds the write lock: the wait ends with the time-out.
    auto holder = open(path);
    holder->BeginTrans();
    holder->Execute("insert into Extensions (ExtensionText) Values ('.A')");
    started = std::chrono::steady_clock::now();
    EXPECT_EQ(failureOf([&] {
                  connection->Execute("insert into Extensions (ExtensionText) Values ('.B')");
              }),
              DB_E_ABORTLIMITREACHED);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_GE(seconds, 0.9);
    holder->CommitTrans();
    // Without a time-out the same statement goes through once the lock is free.
    connection->SetCommandTimeout(0);
    connection->Execute("insert into Extensions (ExtensionText) Values ('.B')");
    EXPECT_EQ(count(*connection, "Extensions"), 2);
}

TEST(AdoSqlite, AReadOnlyStoreRefusesWritesAndKeepsItsRows) {
    if (::geteuid() != 0) {
        // Without root a file's permissions make it read-only.
        TempDirectory directory;
        std::string path = newStore(directory);
        open(path)->Execute("insert into Extensions (ExtensionText) Values ('.KEEP')");
        ::chmod(path.c_str(), 0444);
        auto connection = open(path);
        EXPECT_EQ(failureOf([&] { connection->Execute("delete from Extensions"); }),
                  DB_SEC_E_PERMISSIONDENIED);
        EXPECT_EQ(count(*connection, "Extensions"), 1);
        return;
    }
    if (!testsupport::PrivateMountsAvailable()) {
        GTEST_SKIP() << "mount namespaces are not available to this test process";
    }
    TempDirectory directory;
    std::string mountPoint = directory / "ro";
    testsupport::MakeDirectories(mountPoint);
    EXPECT_EXIT(
        {
            std::string error;
            if (!testsupport::MountPrivateTmpfs(mountPoint, 1 << 20, &error)) {
                std::cerr << error;
                std::exit(2);
            }
            std::string path = newStore(directory, "ro/store.db");
            open(path)->Execute("insert into Extensions (ExtensionText) Values ('.KEEP')");
            if (!testsupport::RemountReadOnly(mountPoint, &error)) {
                std::cerr << error;
                std::exit(2);
            }
            auto connection = open(path);
            HRESULT code = failureOf([&] { connection->Execute("delete from Extensions"); });
            std::int64_t kept = count(*connection, "Extensions");
            std::cerr << "code=" << std::hex << static_cast<std::uint32_t>(code)
                      << " kept=" << kept;
            std::exit(code == DB_SEC_E_PERMISSIONDENIED && kept == 1 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "code=80040e09 kept=1");
}

TEST(AdoSqlite, AFullDiskFailsTheTransactionAndLosesNothingStoredBefore) {
    if (!testsupport::PrivateMountsAvailable()) {
        GTEST_SKIP() << "needs root to mount a small file system in a private mount namespace";
    }
    TempDirectory directory;
    std::string mountPoint = directory / "small";
    testsupport::MakeDirectories(mountPoint);
    EXPECT_EXIT(
        {
            std::string error;
            if (!testsupport::MountPrivateTmpfs(mountPoint, 256 * 1024, &error)) {
                std::cerr << error;
                std::exit(2);
            }
            std::string path = newStore(directory, "small/store.db");
            auto connection = open(path);
            connection->Execute("insert into DirNames (Path, ParentDirID) Values ('//h/kept', 0)");
            HRESULT code = 0;
            try {
                connection->BeginTrans();
                for (int i = 0; i < 100000; ++i) {
                    connection->Execute("insert into DirNames (Path, ParentDirID) Values ('//h/" +
                                        std::to_string(i) + std::string(200, 'x') + "', 0)");
                }
                connection->CommitTrans();
            } catch (const ComError& failure) {
                code = failure.Error();
                try {
                    connection->RollbackTrans();
                } catch (const ComError&) {
                }
            }
            connection->Close();
            auto reopened = open(path);
            std::int64_t rows = count(*reopened, "DirNames");
            auto check = reopened->OpenRecordset("pragma integrity_check");
            std::string integrity = check->Fields(0).AsString();
            std::cerr << "code=" << std::hex << static_cast<std::uint32_t>(code) << std::dec
                      << " rows=" << rows << " integrity=" << integrity;
            std::exit(code == E_DISKFULL && rows == 1 && integrity == "ok" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "code=80070070 rows=1 integrity=ok");
}

TEST(AdoSqlite, APreparedCommandRunsAgainWithNewValuesAndFailsLikeAStatement) {
    TempDirectory directory;
    auto connection = open(newStore(directory));
    auto insert = connection->Prepare("insert into SizeData (DirID, ScanID, ParentDirID, DirSize) Values (?, ?, ?, ?)");
    connection->BeginTrans();
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(insert->Bind(1, i).Bind(2, 7).Bind(3, 0).Bind(4, 5000000000LL * i).Execute(), 1);
    }
    connection->CommitTrans();
    EXPECT_EQ(count(*connection, "SizeData"), 3);
    auto rows = connection->OpenRecordset("select sum(DirSize) from SizeData where ScanID=7");
    EXPECT_EQ(rows->Fields(0).AsInt64(), 30000000000LL);

    EXPECT_EQ(failureOf([&] { connection->Prepare("insert into Missing values (?)"); }), DB_E_NOTABLE);
    // A failed run leaves the command usable for the next values.
    connection->Execute("create unique index OneDir on SizeData (DirID)");
    EXPECT_EQ(failureOf([&] { insert->Bind(1, 1).Execute(); }), DB_E_INTEGRITYVIOLATION);
    EXPECT_EQ(insert->Bind(1, 4).Execute(), 1);

    // A batch runs its rows in order; a failing row ends it, the rows before it stay.
    insert->Bind(1, 5).Bind(2, 8).Bind(3, 0).Bind(4, 1).AddToBatch();
    insert->Bind(1, 6).AddToBatch();
    EXPECT_EQ(insert->ExecuteBatch(), 2);
    insert->Bind(1, 7).AddToBatch();
    insert->Bind(1, 1).AddToBatch();
    insert->Bind(1, 9).AddToBatch();
    EXPECT_EQ(failureOf([&] { insert->ExecuteBatch(); }), DB_E_INTEGRITYVIOLATION);
    EXPECT_EQ(insert->BatchRows(), 0u);
    auto batch = connection->OpenRecordset("select count(*), sum(DirID) from SizeData where ScanID=8");
    EXPECT_EQ(batch->Fields(0).AsInt64(), 3);
    EXPECT_EQ(batch->Fields(1).AsInt64(), 5 + 6 + 7);
}
