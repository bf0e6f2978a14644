// The automated run: what a scheduled job does between start-up and the end of the process.
#include "app/CTallyvol32App.h"
#include "app/CTallyvol32Dlg.h"
#include "app/DiagnosticLog.h"
#include "app/RunState.h"
#include "platform/ui/IUserInterface.h"

namespace app {

namespace {

// Steps whose subsystems are not in this build say so once, in the log and on standard error.
void notInThisBuild(const char* what) {
    std::string text = std::string(what) + " is not part of this build; the step was skipped.";
    WriteLogLine(text);
    std::fprintf(stderr, "%s\n", text.c_str());
}

} // namespace

void RunAutomated(CTallyvol32App& application, CTallyvol32Dlg& dialog) {
    RunRequest& run = application.m_runRequest;

    TV_DEBUG_LOG("Automated");
    if (!run.Save) {
        run.SaveSubdirs = 0;
    }
    dialog.m_saveSubdirs = run.SaveSubdirs;
    dialog.m_save = run.Save;

    if (run.Scan) {
        AutomatedScanInProgress = true;
        // The scan's first step: connect to the store unless connected; a store that cannot be
        // opened ends the scan (the failure has been reported).
        if (!dialog.m_databaseConnected) {
            dialog.m_databaseConnected = dialog.m_scanInfo.OpenDatabase(false);
        }
        if (dialog.m_databaseConnected) {
            notInThisBuild("Scanning");
        }
        AutomatedScanInProgress = false;
    }
    if (run.AlertSize || run.AlertPercent || run.FreeAlert || run.MaxSize || run.FreePercent) {
        notInThisBuild("Checking alert thresholds");
    }
    if (run.Print) {
        notInThisBuild("Writing reports");
    }
}

} // namespace app
