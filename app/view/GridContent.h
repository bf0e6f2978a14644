/*
 * What the main window's grid shows, built from the loaded scans without touching the store:
 * one column per loaded scan (newest on the left) with its date label, one row per shown child
 * directory or extension with its values, and the totals row of the directory view. The window
 * copies this table into its grid; sorting changes rebuild it from memory. Main thread only.
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

// The order FillGrid sorts rows in; the change sort falls back to size without a second scan.
int EffectiveSortMethod(const scan::DisplayData& data, int sortMethod);

// Sorts row indices of `data.rows` by the method (an unstable sort, as the grid's is).
std::vector<std::size_t> SortedRowOrder(const scan::DisplayData& data, int sortMethod);

// The grid's name cell for a stored row name: a leading "DRN*" (any case) removed, then only
// the text after the last path separator.
std::string RowDisplayName(const std::string& storedName);

GridContent BuildGridContent(const scan::DisplayData& data, const GridOptions& options);

} // namespace app

#endif
