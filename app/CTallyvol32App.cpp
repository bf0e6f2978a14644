#include "app/CTallyvol32App.h"

#include "alerts/DeliverAlert.h"
#include "app/CTallyvol32Dlg.h"
#include "app/base/ErrorReport.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "brand/Brand.h"
#include "dbconfig/StorePreparation.h"
#include "platform/system/Resources.h"
#include "platform/system/SystemInfo.h"

#include <clocale>
#include <cstdio>
#include <ctime>
#include <memory>

namespace app {

namespace {

std::string joinArguments(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) {
            line += ' ';
        }
        line += argument;
    }
    return line;
}

std::string localDateTime() {
    std::time_t now = std::time(nullptr);
    struct tm local {};
    ::localtime_r(&now, &local);
    char buffer[128];
    std::strftime(buffer, sizeof buffer, "%c", &local);
    return buffer;
}

} // namespace

void InstallStartupServices() {
    SetProfileNotifier(alerts::NotifyAllProfiles);
    dbconfig::InstallStorePreparation();
}

CTallyvol32App::CTallyvol32App(std::vector<std::string> arguments)
    : m_arguments(std::move(arguments)), m_commandLine(joinArguments(m_arguments)) {
    std::setlocale(LC_ALL, "");
    InstallStartupServices();
    SetCurrentDBSource(GetSetting(settings::DBSource));
    MigrateRegistry();
    m_runRequest.Automated = 0;
}

bool CTallyvol32App::InitInstance() {
    try {
        platform::system::SetResourceModule(BrandResources, BrandResourceCount);
        if (GetSetting(settings::DebugLogs) != 0) {
            EnableDebugLog();
        }
        int logRun = GetSetting(settings::LogRun);
        if (logRun != 0) {
            char line[512];
            std::snprintf(line, sizeof line, "%s, PID=%d, %s launched with CmdLine=", localDateTime().c_str(),
                          platform::system::CurrentProcessId(), ProductName3218);
            WriteLogLine(line + m_commandLine);
        }

        ParseCommandLine(nullptr, *this);
        auto dialog = std::make_unique<CTallyvol32Dlg>();
        m_mainWindow = dialog.get();
        ParseCommandLine(dialog.get(), *this);
        WarnAboutIgnoredArguments(*this, dialog->m_profileList);
        platform::system::ProgramVersion version = platform::system::GetProgramVersion();
        TV_DEBUG_LOG("Version: %d.%d Bld %d\n", version.major, version.minor, version.build);

        try {
            if (m_runRequest.Automated) {
                m_exitStatus = RunAutomated(*this, *dialog);
            } else if (m_runDialog) {
                m_runDialog(*dialog);
            }
        } catch (...) {
            TV_DEBUG_LOG("** Exception in dlg->DoModal()");
            m_exitStatus = 1;
        }

        m_mainWindow = nullptr;
        dialog.reset();
        if (logRun != 0) {
            char line[512];
            std::snprintf(line, sizeof line, "%s, PID=%d,    %s shutting down", localDateTime().c_str(),
                          platform::system::CurrentProcessId(), ProductName3218);
            WriteLogLine(line);
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in InitInstance\n");
        m_exitStatus = 1;
    }
    return false;
}

} // namespace app
