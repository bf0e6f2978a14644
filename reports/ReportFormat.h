/*
 * The bytes of a report file in each of its three formats: the header and footer texts and how
 * one row of cells is written (HTML table row, comma-separated line, tab-separated line), plus
 * the label a row gets. Pure text functions; any thread.
 */
#ifndef TALLYVOL_REPORTS_REPORTFORMAT_H
#define TALLYVOL_REPORTS_REPORTFORMAT_H

#include <string>
#include <vector>

namespace reports {

enum ReportFormat { kFormatHtml = 0, kFormatCsv = 1, kFormatText = 2 };

// Only the header row is set in bold and left-aligned throughout; data and totals rows share
// their layout.
enum class RowKind { kHeader, kData };

// 0 and 1 as given; every other value is read as plain text.
ReportFormat ReportFormatOf(int format);

// ".html", ".csv" or ".txt".
const char* ReportFileExtension(ReportFormat format);

// The text before the first row: plain text and HTML carry the product, the directory and the
// print date; comma-separated files have none.
std::string ReportHeader(ReportFormat format, const std::string& productName, const std::string& directory,
                         const std::string& printDate);

// The text after the last row (HTML only).
std::string ReportFooter(ReportFormat format);

// One row, line end included. HTML cell texts are escaped; comma-separated cells lose their
// commas; tab-separated cells are written as they are.
std::string ReportRow(ReportFormat format, const std::vector<std::string>& cells, RowKind kind);

// A row's name as reports and the grid show it: without a leading "DRN*" (any case), then only
// what follows the last "/".
std::string RowLabel(const std::string& name);

// & < > and " as character references, so that names are shown, never run, by a browser.
std::string HtmlEscape(const std::string& text);

} // namespace reports

#endif
