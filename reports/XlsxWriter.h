/*
 * Writes a spreadsheet report (WorkbookModel) as an .xlsx workbook with libxlsxwriter: the
 * data sheets first, each with its title in A1 and the scans' date labels along row 1, then one
 * chart sheet per chart, plotted by rows (a line per row across the scans, oldest on the left)
 * or by columns (a pie of one scan), landscape pages. The file is written beside its final
 * name and renamed into place, and a file that a spreadsheet program holds open (its lock file
 * sits beside it) is never replaced. Main thread; one write per call, nothing kept.
 */
#ifndef TALLYVOL_REPORTS_XLSXWRITER_H
#define TALLYVOL_REPORTS_XLSXWRITER_H

#include "reports/WorkbookModel.h"

#include <string>

namespace reports {

// Excel draws at most this many series in one chart: a line chart shows the first (largest)
// rows of its sheet.
inline constexpr std::size_t kMaxChartSeries = 255;

struct XlsxWriteResult {
    bool written = false;
    int code = 0;          // errno value, or the spreadsheet library's error number
    std::string errorText; // the system's (or the library's) text for the failure
};

class XlsxWriter {
public:
    explicit XlsxWriter(const WorkbookModel& model);

    // Writes the workbook to `path`. With replaceExisting a file already there is replaced
    // (unless it is open elsewhere); without, an existing file fails the write with EEXIST.
    XlsxWriteResult Write(const std::string& path, bool replaceExisting) const;

private:
    // Fills the workbook file at `path` (a fresh name); 0 or the library's error number.
    int render(const std::string& path) const;

    const WorkbookModel& m_model;
};

// The lock file that shows `path` open in LibreOffice (".~lock.NAME#") or Microsoft Office
// ("~$NAME") beside it; empty when there is none.
std::string OpenElsewhereLockFile(const std::string& path);

// The text as a workbook may hold it: valid UTF-8 without the control characters XML forbids
// (each bad byte or character becomes U+FFFD), at most `maxBytes` bytes.
std::string SpreadsheetText(const std::string& text, std::size_t maxBytes = 32767);

} // namespace reports

#endif
