/*
 * The spreadsheet as a report format of automated runs (/PRINTFORMAT= format XLSX with
 * /PRINT=FILE=path.xlsx), so that a scheduled run can leave or mail a workbook with charts.
 * The report options of the run choose the spreadsheet's: the unit (SMART keeps the saved
 * spreadsheet unit), the number of scan columns (0: every loaded scan) and the rows (N keeps
 * the N largest and groups the rest as "All Others"; 0 keeps the saved spreadsheet choice).
 * Unit names, column order and the totals switch do not apply: cells are numbers, the oldest
 * scan is on the left, "Total" is always there. Main thread.
 */
#ifndef TALLYVOL_REPORTS_AUTOMATEDSPREADSHEET_H
#define TALLYVOL_REPORTS_AUTOMATEDSPREADSHEET_H

#include "reports/ExportOptions.h"
#include "reports/SpreadsheetOptions.h"
#include "scan/DisplayData.h"

#include <string>

namespace reports {

// The saved spreadsheet choices with the report options applied; `scanCount` scans are loaded.
SpreadsheetOptions AutomatedSpreadsheetOptions(const ExportOptions& options, std::size_t scanCount);

// Writes the workbook of the loaded scans (directory view, newest scan as start) to
// options.Path, replacing an older report unless a spreadsheet program holds it open.
// Failures go to the problem report (delivered through the notification profiles in an
// automated run). Does nothing when no scan is loaded. True when the workbook was written.
bool RunAutomatedSpreadsheet(const ExportOptions& options, const scan::DisplayData& loaded,
                             const std::string& directory);

} // namespace reports

#endif
