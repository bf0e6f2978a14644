#include "reports/WorkbookModel.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/FormatBytes.h"
#include "platform/system/StringPrintf.h"
#include "reports/ReportFormat.h"
#include "reports/ScanDateLabel.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace reports {

using platform::system::StringPrintf;

namespace {

constexpr std::uint64_t kLargestSize =
    static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());

// A sum of sizes or counts that would pass 2^64 - 1 stays there: wrapping would turn a huge
// total into a small, plausible-looking one.
std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) {
    std::uint64_t sum = a + b;
    return sum < a ? std::numeric_limits<std::uint64_t>::max() : sum;
}

std::size_t characterCount(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The last `count` characters of a UTF-8 text.
std::string lastCharacters(const std::string& text, std::size_t count) {
    std::size_t start = text.size();
    while (start > 0 && count > 0) {
        --start;
        if ((static_cast<unsigned char>(text[start]) & 0xC0) != 0x80) {
            --count;
        }
    }
    return text.substr(start);
}

} // namespace

std::string ChartTitle(const char* pattern, const std::string& directory,
                       const std::string& unitWord) {
    std::string title = StringPrintf(pattern, directory.c_str(), unitWord.c_str());
    if (characterCount(title) <= kMaxChartTitleCharacters) {
        return title;
    }
    static const std::string kEllipsis = "...";
    std::size_t fixed =
        characterCount(StringPrintf(pattern, "", unitWord.c_str())) + kEllipsis.size();
    std::size_t room = kMaxChartTitleCharacters > fixed ? kMaxChartTitleCharacters - fixed : 0;
    std::string shortened = kEllipsis + lastCharacters(directory, room);
    return StringPrintf(pattern, shortened.c_str(), unitWord.c_str());
}

WorkbookModel::WorkbookModel(const scan::DisplayData& loaded, const WorkbookRequest& request)
    : m_view(request.view), m_precision(request.options.Precision), m_data(loaded) {
    if (request.options.NumColumns == 0) {
        throw std::invalid_argument("no columns to export");
    }
    selectColumns(loaded, request.startScanID, request.options.NumColumns);
    arrangeRows(request.options);
    addSummaryValues(request.freeSpace);
    planSheetsAndCharts();
}

const WorkbookSheet* WorkbookModel::Sheet(const std::string& name) const {
    for (const WorkbookSheet& sheet : m_sheets) {
        if (sheet.name == name) {
            return &sheet;
        }
    }
    return nullptr;
}

void WorkbookModel::selectColumns(const scan::DisplayData& loaded, std::uint32_t startScanID,
                                  unsigned numColumns) {
    std::vector<scan::LoadedScan> oldestFirst(loaded.scans.rbegin(), loaded.scans.rend());
    auto start = std::find_if(
        oldestFirst.begin(), oldestFirst.end(),
        [startScanID](const scan::LoadedScan& scan) { return scan.scanID == startScanID; });
    if (start == oldestFirst.end() || startScanID == 0) {
        throw std::invalid_argument("start scan not loaded");
    }
    std::ptrdiff_t olderAvailable = start - oldestFirst.begin();
    std::ptrdiff_t back =
        std::min<std::ptrdiff_t>(olderAvailable, static_cast<std::ptrdiff_t>(numColumns) - 1);
    m_columns.assign(start - back, start + 1);
}

void WorkbookModel::arrangeRows(const SpreadsheetOptions& options) {
    const std::uint32_t startScan = m_columns.back().scanID;
    auto startValue = [&](const scan::DisplayRow& row) {
        return m_data.Value(row.id, startScan).value_or(0);
    };
    // Stable, so rows of equal size keep the order they were loaded in and every run agrees.
    std::stable_sort(m_data.rows.begin(), m_data.rows.end(),
                     [&](const scan::DisplayRow& a, const scan::DisplayRow& b) {
                         return startValue(a) > startValue(b);
                     });

    std::vector<scan::DisplayRow> kept;
    switch (options.DataAmount) {
    case kGroupSmallNumbers: {
        unsigned __int128 total = 0;
        for (const scan::DisplayRow& row : m_data.rows) {
            total += startValue(row);
        }
        if (total == 0) {
            kept = m_data.rows;
            break;
        }
        for (const scan::DisplayRow& row : m_data.rows) {
            // value / total < 0.05, in exact integers.
            std::optional<std::uint64_t> value = m_data.Value(row.id, startScan);
            if (!value || static_cast<unsigned __int128>(*value) * 20 < total) {
                m_groupedRows.push_back(row.id);
            } else {
                kept.push_back(row);
            }
        }
        m_hasAllOthers = true;
        break;
    }
    case kSpecifyNumberOfRows:
        for (const scan::DisplayRow& row : m_data.rows) {
            if (kept.size() < options.MaxRows) {
                kept.push_back(row);
            } else {
                m_groupedRows.push_back(row.id);
            }
        }
        m_hasAllOthers = true;
        break;
    default:
        kept = m_data.rows;
        break;
    }
    if (m_hasAllOthers) {
        kept.push_back({kAllOthersRowID, "All Others"});
    }
    kept.push_back({kTotalRowID, "Total"});
    kept.push_back({kFreeSpaceRowID, "Free Space"});
    m_data.rows = std::move(kept);
}

void WorkbookModel::addSummaryValues(const std::optional<std::uint64_t>& freeSpace) {
    const std::size_t ordinaryCount = m_data.rows.size() - 2;
    for (auto column = m_columns.rbegin(); column != m_columns.rend(); ++column) {
        const std::uint32_t scanID = column->scanID;
        if (m_hasAllOthers) {
            std::uint64_t others = 0;
            for (std::uint32_t rowID : m_groupedRows) {
                others = saturatingAdd(others, m_data.Value(rowID, scanID).value_or(0));
            }
            m_data.SetValue(kAllOthersRowID, scanID, others);
        }
        std::uint64_t total = 0;
        for (std::size_t r = 0; r < ordinaryCount; ++r) {
            total = saturatingAdd(total, m_data.Value(m_data.rows[r].id, scanID).value_or(0));
        }
        m_data.SetValue(kTotalRowID, scanID, total);
        if (freeSpace) {
            m_data.SetValue(kFreeSpaceRowID, scanID, *freeSpace);
        }
        TV_DEBUG_LOG("Free space for %s is reported as %lld, %u:%u:", m_data.path.c_str(),
                     freeSpace ? static_cast<long long>(*freeSpace) : -1LL, kFreeSpaceRowID,
                     scanID);
    }
}

std::optional<std::uint64_t> WorkbookModel::cellValue(std::uint32_t rowID,
                                                      std::uint32_t scanID) const {
    std::optional<std::uint64_t> value = m_data.Value(rowID, scanID);
    if (!value || m_view == 2) {
        return value; // counts are never divided
    }
    // The formatter takes signed sizes; nothing the store holds is larger.
    std::int64_t size = static_cast<std::int64_t>(std::min(*value, kLargestSize));
    return std::stoull(app::FormatBytes(size, false, m_precision + 1));
}

void WorkbookModel::addSheet(const char* name, const char* title, bool allColumns,
                             bool ordinaryRows, bool total, bool free) {
    WorkbookSheet sheet;
    sheet.name = name;
    sheet.title = title;
    std::vector<scan::LoadedScan> columns =
        allColumns ? m_columns : std::vector<scan::LoadedScan>{m_columns.back()};
    for (const scan::LoadedScan& column : columns) {
        sheet.columnLabels.push_back(ScanDateLabel(column.date));
    }
    const std::size_t count = m_data.rows.size();
    for (std::size_t r = 0; r < count; ++r) {
        bool isTotal = r == count - 2;
        bool isFree = r == count - 1;
        if (!(isTotal ? total : isFree ? free : ordinaryRows)) {
            continue;
        }
        const scan::DisplayRow& row = m_data.rows[r];
        WorkbookRow out{row.id, RowLabel(row.name), {}};
        for (const scan::LoadedScan& column : columns) {
            out.cells.push_back(cellValue(row.id, column.scanID));
        }
        sheet.rows.push_back(std::move(out));
    }
    m_sheets.push_back(std::move(sheet));
}

void WorkbookModel::addChart(const char* name, ChartType type, const char* source,
                             const char* titlePattern) {
    std::string unit = m_view == 2 ? std::string() : SpreadsheetUnitWord(m_precision);
    m_charts.push_back({name, type, source, ChartTitle(titlePattern, m_data.path, unit), unit});
}

void WorkbookModel::planSheetsAndCharts() {
    switch (m_view) {
    case 1:
        addSheet("FullData", "File Type Sizes", true, true, false, false);
        addSheet("CurrentData", "File Type Sizes", false, true, false, false);
        addSheet("CurrentDataPlusFree", "File Type Sizes", false, true, false, true);
        addChart("Current", ChartType::kPie, "CurrentData",
                 "Space Used by File Type Under %s in %s");
        addChart("CurrentPlusFree", ChartType::kPie, "CurrentDataPlusFree",
                 "Free Space and Space Used by File Type Under %s in %s");
        addChart("FileGrowth", ChartType::kLine, "FullData",
                 "Space Used by File Type Under %s in %s");
        break;
    case 2:
        addSheet("FullData", "File Type Counts", true, true, false, false);
        addSheet("CurrentData", "File Type Counts", false, true, false, false);
        addChart("CurrentFileCounts", ChartType::kPie, "CurrentData",
                 "Current File Type Counts Under %s");
        addChart("FileCounts", ChartType::kLine, "FullData", "File Type Counts Under %s");
        break;
    default:
        addSheet("FullData", "Directory Sizes", true, true, false, false);
        addSheet("TotalsData", "Directory Sizes", true, false, true, false);
        addSheet("CurrentData", "Directory Sizes", false, true, false, false);
        addSheet("CurrentDataPlusFree", "Directory Sizes", false, true, false, true);
        addChart("Current", ChartType::kPie, "CurrentData", "Space Used Under %s in %s");
        addChart("CurrentPlusFree", ChartType::kPie, "CurrentDataPlusFree",
                 "Free Space and Space Used Under %s in %s");
        addChart("TotalGrowth", ChartType::kLine, "TotalsData", "Total Growth of %s in %s");
        addChart("DirGrowth", ChartType::kLine, "FullData", "Space Used Under %s in %s");
        break;
    }
}

} // namespace reports
