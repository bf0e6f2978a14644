// The automated run: what a scheduled job does between start-up and the end of the process.
// Its exit status tells cron wrappers and monitoring whether it did what it was asked: 0 when
// every step succeeded (alerts delivered or none due), 1 when any failed.
#include "alerts/DeliverAlert.h"
#include "app/CTallyvol32App.h"
#include "app/CTallyvol32Dlg.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "reports/AutomatedReport.h"

#include <cstdio>

namespace app {

namespace {

void sayFailure(const std::string& text) {
    WriteLogLine(text);
    std::fprintf(stderr, "Tallyvol: %s\n", text.c_str());
}

// Whether the scan step did its work; says why not when nothing else has.
bool scanSucceeded(const CTallyvol32Dlg& dialog) {
    if (!dialog.m_databaseConnected) {
        return false; // the store's failure has been reported
    }
    if (dialog.m_lastScanResult == -2) {
        sayFailure("nothing was scanned: " + dialog.m_directory + " is excluded by its own filters.");
        return false;
    }
    return dialog.m_lastScanResult >= 0;
}

} // namespace

int RunAutomated(CTallyvol32App& application, CTallyvol32Dlg& dialog) {
    RunRequest& run = application.m_runRequest;
    long reportsBefore = ReportsMade();
    bool failed = false;
    for (const std::string& problem : run.Problems) {
        sayFailure(problem);
        failed = true;
    }

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
        failed = !scanSucceeded(dialog) || failed;
    }
    if (ProgramEndRequested()) {
        return 1;
    }

    long undeliveredBefore = alerts::FailedDeliveries();
    if (run.AlertSize) {
        failed = !dialog.AlertSizeCheck() || failed;
    }
    if (run.AlertPercent) {
        failed = !dialog.AlertPercentCheck() || failed;
    }
    if (run.FreeAlert) {
        failed = !dialog.FreeAlertCheck() || failed;
    }
    if (run.MaxSize) {
        failed = !dialog.MaxSizeCheck() || failed;
    }
    if (run.FreePercent) {
        failed = !dialog.FreePercentAlertCheck() || failed;
    }
    if (alerts::FailedDeliveries() != undeliveredBefore) {
        sayFailure("An alert did not go out by its profile's own means; the log says why.");
        failed = true;
    }

    if (run.Print) {
        dialog.m_scanInfo.LoadScans(dialog.m_directory, 0, dialog.m_displayData, 100);
        failed = !reports::RunAutomatedReport(dialog.ReportRequest(), dialog.m_displayData) || failed;
    }
    // A step that reported a problem failed, whatever it returned.
    return failed || ReportsMade() != reportsBefore ? 1 : 0;
}

} // namespace app
