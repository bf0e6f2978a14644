/*
 * Where the windows of other subsystems plug into the main window and the about box: the
 * buttons Reports, Export, Prefs and Alerts, the about box's update check, the update check
 * started when the main window opens, the problem report and the database wizard. Each hook
 * is installed once, before the main window opens, by the code that owns the window; a hook
 * left empty makes its button do nothing. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_WINDOWHOOKS_H
#define TALLYVOL_APP_UI_WINDOWHOOKS_H

#include <functional>
#include <string>

class QWidget;

namespace app {
class CTallyvol32Dlg;
}

namespace app::ui {

class CAboutDlg;

struct WindowHooks {
    // The main window's buttons; `window` is the main window, `dialog` its object.
    using MainWindowHook = std::function<void(QWidget& window, CTallyvol32Dlg& dialog)>;
    MainWindowHook reports;      // 1195 "Reports ..."
    MainWindowHook exportReport; // 1044 "Export ..."
    MainWindowHook preferences;  // 1037 "Prefs ..."; the window reopens the store afterwards
    MainWindowHook alerts;       // 1039 "Alerts ..." (for scan::NormalizePath of dialog.m_directory)
    // Started when the main window opens and CheckForUpdates is set.
    MainWindowHook startUpdateCheck;
    // The about box's "Check for Updates" button.
    std::function<void(CAboutDlg& about)> aboutUpdateCheck;
    // The problem report window; without it the report is shown in a message box.
    std::function<void(const std::string& errorText, const std::string& systemInfo)> errorReport;
    // The database configuration wizard; true when it ended with Finish.
    std::function<bool()> databaseWizard;

    static WindowHooks& Instance();
};

} // namespace app::ui

#endif
