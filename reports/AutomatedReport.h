/*
 * The report step of an automated run (/PRINT=), after the directory's scans have been loaded
 * into the main dialog object's DisplayData: the options start from the saved export settings,
 * take the /PRINTFORMAT= fields and the /PRINT= destination, and the report starts at the
 * newest scan. Nothing is saved and no completion message is shown. Main thread.
 */
#ifndef TALLYVOL_REPORTS_AUTOMATEDREPORT_H
#define TALLYVOL_REPORTS_AUTOMATEDREPORT_H

#include "reports/ExportOptions.h"
#include "scan/DisplayData.h"

namespace app {
class CTallyvol32Dlg;
}

namespace reports {

// The saved export settings with the dialog's print format applied, then the destination: a
// file (print destination 2) at the print file path, else the default printer.
ExportOptions AutomatedReportOptions(const app::CTallyvol32Dlg& dialog);

// Writes the report when at least one scan is loaded; does nothing otherwise.
void RunAutomatedReport(const app::CTallyvol32Dlg& dialog, const scan::DisplayData& displayData);

} // namespace reports

#endif
