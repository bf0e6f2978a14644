// Scans stored in and loaded from a real MariaDB server, through the MySQL kind's statements.
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "dbconfig/DatabasePreparation.h"
#include "platform/ado/Connection.h"
#include "scan/CScanInfo.h"
#include "scan/SqlRules.h"
#include "scan/fs/StoredPath.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/ScriptedUserInterface.h"
#include "tests/unit/scan/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <barrier>
#include <set>
#include <thread>
#include <vector>

using namespace scan;
using testsupport::WriteSizedFile;

TEST(ScanEngineMariaDb, ScansAreStoredLoadedAndPurged) {
    TALLYVOL_REQUIRE_MARIADB(server);
    testsupport::IsolatedEnvironment env;
    env.Set("TMPDIR", env.Root());
    testsupport::ScriptedUserInterface ui;
    testsupport::ScratchDatabase database(server, "tvscan");
    ASSERT_TRUE(dbconfig::RunMySqlScript(dbconfig::kCreateMySQLDatabase, "/usr/bin",
                                         database.Name(), server.host, server.port, server.user,
                                         server.password));
    ASSERT_TRUE(dbconfig::RunMySqlScript(dbconfig::kCreateMySQLTables, "/usr/bin", database.Name(),
                                         server.host, server.port, server.user, server.password));
    app::SetSetting(app::settings::DBSource, kMySqlDatabase);
    app::SetCurrentDBSource(kMySqlDatabase);
    app::SetSetting(app::settings::ConnectionString, server.OdbcConnectionString(database.Name()));

    // Names that need quoting, backslash escaping and LIKE care on this kind.
    std::string tree = env.Root() + "/tree";
    WriteSizedFile(tree + "/it's/a\\b/f.txt", 5000);
    WriteSizedFile(tree + "/50%_off/g", 1);
    WriteSizedFile(tree + "/Case/h", 1);
    WriteSizedFile(tree + "/case/h", 1);

    CScanInfo scanInfo;
    std::int64_t first = scanInfo.Scan(tree, true, 2, false);
    EXPECT_EQ(first, 8192 + 3 * 4096);
    WriteSizedFile(tree + "/it's/more", 1);
    std::int64_t second = scanInfo.Scan(tree, true, 2, false);
    EXPECT_EQ(second, first + 4096);
    EXPECT_EQ(scanInfo.CacheMisses(), 0);
    EXPECT_TRUE(ui.errorReports.empty()) << ui.errorReports.front();

    DisplayData data;
    ASSERT_TRUE(scanInfo.LoadScans(tree, 0, data, 100));
    ASSERT_EQ(data.scans.size(), 2u);
    ASSERT_EQ(data.rows.size(), 4u) << "Case and case are two directories";
    std::string quoted = MakeStoredPath(tree + "/it's", false);
    bool found = false;
    for (const DisplayRow& row : data.rows) {
        if (row.name == quoted) {
            found = true;
            EXPECT_EQ(data.Value(row.id, data.scans[0].scanID), 8192u + 4096u);
            EXPECT_EQ(data.Value(row.id, data.scans[1].scanID), 8192u);
        }
    }
    EXPECT_TRUE(found);
    EXPECT_GT(scanInfo.GetDirID(nullptr, tree + "/it's/a\\b", 0,
                                DirIDOptions().LookupOnly().WithoutCache()),
              0);

    ASSERT_TRUE(scanInfo.LoadScans(tree, 2, data, 100));
    EXPECT_FALSE(data.rows.empty());

    // The kind's purge statements: nothing is older than a day here.
    scanInfo.DeleteOldScans(1, 2);
    ASSERT_TRUE(scanInfo.LoadScans(tree, 0, data, 100));
    EXPECT_EQ(data.scans.size(), 2u);
    scanInfo.DeleteScan(data.scans[0].scanID);
    ASSERT_TRUE(scanInfo.LoadScans(tree, 0, data, 100));
    EXPECT_EQ(data.scans.size(), 1u);
    EXPECT_TRUE(ui.errorReports.empty());
}

namespace {

// A store of the MySQL kind in a database of the test's own.
struct MariaDbStore {
    testsupport::IsolatedEnvironment env;
    testsupport::ScriptedUserInterface ui;
    testsupport::ScratchDatabase database;

    explicit MariaDbStore(const testsupport::MariaDbServer& server) : database(server, "tvscan") {
        env.Set("TMPDIR", env.Root());
        EXPECT_TRUE(dbconfig::RunMySqlScript(dbconfig::kCreateMySQLDatabase, "/usr/bin",
                                             database.Name(), server.host, server.port, server.user,
                                             server.password));
        EXPECT_TRUE(dbconfig::RunMySqlScript(dbconfig::kCreateMySQLTables, "/usr/bin",
                                             database.Name(), server.host, server.port, server.user,
                                             server.password));
        app::SetSetting(app::settings::DBSource, kMySqlDatabase);
        app::SetCurrentDBSource(kMySqlDatabase);
        app::SetSetting(app::settings::ConnectionString,
                        server.OdbcConnectionString(database.Name()));
    }
};

} // namespace

// Two writers that find the same second free for the same root both insert their scan: each
// must still get a scan of its own, found again by its root and a date no other scan has.
TEST(ScanEngineMariaDb, ScansOfOneRootStartedTogetherKeepTheirOwnIdentifiers) {
    TALLYVOL_REQUIRE_MARIADB(server);
    MariaDbStore store(server);
    CScanInfo first;
    CScanInfo second;
    int root = first.GetDirID(nullptr, store.env.Root(), 0, DirIDOptions().WithoutCache());
    ASSERT_GT(root, 0);
    constexpr int kRounds = 3;
    std::vector<int> ids[2];
    std::barrier together(2);
    auto writer = [&](CScanInfo& scanInfo, std::vector<int>& mine) {
        auto connection = scanInfo.GetConnection();
        for (int round = 0; round < kRounds; ++round) {
            together.arrive_and_wait();
            mine.push_back(scanInfo.NewScanID(connection, root, 2));
        }
    };
    std::thread other([&] { writer(second, ids[1]); });
    writer(first, ids[0]);
    other.join();
    std::set<int> distinct;
    for (const std::vector<int>& mine : ids) {
        for (int id : mine) {
            EXPECT_GT(id, 0);
            distinct.insert(id);
        }
    }
    EXPECT_EQ(distinct.size(), 2u * kRounds);
    auto dates = first.GetConnection()->OpenRecordset(
        "select count(*), count(distinct ScanDate) from ScanDefinition where ScanRootDirID=" +
        std::to_string(root));
    EXPECT_EQ(dates->Fields(0).AsInt64(), 2 * kRounds);
    EXPECT_EQ(dates->Fields(1).AsInt64(), 2 * kRounds);
    EXPECT_TRUE(store.ui.errorReports.empty());
}

// Rows a failed parent lookup once left with -1, the scan root among them, get their parents
// back with the next scan.
TEST(ScanEngineMariaDb, ParentsLostToAFailedLookupAreRepaired) {
    TALLYVOL_REQUIRE_MARIADB(server);
    MariaDbStore store(server);
    std::string tree = store.env.Root() + "/tree";
    WriteSizedFile(tree + "/a/b/f", 1);
    CScanInfo scanInfo;
    ASSERT_EQ(scanInfo.Scan(tree, true, 2, false), 4096);
    auto connection = scanInfo.GetConnection();
    connection->Execute("update DirNames set ParentDirID=-1 where Path like '%/tree%'");
    ASSERT_EQ(scanInfo.Scan(tree, true, 2, false), 4096);
    auto rows = connection->OpenRecordset(
        "select count(*) from DirNames c, DirNames p where c.ParentDirID=p.DirID "
        "and c.Path=concat(p.Path, '/', substring_index(c.Path, '/', -1))");
    auto all = connection->OpenRecordset("select count(*) from DirNames where ParentDirID<>0");
    EXPECT_EQ(rows->Fields(0).AsInt64(), all->Fields(0).AsInt64());
    EXPECT_EQ(connection->OpenRecordset("select count(*) from DirNames where ParentDirID<=0")
                  ->Fields(0)
                  .AsInt64(),
              1)
        << "only the host has no parent";
}

// One directory named with bytes that are not UTF-8 once cost the whole scan on this kind.
TEST(ScanEngineMariaDb, NamesThatAreNotUtf8AreStoredAndLeadBackToTheirDirectories) {
    TALLYVOL_REQUIRE_MARIADB(server);
    MariaDbStore store(server);
    CScanInfo scanInfo;
    scantest::ScanNamesThatAreNotUtf8(scanInfo, store.env.Root() + "/bytes");
    EXPECT_TRUE(store.ui.errorReports.empty()) << store.ui.errorReports.front();
}
