/*
 * Generate of the spreadsheet report dialog, without the window: checks the choices, saves
 * them, builds the workbook from the loaded scans, writes it as a new file in the user's
 * documents (or a private temporary) directory and shows it in the desktop's spreadsheet
 * program. Every message goes through the program's user interface. Main thread.
 */
#ifndef TALLYVOL_REPORTS_SPREADSHEETREPORT_H
#define TALLYVOL_REPORTS_SPREADSHEETREPORT_H

#include "reports/SpreadsheetOptions.h"
#include "scan/DisplayData.h"

#include <cstdint>
#include <optional>
#include <string>

namespace reports {

enum class SpreadsheetOutcome {
    kInputRefused, // a message asked for other choices: the dialog stays open
    kFailed,       // nothing was written; the user has been told
    kNotShown,     // written, but the spreadsheet program could not show it; the user has been told
    kShown,        // written and handed to the spreadsheet program
};

struct SpreadsheetReportResult {
    SpreadsheetOutcome outcome = SpreadsheetOutcome::kFailed;
    std::string path; // the written file (kNotShown, kShown)
};

// `loaded` is the main window's DisplayData (only read), `view` its view (0 directory sizes,
// 1 extension sizes, 2 extension counts), `startScanID` the chosen start column (0 when none is
// selected) and `directory` the main window's directory, whose volume's free space the report
// shows. Never throws.
SpreadsheetReportResult GenerateSpreadsheetReport(const scan::DisplayData& loaded, int view,
                                                  const SpreadsheetOptions& options,
                                                  std::uint32_t startScanID,
                                                  const std::string& directory);

// The free space of the directory's volume, as the main window shows it; nothing when it
// cannot be read (a directory of another machine, or one that no longer exists).
std::optional<std::uint64_t> SpreadsheetFreeSpace(const std::string& directory);

} // namespace reports

#endif
