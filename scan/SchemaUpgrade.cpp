#include "scan/SchemaUpgrade.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "brand/Brand.h"
#include "platform/ado/Connection.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"
#include "scan/ConnectionCache.h"
#include "scan/DatabaseConnection.h"
#include "scan/IStorePreparation.h"
#include "scan/ScanStoreSql.h"
#include "scan/SizeIndexLayout.h"
#include "scan/GrowthReport.h"
#include "scan/SqlRules.h"

namespace scan {

using platform::ado::ComError;
using platform::system::StringPrintf;
namespace ui = platform::ui;

namespace {

bool g_upgradeConfirmed = false;

constexpr const char* kConfirmUpgrade =
    "IMPORTANT: You are upgrading from a previous version of %s.  %s needs to make some minor "
    "database structure "
    "changes that will make this database incompatible with %s versions 3.1 and earlier.  It is "
    "highly recommended "
    "that you make a backup of you %s file before continuing if you think you might want to go "
    "back to %s 3.1 or "
    "earlier.\r\n\r\nDo you want to continue with the database upgrade?";

// A probe that fails means the older layout; then the step's statements run in order, and the
// first failure ends the step (nothing is rolled back). The probe is only prepared: compiling it
// finds a missing column or table, while running it would count every size row of the store at
// each start (a third of a second for a year of nightly scans of /usr).
void upgradeStep(platform::ado::Connection& connection, const ScanStoreSql::UpgradeStep& step,
                 const char* what) {
    if (app::ProgramEndRequested()) {
        return;
    }
    try {
        connection.Prepare(step.probe);
        return;
    } catch (const ComError&) {
        // The older layout.
    } catch (...) {
        return; // not a database answer; nothing to upgrade on that evidence
    }
    try {
        if (!ConfirmUpgrade()) {
            return;
        }
        for (const char* statement : step.statements) {
            connection.Execute(statement,
                               platform::ado::adCmdText | platform::ado::adExecuteNoRecords);
        }
    } catch (const ComError& error) {
        app::WriteLogLine(StringPrintf("%s.  Exception details:   Err=%s, Desc=%s, ErrNum=%0X",
                                       what, error.ErrorMessage().c_str(),
                                       error.Description().c_str(), error.Code()));
    } catch (...) {
        app::WriteLogLine(StringPrintf("%s.  Exception details: none", what));
    }
}

// A store file that exists but holds none of the scan tables (left empty by an interrupted
// copy, or made with touch) gets them, as a missing file gets the template: no probe of an
// older layout could succeed on it, and every scan would fail for ever.
void createTablesOfAnEmptyStore(platform::ado::Connection& connection) {
    try {
        auto count = connection.OpenRecordset(ScanStoreSql::CountScanTables());
        if (count->IsEOF() || count->Fields(0).AsInt64() != 0) {
            return;
        }
    } catch (const ComError&) {
        return; // no SQLite catalogue to ask: nothing is known about the tables
    }
    IStorePreparation* preparation = StorePreparation();
    app::WriteLogLine("The database holds none of the scan tables; creating them.");
    if (preparation != nullptr) {
        preparation->CreateStoreTables(connection);
    }
}

} // namespace

bool ConfirmUpgrade() {
    if (g_upgradeConfirmed) {
        return true;
    }
    std::string question = StringPrintf(kConfirmUpgrade, ProductName3218, ProductName3218,
                                        ProductName3218, AccessDBFile, ProductName3218);
    if (app::AutomatedScanInProgress) {
        // A scheduled run cannot ask; it goes on as the unattended answer would, and says so.
        app::WriteLogLine(question);
        app::WriteLogLine("Upgrading the database without confirmation: automated run.");
        g_upgradeConfirmed = true;
        return true;
    }
    int answer = ui::UI().MessageBox(question, "Confirm Database Upgrade",
                                     ui::MB_YESNO | ui::MB_ICONEXCLAMATION);
    if (answer != ui::IDYES) {
        ui::UI().MessageBox(
            StringPrintf("No changes have been made.  %s will shut down.", ProductName3218),
            "Upgrade Aborted", ui::MB_OK | ui::MB_ICONINFORMATION);
        EndProgram();
        return false;
    }
    g_upgradeConfirmed = true;
    return true;
}

void ResetUpgradeConfirmationForTesting() {
    g_upgradeConfirmed = false;
}

void SchemaUpgrade::Run() {
    if (app::CurrentDBSource() != kAccessDatabase) {
        // Server stores made before the growth report get its index too (nothing to ask: an
        // index changes nothing older versions read).
        int kind = app::CurrentDBSource();
        std::shared_ptr<platform::ado::Connection> connection;
        if ((kind == kSqlServerDatabase || kind == kMySqlDatabase) && (connection = m_connections.Get(false))) {
            EnsureGrowthIndexes(*connection, kind);
        }
        return;
    }
    std::shared_ptr<platform::ado::Connection> connection = m_connections.Get(false);
    if (!connection) {
        return;
    }
    createTablesOfAnEmptyStore(*connection);
    upgradeStep(*connection, ScanStoreSql::ScanDateUpgrade(),
                "Exception while updating ScanDefinition table schema");
    upgradeStep(*connection, ScanStoreSql::DirSizeUpgrade(),
                "Exception while updating SizeData table schema");
    upgradeStep(*connection, ScanStoreSql::FiltersUpgrade(),
                "Exception while creating new Filters table");
    if (!app::ProgramEndRequested()) {
        m_paths.Run();
        // A store that lost its size index gets it back (cheap when it is there).
        EnsureGrowthIndexes(*connection, kAccessDatabase);
        SizeIndexLayout::Upgrade(*connection);
    }
}

} // namespace scan
