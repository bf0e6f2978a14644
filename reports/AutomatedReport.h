/*
 * The report step of an automated run (/PRINT=), after the directory's scans have been loaded:
 * the options start from the saved export settings, take the /PRINTFORMAT= fields and the
 * /PRINT= destination, and the report starts at the newest scan. Nothing is saved and no
 * completion message is shown. Main thread.
 */
#ifndef TALLYVOL_REPORTS_AUTOMATEDREPORT_H
#define TALLYVOL_REPORTS_AUTOMATEDREPORT_H

#include "reports/ExportOptions.h"
#include "scan/DisplayData.h"

#include <string>

namespace reports {

// What the command line asked for.
struct AutomatedReportRequest {
    std::string printFormat;   // the /PRINTFORMAT= value
    int printDestination = 1;  // 1 printer, 2 file
    std::string printFilePath;
    std::string directory;     // the /DIR= directory, for the spreadsheet's name and titles
    ReportView view;
};

// The saved export settings with the print format applied, then the destination: a file
// (print destination 2) at the print file path, else the default printer.
ExportOptions AutomatedReportOptions(const AutomatedReportRequest& request);

// Writes the report of the loaded scans. True when it was written or printed; false after a
// reported failure, or when no scan is loaded (said on standard error and in the log).
bool RunAutomatedReport(const AutomatedReportRequest& request, const scan::DisplayData& displayData);

} // namespace reports

#endif
