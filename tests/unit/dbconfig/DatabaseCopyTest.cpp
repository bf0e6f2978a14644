// The database copy between a real SQLite store and the MariaDB fixture: every row arrives
// identical both ways, a cancel in the third table leaves the first two complete and the rest
// as far as they got, and a server that drops the connection ends the copy with the report.
#include "dbconfig/CopyTable.h"
#include "dbconfig/ICopyProgress.h"
#include "platform/ado/Connection.h"
#include "scan/SqlRules.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/ScriptedUserInterface.h"
#include "tests/unit/dbconfig/CopyTestStore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

using namespace copytest;
using platform::ado::Connection;

namespace {

// Counts what the copy reports and runs the test's action at a given row of a given table.
class TestProgress : public dbconfig::ICopyProgress {
public:
    std::vector<std::string> texts;
    std::int64_t steps = 0;
    int messagePumps = 0;
    bool cancel = false;
    int actionTable = -1; // 0-based, in copy order
    std::int64_t actionRow = 0;
    std::function<void()> action;

    void ShowText(const std::string& text) override {
        texts.push_back(text);
        m_row = 0;
    }
    void SetRange(std::int64_t rows) override { ranges.push_back(rows); }
    void StepIt() override {
        ++steps;
        if (++m_row == actionRow && static_cast<int>(texts.size()) - 1 == actionTable && action) {
            action();
        }
    }
    void ProcessMessages() override { ++messagePumps; }
    bool CancelRequested() override { return cancel; }

    std::vector<std::int64_t> ranges;

private:
    std::int64_t m_row = 0;
};

struct CopyWorld {
    testsupport::IsolatedEnvironment env;
    testsupport::ScriptedUserInterface ui;
    std::string source = env.Root() + "/old.db";

    explicit CopyWorld(const StoreSize& size = {}) { MakeHostileStore(source, size); }

    static std::unique_ptr<Connection> open(const std::string& connectionString) {
        auto connection = std::make_unique<Connection>();
        connection->SetMode(19);
        connection->Open(connectionString);
        return connection;
    }
    static std::string sqlite(const std::string& path) { return "Provider=SQLite;Data Source=" + path; }

    int doneBoxes() const {
        int done = 0;
        for (const auto& box : ui.messageBoxes) {
            done += box.caption == "Done" && box.text == "Database copying completed." ? 1 : 0;
        }
        return done;
    }
};

} // namespace

TEST(DatabaseCopy, EveryRowArrivesIdenticalInMariaDbAndBack) {
    TALLYVOL_REQUIRE_MARIADB(server);
    CopyWorld world;
    testsupport::ScratchDatabase database(server, "tvcopy");
    MakeMariaDbStore(server, database.Name());

    TestProgress toMariaDb;
    {
        auto from = CopyWorld::open(CopyWorld::sqlite(world.source));
        auto to = CopyWorld::open(OdbcString(server, database.Name()));
        ASSERT_TRUE(dbconfig::CopyDatabase(*from, *to, scan::kMySqlDatabase, toMariaDb));
    }
    std::string back = world.env.Root() + "/back.db";
    MakeEmptyStore(back);
    TestProgress toSqlite;
    {
        auto from = CopyWorld::open(OdbcString(server, database.Name()));
        auto to = CopyWorld::open(CopyWorld::sqlite(back));
        ASSERT_TRUE(dbconfig::CopyDatabase(*from, *to, scan::kAccessDatabase, toSqlite));
    }
    EXPECT_TRUE(world.ui.errorReports.empty()) << world.ui.errorReports.front();
    EXPECT_EQ(world.doneBoxes(), 2);

    for (const TableQuery& table : kTableQueries) {
        std::vector<std::string> original = SqliteRows(world.source, table.query);
        ASSERT_FALSE(original.empty()) << table.table;
        EXPECT_EQ(MariaDbRows(server, database.Name(), table.query), original) << table.table;
        EXPECT_EQ(SqliteRows(back, table.query), original) << table.table;
    }
    // The progress: six tables in order, each row one step, the window served every 20 rows.
    ASSERT_EQ(toMariaDb.texts.size(), 6u);
    EXPECT_EQ(toMariaDb.texts[0], "Copying Table: DirNames (1 of 6)");
    EXPECT_EQ(toMariaDb.texts[5], "Copying Table: SizeData (6 of 6)");
    EXPECT_EQ(toMariaDb.ranges, (std::vector<std::int64_t>{458, 4, 600, 3, 9, 1000}));
    EXPECT_EQ(toMariaDb.steps, 458 + 4 + 600 + 3 + 9 + 1000);
    EXPECT_EQ(toMariaDb.messagePumps, 458 / 20 + 600 / 20 + 1000 / 20);
}

TEST(DatabaseCopy, CancelInTheThirdTableKeepsWhatWasWritten) {
    TALLYVOL_REQUIRE_MARIADB(server);
    CopyWorld world;
    testsupport::ScratchDatabase database(server, "tvcancel");
    MakeMariaDbStore(server, database.Name());

    TestProgress progress;
    progress.actionTable = 2;
    progress.actionRow = 450;
    progress.action = [&progress] { progress.cancel = true; };
    {
        auto from = CopyWorld::open(CopyWorld::sqlite(world.source));
        auto to = CopyWorld::open(OdbcString(server, database.Name()));
        EXPECT_FALSE(dbconfig::CopyDatabase(*from, *to, scan::kMySqlDatabase, progress));
    }
    EXPECT_EQ(progress.texts.size(), 3u) << "the copy stops in the third table";
    EXPECT_EQ(world.doneBoxes(), 0);
    EXPECT_TRUE(world.ui.errorReports.empty());
    EXPECT_EQ(MariaDbCount(server, database.Name(), "DirNames"), SqliteCount(world.source, "DirNames"));
    EXPECT_EQ(MariaDbCount(server, database.Name(), "Extensions"), SqliteCount(world.source, "Extensions"));
    long long scans = MariaDbCount(server, database.Name(), "ScanDefinition");
    EXPECT_GT(scans, 0) << "rows executed before the cancel stay";
    EXPECT_LT(scans, 450) << "rows read after the last execution are dropped";
    for (const char* table : {"Filters", "ExtensionInfo", "SizeData"}) {
        EXPECT_EQ(MariaDbCount(server, database.Name(), table), 0) << table;
    }
}

TEST(DatabaseCopy, AServerThatGoesAwayEndsTheCopyWithTheReport) {
    TALLYVOL_REQUIRE_MARIADB(server);
    CopyWorld world;
    testsupport::ScratchDatabase database(server, "tvgone");
    MakeMariaDbStore(server, database.Name());

    auto from = CopyWorld::open(CopyWorld::sqlite(world.source));
    auto to = CopyWorld::open(OdbcString(server, database.Name()));
    auto id = to->OpenRecordset("SELECT CONNECTION_ID()");
    std::string connectionId = id->Fields(0).AsString();
    id.reset();

    TestProgress progress;
    progress.actionTable = 5;
    progress.actionRow = 300;
    progress.action = [&] { testsupport::ScratchDatabase::RunSql(server, "KILL " + connectionId); };
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(dbconfig::CopyDatabase(*from, *to, scan::kMySqlDatabase, progress));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));

    ASSERT_EQ(world.ui.errorReports.size(), 1u);
    EXPECT_NE(world.ui.errorReports[0].find("Exception in CopyTable while performing step Executing insert SQL."),
              std::string::npos)
        << world.ui.errorReports[0];
    EXPECT_EQ(world.doneBoxes(), 0);
    to.reset(); // closing a connection the server dropped must not hang or throw either
    EXPECT_EQ(MariaDbCount(server, database.Name(), "ExtensionInfo"), SqliteCount(world.source, "ExtensionInfo"));
}
