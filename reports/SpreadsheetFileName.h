/*
 * Where the report dialog puts a new spreadsheet: a file named after the directory and the
 * time of the report, in the user's documents directory, or in a private directory under the
 * temporary directory when there is none. Main thread.
 */
#ifndef TALLYVOL_REPORTS_SPREADSHEETFILENAME_H
#define TALLYVOL_REPORTS_SPREADSHEETFILENAME_H

#include <ctime>
#include <string>

namespace reports {

// "<last part of the directory> <YYYY-MM-DD HH-MM-SS>.xlsx" in local time; copy 2 and later
// add " (2)" ... before the extension. Characters that file systems or other desktops refuse
// ("/\:*?"<>|", control characters, broken UTF-8) become "_", a leading dot is dropped so the
// file is never hidden, and the name part is at most 100 bytes.
std::string SpreadsheetFileName(const std::string& directory, std::time_t when, int copy = 1);

// The documents directory; else a new directory of this user's own (mode 0700) under the
// temporary directory. Empty, with *error holding the errno value, when neither is possible.
std::string SpreadsheetReportDirectory(int* error);

} // namespace reports

#endif
