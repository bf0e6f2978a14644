// The report step of an automated run: saved export settings, the /PRINTFORMAT= fields and the
// /PRINT= destination combined, and the report written from the newest scan without saving.
#include "reports/AutomatedReport.h"
#include "tests/unit/reports/ReportFixture.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using namespace reports;
using namespace reporttest;
using testsupport::FileExists;
using testsupport::ReadFile;

namespace {

ExportOptions savedOptions() {
    ExportOptions saved;
    saved.Format = 0;
    saved.Destination = 1;
    saved.Path = "/saved/report.html";
    saved.Precision = 3;
    saved.ShowUnits = true;
    saved.Columns = 7;
    saved.Rows = 9;
    saved.ReverseOrder = false;
    saved.IncludeTotals = true;
    return saved;
}

} // namespace

TEST_F(ReportTest, PrintFormatFieldsAndDestinationApplyOverTheSavedSettings) {
    SaveExportOptions(savedOptions());

    m_dialog->m_printFormat = "K,UNITS,CSV,3,0,REVCOLS,TOTALS";
    m_dialog->m_printDestination = 2;
    m_dialog->m_printFilePath = "/srv/reports/out.csv";
    ExportOptions options = AutomatedReportOptions(m_dialog->ReportRequest());
    EXPECT_EQ(options.Precision, 1);
    EXPECT_TRUE(options.ShowUnits);
    EXPECT_EQ(options.Format, 1);
    EXPECT_EQ(options.Columns, 3u);
    EXPECT_EQ(options.Rows, 0u);
    EXPECT_TRUE(options.ReverseOrder);
    EXPECT_TRUE(options.IncludeTotals);
    EXPECT_EQ(options.Destination, 1);
    EXPECT_EQ(options.Path, "/srv/reports/out.csv");

    // Without the option every saved value stays, except unit names, which are always set.
    m_dialog->m_printFormat.clear();
    m_dialog->m_printDestination = 1;
    options = AutomatedReportOptions(m_dialog->ReportRequest());
    EXPECT_EQ(options.Precision, 3);
    EXPECT_FALSE(options.ShowUnits);
    EXPECT_EQ(options.Format, 0);
    EXPECT_EQ(options.Columns, 7u);
    EXPECT_EQ(options.Rows, 9u);
    EXPECT_FALSE(options.ReverseOrder);
    EXPECT_TRUE(options.IncludeTotals);
    EXPECT_EQ(options.Destination, 0);
    EXPECT_EQ(options.Path, "/saved/report.html");

    // Empty fields are skipped: the second field here is CSV, not a unit switch.
    m_dialog->m_printFormat = "MB,,CSV";
    options = AutomatedReportOptions(m_dialog->ReportRequest());
    EXPECT_EQ(options.Precision, 2);
    EXPECT_FALSE(options.ShowUnits);
    EXPECT_EQ(options.Format, 0);
}

TEST_F(ReportTest, AnAutomatedReportStartsAtTheNewestScanAndSavesNothing) {
    SaveExportOptions(savedOptions());
    FillDirectoryScans(m_dialog->m_displayData);
    std::string path = m_temp / "automated.csv";
    m_dialog->m_printFormat = "K,UNITS,CSV,3,0,REVCOLS,TOTALS";
    m_dialog->m_printDestination = 2;
    m_dialog->m_printFilePath = path;

    RunAutomatedReport(m_dialog->ReportRequest(), m_dialog->m_displayData);

    // Rows in the window's order (here the saved sort by name); a tab inside a name is a blank.
    EXPECT_EQ(ReadFile(path), "Directories,Dec 1 9:30 AM,Dec 29 3:02 PM,Jan 5 3:04 PM\r\n"
                              "<img src=x onerror=alert(1)>, ,<1,<1\r\n"
                              "Archive, ,512 K, \r\n"
                              "Projects,512 K,980 K,1024 K\r\n"
                              "Tab Name, , ,<1\r\n"
                              "Zeros,0 K,0 K,0 K\r\n"
                              "ab,1 K,1 K,1024 K\r\n"
                              "Ünïcødé,1 K, , \r\n"
                              "R&D \"Q\", , ,3 K\r\n"
                              "*** Totals ***,514 K,1494 K,2051 K\r\n");
    EXPECT_TRUE(m_ui.messageBoxes.empty());
    EXPECT_TRUE(m_ui.errorReports.empty());
    ExportOptions saved = LoadExportOptions();
    EXPECT_EQ(saved.Path, "/saved/report.html");
    EXPECT_EQ(saved.Format, 0);
    EXPECT_TRUE(saved.ShowUnits);
    EXPECT_FALSE(saved.ReverseOrder);
}

// "/PRINTFORMAT=...,N" gives the N largest directories when the window sorts by size, not the
// first N read.
TEST_F(ReportTest, AnAutomatedReportsRowLimitTakesTheLargestWhenSortedBySize) {
    FillDirectoryScans(m_dialog->m_displayData);
    std::string path = m_temp / "largest.csv";
    m_dialog->m_printFormat = "K,NOUNITS,CSV,1,3";
    m_dialog->m_printDestination = 2;
    m_dialog->m_printFilePath = path;
    m_dialog->m_sortMethod = 1;
    ASSERT_TRUE(RunAutomatedReport(m_dialog->ReportRequest(), m_dialog->m_displayData));
    std::string report = ReadFile(path);
    std::vector<std::string> names;
    for (std::size_t start = report.find("\r\n") + 2; start < report.size(); start = report.find("\r\n", start) + 2) {
        names.push_back(report.substr(start, report.find(',', start) - start));
    }
    ASSERT_EQ(names.size(), 3u) << report;
    EXPECT_EQ(std::set<std::string>(names.begin(), names.begin() + 2), (std::set<std::string>{"Projects", "ab"}));
    EXPECT_EQ(names[2], "R&D \"Q\"") << report;
}

TEST_F(ReportTest, AnAutomatedReportWithoutLoadedScansWritesNothing) {
    m_dialog->m_displayData.path = "//testhost/never-scanned";
    m_dialog->m_printDestination = 2;
    m_dialog->m_printFilePath = m_temp / "none.txt";
    EXPECT_FALSE(RunAutomatedReport(m_dialog->ReportRequest(), m_dialog->m_displayData))
        << "a report of nothing fails the run";
    EXPECT_FALSE(FileExists(m_temp / "none.txt"));
    EXPECT_TRUE(m_ui.errorReports.empty());
    EXPECT_TRUE(m_ui.messageBoxes.empty());
}
