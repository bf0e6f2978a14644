#include "scan/DatabaseConnection.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "brand/Brand.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ErrorCodes.h"
#include "platform/process/Process.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace scan {

using platform::ado::ComError;
using platform::ado::Connection;
using platform::system::StringPrintf;
namespace ui = platform::ui;

namespace {

constexpr const char* kConnectivityQuestion =
    "Your system cannot currently connect to the %s database.  %s uses SQLite and unixODBC to "
    "connect to a "
    "database.  By default, it uses SQLite or ODBC to connect to an SQLite database.  The error "
    "is: "
    "%s.\r\n\r\nThere are two things to try:\r\n1. Verify that your database connectivity is "
    "configured "
    "correctly.  You can go to Preferences and press the 'Configure Database Connectivity' to go "
    "through the "
    "steps and verify the settings.\r\n2. Your computer might not have recent SQLite and/or ODBC "
    "drivers "
    "installed.  They come with your distribution's unixODBC packages.  If you want to store data "
    "using SQLite "
    "and ODBC, you'll need the SQLite ODBC driver.  Press 'Yes' to be taken straight to the "
    "download page for "
    "the database drivers.\r\n\r\nWould you like to install the database drivers?";
constexpr const char* kExitForInstall =
    "%s will now exit so the database drivers can be installed.";
constexpr const char* kDownloadFailed =
    "Opening %s.  Please open a browser and go there manually to get the database drivers.";

} // namespace

std::string StoredConnectionString() {
    std::string connectionString = app::GetSetting(app::settings::ConnectionString);
    if (connectionString.empty()) {
        connectionString = app::DefaultOf(app::settings::ConnectionString);
    }
    return connectionString;
}

OpenedConnection OpenConnectionString(const std::string& connectionString) {
    OpenedConnection result;
    try {
        auto connection = std::make_shared<Connection>();
        connection->SetMode(kStoreConnectionMode);
        connection->Open(connectionString, std::string(), std::string());
        result.connection = std::move(connection);
    } catch (const ComError& error) {
        result.failureCode = error.Code();
        result.failureText =
            StringPrintf("Exception while connecting to %s.  Err=%s,  Desc=%s,  HR=%0X",
                         connectionString.c_str(), error.ErrorMessage().c_str(),
                         error.Description().c_str(), error.Code());
        TV_DEBUG_LOG("%s", result.failureText.c_str());
    } catch (...) {
        result.failureCode = static_cast<std::uint32_t>(platform::ado::E_FAIL);
        result.failureText =
            StringPrintf("Unknown Exception while connecting to %s", connectionString.c_str());
    }
    return result;
}

bool TestConnection(bool createOnly, const std::string& connectionString) {
    std::string errorText;
    try {
        std::shared_ptr<Connection> created;
        try {
            created = std::make_shared<Connection>();
        } catch (const std::bad_alloc&) {
            errorText = StringPrintf("Failed to create the MDAC ADO database objects.  ErrNum=%0X",
                                     static_cast<unsigned>(platform::ado::E_OUTOFMEMORY));
        }
        if (errorText.empty() && !createOnly) {
            OpenedConnection opened = OpenConnectionString(connectionString);
            if (!opened) {
                errorText = StringPrintf(
                    "Failed to open the database pointed to by connection \"%s\".  "
                    "ErrNum=%0X  Err=%s",
                    connectionString.c_str(), opened.failureCode, opened.failureText.c_str());
            }
            // A test connection that opened is released at once.
        }
    } catch (const ComError& error) {
        errorText =
            StringPrintf("Error connecting to database. Error Text=%s, Description=%s, ErrNum=%0X",
                         error.ErrorMessage().c_str(), error.Description().c_str(), error.Code());
    } catch (...) {
        errorText = "Unknown error connecting to database.";
    }
    if (errorText.empty()) {
        return true;
    }
    if (app::AutomatedScanInProgress) {
        // Nobody can answer the question; the profiles hear of the failure.
        app::ReportError(0, errorText);
        return false;
    }
    std::string question =
        StringPrintf(kConnectivityQuestion, ProductName3218, ProductName3218, errorText.c_str());
    int answer = ui::UI().MessageBox(question, "Database Connectivity Error",
                                     ui::MB_YESNO | ui::MB_ICONERROR);
    if (answer != ui::IDYES) {
        return false;
    }
    OpenDownloadPage();
    ui::UI().MessageBox(StringPrintf(kExitForInstall, ProductName3218), "Exitting",
                        ui::MB_OK | ui::MB_ICONINFORMATION);
    EndProgram();
    return false;
}

void OpenDownloadPage() {
    std::string page = app::GetSetting(app::settings::MDACPage);
    platform::process::LaunchOptions options;
    options.workingDirectory = "/";
    options.standardInput = platform::process::kNullStream;
    int error = 0;
    pid_t pid = platform::process::LaunchProcess({"xdg-open", page}, options, &error);
    if (pid < 0) {
        TV_DEBUG_LOG("Cannot start xdg-open: %s", platform::process::ErrorText(error).c_str());
        app::ReportError(0, StringPrintf(kDownloadFailed, page.c_str()));
        return;
    }
    platform::process::ReapInBackground(pid);
}

void EndProgram() {
    TV_DEBUG_LOG("Ending the program on the user's request");
    app::RequestProgramEnd();
}

} // namespace scan
