// The tallyvol binary reaching its store in unattended runs, as cron would start it.
#include "platform/ado/Connection.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ProcessRunner.h"

#include <gtest/gtest.h>

using testsupport::IsolatedEnvironment;
using testsupport::ReadFile;
using testsupport::RunTallyvol;

namespace {

// A machine whose only setting is where the log goes (never /tmp from a test).
void logIntoTheTestDirectory(const IsolatedEnvironment& env) {
    testsupport::MakeDirectories(env.LogDirectory());
    testsupport::WriteFile(env.MachineHive(), "Windows Registry Editor Version 5.00\n\n"
                                              "[HKEY_LOCAL_MACHINE\\software\\Tallyvol\\Settings]\n"
                                              "\"LogDir\"=\"" +
                                                  env.LogDirectory() + "\"\n");
}

std::map<std::string, std::string> isolated(const IsolatedEnvironment& env) {
    return {{"TALLYVOL_HOME", env.Home()},
            {"XDG_CONFIG_HOME", env.ConfigHome()},
            {"TMPDIR", env.Root()}};
}

} // namespace

TEST(StoreStartup, AScanOnAFreshMachineCreatesAndRecordsTheDefaultStore) {
    IsolatedEnvironment env;
    testsupport::RemoveTree(env.Home());
    logIntoTheTestDirectory(env);
    testsupport::MakeDirectories(env.Root() + "/tree/a");
    auto result = RunTallyvol({"/DIR=" + env.Root() + "/tree", "/SCAN", "/SAVE"}, isolated(env));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::string store = env.Home() + "/tallyvol3.db";
    ASSERT_TRUE(testsupport::FileExists(store)) << result.err;
    EXPECT_NE(
        ReadFile(env.LogFile()).find("No database is configured; using the default store " + store),
        std::string::npos);
    std::string machine = ReadFile(env.MachineHive());
    EXPECT_NE(machine.find("\"DBSource\"=dword:00000001"), std::string::npos) << machine;
    EXPECT_NE(machine.find("\"ConnectionString\"=\"Provider=SQLite;Data Source=" + store + "\""),
              std::string::npos)
        << machine;
    EXPECT_NE(machine.find("\"ConnectionStringSpec\"=\"1:" + store + "\""), std::string::npos);
    platform::ado::Connection connection;
    connection.Open("Provider=SQLite;Data Source=" + store);
    EXPECT_EQ(
        connection
            .OpenRecordset(
                "select count(*) from sqlite_master where type='table' and name in "
                "('DirNames','ScanDefinition','SizeData','Extensions','ExtensionInfo','Filters')")
            ->Fields(0)
            .AsInt64(),
        6);

    // The second run uses the same store and asks nothing.
    connection.Execute("insert into Extensions (ExtensionText) values ('.KEEP')");
    auto again = RunTallyvol({"/DIR=" + env.Root() + "/tree", "/SCAN", "/SAVE"}, isolated(env));
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.err.find("Database Connectivity Error"), std::string::npos) << again.err;
    EXPECT_EQ(connection.OpenRecordset("select count(*) from Extensions")->Fields(0).AsInt64(), 1);
}

TEST(StoreStartup, AStoreThatIsNoDatabaseEndsTheScanAndStaysAsItWas) {
    IsolatedEnvironment env;
    std::string notes = env.Root() + "/notes.db";
    testsupport::WriteFile(notes, std::string(3000, 'n'));
    testsupport::MakeDirectories(env.LogDirectory());
    testsupport::WriteFile(env.MachineHive(),
                           "Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_LOCAL_MACHINE\\software\\Tallyvol\\Settings]\n"
                           "\"LogDir\"=\"" +
                               env.LogDirectory() +
                               "\"\n\n"
                               "[HKEY_LOCAL_MACHINE\\software\\Tallyvol]\n"
                               "\"DBSource\"=dword:00000001\n"
                               "\"MDBPath\"=\"" +
                               notes +
                               "\"\n"
                               "\"ConnectionString\"=\"Provider=SQLite;Data Source=" +
                               notes + "\"\n");
    auto result = RunTallyvol({"/DIR=" + env.Root(), "/SCAN", "/SAVE"}, isolated(env));
    EXPECT_EQ(result.exitCode, 1) << "the scan could not be stored";
    EXPECT_EQ(result.signal, 0);
    EXPECT_NE(result.err.find("Failed to open the database pointed to by connection"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("file is not a database"), std::string::npos);
    EXPECT_EQ(result.err.find("Scanning is not part of this build"), std::string::npos);
    EXPECT_EQ(ReadFile(notes), std::string(3000, 'n'));
}

// A store file that exists but holds no scan tables: a 0-byte file (an interrupted copy,
// touch), or the same file after an earlier run, whose upgrade added the Filters table alone.
TEST(StoreStartup, AStoreFileWithoutTablesGetsThemAndTheScanIsStored) {
    for (bool filtersOnly : {false, true}) {
        SCOPED_TRACE(filtersOnly ? "Filters table only" : "empty file");
        IsolatedEnvironment env;
        std::string store = env.Root() + "/empty.db";
        testsupport::WriteFile(store, "");
        if (filtersOnly) {
            platform::ado::Connection leftover;
            leftover.Open("Provider=SQLite;Data Source=" + store);
            leftover.Execute("create table Filters (FilterID INTEGER PRIMARY KEY AUTOINCREMENT, "
                             "RootDirID INTEGER, Filter TEXT(254))");
        }
        testsupport::MakeDirectories(env.LogDirectory());
        testsupport::WriteFile(env.MachineHive(),
                               "Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_LOCAL_MACHINE\\software\\Tallyvol\\Settings]\n"
                               "\"LogDir\"=\"" +
                                   env.LogDirectory() +
                                   "\"\n\n"
                                   "[HKEY_LOCAL_MACHINE\\software\\Tallyvol]\n"
                                   "\"DBSource\"=dword:00000001\n"
                                   "\"MDBPath\"=\"" +
                                   store +
                                   "\"\n"
                                   "\"ConnectionString\"=\"Provider=SQLite;Data Source=" +
                                   store + "\"\n");
        testsupport::WriteSizedFile(env.Root() + "/tree/a/f", 5000);
        for (int run = 0; run < 2; ++run) {
            auto result =
                RunTallyvol({"/DIR=" + env.Root() + "/tree", "/SCAN", "/SAVE", "/SAVESUBDIRS"}, isolated(env));
            ASSERT_EQ(result.exitCode, 0) << result.err;
            EXPECT_EQ(result.err.find("no such table"), std::string::npos) << result.err;
            EXPECT_EQ(result.err.find("Confirm Database Upgrade"), std::string::npos) << result.err;
        }
        platform::ado::Connection connection;
        connection.Open("Provider=SQLite;Data Source=" + store);
        auto sizes = connection.OpenRecordset("select count(*), max(DirSize) from SizeData");
        EXPECT_EQ(sizes->Fields(0).AsInt64(), 4) << "two scans, two directories each";
        EXPECT_EQ(sizes->Fields(1).AsInt64(), 8192);
    }
}
