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

#include <gtest/gtest.h>

using namespace scan;
using testsupport::WriteSizedFile;

TEST(ScanEngineMariaDb, ScansAreStoredLoadedAndPurged) {
    TALLYVOL_REQUIRE_MARIADB(server);
    testsupport::IsolatedEnvironment env;
    env.Set("TMPDIR", env.Root());
    testsupport::ScriptedUserInterface ui;
    testsupport::ScratchDatabase database(server, "tvscan");
    ASSERT_TRUE(dbconfig::RunMySqlScript(dbconfig::kCreateMySQLDatabase, "/usr/bin", database.Name(), server.host,
                                         server.port, server.user, server.password));
    ASSERT_TRUE(dbconfig::RunMySqlScript(dbconfig::kCreateMySQLTables, "/usr/bin", database.Name(), server.host,
                                         server.port, server.user, server.password));
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
    EXPECT_GT(scanInfo.GetDirID(nullptr, tree + "/it's/a\\b", 0, DirIDOptions().LookupOnly().WithoutCache()), 0);

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
