#include "dbconfig/WizardFinish.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "brand/Brand.h"
#include "dbconfig/CopyTable.h"
#include "dbconfig/DatabasePreparation.h"
#include "dbconfig/ICopyProgress.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionString.h"
#include "platform/ado/ErrorCodes.h"
#include "platform/process/Process.h"
#include "platform/system/Paths.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"
#include "scan/CScanInfo.h"
#include "scan/DatabaseConnection.h"
#include "scan/RunScript.h"
#include "scan/SqlRules.h"

#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <new>

namespace dbconfig {

using platform::ado::ComError;
using platform::ado::Connection;
using platform::system::StringPrintf;
namespace ui = platform::ui;

namespace {

constexpr const char* kFailedToConnect =
    "A test connection to the new database has failed.  Please press Back and verify the "
    "settings and try again.  HR=x%0X  Err=%s";
constexpr const char* kSqliteDriverNote =
    "\r\n\r\nNOTE: The SQLite ODBC driver is not part of unixODBC, so you'll need to install "
    "libsqliteodbc to get those drivers.  Would you like to stop and install them?";
constexpr const char* kConfirmTableDrop =
    "You are about to:\r\n 1. Drop the %s tables in the new database\r\n 2. Re-create the "
    "tables\r\n 3. Copy data to the new tables from the old database.\r\n\r\nExisting data (if "
    "any) in the dropped tables of the new database will be lost.\r\n\r\nDo you want to "
    "continue?";
constexpr const char* kOldObjectFailed =
    "Trying to create the Microsoft ADODB::Connection object.  This is most likely caused by "
    "not having a new enough MDAC (Microsoft Data Access Components).  ErrNum=%0X\r\n\r\n"
    "Database copying has failed.";
constexpr const char* kNewObjectFailed =
    "Failed to create the Microsoft ADODB::Connection object.  This is most likely caused by "
    "not having a new enough MDAC (Microsoft Data Access Components).  ErrNum=%0X\r\n\r\n"
    "Database copying has failed.";
constexpr const char* kOpenFailed = "Trying to open the database specified by connection string "
                                    "%s.  Database copying cannot continue.  HR=%0X";
constexpr const char* kScriptUnreadable = "Trying to open the file %s which contains the script "
                                          "for re-initializing the new target database.  Copying "
                                          "the table has failed.  Error=%s, (%d)";

// The copy's progress when the caller made none: nothing shown, never cancelled.
class SilentProgress : public ICopyProgress {
public:
    void ShowText(const std::string&) override {}
    void SetRange(std::int64_t) override {}
    void StepIt() override {}
    void ProcessMessages() override {}
    bool CancelRequested() override { return false; }
};

bool startsWithIgnoringCase(const std::string& text, const char* prefix) {
    return ::strncasecmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

// An advanced string names its database itself: no page's values may prepare it (they would
// create a database or data source it does not name). Only a store file that does not exist
// yet is made from the empty template, as the included store's page makes it.
void prepareAdvanced(const WizardFinishValues& values) {
    if (values.kind != scan::kAccessDatabase) {
        return;
    }
    platform::ado::ResolvedConnection resolved =
        platform::ado::ResolveConnectionString(values.newConnectionString);
    struct stat st {};
    if (resolved.kind == platform::ado::ProviderKind::kSqlite && !resolved.target.empty() &&
        ::stat(resolved.target.c_str(), &st) != 0) {
        EnsureAccessFile(resolved.target, true, false);
    }
}

// Step 2. False stops the finish (reported here).
bool prepare(const WizardFinishValues& values) {
    if (values.advanced) {
        prepareAdvanced(values);
        return true;
    }
    bool prepared = true;
    switch (values.kind) {
    case scan::kAccessDatabase:
        // The data source's result does not matter here: the test connection decides.
        if (startsWithIgnoringCase(values.newConnectionString, "DSN=")) {
            CreateAccessDSN(values.access.dsnName, values.access.path);
        }
        return true;
    case scan::kSqlServerDatabase: {
        const SqlServerPageValues& page = values.sqlServer;
        prepared = CreateSqlServerDatabase(page.server, page.database, page.currentUser, page.user,
                                           page.password, page.additional);
        break;
    }
    case scan::kMySqlDatabase: {
        const MySqlPageValues& page = values.mySql;
        prepared = RunMySqlScript(kCreateMySQLDatabase, page.binDirectory, page.database,
                                  page.server, page.port, page.user, page.password) &&
                   CreateMySqlDSN(page.dsnName, page.database, page.server, page.port, page.user,
                                  page.password);
        break;
    }
    default:
        return true;
    }
    if (!prepared) {
        app::ReportError(0, StringPrintf("Preparing to connect to the database %s.  Cannot continue.",
                                         values.newConnectionString.c_str()));
    }
    return prepared;
}

// Step 3. False keeps the wizard on its page.
bool testConnection(const WizardFinishValues& values) {
    scan::OpenedConnection test = scan::OpenConnectionString(values.newConnectionString);
    if (test) {
        return true;
    }
    std::string text = StringPrintf(kFailedToConnect, test.failureCode, test.failureText.c_str());
    if (values.kind == scan::kAccessDatabase) {
        int answer = ui::UI().MessageBox(text + kSqliteDriverNote, "Failed to Connect",
                                         ui::MB_YESNO | ui::MB_ICONERROR);
        if (answer == ui::IDYES) {
            scan::OpenDownloadPage();
        }
    } else {
        ui::UI().MessageBox(text, "Failed to Connect", ui::MB_OK | ui::MB_ICONERROR);
    }
    return false;
}

// The client's script turned into statements for RunScript on the connection itself: an
// advanced string has no page values the client could be started with. Comment lines and the
// USE line go (the connection has its database); a ";" at a line's end ends a statement.
void runClientScriptOnConnection(Connection& connection, const std::string& fileName) {
    std::string path = platform::system::DataDirectory() + "/" + fileName;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        int error = errno;
        app::ReportError(0, StringPrintf(kScriptUnreadable, path.c_str(),
                                         platform::process::ErrorText(error).c_str(), error));
        return;
    }
    std::string script;
    std::string line;
    while (std::getline(file, line)) {
        std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line.compare(first, 2, "--") == 0 ||
            startsWithIgnoringCase(line.substr(first), "USE ")) {
            continue;
        }
        std::size_t last = line.find_last_not_of(" \t\r");
        if (line[last] == ';') {
            script += line.substr(0, last) + "\n#\n";
        } else {
            script += line + "\n";
        }
    }
    scan::RunScript(connection, script);
}

// Step 8: the kind's drop and create scripts. Failures are reported and do not stop Finish.
void runTableScripts(const WizardFinishValues& values, Connection& newConnection, bool drop,
                     bool create) {
    const char* dropScript = nullptr;
    const char* createScript = nullptr;
    switch (values.kind) {
    case scan::kAccessDatabase:
        dropScript = kDropAccessTables;
        createScript = kCreateAccessTables;
        break;
    case scan::kSqlServerDatabase:
        dropScript = kDropMSSQLTables;
        createScript = kCreateMSSQLTables;
        break;
    case scan::kMySqlDatabase:
        dropScript = kDropMySQLTables;
        createScript = kCreateMySQLTables;
        break;
    default:
        return;
    }
    auto run = [&](const char* script) {
        if (values.kind != scan::kMySqlDatabase) {
            RunTableScript(newConnection, script);
        } else if (values.advanced) {
            runClientScriptOnConnection(newConnection, script);
        } else {
            const MySqlPageValues& page = values.mySql;
            RunMySqlScript(script, page.binDirectory, page.database, page.server, page.port,
                           page.user, page.password);
        }
    };
    if (drop) {
        run(dropScript);
    }
    if (drop || create) {
        run(createScript);
    }
}

// Step 6: a connection object set to mode 19; empty after the failure was reported.
std::shared_ptr<Connection> createConnection(const char* failureText) {
    try {
        auto connection = std::make_shared<Connection>();
        connection->SetMode(scan::kStoreConnectionMode);
        return connection;
    } catch (const std::bad_alloc&) {
        unsigned code = static_cast<unsigned>(platform::ado::E_OUTOFMEMORY);
        TV_DEBUG_LOG("##### Failed to CoCreate ADODB::Connection in DBCopy!  hr=%0X", code);
        app::ReportError(0, StringPrintf(failureText, code));
        return nullptr;
    }
}

// Step 7: false after the failure was reported.
bool open(Connection& connection, const std::string& connectionString) {
    try {
        connection.Open(connectionString, std::string(), std::string());
        return true;
    } catch (const ComError& error) {
        TV_DEBUG_LOG("Opening %s failed: %s (%s)", connectionString.c_str(),
                     error.ErrorMessage().c_str(), error.Description().c_str());
        app::ReportError(0, StringPrintf(kOpenFailed, connectionString.c_str(), error.Code()));
        return false;
    }
}

FinishOutcome finish(const WizardFinishValues& values, const CopyProgressFactory& makeProgress,
                     scan::CScanInfo* scanInfo) {
    FinishOutcome outcome;
    if (!prepare(values) || !testConnection(values)) {
        return outcome;
    }
    bool create = false;
    if (values.kind == scan::kSqlServerDatabase) {
        create = true;
    } else if (values.kind == scan::kMySqlDatabase) {
        create = !values.mySql.tablesExist || values.advanced;
    } else if (values.kind == scan::kAccessDatabase) {
        // The page's store file comes from the template with its tables; an advanced string's
        // store gets the tables it lacks (every creation statement leaves existing ones alone).
        create = values.advanced;
    }

    bool copy = values.copyData;
    bool drop = false;
    if (copy) {
        int answer = ui::UI().MessageBox(StringPrintf(kConfirmTableDrop, ProductName3218),
                                         "Confirm Table Drop", ui::MB_YESNO | ui::MB_ICONQUESTION);
        if (answer != ui::IDYES) {
            ui::UI().MessageBox("No action taken.", "Confirm Cancel",
                                ui::MB_OK | ui::MB_ICONINFORMATION);
            return outcome;
        }
        drop = true;
    }

    outcome.result = FinishResult::kClosedUnchanged;
    std::shared_ptr<Connection> oldConnection = createConnection(kOldObjectFailed);
    if (!oldConnection) {
        return outcome;
    }
    std::shared_ptr<Connection> newConnection = createConnection(kNewObjectFailed);
    if (!newConnection) {
        return outcome;
    }
    if (copy && !values.oldConnectionString.empty()) {
        if (!open(*oldConnection, values.oldConnectionString)) {
            return outcome;
        }
    } else {
        copy = false;
    }
    if (!open(*newConnection, values.newConnectionString)) {
        return outcome;
    }

    runTableScripts(values, *newConnection, drop, create);

    if (copy) {
        std::unique_ptr<ICopyProgress> progress = makeProgress ? makeProgress() : nullptr;
        if (!progress) {
            progress = std::make_unique<SilentProgress>();
        }
        bool completed = CopyDatabase(*oldConnection, *newConnection, values.kind, *progress);
        outcome.copy = completed ? CopyResult::kCompleted : CopyResult::kStopped;
    }

    oldConnection.reset();
    newConnection.reset();
    app::SetSetting(app::settings::ConnectionString, values.newConnectionString);
    app::SetSetting(app::settings::DBSource, values.kind);
    app::SetSetting(app::settings::ConnectionStringSpec, values.newSpecification);
    app::SetCurrentDBSource(values.kind);
    if (scanInfo != nullptr) {
        scanInfo->ResetConnections();
    }
    outcome.result = FinishResult::kSaved;
    return outcome;
}

} // namespace

FinishOutcome FinishDatabaseWizard(const WizardFinishValues& values,
                                   const CopyProgressFactory& makeProgress,
                                   scan::CScanInfo* scanInfo) {
    try {
        return finish(values, makeProgress, scanInfo);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnWizardFinish\n");
        return FinishOutcome{};
    }
}

} // namespace dbconfig
