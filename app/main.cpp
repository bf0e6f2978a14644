// The tallyvol program: start-up, then an automated run or the window.
#include "app/AlertCommands.h"
#include "app/CTallyvol32App.h"
#include "app/CommandLine.h"
#include "app/ConfigureDatabaseCommand.h"
#include "app/GrowthCommand.h"
#include "app/UiLibrary.h"
#include "app/base/DiagnosticLog.h"
#include "platform/system/SystemInfo.h"
#include "platform/ui/IUserInterface.h"
#include "platform/ui/UnattendedUserInterface.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            std::fputs(app::HelpText().c_str(), stdout);
            return 0;
        }
        if (argument == "--version") {
            platform::system::ProgramVersion version = platform::system::GetProgramVersion();
            std::printf("Tallyvol %d.%d.%d build %d\n", version.major, version.minor, version.release,
                        version.build);
            return 0;
        }
    }
    // Our own commands, which run without the main dialog object.
    if (app::IsConfigureDatabaseCommand(arguments)) {
        return app::RunConfigureDatabaseCommand(arguments);
    }
    if (std::optional<int> status = app::RunAlertCommand(arguments)) {
        return *status;
    }
    if (app::IsGrowthCommand(arguments)) {
        return app::RunGrowthCommand(arguments);
    }

    // Until the window library installs its own, nobody answers questions: the unattended
    // interface logs and takes defaults.
    platform::ui::UnattendedUserInterface unattended(
        [](const std::string& text) { app::WriteLogLine(text); });
    platform::ui::SetUI(&unattended);

    app::CTallyvol32App application(std::move(arguments));
    application.m_runDialog = [programName = argv[0], &application](app::CTallyvol32Dlg& dialog) {
        app::UiLibrary library;
        std::string error;
        if (!library.Load(&error)) {
            std::fputs(app::HelpText().c_str(), stdout);
            std::puts("\nThe Tallyvol desktop window is not installed; use the options above for unattended runs.");
            std::fprintf(stderr, "The window library could not be loaded: %s\n", error.c_str());
            application.m_exitStatus = 1;
            return;
        }
        application.m_exitStatus = library.Run(application, dialog, programName);
    };
    application.InitInstance();
    platform::ui::SetUI(nullptr);
    return application.m_exitStatus;
}
