// The grid's content: sort methods, hidden blank rows, totals, extension views, recent list.
#include "app/view/GridContent.h"
#include "app/RecentDirectories.h"
#include "app/base/Settings.h"
#include "tests/support/IsolatedEnvironment.h"

#include <gtest/gtest.h>

using namespace app;
using scan::DisplayData;

namespace {

// Three scans (ids 30 newest, 20, 10) of /srv with rows a, B, c, blank.
DisplayData sample() {
    DisplayData data;
    data.path = "//host/srv";
    data.dirID = 1;
    data.scans = {{30, scan::ScanDateTime::Parse("2026-12-03 10:00:00")},
                  {20, scan::ScanDateTime::Parse("2026-12-02 10:00:00")},
                  {10, scan::ScanDateTime::Parse("2026-12-01 10:00:00")}};
    data.rows = {{2, "//host/srv/a"}, {3, "//host/srv/B"}, {4, "//host/srv/c"}, {5, "//host/srv/blank"}};
    data.SetValue(2, 30, 5000);
    data.SetValue(2, 20, 1000); // grew 4000
    data.SetValue(3, 30, 9000);
    data.SetValue(3, 20, 8500); // grew 500
    data.SetValue(4, 30, 100);
    data.SetValue(4, 20, 7000); // shrank
    data.SetValue(4, 10, 1);
    return data;
}

GridOptions options(int view, int sort) {
    GridOptions o;
    o.view = view;
    o.sortMethod = sort;
    o.units = 1;
    o.dateLabel = [](const scan::ScanDateTime& d) { return std::to_string(d.day); };
    o.scanRoot = [](std::uint32_t id) { return "root" + std::to_string(id); };
    return o;
}

std::vector<std::string> names(const GridContent& grid) {
    std::vector<std::string> result;
    for (const auto& row : grid.rows) result.push_back(row[0]);
    return result;
}

} // namespace

TEST(GridContent, SortsBySizeNameOrChange) {
    DisplayData data = sample();
    EXPECT_EQ(names(BuildGridContent(data, options(0, kSortBySize))),
              (std::vector<std::string>{"B", "a", "c", "*** Totals ***"}));
    EXPECT_EQ(names(BuildGridContent(data, options(0, kSortByName))),
              (std::vector<std::string>{"B", "a", "c", "*** Totals ***"}))
        << "byte order puts upper case first";
    EXPECT_EQ(names(BuildGridContent(data, options(0, kSortByChange))),
              (std::vector<std::string>{"a", "B", "c", "*** Totals ***"}));
}

TEST(GridContent, ChangeSortWithOneScanSortsBySize) {
    DisplayData data = sample();
    data.scans.resize(1);
    EXPECT_EQ(EffectiveSortMethod(data, kSortByChange), kSortBySize);
    EXPECT_EQ(names(BuildGridContent(data, options(0, kSortByChange))),
              (std::vector<std::string>{"B", "a", "c", "*** Totals ***"}));
}

TEST(GridContent, BlankRowsAreHiddenUnlessAskedForAndTotalsCountShownValues) {
    DisplayData data = sample();
    GridContent grid = BuildGridContent(data, options(0, kSortByName));
    ASSERT_EQ(grid.columnHeaders, (std::vector<std::string>{"3", "2", "1"}));
    EXPECT_EQ(grid.columnScanIDs, (std::vector<std::uint32_t>{30, 20, 10}));
    ASSERT_EQ(grid.rows.size(), 4u);
    EXPECT_EQ(grid.rows[1], (std::vector<std::string>{"a", "5,000 bytes", "1,000 bytes", ""}));
    EXPECT_EQ(grid.rows[3], (std::vector<std::string>{"*** Totals ***", "14,100 bytes", "16,500 bytes", "1 byte"}));

    GridOptions withBlank = options(0, kSortByName);
    withBlank.showBlankRows = true;
    EXPECT_EQ(names(BuildGridContent(data, withBlank)),
              (std::vector<std::string>{"B", "a", "blank", "c", "*** Totals ***"}));
}

TEST(GridContent, ExtensionViewsStartWithTheRootRowAndHaveNoTotals) {
    DisplayData data;
    data.scans = {{7, {}}, {6, {}}};
    data.rows = {{1, ".TXT"}, {2, "<NONE>"}};
    data.SetValue(1, 7, 3 * 1024 * 1024);
    data.SetValue(2, 6, 12);
    GridOptions counts = options(2, kSortByName);
    counts.units = 3;
    GridContent grid = BuildGridContent(data, counts);
    ASSERT_EQ(grid.rows.size(), 3u);
    EXPECT_EQ(grid.rows[0], (std::vector<std::string>{"Root of scan for extension info-->", "root7", "root6"}));
    EXPECT_EQ(grid.rows[1], (std::vector<std::string>{".TXT", "3145728", ""})) << "counts are plain digits";
    EXPECT_EQ(grid.rows[2], (std::vector<std::string>{"<NONE>", "", "12"}));

    GridOptions sizes = options(1, kSortByName);
    sizes.units = 3;
    EXPECT_EQ(BuildGridContent(data, sizes).rows[1][1], "3 MB");
}

TEST(GridContent, AnEmptyTableHasNoColumns) {
    DisplayData data;
    data.scans = {{1, {}}};
    GridContent grid = BuildGridContent(data, options(0, kSortByName));
    EXPECT_TRUE(grid.rows.empty());
    EXPECT_TRUE(grid.columnHeaders.empty());
}

TEST(GridContent, RowNamesLoseTheirPrefixAndPath) {
    EXPECT_EQ(RowDisplayName("//host/srv/data"), "data");
    EXPECT_EQ(RowDisplayName("drn*//host/x/y"), "y");
    EXPECT_EQ(RowDisplayName(".TXT"), ".TXT");
    EXPECT_EQ(RowDisplayName("//host"), "host");
}

TEST(RecentDirectories, NewestFirstNoDuplicatesAndTheOldestFallsOff) {
    testsupport::IsolatedEnvironment env;
    for (int i = 0; i < 22; ++i) {
        AddRecentDirectory("/d" + std::to_string(i));
    }
    AddRecentDirectory("/d15");
    std::vector<std::string> list = RecentDirectories();
    ASSERT_EQ(list.size(), 21u);
    EXPECT_EQ(list.front(), "/d21");
    EXPECT_EQ(list.back(), "/d1") << "/d0 fell off";
    EXPECT_EQ(GetProfileStringEx("LS0", ""), "/d21") << "an entry already listed does not move";
}

TEST(GridPlan, CellsOnDemandMatchTheWholeTableAndAStalePlanGivesNothing) {
    DisplayData data = sample();
    for (int view : {0, 1, 2}) {
        for (int sort : {kSortBySize, kSortByName, kSortByChange}) {
            GridOptions o = options(view, sort);
            GridPlan plan = PlanGrid(data, o);
            GridContent grid = BuildGridContent(data, o);
            ASSERT_EQ(plan.RowCount(), grid.rows.size());
            for (std::size_t row = 0; row < plan.RowCount(); ++row) {
                for (std::size_t column = 0; column < plan.ColumnCount(); ++column) {
                    EXPECT_EQ(GridCellText(data, plan, row, column), grid.rows[row][column]);
                }
            }
        }
    }
    GridPlan plan = PlanGrid(data, options(0, kSortByName));
    EXPECT_EQ(GridCellText(data, plan, 99, 0), "");
    EXPECT_EQ(GridCellText(data, plan, 0, 99), "");
    data.rows.resize(1); // reloaded with fewer rows, the plan not yet remade
    for (std::size_t row = 0; row < plan.RowCount(); ++row) {
        GridCellText(data, plan, row, 1);
    }
    EXPECT_EQ(GridCellText(data, plan, 2, 0), "");
}

TEST(GridPlan, UnitsOfTheWindow) {
    DisplayData data;
    data.scans = {{1, {}}};
    data.rows = {{1, "//h/a"}, {2, "//h/b"}, {3, "//h/c"}, {4, "//h/d"}};
    data.SetValue(1, 1, 1536);
    data.SetValue(2, 1, 500);
    data.SetValue(3, 1, 1);
    data.SetValue(4, 1, 2500000);
    GridOptions k = options(0, kSortByName);
    k.units = 2;
    GridPlan plan = PlanGrid(data, k);
    EXPECT_EQ(GridCellText(data, plan, 0, 1), "1 K");
    EXPECT_EQ(GridCellText(data, plan, 1, 1), "<1");
    GridOptions bytes = k;
    bytes.units = 1;
    EXPECT_EQ(GridCellText(data, PlanGrid(data, bytes), 2, 1), "1 byte");
    GridOptions smart = k;
    smart.units = 5;
    EXPECT_EQ(GridCellText(data, PlanGrid(data, smart), 3, 1), "2,441 K");
}
