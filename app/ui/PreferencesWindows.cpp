#include "app/ui/PreferencesWindows.h"

#include "app/base/DiagnosticLog.h"
#include "app/ui/CAboutDlg.h"
#include "app/ui/CPreferencesDlg.h"
#include "app/ui/ErrorDlg.h"
#include "app/ui/UpdateCheckController.h"
#include "app/ui/WindowHooks.h"
#include "brand/Brand.h"
#include "platform/ui/IUserInterface.h"

#include <QAbstractButton>
#include <QPointer>

namespace app::ui {

namespace {

void aboutBoxUpdateCheck(CAboutDlg& about) {
    // The main window's controller when it is open, so the forced check waits for its
    // automatic one; otherwise one of the about box's own.
    UpdateCheckController* controller = UpdateCheckController::OfMainWindow();
    if (controller == nullptr) {
        controller = &UpdateCheckController::ForWindow(about);
    }
    QPointer<QAbstractButton> button = about.FindControl<QAbstractButton>(CAboutDlg::kUpdateCheck);
    if (button) {
        button->setEnabled(false);
    }
    controller->RunAboutBoxRequest();
    if (button) {
        button->setEnabled(true);
    }
}

} // namespace

void InstallPreferencesWindows() {
    WindowHooks& hooks = WindowHooks::Instance();
    hooks.preferences = [](QWidget& window, CTallyvol32Dlg& dialog) { CPreferencesDlg::Show(window, dialog); };
    hooks.startUpdateCheck = [](QWidget& window, CTallyvol32Dlg&) {
        UpdateCheckController::ForWindow(window).StartAutomatic();
    };
    hooks.aboutUpdateCheck = [](CAboutDlg& about) {
        try {
            aboutBoxUpdateCheck(about);
        } catch (...) {
            TV_DEBUG_LOG("** Exception in OnCheckForUpdates\n");
        }
    };
    hooks.errorReport = [](const std::string& errorText, const std::string& systemInfo) {
        try {
            ErrorDlg::Show(errorText, systemInfo);
        } catch (...) {
            TV_DEBUG_LOG("** Exception in ErrorDlg\n");
            // The report is not lost with its window: the text at least is shown.
            platform::ui::UI().MessageBox(errorText, ProductName3218,
                                          platform::ui::MB_OK | platform::ui::MB_ICONERROR);
        }
    };
}

} // namespace app::ui
