/*
 * The texts of the spreadsheet report that the user sees: the report dialog's note and every
 * message of Generate. Shared by the dialog and the core operation so each text lives once.
 */
#ifndef TALLYVOL_REPORTS_SPREADSHEETTEXTS_H
#define TALLYVOL_REPORTS_SPREADSHEETTEXTS_H

namespace reports {

inline constexpr const char* kSpreadsheetNote =
    "This feature requires that a spreadsheet program be installed on your computer to show the "
    "report.  "
    "Data from Tallyvol scans will be entered into a spreadsheet and some common graphs will be "
    "generated.";

inline constexpr const char* kNoColumnsText =
    "Please enter the number of columns to export to the report.";
inline constexpr const char* kNoColumnsCaption = "No Columns To Export";
inline constexpr const char* kNoStartColumnText = "Proper start column not selected.";
inline constexpr const char* kNoStartColumnCaption = "Error";

// The file (path), the system's text, the error number.
inline constexpr const char* kCannotWriteText =
    "Unable to write the spreadsheet %s.  This function cannot work at the current time.  "
    "The error code returned is: %s  (%d)";
inline constexpr const char* kCannotWriteCaption = "Can't Write Spreadsheet";

// The file (path), the system's text, the error number or xdg-open's status.
inline constexpr const char* kCannotOpenText =
    "Unable to launch and/or communicate with a spreadsheet program to show %s.  The report has "
    "been saved in "
    "that file.  The error code returned is: %s  (%d)";
inline constexpr const char* kCannotOpenHint =
    "\r\nThis error most often means a spreadsheet program (or xdg-open) is not installed, or not "
    "installed "
    "correctly.";
inline constexpr const char* kCannotOpenCaption = "Can't Start Spreadsheet Program";

// The activity of the problem report after an unexpected failure.
inline constexpr const char* kWritingSpreadsheetActivity = "Writing the spreadsheet";

// Automated runs: the report file could not be written (the report writer's text).
inline constexpr const char* kAutomatedWriteFailedText =
    "Trying to open file for export/print.  Filename is %s.  Error is %s (%d)";
// Automated runs: /PRINT=LPT1 with the spreadsheet format.
inline constexpr const char* kSpreadsheetNotPrintableText =
    "Trying to print a spreadsheet report.  A spreadsheet cannot be sent to the printer; write it "
    "to a file "
    "with /PRINT=FILE=path.xlsx.";

} // namespace reports

#endif
