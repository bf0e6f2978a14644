// The growth report from a MariaDB store and from an SQLite store holding the same scans of
// the same tree: both against the test's own totals and against each other, with names that
// need quoting and LIKE escaping; the report's index added to a MariaDB store made without it.
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "dbconfig/DatabasePreparation.h"
#include "platform/ado/Connection.h"
#include "scan/CScanInfo.h"
#include "scan/GrowthReport.h"
#include "scan/SqlRules.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/ScriptedUserInterface.h"
#include "tests/unit/scan/GrowthTestSupport.h"
#include "tests/unit/scan/StoreTestSupport.h"

#include <gtest/gtest.h>

using namespace scan;
using growthtest::ExpectRows;

namespace {

struct TwoStores {
    testsupport::IsolatedEnvironment env;
    testsupport::ScriptedUserInterface ui;
    std::string sqlite = scantest::NewStoreFile(env.Root() + "/store.db");
    std::string mariadb;
    CScanInfo scanInfo;

    void use(int kind) {
        app::SetSetting(app::settings::DBSource, kind);
        app::SetCurrentDBSource(kind);
        app::SetSetting(app::settings::ConnectionString,
                        kind == kMySqlDatabase ? mariadb : scantest::StoreConnectionString(sqlite));
        scanInfo.ResetConnections();
    }

    void scanInto(int kind, const std::string& tree, const std::string& filter) {
        use(kind);
        scanInfo.SetFilters(nullptr, tree, filter);
        scanInfo.SetSaveOptions(true, true);
        EXPECT_GT(scanInfo.Scan(tree, true, 2, false), 0);
        EXPECT_TRUE(ui.errorReports.empty()) << ui.errorReports.front();
    }
};

std::int64_t indexCount(platform::ado::Connection& connection) {
    return connection
        .OpenRecordset("select count(distinct index_name) from information_schema.statistics where table_schema=database() and "
                       "table_name='SizeData' and index_name='SizeData_ScanID_ParentDirID'")
        ->Fields(0)
        .AsInt64();
}

} // namespace

TEST(GrowthReportMariaDb, BothStoresGiveTheReportTheTreeDemands) {
    TALLYVOL_REQUIRE_MARIADB(server);
    TwoStores s;
    s.env.Set("TMPDIR", s.env.Root());
    testsupport::ScratchDatabase database(server, "tvgrowth");
    ASSERT_TRUE(dbconfig::RunMySqlScript(dbconfig::kCreateMySQLDatabase, "/usr/bin", database.Name(), server.host,
                                         server.port, server.user, server.password));
    ASSERT_TRUE(dbconfig::RunMySqlScript(dbconfig::kCreateMySQLTables, "/usr/bin", database.Name(), server.host,
                                         server.port, server.user, server.password));
    s.mariadb = server.OdbcConnectionString(database.Name());

    growthtest::GrowthTree tree(s.env.Root() + "/tree");
    tree.Write("it's/a\\b/data", 50000);
    tree.Write("it's/other/data", 7000);
    tree.Write("50%_off/data", 300000);
    tree.Write("50x_off/data", 1000); // what an unescaped "50%_off/" pattern would also match
    tree.Write("tmp/data", 90000);
    tree.Write("gone/data", 12000);
    growthtest::Totals before = tree.Scanned();
    for (int kind : {kAccessDatabase, kMySqlDatabase}) s.scanInto(kind, tree.Root(), "");

    tree.Write("it's/a\\b/data", 250000);
    tree.Write("it's/a\\b/new dir/data", 4096);
    tree.Write("50%_off/data", 100);
    tree.Remove("gone");
    growthtest::Totals after = tree.Scanned({"/tree/tmp/"});
    for (int kind : {kAccessDatabase, kMySqlDatabase}) s.scanInto(kind, tree.Root(), "/Tree/TMP/");
    auto expected = growthtest::ExpectedGrowth(before, after, {"tmp"});

    const std::string roots[] = {"", "it's", "it's/a\\b", "50%_off", "gone"};
    for (const std::string& relative : roots) {
        SCOPED_TRACE("below '" + relative + "'");
        std::string path = relative.empty() ? tree.Root() : tree.Root() + "/" + relative;
        GrowthRequest request;
        request.top = 0;
        s.use(kAccessDatabase);
        GrowthReport fromSqlite = LoadGrowthReport(s.scanInfo, path, request);
        s.use(kMySqlDatabase);
        GrowthReport fromMariaDb = LoadGrowthReport(s.scanInfo, path, request);
        ExpectRows(fromSqlite, growthtest::Below(expected, relative), tree.Root());
        ExpectRows(fromMariaDb, growthtest::Below(expected, relative), tree.Root());
        ASSERT_EQ(fromSqlite.rows.size(), fromMariaDb.rows.size());
        for (std::size_t i = 0; i < fromSqlite.rows.size(); ++i) {
            const GrowthRow& a = fromSqlite.rows[i];
            const GrowthRow& b = fromMariaDb.rows[i];
            EXPECT_EQ(a.storedPath, b.storedPath);
            EXPECT_EQ(std::tie(a.oldSize, a.newSize, a.change, a.percent, a.status),
                      std::tie(b.oldSize, b.newSize, b.change, b.percent, b.status));
        }
        EXPECT_EQ(fromSqlite.days > 0, fromMariaDb.days > 0);
    }

    // A store made before the report had its index gets it at the next start.
    auto connection = s.scanInfo.GetConnection();
    ASSERT_EQ(indexCount(*connection), 1) << "made by the creation script";
    connection->Execute("drop index SizeData_ScanID_ParentDirID on SizeData");
    ASSERT_EQ(indexCount(*connection), 0);
    s.scanInfo.UpgradeSchema();
    EXPECT_EQ(indexCount(*connection), 1);
    s.scanInfo.UpgradeSchema();
    EXPECT_EQ(indexCount(*connection), 1) << "once";
    EXPECT_TRUE(s.ui.errorReports.empty());
}
