/*
 * What the main window's grid shows, built from the loaded scans without touching the store:
 * one column per loaded scan (newest on the left) with its date label, one row per shown child
 * directory or extension with its values, and the totals row of the directory view. Sorting
 * changes rebuild it from memory.
 *
 * Two forms of the same rules: a GridPlan (row order, hidden rows, totals, headers) whose cells
 * are formatted on demand by GridCellText, for a view that shows only the cells on screen of a
 * large table; and GridContent, every cell as text, for reports and tests. Main thread only.
 */
#ifndef TALLYVOL_APP_VIEW_GRIDCONTENT_H
#define TALLYVOL_APP_VIEW_GRIDCONTENT_H

#include "scan/DisplayData.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace app {

enum SortMethod { kSortBySize = 1, kSortByName = 2, kSortByChange = 3 };

inline constexpr const char* kTotalsRowName = "*** Totals ***";
inline constexpr const char* kExtensionRootRowName = "Root of scan for extension info-->";

struct GridOptions {
    int view = 0;          // 0 directory sizes, 1 extension sizes, 2 extension counts
    int sortMethod = kSortByName;
    int units = 2;         // FormatBytes units
    bool showBlankRows = false;
    // The column header of a scan (the date label rule shared with the reports).
    std::function<std::string(const scan::ScanDateTime&)> dateLabel;
    // The stored root path of a scan (extension views name each scan's root in row 1).
    std::function<std::string(std::uint32_t scanID)> scanRoot;
};

struct GridContent {
    std::vector<std::string> columnHeaders;  // one per scan column
    std::vector<std::uint32_t> columnScanIDs; // kept with each header (column deletion)
    // Rows under the header row, in grid order; cell 0 is the name cell.
    std::vector<std::vector<std::string>> rows;
};

// The grid without its cell texts. Rows are numbered from 0 under the header row: the
// extension views' root row first, then the shown data rows, then the directory view's totals.
struct GridPlan {
    enum class RowKind { kExtensionRoot, kData, kTotals };

    int view = 0;
    int units = 2;
    std::vector<std::string> columnHeaders;
    std::vector<std::uint32_t> columnScanIDs;
    std::vector<std::string> scanRoots;   // the root row's cells (extension views)
    bool rootRow = false;
    std::vector<std::size_t> dataRows;    // shown rows in order, as indices into the data's rows
    bool totalsRow = false;
    std::vector<std::uint64_t> totals;    // per scan column, over the shown rows

    std::size_t RowCount() const { return (rootRow ? 1 : 0) + dataRows.size() + (totalsRow ? 1 : 0); }
    std::size_t ColumnCount() const { return columnScanIDs.empty() ? 0 : 1 + columnScanIDs.size(); }
    RowKind KindOfRow(std::size_t row) const;
};

// The order FillGrid sorts rows in; the change sort falls back to size without a second scan.
int EffectiveSortMethod(const scan::DisplayData& data, int sortMethod);

// Sorts row indices of `data.rows` by the method (an unstable sort, as the grid's is).
std::vector<std::size_t> SortedRowOrder(const scan::DisplayData& data, int sortMethod);

// The grid's name cell for a stored row name: a leading "DRN*" (any case) removed, then only
// the text after the last path separator.
std::string RowDisplayName(const std::string& storedName);

// Sorts, hides blank rows and adds up the totals; no cell text is made.
GridPlan PlanGrid(const scan::DisplayData& data, const GridOptions& options);

// The text of one cell of a planned grid (column 0 is the name cell). A row or column outside
// the plan, or a plan older than the data, gives an empty text.
std::string GridCellText(const scan::DisplayData& data, const GridPlan& plan, std::size_t row, std::size_t column);

GridContent BuildGridContent(const scan::DisplayData& data, const GridOptions& options);

} // namespace app

#endif
