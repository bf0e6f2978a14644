/*
 * The content of a spreadsheet report, before any file exists: which scans become columns,
 * which rows are kept (largest first, small ones optionally grouped as "All Others"), the
 * "Total" and "Free Space" rows, the data sheets with their cell values, and the charts drawn
 * from them, all as the main window's view calls for. Built from its own copy of the loaded
 * scans, so nothing reaches the grid. XlsxWriter turns it into a file. Main thread; immutable
 * once built.
 */
#ifndef TALLYVOL_REPORTS_WORKBOOKMODEL_H
#define TALLYVOL_REPORTS_WORKBOOKMODEL_H

#include "reports/SpreadsheetOptions.h"
#include "scan/DisplayData.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace reports {

// Identifiers of the added rows: -1, -2 and -3 as the 32-bit values their keys hold.
inline constexpr std::uint32_t kAllOthersRowID = static_cast<std::uint32_t>(-1);
inline constexpr std::uint32_t kTotalRowID = static_cast<std::uint32_t>(-2);
inline constexpr std::uint32_t kFreeSpaceRowID = static_cast<std::uint32_t>(-3);

// A chart title longer than this loses the start of its directory (Excel refuses longer ones).
inline constexpr std::size_t kMaxChartTitleCharacters = 255;

enum class ChartType { kPie, kLine };

struct WorkbookRow {
    std::uint32_t id = 0;
    std::string label; // the row label reports use
    // One per sheet column, oldest first: the number shown (in the report's unit, or a count);
    // nothing where the scan holds no value.
    std::vector<std::optional<std::uint64_t>> cells;
};

struct WorkbookSheet {
    std::string name;
    std::string title;                     // cell A1
    std::vector<std::string> columnLabels; // row 1 from column B on: date labels, oldest first
    std::vector<WorkbookRow> rows;         // from row 2 on
};

struct WorkbookChart {
    std::string name;
    ChartType type = ChartType::kPie;
    std::string sourceSheet; // the table starting at its A1
    std::string title;
    std::string valueUnit; // the unit word of the values; empty for counts
};

struct WorkbookRequest {
    int view = 0; // 0 directory sizes, 1 extension sizes, 2 extension counts
    SpreadsheetOptions options;
    std::uint32_t startScanID = 0;
    // Bytes free on the directory's volume now; nothing when it cannot be read (the "Free Space"
    // row then has empty cells).
    std::optional<std::uint64_t> freeSpace;
};

class WorkbookModel {
public:
    // Throws std::invalid_argument when the start scan is not among the loaded scans or
    // NumColumns is 0 (callers check both first and tell the user).
    WorkbookModel(const scan::DisplayData& loaded, const WorkbookRequest& request);

    // The report's scans, oldest first; the start scan is the last.
    const std::vector<scan::LoadedScan>& Columns() const { return m_columns; }
    // The copy: rows in report order with the added rows last, their values under their keys.
    const scan::DisplayData& Data() const { return m_data; }
    const std::vector<WorkbookSheet>& Sheets() const { return m_sheets; }
    const std::vector<WorkbookChart>& Charts() const { return m_charts; }
    // The sheet of that name, or null.
    const WorkbookSheet* Sheet(const std::string& name) const;

private:
    void selectColumns(const scan::DisplayData& loaded, std::uint32_t startScanID,
                       unsigned numColumns);
    void arrangeRows(const SpreadsheetOptions& options);
    void addSummaryValues(const std::optional<std::uint64_t>& freeSpace);
    void planSheetsAndCharts();
    void addSheet(const char* name, const char* title, bool allColumns, bool ordinaryRows,
                  bool total, bool free);
    void addChart(const char* name, ChartType type, const char* source, const char* titlePattern);
    std::optional<std::uint64_t> cellValue(std::uint32_t rowID, std::uint32_t scanID) const;

    int m_view = 0;
    int m_precision = 2;
    scan::DisplayData m_data;
    std::vector<scan::LoadedScan> m_columns;
    std::vector<std::uint32_t> m_groupedRows; // removed from the report, summed as "All Others"
    bool m_hasAllOthers = false;
    std::vector<WorkbookSheet> m_sheets;
    std::vector<WorkbookChart> m_charts;
};

// The title with the directory in place of the first %s and the unit word in place of the
// second, the directory shortened from the left ("...") when the title would pass
// kMaxChartTitleCharacters.
std::string ChartTitle(const char* pattern, const std::string& directory,
                       const std::string& unitWord);

} // namespace reports

#endif
