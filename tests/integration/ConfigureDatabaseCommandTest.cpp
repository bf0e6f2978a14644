// tallyvol --configure-database: a real store made by automated scans moves from its SQLite
// file into the MariaDB fixture with every row, the next automated scan lands in MariaDB, a
// repeated run changes nothing, and a failing run leaves the settings alone.
#include "app/base/Settings.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/ProcessRunner.h"
#include "tests/unit/dbconfig/CopyTestStore.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

struct CommandWorld {
    IsolatedEnvironment env;
    std::string tree = env.Root() + "/srv";

    CommandWorld() {
        MakeDirectories(env.LogDirectory());
        WriteSizedFile(tree + "/it's/a\\b/f.txt", 5000);
        WriteSizedFile(tree + "/50%_off/g", 1);
        WriteSizedFile(tree + "/Grüße/日本/h.dat", 70000);
    }
    std::map<std::string, std::string> environment() const {
        return {{"TALLYVOL_HOME", env.Home()}, {"XDG_CONFIG_HOME", env.ConfigHome()}, {"TMPDIR", env.Root()},
                {"LC_ALL", "C.UTF-8"}};
    }
    void scan() {
        ProcessResult result = RunTallyvol({"/DIR=" + tree, "/SCAN", "/SAVE"}, environment());
        ASSERT_EQ(result.exitCode, 0) << result.err;
    }
    // The connection string comes on standard input: no password on the process list.
    ProcessResult configure(const std::string& dialect, const std::string& connectionString, bool copy) {
        std::vector<std::string> arguments = {"--configure-database=" + dialect, "-"};
        if (copy) {
            arguments.push_back("--copy");
        }
        return RunProcess(TALLYVOL_BINARY, arguments, environment(), 120, connectionString + "\n");
    }
    std::string store() const { return env.Home() + "/tallyvol3.db"; }
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(ConfigureDatabaseCommand, ARealStoreMovesToMariaDbAndTheNextScanLandsThere) {
    TALLYVOL_REQUIRE_MARIADB(server);
    CommandWorld world;
    world.scan();
    world.scan();
    ScratchDatabase database(server, "tvcli");
    database.Create();
    std::string target = copytest::OdbcString(server, database.Name());

    ProcessResult moved = world.configure("3", target, true);
    EXPECT_EQ(moved.exitCode, 0) << moved.err;
    EXPECT_TRUE(contains(moved.err, "Confirm Table Drop: You are about to:\n 1. Drop the Tallyvol tables")) << moved.err;
    EXPECT_TRUE(contains(moved.err, "Copying Table: SizeData (6 of 6)"));
    EXPECT_TRUE(contains(moved.err, "Done: Database copying completed."));
    EXPECT_FALSE(contains(moved.err, server.password));
    EXPECT_FALSE(contains(ReadFile(world.env.LogFile()), server.password));
    for (const copytest::TableQuery& table : copytest::kTableQueries) {
        EXPECT_EQ(copytest::MariaDbRows(server, database.Name(), table.query),
                  copytest::SqliteRows(world.store(), table.query))
            << table.table;
    }
    EXPECT_EQ(app::GetSetting(app::settings::ConnectionString), target);
    EXPECT_EQ(app::GetSetting(app::settings::DBSource), 3);
    EXPECT_EQ(app::GetSetting(app::settings::ConnectionStringSpec), "3:?:?");

    world.scan();
    EXPECT_EQ(copytest::MariaDbRows(server, database.Name(), "select ScanID from ScanDefinition order by ScanID"),
              (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(copytest::SqliteCount(world.store(), "ScanDefinition"), 2) << "the old store is left as it was";

    // Run again, as configuration management does: the same database, nothing to copy.
    ProcessResult again = world.configure("3", target, true);
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_TRUE(contains(again.err, "It appears that you are connecting to the same database")) << again.err;
    EXPECT_FALSE(contains(again.err, "Copying Table"));
    EXPECT_EQ(copytest::MariaDbCount(server, database.Name(), "ScanDefinition"), 3);
}

TEST(ConfigureDatabaseCommand, AFailedRunLeavesTheSettingsAlone) {
    CommandWorld world;
    world.scan();
    std::string before = ReadFile(world.env.MachineHive());
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        std::string input;
        const char* message;
    };
    const Case cases[] = {
        {"no server listens", {"--configure-database=3", "-", "--copy"},
         "Driver=MariaDB Unicode;Server=127.0.0.1;Port=1;UID=u;PWD=hidden-pw",
         "Failed to Connect: A test connection to the new database has failed."},
        {"the store file cannot be made", {"--configure-database=1", "Provider=SQLite;Data Source=/nonexistent/dir/x.db"},
         "", "Failed to Connect: "},
        {"an unknown dialect", {"--configure-database=4", "DSN=x"}, "", "usage: tallyvol --configure-database="},
        {"no connection string", {"--configure-database=3", "--copy"}, "", "The connection string is missing."},
        {"an empty one from standard input", {"--configure-database=2", "-"}, "\n", "The connection string is empty."},
    };
    for (const Case& c : cases) {
        ProcessResult result = RunProcess(TALLYVOL_BINARY, c.arguments, world.environment(), 60, c.input);
        EXPECT_EQ(result.exitCode, 1) << c.what << ": " << result.err;
        EXPECT_TRUE(contains(result.err, c.message)) << c.what << ": " << result.err;
        EXPECT_FALSE(contains(result.err, "hidden-pw")) << c.what;
        EXPECT_EQ(ReadFile(world.env.MachineHive()), before) << c.what;
    }
}
