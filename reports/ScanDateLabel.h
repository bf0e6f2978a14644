/*
 * The text that names a scan: its date as the column headers of the grid and of reports, and
 * the export dialog's start-column list, show it. Also the print date of a report. Main thread.
 */
#ifndef TALLYVOL_REPORTS_SCANDATELABEL_H
#define TALLYVOL_REPORTS_SCANDATELABEL_H

#include "scan/DisplayData.h"

#include <ctime>
#include <string>

namespace reports {

// The locale's date and time ("%c") when useSystemTimeFormat is set, else "%b %-d, %-I:%M %p"
// (Jan 5, 3:04 PM). A null date gives "", an invalid one "Invalid DateTime".
std::string ScanDateLabel(const scan::ScanDateTime& date, bool useSystemTimeFormat);

// The label with the program's current choice (the UseSystemTimeFormat setting).
std::string ScanDateLabel(const scan::ScanDateTime& date);

// The local date and time of `when` in the locale's representation ("%c").
std::string LocalDateTimeText(std::time_t when);

} // namespace reports

#endif
