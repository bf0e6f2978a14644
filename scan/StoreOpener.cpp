#include "scan/StoreOpener.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "brand/Brand.h"
#include "platform/system/Paths.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"
#include "scan/ConnectionCache.h"
#include "scan/DatabaseConnection.h"
#include "scan/IStorePreparation.h"
#include "scan/SchemaUpgrade.h"
#include "scan/SqlRules.h"

namespace scan {

using platform::system::StringPrintf;
namespace settings = app::settings;
namespace ui = platform::ui;

namespace {

constexpr const char* kDefaultDatabaseFileName = "tallyvol3.db";

constexpr const char* kNoDatabaseYet = "%s doesn't yet have a database specified for it's "
                                       "data.\r\n\r\nYou are about to be taken through a few short "
                                       "steps that will help you specify where %s should store "
                                       "it's data.\r\n\r\nPress OK to continue.";
constexpr const char* kNoDatabaseShutdown = "Since database connectivity was not successfully "
                                            "completed, %s cannot start and will now shutdown.";

IStorePreparation* g_preparation = nullptr;

bool ensureStoreFile(const std::optional<std::string>& path, bool silent, bool automated) {
    return g_preparation != nullptr && g_preparation->EnsureStoreFile(path, silent, automated);
}

std::string connectionStringSpec(const std::string& path) {
    return g_preparation != nullptr ? g_preparation->ConnectionStringSpec(path) : std::string();
}

} // namespace

IStorePreparation* StorePreparation() {
    return g_preparation;
}

void SetStorePreparation(IStorePreparation* preparation) {
    g_preparation = preparation;
}

std::string DefaultDatabaseFile() {
    std::string directory = app::GetSetting(settings::DataDirectoryMDB3);
    if (directory == "APPDIR") {
        directory = platform::system::TallyvolHome();
    }
    if (!directory.empty() && directory.back() != '/') {
        directory += '/';
    }
    return directory + kDefaultDatabaseFileName;
}

// The first start on this machine: the old default data source, when it still exists, is
// kept; otherwise the default store file is set up.
void StoreOpener::openOnFirstRun() {
    OpenedConnection opened = OpenConnectionString(StoredConnectionString());
    if (opened) {
        opened.connection.reset();
        if (app::GetSetting(settings::DBSource) == kNoDatabase) {
            app::SetSetting(settings::DSNName, DefaultDSNName);
            app::SetSetting(settings::ConnectionString, std::string("DSN=") + DefaultDSNName);
            app::SetSetting(settings::DBSource, kAccessDatabase);
            app::SetCurrentDBSource(kAccessDatabase);
            std::string path = DefaultDatabaseFile();
            app::SetSetting(settings::MDBPath, path);
            app::SetSetting(settings::ConnectionStringSpec, connectionStringSpec(path));
        }
        m_upgrade.Run();
        return;
    }
    ui::UI().ShowSplash();
    useDefaultStore();
}

void StoreOpener::useDefaultStore() {
    std::string path = DefaultDatabaseFile();
    // The program's home may not exist yet on a fresh machine; the store file goes into it.
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        platform::system::CreateDirectories(path.substr(0, slash));
    }
    if (g_preparation == nullptr) {
        return;
    }
    g_preparation->EnsureStoreFile(path, true, false);
    app::SetSetting(settings::MDBPath, path);
    app::SetSetting(settings::ConnectionString, g_preparation->DirectConnectionString(path));
    app::SetSetting(settings::ConnectionStringSpec, g_preparation->ConnectionStringSpec(path));
    app::SetSetting(settings::DBSource, kAccessDatabase);
    app::SetCurrentDBSource(kAccessDatabase);
    m_connections.Reset();
}

bool StoreOpener::OpenDatabase(bool firstRun) {
    if (!TestConnection(true, std::string())) {
        return false;
    }
    if (firstRun) {
        openOnFirstRun();
    }
    int kind = app::GetSetting(settings::DBSource);
    app::SetCurrentDBSource(kind);
    if (kind == kNoDatabase) {
        if (app::AutomatedScanInProgress) {
            // Nobody is there to run the wizard: the default store serves, as on a first start.
            app::WriteLogLine(StringPrintf("No database is configured; using the default store %s",
                                           DefaultDatabaseFile().c_str()));
            useDefaultStore();
        } else {
            ui::UI().MessageBox(StringPrintf(kNoDatabaseYet, ProductName3218, ProductName3218),
                                "No Database", ui::MB_OK | ui::MB_ICONINFORMATION);
            if (!ui::UI().RunDatabaseWizard()) {
                ui::UI().MessageBox(StringPrintf(kNoDatabaseShutdown, ProductName3218),
                                    "No Database", ui::MB_OK | ui::MB_ICONEXCLAMATION);
                EndProgram();
                return false;
            }
            m_connections.Reset();
        }
        kind = app::GetSetting(settings::DBSource);
        app::SetCurrentDBSource(kind);
    }
    if (kind == kAccessDatabase) {
        ensureStoreFile(std::nullopt, false, app::AutomatedScanInProgress);
    }
    if (TestConnection(false, StoredConnectionString())) {
        m_upgrade.Run();
        return !app::ProgramEndRequested();
    }
    return false;
}

} // namespace scan
