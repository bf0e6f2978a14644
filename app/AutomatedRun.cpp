// The automated run: what a scheduled job does between start-up and the end of the process.
#include "app/CTallyvol32App.h"
#include "app/CTallyvol32Dlg.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "reports/AutomatedReport.h"

namespace app {

void RunAutomated(CTallyvol32App& application, CTallyvol32Dlg& dialog) {
    RunRequest& run = application.m_runRequest;

    // Old scans go first, automated ones before manual ones. A machine with no store yet has
    // nothing to purge (its store is set up when the scan opens it).
    if (CurrentDBSource() != 0) {
        dialog.m_scanInfo.DeleteOldScans(GetSetting(settings::AutomatedAutoDeleteDays), 2);
        dialog.m_scanInfo.DeleteOldScans(GetSetting(settings::ManualAutoDeleteDays), 1);
    }

    TV_DEBUG_LOG("Automated");
    if (!run.Save) {
        run.SaveSubdirs = 0;
    }
    dialog.m_saveSubdirs = run.SaveSubdirs;
    dialog.m_save = run.Save;

    if (run.Scan) {
        AutomatedScanInProgress = true;
        dialog.OnScan();
        AutomatedScanInProgress = false;
    }
    if (ProgramEndRequested()) {
        return;
    }

    if (run.AlertSize) {
        dialog.AlertSizeCheck();
    }
    if (run.AlertPercent) {
        dialog.AlertPercentCheck();
    }
    if (run.FreeAlert) {
        dialog.FreeAlertCheck();
    }
    if (run.MaxSize) {
        dialog.MaxSizeCheck();
    }
    if (run.FreePercent) {
        dialog.FreePercentAlertCheck();
    }

    if (run.Print) {
        dialog.m_scanInfo.LoadScans(dialog.m_directory, 0, dialog.m_displayData, 100);
        reports::RunAutomatedReport(dialog.ReportRequest(), dialog.m_displayData);
    }
}

} // namespace app
