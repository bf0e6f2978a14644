#include "alerts/ui/windows/AlertWindows.h"

#include "alerts/ui/windows/CAlertDlg.h"
#include "app/CTallyvol32Dlg.h"
#include "app/ui/WindowHooks.h"
#include "scan/fs/StoredPath.h"

namespace alerts::ui {

void InstallAlertWindows() {
    app::ui::WindowHooks::Instance().alerts = [](QWidget& window, app::CTallyvol32Dlg& dialog) {
        CAlertDlg alerts(scan::NormalizePath(dialog.m_directory), &window);
        alerts.Exec();
    };
}

} // namespace alerts::ui
