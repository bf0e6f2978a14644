/*
 * The application object: all start-up work, then either the main window (interactive run) or
 * an automated run without any window, then the end of the process. Constructing it prepares
 * the process (locale, database kind, settings migration); InitInstance does the rest.
 * Main thread only.
 */
#ifndef TALLYVOL_APP_CTALLYVOL32APP_H
#define TALLYVOL_APP_CTALLYVOL32APP_H

#include "app/CommandLine.h"

#include <functional>
#include <string>
#include <vector>

namespace app {

class CTallyvol32Dlg;

class CTallyvol32App {
public:
    // `arguments` are the command-line arguments after the program name.
    explicit CTallyvol32App(std::vector<std::string> arguments);

    // Runs the program; always false (the process ends afterwards).
    bool InitInstance();

    std::vector<std::string> m_arguments;
    std::string m_commandLine; // the arguments joined by blanks, for the log
    RunRequest m_runRequest;
    CTallyvol32Dlg* m_mainWindow = nullptr;
    // The exit status of the process: the automated run's, or the window's.
    int m_exitStatus = 0;

    // Shows the main window modally (interactive runs); installed by the window layer.
    std::function<void(CTallyvol32Dlg&)> m_runDialog;
};

// Connects the lower layers to the subsystems above them, as start-up does before anything
// else: error reports of unattended runs reach the notification profiles, and opening the store
// can make the included store file. Whoever builds a main dialog object without the application
// object (the window tests) calls it too.
void InstallStartupServices();

// Step 14 of InitInstance when the command line asks for an automated run; the process's exit
// status: 0 when every step did what it was asked, 1 when one failed.
int RunAutomated(CTallyvol32App& application, CTallyvol32Dlg& dialog);

} // namespace app

#endif
