#include "app/view/GridContent.h"

#include "app/base/FormatBytes.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>

namespace app {

namespace {

std::int64_t valueOrZero(const scan::DisplayData& data, std::uint32_t row, std::size_t scanIndex) {
    if (scanIndex >= data.scans.size()) {
        return 0;
    }
    return static_cast<std::int64_t>(data.Value(row, data.scans[scanIndex].scanID).value_or(0));
}

std::string valueText(std::uint64_t value, int view, int units) {
    if (view == 2) {
        char digits[32];
        std::snprintf(digits, sizeof digits, "%" PRIu64, value);
        return digits;
    }
    return FormatBytes(static_cast<std::int64_t>(value), true, units);
}

} // namespace

GridPlan::RowKind GridPlan::KindOfRow(std::size_t row) const {
    if (rootRow && row == 0) {
        return RowKind::kExtensionRoot;
    }
    std::size_t dataRow = row - (rootRow ? 1 : 0);
    return dataRow < dataRows.size() ? RowKind::kData : RowKind::kTotals;
}

int EffectiveSortMethod(const scan::DisplayData& data, int sortMethod) {
    if (sortMethod == kSortByChange && data.scans.size() < 2) {
        return kSortBySize;
    }
    return sortMethod;
}

std::vector<std::size_t> SortedRowOrder(const scan::DisplayData& data, int sortMethod) {
    std::vector<std::size_t> order(data.rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    int method = EffectiveSortMethod(data, sortMethod);
    if (method == kSortBySize || method == kSortByChange) {
        // One key per row, looked up once: a comparison must not cost two hash lookups.
        std::vector<std::int64_t> keys(data.rows.size());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            std::uint32_t id = data.rows[i].id;
            if (method == kSortBySize) {
                keys[i] = valueOrZero(data, id, 0);
            } else {
                // Wrapping subtraction: sizes near the 64-bit limit must not make the sort undefined.
                keys[i] = static_cast<std::int64_t>(static_cast<std::uint64_t>(valueOrZero(data, id, 0)) -
                                                    static_cast<std::uint64_t>(valueOrZero(data, id, 1)));
            }
        }
        std::sort(order.begin(), order.end(), [&keys](std::size_t a, std::size_t b) { return keys[a] > keys[b]; });
        return order;
    }
    // Byte order: upper case before lower case.
    std::sort(order.begin(), order.end(),
              [&data](std::size_t a, std::size_t b) { return data.rows[a].name < data.rows[b].name; });
    return order;
}

std::string RowDisplayName(const std::string& storedName) {
    std::string name = storedName;
    if (name.size() >= 4 && std::toupper(static_cast<unsigned char>(name[0])) == 'D' &&
        std::toupper(static_cast<unsigned char>(name[1])) == 'R' &&
        std::toupper(static_cast<unsigned char>(name[2])) == 'N' && name[3] == '*') {
        name.erase(0, 4);
    }
    std::size_t slash = name.find_last_of('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

GridPlan PlanGrid(const scan::DisplayData& data, const GridOptions& options) {
    GridPlan plan;
    plan.view = options.view;
    plan.units = options.units;
    std::vector<std::size_t> order = SortedRowOrder(data, options.sortMethod);
    if (order.empty()) {
        return plan;
    }
    for (const scan::LoadedScan& loaded : data.scans) {
        plan.columnHeaders.push_back(options.dateLabel ? options.dateLabel(loaded.date) : std::string());
        plan.columnScanIDs.push_back(loaded.scanID);
    }
    if (options.view == 1 || options.view == 2) {
        plan.rootRow = true;
        for (const scan::LoadedScan& loaded : data.scans) {
            plan.scanRoots.push_back(options.scanRoot ? options.scanRoot(loaded.scanID) : std::string());
        }
    }

    plan.totals.assign(data.scans.size(), 0);
    plan.dataRows.reserve(order.size());
    for (std::size_t index : order) {
        std::uint32_t id = data.rows[index].id;
        bool hasData = false;
        for (std::size_t column = 0; column < data.scans.size(); ++column) {
            if (std::optional<std::uint64_t> value = data.Value(id, data.scans[column].scanID)) {
                hasData = true;
                plan.totals[column] += *value;
            }
        }
        // A hidden row's values are all missing, so the totals are unchanged by it.
        if (hasData || options.showBlankRows) {
            plan.dataRows.push_back(index);
        }
    }
    plan.totalsRow = options.view == 0;
    return plan;
}

std::string GridCellText(const scan::DisplayData& data, const GridPlan& plan, std::size_t row, std::size_t column) {
    if (row >= plan.RowCount() || column >= plan.ColumnCount()) {
        return {};
    }
    switch (plan.KindOfRow(row)) {
    case GridPlan::RowKind::kExtensionRoot:
        return column == 0 ? kExtensionRootRowName : plan.scanRoots[column - 1];
    case GridPlan::RowKind::kTotals:
        return column == 0 ? kTotalsRowName : FormatBytes(static_cast<std::int64_t>(plan.totals[column - 1]), true, plan.units);
    case GridPlan::RowKind::kData:
        break;
    }
    std::size_t index = plan.dataRows[row - (plan.rootRow ? 1 : 0)];
    if (index >= data.rows.size()) {
        return {}; // the data was reloaded after this plan was made
    }
    const scan::DisplayRow& dataRow = data.rows[index];
    if (column == 0) {
        return RowDisplayName(dataRow.name);
    }
    std::optional<std::uint64_t> value = data.Value(dataRow.id, plan.columnScanIDs[column - 1]);
    return value ? valueText(*value, plan.view, plan.units) : std::string();
}

GridContent BuildGridContent(const scan::DisplayData& data, const GridOptions& options) {
    GridPlan plan = PlanGrid(data, options);
    GridContent grid;
    grid.columnHeaders = plan.columnHeaders;
    grid.columnScanIDs = plan.columnScanIDs;
    grid.rows.reserve(plan.RowCount());
    for (std::size_t row = 0; row < plan.RowCount(); ++row) {
        std::vector<std::string> cells;
        cells.reserve(plan.ColumnCount());
        for (std::size_t column = 0; column < plan.ColumnCount(); ++column) {
            cells.push_back(GridCellText(data, plan, row, column));
        }
        grid.rows.push_back(std::move(cells));
    }
    return grid;
}

} // namespace app
