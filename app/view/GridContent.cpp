#include "app/view/GridContent.h"

#include "app/base/FormatBytes.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>

namespace app {

namespace {

std::int64_t valueOrZero(const scan::DisplayData& data, std::uint32_t row, const std::uint32_t* scan) {
    if (scan == nullptr) {
        return 0;
    }
    return static_cast<std::int64_t>(data.Value(row, *scan).value_or(0));
}

} // namespace

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
    const std::uint32_t* newest = data.scans.size() > 0 ? &data.scans[0].scanID : nullptr;
    const std::uint32_t* second = data.scans.size() > 1 ? &data.scans[1].scanID : nullptr;
    int method = EffectiveSortMethod(data, sortMethod);
    auto less = [&](std::size_t a, std::size_t b) {
        const scan::DisplayRow& rowA = data.rows[a];
        const scan::DisplayRow& rowB = data.rows[b];
        switch (method) {
        case kSortBySize:
            return valueOrZero(data, rowA.id, newest) > valueOrZero(data, rowB.id, newest);
        case kSortByChange: {
            // Wrapping subtraction: sizes near the 64-bit limit must not make the sort undefined.
            auto change = [&](std::uint32_t id) {
                return static_cast<std::int64_t>(static_cast<std::uint64_t>(valueOrZero(data, id, newest)) -
                                                 static_cast<std::uint64_t>(valueOrZero(data, id, second)));
            };
            return change(rowA.id) > change(rowB.id);
        }
        default:
            return rowA.name < rowB.name; // byte order: upper case before lower case
        }
    };
    std::sort(order.begin(), order.end(), less);
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

GridContent BuildGridContent(const scan::DisplayData& data, const GridOptions& options) {
    GridContent grid;
    std::vector<std::size_t> order = SortedRowOrder(data, options.sortMethod);
    if (order.empty()) {
        return grid;
    }
    for (const scan::LoadedScan& loaded : data.scans) {
        grid.columnHeaders.push_back(options.dateLabel ? options.dateLabel(loaded.date) : std::string());
        grid.columnScanIDs.push_back(loaded.scanID);
    }

    bool extensionView = options.view == 1 || options.view == 2;
    if (extensionView) {
        std::vector<std::string> rootRow{"Root of scan for extension info-->"};
        for (const scan::LoadedScan& loaded : data.scans) {
            rootRow.push_back(options.scanRoot ? options.scanRoot(loaded.scanID) : std::string());
        }
        grid.rows.push_back(std::move(rootRow));
    }

    std::vector<std::uint64_t> totals(data.scans.size(), 0);
    for (std::size_t index : order) {
        const scan::DisplayRow& row = data.rows[index];
        std::vector<std::string> cells{RowDisplayName(row.name)};
        bool hasData = false;
        for (std::size_t column = 0; column < data.scans.size(); ++column) {
            std::optional<std::uint64_t> value = data.Value(row.id, data.scans[column].scanID);
            if (!value) {
                cells.emplace_back();
                continue;
            }
            hasData = true;
            totals[column] += *value;
            if (options.view == 2) {
                char digits[32];
                std::snprintf(digits, sizeof digits, "%" PRIu64, *value);
                cells.emplace_back(digits);
            } else {
                cells.push_back(FormatBytes(static_cast<std::int64_t>(*value), true, options.units));
            }
        }
        if (!hasData && !options.showBlankRows) {
            continue; // a hidden row's values are all missing, so the totals are unchanged
        }
        grid.rows.push_back(std::move(cells));
    }

    if (options.view == 0) {
        std::vector<std::string> totalsRow{"*** Totals ***"};
        for (std::uint64_t total : totals) {
            totalsRow.push_back(FormatBytes(static_cast<std::int64_t>(total), true, options.units));
        }
        grid.rows.push_back(std::move(totalsRow));
    }
    return grid;
}

} // namespace app
