#include "reports/ui/ReportWindows.h"

#include "app/CTallyvol32Dlg.h"
#include "app/ui/WindowHooks.h"
#include "reports/ui/ExcelReportDlg.h"
#include "reports/ui/ExportDlg.h"

namespace reports::ui {

void InstallReportWindows() {
    app::ui::WindowHooks& hooks = app::ui::WindowHooks::Instance();
    hooks.exportReport = [](QWidget& window, app::CTallyvol32Dlg& dialog) {
        // The report lists the rows as the grid shows them, so "the first N rows" are the N the
        // user sees first, as in reports of automated runs.
        ExportDlg exportDialog(dialog.m_displayData, {dialog.m_view, dialog.m_showBlankRows, dialog.m_sortMethod},
                               &window);
        exportDialog.Exec();
    };
    hooks.reports = [](QWidget& window, app::CTallyvol32Dlg& dialog) {
        ExcelReportDlg reportDialog(dialog.m_displayData, dialog.m_view, dialog.m_displayData.path, &window);
        reportDialog.Exec();
    };
}

} // namespace reports::ui
