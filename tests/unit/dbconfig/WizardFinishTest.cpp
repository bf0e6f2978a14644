// Finish of the database configuration wizard: the store moved with its data and the three
// settings written; every way it stays on its page or closes without touching the settings;
// a copy that fails on rows already in the new database; an advanced string's store file made
// with its tables.
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "dbconfig/AccessDatabase.h"
#include "dbconfig/DatabasePreparation.h"
#include "dbconfig/WizardFinish.h"
#include "platform/ui/IUserInterface.h"
#include "scan/CScanInfo.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/ScriptedUserInterface.h"
#include "tests/unit/dbconfig/CopyTestStore.h"

#include <gtest/gtest.h>

#include <functional>

using namespace dbconfig;
using namespace copytest;
namespace ui = platform::ui;

namespace {

struct FinishWorld {
    testsupport::IsolatedEnvironment env;
    testsupport::ScriptedUserInterface ui;
    std::string oldStore = env.Root() + "/old.db";
    std::string newStore = env.Root() + "/new.db";

    FinishWorld() {
        env.Set("TMPDIR", env.Root());
        MakeHostileStore(oldStore, {20, 30, 50});
        app::SetSetting(app::settings::ConnectionString, AccessDirectConnectionString(oldStore));
        app::SetSetting(app::settings::DBSource, 1);
        app::SetSetting(app::settings::ConnectionStringSpec, AccessConnectionStringSpec(oldStore));
        app::SetCurrentDBSource(1);
    }

    // The included store's page, Next pressed: the new file exists.
    WizardFinishValues accessPage(bool copy) {
        EnsureAccessFile(newStore, true, false);
        WizardFinishValues values;
        values.kind = 1;
        values.newConnectionString = AccessDirectConnectionString(newStore);
        values.newSpecification = AccessConnectionStringSpec(newStore);
        values.oldConnectionString = app::GetSetting(app::settings::ConnectionString);
        values.copyData = copy;
        values.access = {newStore, "TallyvolNew"};
        return values;
    }

    std::vector<std::string> captions() const {
        std::vector<std::string> result;
        for (const auto& box : ui.messageBoxes) {
            result.push_back(box.caption);
        }
        return result;
    }

    void expectSettings(const std::string& connectionString, int kind, const std::string& spec) {
        EXPECT_EQ(app::GetSetting(app::settings::ConnectionString), connectionString);
        EXPECT_EQ(app::GetSetting(app::settings::DBSource), kind);
        EXPECT_EQ(app::GetSetting(app::settings::ConnectionStringSpec), spec);
        EXPECT_EQ(app::CurrentDBSource(), kind);
    }
    void expectOldSettings() { expectSettings(AccessDirectConnectionString(oldStore), 1, AccessConnectionStringSpec(oldStore)); }
};

} // namespace

TEST(WizardFinish, TheStoreMovesWithItsDataAndTheSettingsFollow) {
    FinishWorld world;
    scan::CScanInfo scanInfo;
    ASSERT_TRUE(scanInfo.GetConnection());
    ASSERT_EQ(scanInfo.CachedConnectionCount(), 1u);
    world.ui.messageBoxAnswers = {ui::IDYES};

    FinishOutcome outcome = FinishDatabaseWizard(world.accessPage(true), nullptr, &scanInfo);
    EXPECT_EQ(outcome.result, FinishResult::kSaved);
    EXPECT_EQ(outcome.copy, CopyResult::kCompleted);
    EXPECT_EQ(world.captions(), (std::vector<std::string>{"Confirm Table Drop", "Done"}));
    EXPECT_NE(world.ui.messageBoxes[0].text.find("1. Drop the Tallyvol tables in the new database"),
              std::string::npos);
    EXPECT_TRUE(world.ui.errorReports.empty());
    world.expectSettings(AccessDirectConnectionString(world.newStore), 1,
                         AccessConnectionStringSpec(world.newStore));
    EXPECT_EQ(scanInfo.CachedConnectionCount(), 0u) << "the next access opens the new store";
    for (const TableQuery& table : kTableQueries) {
        EXPECT_EQ(SqliteRows(world.newStore, table.query), SqliteRows(world.oldStore, table.query)) << table.table;
    }
}

TEST(WizardFinish, FailuresKeepThePageOrCloseWithoutTouchingTheSettings) {
    struct Case {
        const char* what;
        std::function<WizardFinishValues(FinishWorld&)> values;
        std::vector<int> answers;
        FinishResult result;
        std::vector<std::string> captions;
        const char* text; // in the last box, or in the error report when the wizard closes
        unsigned lastBoxType;
    };
    const Case cases[] = {
        {"the drop is declined", [](FinishWorld& w) { return w.accessPage(true); }, {ui::IDNO},
         FinishResult::kStayOnPage, {"Confirm Table Drop", "Confirm Cancel"}, "No action taken.", ui::MB_OK},
        {"the new store file is missing",
         [](FinishWorld& w) {
             WizardFinishValues values = w.accessPage(false);
             values.newConnectionString = AccessDirectConnectionString(w.env.Root() + "/none.db");
             return values;
         },
         {ui::IDNO}, FinishResult::kStayOnPage, {"Failed to Connect"},
         "NOTE: The SQLite ODBC driver is not part of unixODBC", ui::MB_YESNO}, // the only question
        {"no server listens",
         [](FinishWorld& w) {
             WizardFinishValues values = w.accessPage(false);
             values.kind = 3;
             values.advanced = true;
             values.newConnectionString = "Driver=MariaDB Unicode;Server=127.0.0.1;Port=1;UID=u;PWD=p";
             return values;
         },
         {}, FinishResult::kStayOnPage, {"Failed to Connect"},
         "A test connection to the new database has failed.  Please press Back and verify the settings",
         ui::MB_OK},
        {"the old store cannot be opened",
         [](FinishWorld& w) {
             WizardFinishValues values = w.accessPage(true);
             values.oldConnectionString = AccessDirectConnectionString(w.env.Root() + "/gone.db");
             return values;
         },
         {ui::IDYES}, FinishResult::kClosedUnchanged, {"Confirm Table Drop"},
         "Trying to open the database specified by connection string Provider=SQLite;Data Source=",
         ui::MB_YESNO},
    };
    for (const Case& c : cases) {
        FinishWorld world;
        world.ui.messageBoxAnswers.assign(c.answers.begin(), c.answers.end());
        FinishOutcome outcome = FinishDatabaseWizard(c.values(world), nullptr, nullptr);
        EXPECT_EQ(outcome.result, c.result) << c.what;
        EXPECT_EQ(world.captions(), c.captions) << c.what;
        std::string shown = c.result == FinishResult::kClosedUnchanged
                                ? (world.ui.errorReports.empty() ? "" : world.ui.errorReports.back())
                                : world.ui.messageBoxes.back().text;
        EXPECT_NE(shown.find(c.text), std::string::npos) << c.what << ": " << shown;
        EXPECT_EQ(world.ui.messageBoxes.back().flags & ui::MB_TYPEMASK, c.lastBoxType) << c.what;
        world.expectOldSettings();
    }
}

TEST(WizardFinish, RowsAlreadyInTheNewDatabaseStopTheCopyAndTheSettingsAreStillWritten) {
    TALLYVOL_REQUIRE_MARIADB(server);
    FinishWorld world;
    testsupport::ScratchDatabase database(server, "tvdup");
    MakeMariaDbStore(server, database.Name());
    testsupport::ScratchDatabase::RunSql(
        server, "insert into `" + database.Name() + "`.DirNames (DirID, Path) values (1,'//h'),(2,'//other')");

    // An advanced string without a dialect: nothing prepares or empties the new database.
    WizardFinishValues values;
    values.kind = 0;
    values.advanced = true;
    values.newConnectionString = OdbcString(server, database.Name());
    values.newSpecification = AdvancedConnectionStringSpec(0);
    values.oldConnectionString = app::GetSetting(app::settings::ConnectionString);
    values.copyData = true;
    world.ui.messageBoxAnswers = {ui::IDYES};

    FinishOutcome outcome = FinishDatabaseWizard(values, nullptr, nullptr);
    EXPECT_EQ(outcome.result, FinishResult::kSaved);
    EXPECT_EQ(outcome.copy, CopyResult::kStopped);
    EXPECT_EQ(world.captions(), (std::vector<std::string>{"Confirm Table Drop"}));
    ASSERT_EQ(world.ui.errorReports.size(), 1u);
    EXPECT_NE(world.ui.errorReports[0].find("Exception in CopyTable while performing step Executing insert SQL."),
              std::string::npos)
        << world.ui.errorReports[0];
    world.expectSettings(values.newConnectionString, 0, "0:?:?");
    EXPECT_EQ(MariaDbRows(server, database.Name(), "select Path from DirNames order by DirID"),
              (std::vector<std::string>{"//h", "//other"}));
}

TEST(WizardFinish, AnAdvancedStringsStoreFileIsMadeWithItsTables) {
    FinishWorld world;
    WizardFinishValues values;
    values.kind = 1;
    values.advanced = true;
    values.newConnectionString = "Provider=SQLite;Data Source=" + world.newStore;
    values.newSpecification = AdvancedConnectionStringSpec(1);
    FinishOutcome outcome = FinishDatabaseWizard(values, nullptr, nullptr);
    EXPECT_EQ(outcome.result, FinishResult::kSaved);
    EXPECT_EQ(SqliteCount(world.newStore, "SizeData"), 0) << "the store file was made with its tables";
    world.expectSettings(values.newConnectionString, 1, "1:?:?");
}
