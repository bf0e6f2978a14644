// Report files written through the report writer: every format against expected files, the
// scan and row limits, settings, the completion message and files that cannot be created.
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "reports/ReportWriter.h"
#include "tests/unit/reports/ReportFixture.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <sched.h>

using namespace reports;
using namespace reporttest;
using testsupport::FileExists;
using testsupport::ReadFile;

namespace {

ExportOptions kUnitsWithTotals() {
    ExportOptions options;
    options.Precision = 1;
    options.ShowUnits = true;
    options.Columns = 3;
    options.IncludeTotals = true;
    return options;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            result.push_back(text.substr(start));
            break;
        }
        result.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return result;
}

} // namespace

TEST_F(ReportTest, DirectoryReportInEachFormatMatchesTheExpectedFile) {
    FillDirectoryScans(m_dialog->m_displayData);
    ExportOptions options = kUnitsWithTotals();

    options.Format = 2;
    ExpectGolden(ExportToFile(options, 31, "r.txt"), "directories-k-units-totals.txt");
    options.Format = 1;
    ExpectGolden(ExportToFile(options, 31, "r.csv"), "directories-k-units-totals.csv");

    app::SetUseSystemTimeFormatFlag(true);
    options.Format = 0;
    ExpectGolden(ExportToFile(options, 31, "r.html"), "directories-k-units-totals.html");
    EXPECT_TRUE(m_ui.messageBoxes.empty());
}

TEST_F(ReportTest, ExtensionCountsAreDigitsWhateverThePrecisionAndTotalsWrap) {
    m_dialog->m_view = 2;
    m_dialog->m_showBlankRows = true;
    FillExtensionCounts(m_dialog->m_displayData);
    ExportOptions options = kUnitsWithTotals();
    options.Precision = 2;
    ExpectGolden(ExportToFile(options, 31), "extension-counts-mb-units-blank-rows.txt");
}

TEST_F(ReportTest, ExtensionSizesFromALaterScanWithMoreColumnsThanRemain) {
    m_dialog->m_view = 1;
    FillExtensionSizes(m_dialog->m_displayData);
    ExportOptions options = kUnitsWithTotals();
    options.Format = 1;
    options.Precision = 4;
    options.Columns = 5;
    ExpectGolden(ExportToFile(options, 22), "extension-sizes-smart-from-second-scan.csv");
}

TEST_F(ReportTest, NoColumnsWritesLabelsOnlyAndOnlyWithBlankRows) {
    FillDirectoryScans(m_dialog->m_displayData);
    ExportOptions options = kUnitsWithTotals();
    options.Columns = 0;
    m_dialog->m_showBlankRows = true;
    ExpectGolden(ExportToFile(options, 31), "directories-no-columns-blank-rows.txt");

    m_dialog->m_showBlankRows = false;
    options.Format = 1;
    EXPECT_EQ(ExportToFile(options, 31), "Directories\r\n*** Totals ***\r\n");
}

TEST_F(ReportTest, ReversedTenScansEndWithTheStartScanOnTheRight) {
    FillTenScans(m_dialog->m_displayData);
    ExportOptions options;
    options.Format = 1;
    options.Columns = 3;
    options.ReverseOrder = true;
    options.IncludeTotals = true;
    ExpectGolden(ExportToFile(options, 110), "reversed-ten-scans-three-columns.csv");

    // Fewer older scans than columns: the oldest scans, some newer than the start.
    options.Columns = 4;
    options.IncludeTotals = false;
    EXPECT_EQ(ExportToFile(options, 102),
              "Directories,Mar 1 8:00 AM,Mar 2 8:00 AM,Mar 3 8:00 AM,Mar 4 8:00 AM\r\n"
              "A,1000,2000,3000,4000\r\n"
              "B,77, , , \r\n");
}

TEST_F(ReportTest, RowLimitCountsOnlyWrittenRows) {
    FillDirectoryScans(m_dialog->m_displayData);
    ExportOptions options;
    options.Format = 1;
    options.Columns = 1;
    options.Rows = 3;
    // "Empty" has no value and is skipped without using up the limit.
    EXPECT_EQ(ExportToFile(options, 31), "Directories,Jan 5 3:04 PM\r\nProjects,1048576\r\nab,1048576\r\nZeros,0\r\n");

    // With blank rows shown they count like any other.
    m_dialog->m_showBlankRows = true;
    EXPECT_EQ(ExportToFile(options, 31), "Directories,Jan 5 3:04 PM\r\nProjects,1048576\r\nArchive, \r\nEmpty, \r\n");

    // 0 and a limit past the row count both mean every row.
    m_dialog->m_showBlankRows = false;
    options.Rows = 0;
    std::size_t all = lines(ExportToFile(options, 31)).size();
    EXPECT_EQ(all, 1u + 6u); // header and the six rows with a value in the newest scan
    options.Rows = 1000;
    EXPECT_EQ(lines(ExportToFile(options, 31)).size(), all);
}

TEST_F(ReportTest, SizeTotalsWrapModulo2To64) {
    scan::DisplayData& data = m_dialog->m_displayData;
    data.path = "//testhost/big";
    data.scans = {{5, Date(2023, 1, 5, 15, 4)}};
    data.rows = {{1, "//testhost/big/x"}, {2, "//testhost/big/y"}, {3, "//testhost/big/z"}};
    data.SetValue(1, 5, 1ULL << 63);
    data.SetValue(2, 5, 1ULL << 63);
    data.SetValue(3, 5, 3072);
    ExportOptions options;
    options.Format = 1;
    options.Precision = 1;
    options.IncludeTotals = true;
    std::vector<std::string> rows = lines(ExportToFile(options, 5));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[4], "*** Totals ***,3");
}

TEST_F(ReportTest, NullAndInvalidScanDatesInTheHeaderRow) {
    scan::DisplayData& data = m_dialog->m_displayData;
    data.path = "//testhost/d";
    data.scans = {{3, Date(2023, 1, 5, 15, 4)},
                  {2, scan::ScanDateTime{}},
                  {1, scan::ScanDateTime::Parse("not a date")}};
    data.rows = {{1, "//testhost/d/x"}};
    data.SetValue(1, 2, 10);
    ExportOptions options;
    options.Format = 2;
    std::vector<std::string> rows = lines(ExportToFile(options, 3));
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[4], "Directories\tJan 5, 3:04 PM\t\tInvalid DateTime");
    EXPECT_EQ(rows[5], "x\t \t10\t ");
}

TEST_F(ReportTest, MarkupInTheDirectoryAndNamesIsShownNotRun) {
    scan::DisplayData& data = m_dialog->m_displayData;
    data.path = "//testhost/<script>alert(1)</script>";
    data.scans = {{3, Date(2023, 1, 5, 15, 4)}};
    data.rows = {{1, "//testhost/x/<b onmouseover=\"steal()\">&amp;"}};
    data.SetValue(1, 3, 10);
    ExportOptions options;
    options.Format = 0;
    std::string html = ExportToFile(options, 3);
    EXPECT_NE(html.find("Directory: //testhost/&lt;script&gt;alert(1)&lt;/script&gt;<br>"), std::string::npos) << html;
    EXPECT_NE(html.find("<tr><td>&lt;b onmouseover=&quot;steal()&quot;&gt;&amp;amp;&nbsp;</td>"
                        "<td align=right>10</td></tr>\r\n"),
              std::string::npos)
        << html;
    EXPECT_EQ(html.find("<script"), std::string::npos);

    // The other formats keep names as they are.
    options.Format = 2;
    EXPECT_NE(ExportToFile(options, 3).find("Directory: //testhost/<script>alert(1)</script>\r\n"), std::string::npos);
}

TEST_F(ReportTest, SettingsAreSavedOnlyWhenAskedAndTheMessageOnlyWhenNotQuiet) {
    FillDirectoryScans(m_dialog->m_displayData);
    ExportOptions options = kUnitsWithTotals();
    options.Format = 1;
    options.Destination = 1;
    options.Path = m_temp / "saved.csv";
    options.Rows = 4;
    options.ReverseOrder = true;
    ReportWriter writer(reports::ReportView{m_dialog->m_view, m_dialog->m_showBlankRows}, m_dialog->m_displayData);

    writer.ExportReport(options, 31, false, false);
    EXPECT_EQ(LoadExportOptions().Path, "/tmp");
    EXPECT_EQ(LoadExportOptions().Format, 2);
    ASSERT_EQ(m_ui.messageBoxes.size(), 1u);
    EXPECT_EQ(m_ui.messageBoxes[0].text, "Export complete");
    EXPECT_EQ(m_ui.messageBoxes[0].caption, "Success");
    EXPECT_EQ(m_ui.messageBoxes[0].flags, platform::ui::MB_OK);

    writer.ExportReport(options, 31, true, true);
    EXPECT_EQ(m_ui.messageBoxes.size(), 1u);
    ExportOptions saved = LoadExportOptions();
    EXPECT_EQ(saved.Path, options.Path);
    EXPECT_EQ(saved.Destination, 1);
    EXPECT_EQ(saved.Format, 1);
    EXPECT_EQ(saved.Precision, 1);
    EXPECT_TRUE(saved.ShowUnits);
    EXPECT_EQ(saved.Columns, 3u);
    EXPECT_EQ(saved.Rows, 4u);
    EXPECT_TRUE(saved.ReverseOrder);
    EXPECT_TRUE(saved.IncludeTotals);
    EXPECT_TRUE(m_ui.errorReports.empty());
}

TEST_F(ReportTest, AnExistingFileIsReplacedWhole) {
    FillDirectoryScans(m_dialog->m_displayData);
    testsupport::WriteFile(m_temp / "old.csv", std::string(10000, 'x'));
    ExportOptions options;
    options.Format = 1;
    options.Columns = 0;
    EXPECT_EQ(ExportToFile(options, 31, "old.csv"), "Directories\r\n");
}

namespace {

// Runs a report to `path` and returns the one error report it gave.
std::string failedExport(app::CTallyvol32Dlg& dialog, testsupport::ScriptedUserInterface& ui, const std::string& path,
                         bool saveSettings = false) {
    ExportOptions options = kUnitsWithTotals();
    options.Destination = 1;
    options.Path = path;
    ReportWriter writer(reports::ReportView{dialog.m_view, dialog.m_showBlankRows}, dialog.m_displayData);
    std::size_t before = ui.errorReports.size();
    writer.ExportReport(options, 31, saveSettings, false);
    EXPECT_EQ(ui.errorReports.size(), before + 1);
    EXPECT_TRUE(ui.messageBoxes.empty());
    return ui.errorReports.size() > before ? ui.errorReports.back() : std::string();
}

} // namespace

TEST_F(ReportTest, AFileThatCannotBeCreatedIsReportedAndNothingIsWritten) {
    FillDirectoryScans(m_dialog->m_displayData);
    std::string missing = m_temp / "no/such/dir/report.txt";
    EXPECT_EQ(failedExport(*m_dialog, m_ui, missing, true),
              "An error occurred while: Trying to open file for export/print.  Filename is " + missing +
                  ".  Error is No such file or directory (2)\r\nDetails: None");
    EXPECT_FALSE(FileExists(m_temp / "no"));
    // The settings were saved before the failure and stay saved.
    EXPECT_EQ(LoadExportOptions().Path, missing);

    testsupport::MakeDirectories(m_temp / "adir");
    EXPECT_EQ(failedExport(*m_dialog, m_ui, m_temp / "adir"),
              "An error occurred while: Trying to open file for export/print.  Filename is " + (m_temp / "adir") +
                  ".  Error is Is a directory (21)\r\nDetails: None");
    EXPECT_TRUE(testsupport::ReadFile(m_temp / "adir").empty());
}

TEST_F(ReportTest, AFileAnotherWriterHoldsIsNotMixedInto) {
    FillDirectoryScans(m_dialog->m_displayData);
    std::string path = m_temp / "busy.txt";
    testsupport::WriteFile(path, "another report");
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    std::string error = failedExport(*m_dialog, m_ui, path);
    ::close(fd);
    EXPECT_EQ(error, "An error occurred while: Trying to open file for export/print.  Filename is " + path +
                         ".  Error is Resource temporarily unavailable (11)\r\nDetails: None");
    EXPECT_EQ(ReadFile(path), "another report");
}

TEST_F(ReportTest, AReadOnlyFileSystemIsReported) {
    // A read-only file system of our own, in a private mount namespace of a child process.
    FillDirectoryScans(m_dialog->m_displayData);
    std::string mountPoint = m_temp / "readonly";
    testsupport::MakeDirectories(mountPoint);
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(channel[0]);
        auto answer = [&](const std::string& text) {
            [[maybe_unused]] ssize_t ignored = ::write(channel[1], text.data(), text.size());
            ::_exit(0);
        };
        bool isolated = ::unshare(CLONE_NEWNS) == 0 || ::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0;
        if (!isolated || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tallyvol-ro", mountPoint.c_str(), "tmpfs", MS_RDONLY, "size=64k") != 0) {
            answer("SKIP");
        }
        answer(failedExport(*m_dialog, m_ui, mountPoint + "/report.txt"));
    }
    ::close(channel[1]);
    std::string received;
    char buffer[1024];
    ssize_t count;
    while ((count = ::read(channel[0], buffer, sizeof buffer)) > 0) {
        received.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (received == "SKIP") {
        GTEST_SKIP() << "no private mount namespace can be made here";
    }
    EXPECT_EQ(received, "An error occurred while: Trying to open file for export/print.  Filename is " + mountPoint +
                            "/report.txt.  Error is Read-only file system (30)\r\nDetails: None");
    EXPECT_FALSE(FileExists(mountPoint + "/report.txt"));
}
