/*
 * The options of one report: format, destination, units and how many scans and rows it holds.
 * The export dialog loads and saves them as settings; an automated run starts from the saved
 * settings and applies its /PRINTFORMAT= fields.
 */
#ifndef TALLYVOL_REPORTS_EXPORTOPTIONS_H
#define TALLYVOL_REPORTS_EXPORTOPTIONS_H

#include <string>

namespace reports {

// ExportOptions::Format of a spreadsheet report (after HTML 0, comma-separated 1, text 2).
inline constexpr int kExportFormatSpreadsheet = 3;

struct ExportOptions {
    int Format = 2;           // 0 HTML, 1 comma-separated values, 2 plain text, 3 spreadsheet
    int Destination = 0;      // 0 default printer, 1 file
    std::string Path = "/tmp";
    int Precision = 0;        // 0 bytes, 1 K, 2 MB, 3 GB, 4 smart
    bool ShowUnits = false;   // unit names and thousands separators
    unsigned Columns = 3;     // number of scan columns
    unsigned Rows = 0;        // maximum number of data rows; 0 all
    bool ReverseOrder = false;
    bool IncludeTotals = false;
};

// What a report shows of the loaded scans, as the main window shows them.
struct ReportView {
    int view = 0;               // 0 directory sizes, 1 extension sizes, 2 extension file counts
    bool showBlankRows = false; // rows with no value in any shown scan
    int sortMethod = 0;         // the grid's order (1 size, 2 name, 3 change); 0 the stored order
};

// Applies the fields of a "/PRINTFORMAT=" value: units, UNITS, format (HTML, CSV, TEXT or
// XLSX), columns, rows, REVCOLS, TOTALS, comma-separated, empty fields skipped. ShowUnits is set whether or not the value
// holds the field.
void ApplyPrintFormat(const std::string& printFormat, ExportOptions& options);

// The saved export settings (their defaults when absent).
ExportOptions LoadExportOptions();
void SaveExportOptions(const ExportOptions& options);

} // namespace reports

#endif
