// The growth report on real scans of a real tree grown by known amounts, checked against the
// totals the test's own model computes; the choice of scans; the statements of every kind.
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "platform/ado/Connection.h"
#include "scan/CScanInfo.h"
#include "scan/GrowthReport.h"
#include "scan/GrowthSql.h"
#include "scan/SqlRules.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ScriptedUserInterface.h"
#include "tests/unit/scan/GrowthTestSupport.h"
#include "tests/unit/scan/StoreTestSupport.h"

#include <gtest/gtest.h>

using namespace scan;
using growthtest::ExpectedGrowth;
using growthtest::ExpectRows;
using growthtest::GrowthTree;

namespace {

// A store file, a scan engine on it and a tree to scan.
struct GrowthFixture {
    testsupport::IsolatedEnvironment env;
    testsupport::ScriptedUserInterface ui;
    std::string store = scantest::NewStoreFile(env.Root() + "/store.db");
    GrowthTree tree{env.Root() + "/tree"};
    CScanInfo scanInfo;

    GrowthFixture() {
        app::SetSetting(app::settings::DBSource, kAccessDatabase);
        app::SetCurrentDBSource(kAccessDatabase);
        app::SetSetting(app::settings::ConnectionString, scantest::StoreConnectionString(store));
    }

    int scan(const std::string& relative = "", bool allLevels = true) {
        scanInfo.SetSaveOptions(true, allLevels);
        EXPECT_GT(scanInfo.Scan(relative.empty() ? tree.Root() : tree.Root() + "/" + relative, true, 2, false), -1);
        EXPECT_TRUE(ui.errorReports.empty()) << ui.errorReports.front();
        return static_cast<int>(scanInfo.GetConnection()->OpenRecordset("select max(ScanID) from ScanDefinition")
                                    ->Fields(0)
                                    .AsInt64());
    }

    void date(int scanID, const char* when) {
        scanInfo.GetConnection()->Execute("update ScanDefinition set ScanDate='" + std::string(when) +
                                          "' where ScanID=" + std::to_string(scanID));
    }

    GrowthReport report(const std::string& relative, GrowthRequest request = {}) {
        if (request.top == 20) request.top = 0; // every row unless a case asks for fewer
        return LoadGrowthReport(scanInfo, relative.empty() ? tree.Root() : tree.Root() + "/" + relative, request);
    }
};

// The tree of the first scan, and what happens to it before the second.
void plantFirstTree(GrowthTree& tree) {
    tree.Write("a/b/data", 100000);
    tree.Write("a/c/data", 50000);
    tree.Write("s/data", 900000);
    tree.Write("gone/sub/data", 300000);
    tree.Write("gone/data", 1);
    tree.Write("cache/data", 70000);
    tree.Write("same/data", 8000);
    tree.MakeDirectory("empty");
}

void growIt(GrowthTree& tree) {
    tree.Write("a/b/data", 400000);    // grown
    tree.Write("a/c/more", 20000);     // grown by a new file
    tree.Write("s/data", 10000);       // shrunk
    tree.Write("n/m/data", 123456);    // new, with a new parent
    tree.MakeDirectory("n/zero");      // new and empty: no change
    tree.Remove("gone");               // deleted with its subdirectory
    tree.Remove("empty");              // deleted and empty: no change
}

} // namespace

TEST(GrowthReport, WholeTreeGrowthMatchesTheTreeGrownByKnownAmounts) {
    GrowthFixture f;
    plantFirstTree(f.tree);
    growthtest::Totals before = f.tree.Scanned();
    int first = f.scan();
    growIt(f.tree);
    f.scanInfo.SetFilters(nullptr, f.tree.Root(), "/Cache/"); // compared without case
    growthtest::Totals after = f.tree.Scanned({"/cache/"});
    int second = f.scan();
    f.date(first, "2024-03-01 10:00:00");
    f.date(second, "2024-03-08 22:00:00");
    auto expected = ExpectedGrowth(before, after, {"cache"});
    ASSERT_GE(expected.size(), 8u) << "grown, shrunk, new, deleted and excluded rows";

    GrowthReport all = f.report("");
    ExpectRows(all, expected, f.tree.Root());
    EXPECT_EQ(all.olderScan.scanID, static_cast<std::uint32_t>(first));
    EXPECT_EQ(all.newerScan.scanID, static_cast<std::uint32_t>(second));
    EXPECT_DOUBLE_EQ(all.days, 7.5);
    EXPECT_FALSE(all.firstLevelOnly);
    for (const GrowthRow& row : all.rows) {
        ASSERT_TRUE(row.perDay.has_value());
        EXPECT_DOUBLE_EQ(*row.perDay, static_cast<double>(row.change) / 7.5);
    }

    struct Case {
        const char* name;
        std::string below;
        GrowthRequest request;
        std::function<std::vector<growthtest::ExpectedRow>()> want;
    };
    auto firstN = [&](std::size_t n) { return std::vector(expected.begin(), expected.begin() + n); };
    auto grownBelowRoot = [&] {
        std::vector<growthtest::ExpectedRow> rows;
        for (const auto& row : expected) {
            if (!row.relative.empty() && row.change > 0 && rows.size() < 3) rows.push_back(row);
        }
        return rows;
    };
    const Case cases[] = {
        {"the three largest changes", "", {std::nullopt, 3, true, false}, [&] { return firstN(3); }},
        {"growers below the root only, as an alert lists them", "", {std::nullopt, 3, false, true}, grownBelowRoot},
        {"a subdirectory and what lies below it", "a", {}, [&] { return growthtest::Below(expected, "a"); }},
        {"a new subdirectory", "n", {}, [&] { return growthtest::Below(expected, "n"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectRows(f.report(c.below, c.request), c.want(), f.tree.Root());
    }

    // A deleted directory is compared like any other: gone with everything below it.
    ExpectRows(f.report("gone"), growthtest::Below(expected, "gone"), f.tree.Root());
    EXPECT_EQ(f.report("never/there").outcome, GrowthOutcome::kUnknownDirectory);
}

TEST(GrowthReport, DaysChooseTheNewestScanAtLeastThatManyCalendarDaysOlder) {
    GrowthFixture f;
    f.tree.Write("x/data", 4096);
    std::vector<int> scans;
    std::vector<growthtest::Totals> states;
    for (std::uint64_t size : {4096u, 40960u, 409600u, 4096000u}) {
        f.tree.Write("x/data", size);
        states.push_back(f.tree.Scanned());
        scans.push_back(f.scan());
    }
    const char* dates[] = {"2024-02-01 23:59:59", "2024-02-25 00:00:00", "2024-03-01 12:00:00", "2024-03-08 08:00:00"};
    for (std::size_t i = 0; i < scans.size(); ++i) f.date(scans[i], dates[i]);

    struct Case {
        std::optional<int> days;
        int olderIndex; // into scans; -1: no scan old enough
    };
    const Case cases[] = {{std::nullopt, 2}, {0, 2}, {1, 2}, {7, 2}, {8, 1}, {12, 1}, {13, 0}, {36, 0}, {37, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE("days " + (c.days ? std::to_string(*c.days) : std::string("none")));
        GrowthRequest request;
        request.minimumDays = c.days;
        GrowthReport report = f.report("", request);
        if (c.olderIndex < 0) {
            EXPECT_EQ(report.outcome, GrowthOutcome::kNoScanOldEnough);
            EXPECT_EQ(report.newerScan.scanID, static_cast<std::uint32_t>(scans.back()));
            continue;
        }
        EXPECT_EQ(report.olderScan.scanID, static_cast<std::uint32_t>(scans[static_cast<std::size_t>(c.olderIndex)]));
        ExpectRows(report, ExpectedGrowth(states[static_cast<std::size_t>(c.olderIndex)], states.back()),
                   f.tree.Root());
    }
}

TEST(GrowthReport, AScanOfTheFirstLevelOnlyLimitsTheComparisonToThatLevel) {
    GrowthFixture f;
    plantFirstTree(f.tree);
    growthtest::Totals before = f.tree.Scanned();
    f.scan("", false);
    growIt(f.tree);
    growthtest::Totals after = f.tree.Scanned();
    f.scan("", true);
    auto firstLevel = [](growthtest::Totals totals) {
        std::erase_if(totals, [](const auto& entry) { return entry.first.find('/') != std::string::npos; });
        return totals;
    };
    GrowthReport report = f.report("");
    EXPECT_TRUE(report.firstLevelOnly);
    ExpectRows(report, ExpectedGrowth(firstLevel(before), firstLevel(after)), f.tree.Root());
    // Below a first-level directory nothing deeper is compared: only its own row.
    ExpectRows(f.report("a"), growthtest::Below(ExpectedGrowth(firstLevel(before), firstLevel(after)), "a"),
               f.tree.Root());
}

TEST(GrowthReport, OnlyScansOfTheSameTreeAreCompared) {
    GrowthFixture f;
    f.tree.Write("a/b/data", 10000);
    f.scan();                                   // the whole tree
    f.tree.Write("a/b/data", 20000);
    f.tree.Write("a/new/data", 5000);
    growthtest::Totals middle = f.tree.Scanned();
    f.scan("a");                                // the subdirectory itself: another tree
    GrowthReport one = f.report("a");
    EXPECT_EQ(one.outcome, GrowthOutcome::kTooFewScans) << "a scan of the parent is never its partner";
    EXPECT_EQ(one.scansOfTree, 1u);

    f.tree.Write("a/b/data", 90000);
    growthtest::Totals last = f.tree.Scanned();
    f.scan("a");
    GrowthReport two = f.report("a");
    ExpectRows(two, growthtest::Below(ExpectedGrowth(middle, last), "a"), f.tree.Root());
    EXPECT_EQ(two.localScanRoot, f.tree.Root() + "/a");
}

TEST(GrowthReport, TheIndexItNeedsIsAddedToOlderStoresAndUsed) {
    GrowthFixture f;
    auto connection = f.scanInfo.GetConnection();
    auto indexes = [&] {
        return connection->OpenRecordset("select count(*) from sqlite_master where name='SizeData_ScanID_ParentDirID'")
            ->Fields(0)
            .AsInt64();
    };
    ASSERT_EQ(indexes(), 1) << "made by the creation script";
    connection->Execute("drop index SizeData_ScanID_ParentDirID");
    f.scanInfo.UpgradeSchema();
    EXPECT_EQ(indexes(), 1);
    EXPECT_TRUE(f.ui.messageBoxes.empty()) << "an index needs no question";
    std::string plan;
    {
        auto rows = connection->OpenRecordset("EXPLAIN QUERY PLAN " +
                                              GrowthSql(kAccessDatabase).SelectScansHoldingDirectory(7, 3));
        for (; !rows->IsEOF(); rows->MoveNext()) plan += rows->Fields("detail").AsString();
    }
    EXPECT_NE(plan.find("SizeData_ScanID_ParentDirID"), std::string::npos) << plan;

    connection->Execute("drop table SizeData");
    f.tree.Write("x", 1);
    GrowthReport broken = f.report("");
    EXPECT_EQ(broken.outcome, GrowthOutcome::kUnknownDirectory);
    connection->Execute("insert into DirNames (Path, ParentDirID) values ('" + broken.storedRoot + "', 0)");
    broken = f.report("");
    EXPECT_EQ(broken.outcome, GrowthOutcome::kStoreFailed);
    EXPECT_NE(broken.failure.find("SizeData"), std::string::npos) << broken.failure;
}

// The statements as each kind must read them: how rows are limited, how a path with LIKE's
// special characters is matched, how the index is added.
TEST(GrowthSql, EachKindLimitsEscapesAndIndexesInItsOwnSyntax) {
    GrowthQuery query;
    query.olderScanID = 3;
    query.newerScanID = 9;
    query.rootDirID = 40;
    query.rootPath = "//h/50%_off/it's/a\\b/[x]!";
    query.scanRootDirID = 2;
    query.top = 10;
    struct Case {
        int kind;
        const char* pattern;
        const char* limitStart;
        const char* limitEnd;
        const char* index;
    };
    const Case cases[] = {
        {kAccessDatabase, "like '//h/50!%!_off/it''s/a\\b/[x]!!/%' escape '!'", "select g.DirID", " limit 10",
         "CREATE INDEX IF NOT EXISTS SizeData_ScanID_ParentDirID ON SizeData (ScanID, ParentDirID, DirID, DirSize)"},
        {kMySqlDatabase, "like '//h/50!%!_off/it''s/a\\\\b/[x]!!/%' escape '!'", "select g.DirID", " limit 10",
         "create index SizeData_ScanID_ParentDirID on SizeData (ScanID, ParentDirID, DirID, DirSize)"},
        {kSqlServerDatabase, "like '//h/50!%!_off/it''s/a\\b/![x]!!/%' escape '!'", "select top 10 g.DirID",
         "dn.Path", "IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'SizeData_ScanID_ParentDirID') CREATE INDEX "
                    "SizeData_ScanID_ParentDirID ON SizeData (ScanID, ParentDirID, DirID, DirSize)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        GrowthSql sql(c.kind);
        std::string text = sql.SelectGrowth(query);
        EXPECT_NE(text.find(c.pattern), std::string::npos) << text;
        EXPECT_EQ(text.rfind(c.limitStart, 0), 0u) << text;
        EXPECT_EQ(text.substr(text.size() - std::string(c.limitEnd).size()), c.limitEnd) << text;
        EXPECT_EQ(text.find("limit") == std::string::npos, c.kind == kSqlServerDatabase) << text;
        EXPECT_NE(text.find("sd.ScanID in (3, 9)"), std::string::npos);
        EXPECT_NE(text.find("or sd.DirID=40)"), std::string::npos) << "the root's own row";
        std::string probe = sql.SelectRowBelowFirstLevel(5, 2);
        EXPECT_EQ(probe.rfind(c.kind == kSqlServerDatabase ? "select top 1 " : "select ParentDirID", 0), 0u) << probe;
        EXPECT_EQ(probe.find("limit") == std::string::npos, c.kind == kSqlServerDatabase) << probe;
        EXPECT_EQ(sql.CreateIndex(), c.index);
        EXPECT_EQ(sql.IndexProbe().empty(), c.kind != kMySqlDatabase);
    }
    // The scanned root itself needs no path test; an alert's list leaves the root out; a
    // first-level scan limits the rows to the root's children.
    query.rootPath.clear();
    query.includeRoot = false;
    query.firstLevelOnly = true;
    query.growthOnly = true;
    query.top = 0;
    std::string text = GrowthSql(kSqlServerDatabase).SelectGrowth(query);
    EXPECT_EQ(text.find("DirNames f"), std::string::npos) << text;
    EXPECT_NE(text.find("sd.DirID<>40"), std::string::npos) << text;
    EXPECT_NE(text.find("sd.ParentDirID in (0, 2)"), std::string::npos) << text;
    EXPECT_NE(text.find("g.SizeChange > 0"), std::string::npos) << text;
    EXPECT_EQ(text.find("top"), std::string::npos) << text;
}
