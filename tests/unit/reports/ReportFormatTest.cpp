// Row encoding, labels, date labels and the choice of scan columns, without files.
#include "reports/ReportFormat.h"
#include "reports/ReportWriter.h"
#include "reports/ScanDateLabel.h"
#include "tests/unit/reports/ReportFixture.h"

#include <gtest/gtest.h>

#include <clocale>

using namespace reports;
using reporttest::Date;

TEST(ReportFormat, RowLabelDropsADrnPrefixInAnyCaseThenKeepsTheLastPathPart) {
    EXPECT_EQ(RowLabel("//host/srv/share/Projects"), "Projects");
    EXPECT_EQ(RowLabel("DRN*//host/srv/Projects"), "Projects");
    EXPECT_EQ(RowLabel("drn*.bak"), ".bak");
    EXPECT_EQ(RowLabel("DrN*x"), "x");
    EXPECT_EQ(RowLabel("DRN-x"), "DRN-x");
    EXPECT_EQ(RowLabel("DRN"), "DRN");
    EXPECT_EQ(RowLabel(".txt"), ".txt");
    EXPECT_EQ(RowLabel("//host"), "host");
    EXPECT_EQ(RowLabel("trailing/"), "");
    // Only the first four characters are a prefix.
    EXPECT_EQ(RowLabel("x/DRN*y"), "DRN*y");
    EXPECT_EQ(RowLabel("back\\slash"), "back\\slash");
}

TEST(ReportFormat, HtmlEscapingCoversMarkupAndQuotesOnly) {
    EXPECT_EQ(HtmlEscape("<script>alert(\"x&y\")</script>"),
              "&lt;script&gt;alert(&quot;x&amp;y&quot;)&lt;/script&gt;");
    EXPECT_EQ(HtmlEscape("it's Ünïcødé, 1,024 K\t"), "it's Ünïcødé, 1,024 K\t");
    EXPECT_EQ(HtmlEscape("&amp;"), "&amp;amp;");
}

TEST(ReportFormat, RowsInEachFormat) {
    std::vector<std::string> cells{"a,b", "1,024 K", " ", "<1"};
    EXPECT_EQ(ReportRow(kFormatText, cells, RowKind::kData), "a,b\t1,024 K\t \t<1\r\n");
    EXPECT_EQ(ReportRow(kFormatText, cells, RowKind::kHeader), "a,b\t1,024 K\t \t<1\r\n");
    EXPECT_EQ(ReportRow(kFormatCsv, cells, RowKind::kData), "ab,1024 K, ,<1\r\n");
    EXPECT_EQ(ReportRow(kFormatCsv, {",,,", "x"}, RowKind::kData), ",x\r\n");
    EXPECT_EQ(ReportRow(kFormatHtml, cells, RowKind::kData),
              "<tr><td>a,b&nbsp;</td><td align=right>1,024 K</td><td align=right> </td>"
              "<td align=right>&lt;1</td></tr>\r\n");
    EXPECT_EQ(ReportRow(kFormatHtml, {"Directories", "Jan 5, 3:04 PM"}, RowKind::kHeader),
              "<tr><td><b>Directories</b></td><td><b>Jan 5, 3:04 PM</b></td></tr>\r\n");
    EXPECT_EQ(ReportRow(kFormatHtml, {"*** Totals ***"}, RowKind::kData), "<tr><td>*** Totals ***&nbsp;</td></tr>\r\n");
    EXPECT_EQ(ReportRow(kFormatText, {"Directories"}, RowKind::kHeader), "Directories\r\n");
}

TEST(ReportFormat, HeadersFootersAndFileExtensions) {
    EXPECT_EQ(ReportHeader(kFormatText, "P", "//h/d", "now"),
              "P Report\r\nDirectory: //h/d\r\nPrint Date: now\r\n\r\n");
    EXPECT_EQ(ReportHeader(kFormatCsv, "P", "//h/d", "now"), "");
    EXPECT_EQ(ReportHeader(kFormatHtml, "P", "//h/<b>&", "now"),
              "<html><body><font face=arial>P Report<br>Directory: //h/&lt;b&gt;&amp;<br>Print Date: now<br>\r\n"
              "<table border=1 cellpadding=0 cellspacing=0>");
    EXPECT_EQ(ReportFooter(kFormatHtml), "</table></body></html>");
    EXPECT_EQ(ReportFooter(kFormatCsv), "");
    EXPECT_EQ(ReportFooter(kFormatText), "");
    EXPECT_STREQ(ReportFileExtension(ReportFormatOf(0)), ".html");
    EXPECT_STREQ(ReportFileExtension(ReportFormatOf(1)), ".csv");
    EXPECT_STREQ(ReportFileExtension(ReportFormatOf(2)), ".txt");
    EXPECT_STREQ(ReportFileExtension(ReportFormatOf(7)), ".txt");
}

TEST(ReportFormat, ScanDateLabelsInBothFormsAndForNullAndInvalidDates) {
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(ScanDateLabel(Date(2023, 1, 5, 15, 4), false), "Jan 5, 3:04 PM");
    EXPECT_EQ(ScanDateLabel(Date(2022, 12, 1, 0, 7, 59), false), "Dec 1, 12:07 AM");
    EXPECT_EQ(ScanDateLabel(Date(2022, 11, 30, 12, 0), false), "Nov 30, 12:00 PM");
    EXPECT_EQ(ScanDateLabel(Date(2023, 1, 5, 15, 4), true), "Thu Jan  5 15:04:00 2023");
    EXPECT_EQ(ScanDateLabel(Date(2022, 12, 1, 9, 30, 5), true), "Thu Dec  1 09:30:05 2022");
    EXPECT_EQ(ScanDateLabel(scan::ScanDateTime{}, true), "");
    EXPECT_EQ(ScanDateLabel(scan::ScanDateTime{}, false), "");
    EXPECT_EQ(ScanDateLabel(scan::ScanDateTime::Parse("2023-13-01 00:00:00"), true), "Invalid DateTime");
    EXPECT_EQ(ScanDateLabel(scan::ScanDateTime::Parse("yesterday"), false), "Invalid DateTime");
}

namespace {

std::vector<scan::LoadedScan> tenScans() {
    std::vector<scan::LoadedScan> scans;
    for (std::uint32_t id = 110; id >= 101; --id) {
        scans.push_back({id, Date(2023, 3, static_cast<int>(id - 100), 8, 0)});
    }
    return scans;
}

std::vector<std::uint32_t> ids(const std::vector<scan::LoadedScan>& scans) {
    std::vector<std::uint32_t> result;
    for (const scan::LoadedScan& entry : scans) {
        result.push_back(entry.scanID);
    }
    return result;
}

} // namespace

TEST(ReportColumns, ForwardWalksTowardsOlderScansWithinTheLimit) {
    auto scans = tenScans();
    EXPECT_EQ(ids(SelectReportColumns(scans, 110, 3, false)), (std::vector<std::uint32_t>{110, 109, 108}));
    EXPECT_EQ(ids(SelectReportColumns(scans, 103, 3, false)), (std::vector<std::uint32_t>{103, 102, 101}));
    // More columns than scans after the start: only those that exist.
    EXPECT_EQ(ids(SelectReportColumns(scans, 102, 5, false)), (std::vector<std::uint32_t>{102, 101}));
    EXPECT_TRUE(SelectReportColumns(scans, 110, 0, false).empty());
}

TEST(ReportColumns, ReversedPutsTheStartScanRightMostWhenEnoughOlderScansExist) {
    auto scans = tenScans();
    EXPECT_EQ(ids(SelectReportColumns(scans, 110, 3, true)), (std::vector<std::uint32_t>{108, 109, 110}));
    EXPECT_EQ(ids(SelectReportColumns(scans, 105, 2, true)), (std::vector<std::uint32_t>{104, 105}));
    // Too few scans before the start: the oldest scans, including some newer than the start.
    EXPECT_EQ(ids(SelectReportColumns(scans, 103, 5, true)), (std::vector<std::uint32_t>{101, 102, 103, 104, 105}));
    // Columns 0 moves the start to the oldest scan and writes no column.
    EXPECT_TRUE(SelectReportColumns(scans, 110, 0, true).empty());
    EXPECT_EQ(ids(SelectReportColumns(scans, 110, 1, true)), (std::vector<std::uint32_t>{110}));
    EXPECT_EQ(ids(SelectReportColumns(scans, 110, 40, true)).size(), 10u);
}

TEST(ReportColumns, AStartScanThatIsNotLoadedGivesNoColumns) {
    auto scans = tenScans();
    EXPECT_TRUE(SelectReportColumns(scans, 99, 3, false).empty());
    EXPECT_TRUE(SelectReportColumns(scans, 99, 3, true).empty());
    EXPECT_TRUE(SelectReportColumns({}, 110, 3, false).empty());
}
