// The spreadsheet report's content rules: which scans become columns, how rows are sorted,
// grouped and summed, the added rows, the cell values in each unit, and the sheets and charts
// of each view.
#include "reports/WorkbookModel.h"
#include "tests/unit/reports/ReportFixture.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

using namespace reports;
using reporttest::Date;

namespace {

constexpr std::uint64_t kMax64 = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t kMaxSigned =
    static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());

// Scans 30 (newest), 20 and 10 of //h/d; in scan 30 the six rows hold 1000 bytes in all, C
// exactly 5%, D just under it, E nothing.
scan::DisplayData sixRows() {
    scan::DisplayData data;
    data.path = "//h/d";
    data.scans = {
        {30, Date(2023, 3, 3, 8, 0)}, {20, Date(2023, 3, 2, 8, 0)}, {10, Date(2023, 3, 1, 8, 0)}};
    data.rows = {{1, "//h/d/A"}, {2, "//h/d/B"}, {3, "//h/d/C"},
                 {4, "//h/d/D"}, {5, "//h/d/E"}, {6, "DRN*//h/d/F"}};
    const std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint64_t>> values = {
        {1, 30, 600}, {1, 20, 500}, {1, 10, 400}, {2, 30, 300}, {2, 20, 300}, {3, 30, 50},
        {3, 10, 7},   {4, 30, 49},  {4, 20, 40},  {5, 20, 11},  {5, 10, 13},  {6, 30, 1}};
    for (const auto& [row, scanID, value] : values) {
        data.SetValue(row, scanID, value);
    }
    return data;
}

WorkbookRequest request(int dataAmount, unsigned maxRows = 20, std::uint32_t start = 30,
                        unsigned columns = 10) {
    WorkbookRequest r;
    r.options.NumColumns = columns;
    r.options.DataAmount = dataAmount;
    r.options.MaxRows = maxRows;
    r.options.Precision = 0;
    r.startScanID = start;
    r.freeSpace = 5368709120ULL;
    return r;
}

std::vector<std::string> labels(const WorkbookSheet& sheet) {
    std::vector<std::string> out;
    for (const WorkbookRow& row : sheet.rows) {
        out.push_back(row.label);
    }
    return out;
}

using Cells = std::vector<std::optional<std::uint64_t>>;

const WorkbookRow* rowNamed(const WorkbookSheet& sheet, const std::string& label) {
    for (const WorkbookRow& row : sheet.rows) {
        if (row.label == label) {
            return &row;
        }
    }
    return nullptr;
}

class WorkbookModelTest : public reporttest::ReportTest {};

} // namespace

TEST_F(WorkbookModelTest, ColumnsRunFromOlderScansUpToTheStartScan) {
    struct Case {
        std::uint32_t start;
        unsigned numColumns;
        std::vector<std::uint32_t> expected; // oldest first
    } cases[] = {
        {110, 3, {108, 109, 110}},
        {110, 1, {110}},  // one column: only the start scan
        {101, 10, {101}}, // the oldest scan as start: one column whatever is asked
        {105, 100, {101, 102, 103, 104, 105}}, // never newer than the start scan
        {105, 5, {101, 102, 103, 104, 105}},
    };
    scan::DisplayData data;
    reporttest::FillTenScans(data);
    for (const Case& c : cases) {
        WorkbookModel model(data, request(kUseAllData, 20, c.start, c.numColumns));
        std::vector<std::uint32_t> ids;
        for (const scan::LoadedScan& column : model.Columns()) {
            ids.push_back(column.scanID);
        }
        EXPECT_EQ(ids, c.expected) << "start " << c.start << " columns " << c.numColumns;
        const WorkbookSheet* full = model.Sheet("FullData");
        ASSERT_NE(full, nullptr);
        EXPECT_EQ(full->columnLabels.size(), c.expected.size());
        EXPECT_EQ(model.Sheet("CurrentData")->columnLabels,
                  std::vector<std::string>{full->columnLabels.back()});
        EXPECT_EQ(model.Sheet("TotalsData")->rows.at(0).cells.size(), c.expected.size());
    }
    WorkbookModel three(data, request(kUseAllData, 20, 110, 3));
    EXPECT_EQ(three.Sheet("FullData")->columnLabels,
              (std::vector<std::string>{"Mar 8, 8:00 AM", "Mar 9, 8:00 AM", "Mar 10, 8:00 AM"}));
}

TEST_F(WorkbookModelTest, RowsAreSortedGroupedAndSummed) {
    struct Case {
        const char* name;
        int dataAmount;
        unsigned maxRows;
        std::vector<std::string> ordinary; // FullData rows, in order
        Cells allOthers;                   // oldest first; empty: no such row
        Cells total;
    } cases[] = {
        {"all data", kUseAllData, 20, {"A", "B", "C", "D", "F", "E"}, {}, {420, 851, 1000}},
        {"grouping below 5%",
         kGroupSmallNumbers,
         20,
         {"A", "B", "C", "All Others"},
         {13, 51, 50},
         {420, 851, 1000}},
        {"two rows",
         kSpecifyNumberOfRows,
         2,
         {"A", "B", "All Others"},
         {20, 51, 100},
         {420, 851, 1000}},
        {"more rows than exist",
         kSpecifyNumberOfRows,
         99,
         {"A", "B", "C", "D", "F", "E", "All Others"},
         {0, 0, 0},
         {420, 851, 1000}},
        {"no rows", kSpecifyNumberOfRows, 0, {"All Others"}, {420, 851, 1000}, {420, 851, 1000}},
    };
    for (const Case& c : cases) {
        WorkbookModel model(sixRows(), request(c.dataAmount, c.maxRows));
        const WorkbookSheet& full = *model.Sheet("FullData");
        EXPECT_EQ(labels(full), c.ordinary) << c.name;
        const WorkbookRow* others = rowNamed(full, "All Others");
        EXPECT_EQ(others != nullptr, !c.allOthers.empty()) << c.name;
        if (others != nullptr) {
            EXPECT_EQ(others->id, 4294967295u);
            EXPECT_EQ(others->cells, c.allOthers) << c.name;
        }
        const WorkbookSheet& totals = *model.Sheet("TotalsData");
        ASSERT_EQ(labels(totals), std::vector<std::string>{"Total"}) << c.name;
        EXPECT_EQ(totals.rows[0].id, 4294967294u);
        EXPECT_EQ(totals.rows[0].cells, c.total) << c.name;
        // The copy keeps the added rows' values under their "%u:%u" keys; the loaded scans stay as
        // they were.
        EXPECT_EQ(model.Data().Value(4294967294u, 20), std::optional<std::uint64_t>(851)) << c.name;
        EXPECT_EQ(model.Data().Value(4294967293u, 10), std::optional<std::uint64_t>(5368709120ULL))
            << c.name;
    }
    // A missing value is a blank cell, never 0.
    WorkbookModel model(sixRows(), request(kUseAllData));
    EXPECT_EQ(rowNamed(*model.Sheet("FullData"), "E")->cells, (Cells{13, 11, std::nullopt}));
}

TEST_F(WorkbookModelTest, GroupingWithAZeroStartTotalRemovesNothing) {
    scan::DisplayData data = sixRows();
    data.scans.insert(data.scans.begin(), {40, Date(2023, 3, 4, 8, 0)});
    data.SetValue(1, 40, 0);
    data.SetValue(2, 40, 0);
    WorkbookModel model(data, request(kGroupSmallNumbers, 20, 40, 1));
    // Every row is 0 or missing: none moves, none is grouped.
    EXPECT_EQ(labels(*model.Sheet("FullData")),
              (std::vector<std::string>{"A", "B", "C", "D", "E", "F"}));
    EXPECT_EQ(model.Data().Value(kAllOthersRowID, 40), std::nullopt);
}

TEST_F(WorkbookModelTest, CurrentSheetsAddFreeSpaceOnlyWhereTheViewAsks) {
    WorkbookModel model(sixRows(), request(kGroupSmallNumbers));
    const WorkbookSheet& current = *model.Sheet("CurrentData");
    const WorkbookSheet& plusFree = *model.Sheet("CurrentDataPlusFree");
    EXPECT_EQ(labels(current), (std::vector<std::string>{"A", "B", "C", "All Others"}));
    EXPECT_EQ(labels(plusFree),
              (std::vector<std::string>{"A", "B", "C", "All Others", "Free Space"}));
    EXPECT_EQ(plusFree.rows.back().id, 4294967293u);
    EXPECT_EQ(plusFree.rows.back().cells, Cells{5368709120ULL});
    EXPECT_EQ(current.rows[0].cells, Cells{600});

    WorkbookRequest unknownFree = request(kGroupSmallNumbers);
    unknownFree.freeSpace.reset();
    WorkbookModel withoutFree(sixRows(), unknownFree);
    EXPECT_EQ(withoutFree.Sheet("CurrentDataPlusFree")->rows.back().cells, Cells{std::nullopt});
}

TEST_F(WorkbookModelTest, CellsShowTheUnitsNumberOrThePlainCount) {
    struct Case {
        int view;
        int precision;
        std::uint64_t value;
        std::uint64_t shown;
    } cases[] = {
        {0, 0, 1536, 1536},
        {0, 1, 1536, 1},
        {0, 1, 500, 0},
        {0, 2, 3 * 1048576ULL + 5, 3},
        {0, 3, 5 * 1073741824ULL + 1, 5},
        {1, 2, 1048576, 1},
        {2, 2, 1048576, 1048576},   // counts are never divided
        {0, 0, kMax64, kMaxSigned}, // no size passes what the store and the formatter hold
        {2, 0, kMax64, kMax64},
    };
    for (const Case& c : cases) {
        scan::DisplayData data;
        data.path = "//h/d";
        data.scans = {{30, Date(2023, 3, 3, 8, 0)}};
        data.rows = {{1, "//h/d/A"}};
        data.SetValue(1, 30, c.value);
        WorkbookRequest r = request(kUseAllData);
        r.options.Precision = c.precision;
        r.view = c.view;
        WorkbookModel model(data, r);
        EXPECT_EQ(model.Sheet("FullData")->rows.at(0).cells, Cells{c.shown})
            << "view " << c.view << " precision " << c.precision << " value " << c.value;
    }
}

TEST_F(WorkbookModelTest, SumsPastTheLargestValueStayThereInsteadOfWrapping) {
    scan::DisplayData data;
    reporttest::FillExtensionCounts(data);
    WorkbookRequest r = request(kUseAllData, 20, 31, 3);
    r.view = 2;
    WorkbookModel model(data, r);
    EXPECT_EQ(model.Data().Value(kTotalRowID, 31), std::optional<std::uint64_t>(kMax64));
    EXPECT_EQ(model.Data().Value(kTotalRowID, 22), std::optional<std::uint64_t>(1048581));
}

TEST_F(WorkbookModelTest, EachViewHasItsSheetsAndCharts) {
    struct Sheet {
        const char* name;
        const char* title;
        std::size_t columns;
        std::vector<std::string> rows;
    };
    struct Chart {
        const char* name;
        ChartType type;
        const char* source;
        const char* title;
    };
    const std::vector<std::string> ordinary = {"A", "B", "C", "All Others"};
    const std::vector<std::string> plusFree = {"A", "B", "C", "All Others", "Free Space"};
    struct Case {
        int view;
        std::vector<Sheet> sheets;
        std::vector<Chart> charts;
    } cases[] = {
        {0,
         {{"FullData", "Directory Sizes", 3, ordinary},
          {"TotalsData", "Directory Sizes", 3, {"Total"}},
          {"CurrentData", "Directory Sizes", 1, ordinary},
          {"CurrentDataPlusFree", "Directory Sizes", 1, plusFree}},
         {{"Current", ChartType::kPie, "CurrentData", "Space Used Under //h/d in MB"},
          {"CurrentPlusFree", ChartType::kPie, "CurrentDataPlusFree",
           "Free Space and Space Used Under //h/d in MB"},
          {"TotalGrowth", ChartType::kLine, "TotalsData", "Total Growth of //h/d in MB"},
          {"DirGrowth", ChartType::kLine, "FullData", "Space Used Under //h/d in MB"}}},
        {1,
         {{"FullData", "File Type Sizes", 3, ordinary},
          {"CurrentData", "File Type Sizes", 1, ordinary},
          {"CurrentDataPlusFree", "File Type Sizes", 1, plusFree}},
         {{"Current", ChartType::kPie, "CurrentData", "Space Used by File Type Under //h/d in MB"},
          {"CurrentPlusFree", ChartType::kPie, "CurrentDataPlusFree",
           "Free Space and Space Used by File Type Under //h/d in MB"},
          {"FileGrowth", ChartType::kLine, "FullData",
           "Space Used by File Type Under //h/d in MB"}}},
        {2,
         {{"FullData", "File Type Counts", 3, ordinary},
          {"CurrentData", "File Type Counts", 1, ordinary}},
         {{"CurrentFileCounts", ChartType::kPie, "CurrentData",
           "Current File Type Counts Under //h/d"},
          {"FileCounts", ChartType::kLine, "FullData", "File Type Counts Under //h/d"}}},
    };
    for (const Case& c : cases) {
        WorkbookRequest r = request(kGroupSmallNumbers);
        r.view = c.view;
        r.options.Precision = 2;
        WorkbookModel model(sixRows(), r);
        ASSERT_EQ(model.Sheets().size(), c.sheets.size()) << "view " << c.view;
        for (std::size_t i = 0; i < c.sheets.size(); ++i) {
            const WorkbookSheet& sheet = model.Sheets()[i];
            EXPECT_EQ(sheet.name, c.sheets[i].name);
            EXPECT_EQ(sheet.title, c.sheets[i].title) << sheet.name;
            EXPECT_EQ(sheet.columnLabels.size(), c.sheets[i].columns) << sheet.name;
            EXPECT_EQ(labels(sheet), c.sheets[i].rows) << sheet.name;
        }
        ASSERT_EQ(model.Charts().size(), c.charts.size()) << "view " << c.view;
        for (std::size_t i = 0; i < c.charts.size(); ++i) {
            const WorkbookChart& chart = model.Charts()[i];
            EXPECT_EQ(chart.name, c.charts[i].name);
            EXPECT_EQ(chart.type, c.charts[i].type) << chart.name;
            EXPECT_EQ(chart.sourceSheet, c.charts[i].source) << chart.name;
            EXPECT_EQ(chart.title, c.charts[i].title) << chart.name;
        }
    }
}

TEST_F(WorkbookModelTest, LongDirectoriesLoseTheirStartInChartTitles) {
    std::string directory = "//h/" + std::string(300, 'x') + "/ünïcødé [old]: it's";
    std::string title = ChartTitle("Free Space and Space Used Under %s in %s", directory, "GB");
    EXPECT_EQ(title.rfind("Free Space and Space Used Under ...", 0), 0u) << title;
    EXPECT_NE(title.find("/ünïcødé [old]: it's in GB"), std::string::npos) << title;
    std::size_t characters = 0;
    for (char c : title) {
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    EXPECT_EQ(characters, kMaxChartTitleCharacters);
    EXPECT_EQ(ChartTitle("Total Growth of %s in %s", "//h/d", "K"), "Total Growth of //h/d in K");
}

TEST_F(WorkbookModelTest, RefusesWhatTheDialogChecksFirst) {
    EXPECT_THROW(WorkbookModel(sixRows(), request(kUseAllData, 20, 30, 0)), std::invalid_argument);
    EXPECT_THROW(WorkbookModel(sixRows(), request(kUseAllData, 20, 99)), std::invalid_argument);
    EXPECT_THROW(WorkbookModel(scan::DisplayData(), request(kUseAllData, 20, 0)),
                 std::invalid_argument);
}
