// The spreadsheet report as files: what an independent reader (openpyxl) finds in a written
// workbook, destinations that cannot take it, the report dialog's Generate without its window
// (file name, documents or temporary directory, xdg-open) and the XLSX format of automated runs.
#include "app/CommandLine.h"
#include "reports/AutomatedReport.h"
#include "reports/AutomatedSpreadsheet.h"
#include "reports/SpreadsheetReport.h"
#include "reports/SpreadsheetTexts.h"
#include "reports/WorkbookModel.h"
#include "reports/XlsxWriter.h"
#include "tests/support/PrivateMount.h"
#include "tests/support/ProcessRunner.h"
#include "tests/unit/reports/ReportFixture.h"

#include <dirent.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <sstream>

using namespace reports;
using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const std::string kDump = std::string(TALLYVOL_SOURCE_DIR) + "/tests/unit/reports/xlsx_dump.py";

std::vector<std::string> entries(const std::string& directory) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(directory.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

WorkbookRequest requestFor(int view, int precision, std::uint32_t start) {
    WorkbookRequest request;
    request.view = view;
    request.options.NumColumns = 10;
    request.options.DataAmount = kUseAllData;
    request.options.Precision = precision;
    request.startScanID = start;
    request.freeSpace = 10737418240ULL; // 10 GiB
    return request;
}

class XlsxReportTest : public reporttest::ReportTest {
protected:
    // The reader's lines for the workbook (see xlsx_dump.py).
    std::vector<std::string> Dump(const std::string& path) {
        testsupport::ProcessResult result =
            testsupport::RunProcess("/usr/bin/python3", {kDump, path});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        std::vector<std::string> lines;
        std::istringstream in(result.out);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    static void ExpectLines(const std::vector<std::string>& dump,
                            const std::vector<std::string>& expected, const std::string& what) {
        for (const std::string& line : expected) {
            EXPECT_NE(std::find(dump.begin(), dump.end(), line), dump.end())
                << what << ": missing " << line;
        }
    }
    static std::size_t CountPrefix(const std::vector<std::string>& dump,
                                   const std::string& prefix) {
        return static_cast<std::size_t>(
            std::count_if(dump.begin(), dump.end(),
                          [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }));
    }
    std::string WriteWorkbook(const scan::DisplayData& data, const WorkbookRequest& request,
                              const std::string& name) {
        std::string path = m_temp / name;
        XlsxWriteResult result = XlsxWriter(WorkbookModel(data, request)).Write(path, true);
        EXPECT_TRUE(result.written) << result.errorText;
        return path;
    }
};

} // namespace

TEST_F(XlsxReportTest, AReaderFindsTheSheetsTitlesValuesAndChartsOfEachView) {
    struct Case {
        int view;
        int precision;
        void (*fill)(scan::DisplayData&);
        std::vector<std::string> expected;
    } cases[] = {
        {0,
         1,
         reporttest::FillDirectoryScans,
         {"sheets\tFullData,TotalsData,CurrentData,CurrentDataPlusFree,Current,CurrentPlusFree,"
          "TotalGrowth,DirGrowth",
          "active\tCurrent",
          "page\tFullData\tlandscape",
          "page\tDirGrowth\tlandscape",
          "cell\tFullData\tA1\t\"Directory Sizes\"",
          "cell\tFullData\tB1\t\"Dec 1, 9:30 AM\"",
          "cell\tFullData\tD1\t\"Jan 5, 3:04 PM\"",
          "cell\tFullData\tA2\t\"Projects\"",
          "cell\tFullData\tB2\t512",
          "cell\tFullData\tC2\t980",
          "cell\tFullData\tD2\t1024",
          "cell\tFullData\tA3\t\"a,b\"",
          "cell\tFullData\tA4\t\"R&D \\\"Q\\\"\"",
          "cell\tFullData\tA5\t\"Tab\\tName\"",
          "cell\tFullData\tD5\t0",
          "cell\tFullData\tA7\t\"Archive\"",
          "cell\tFullData\tC7\t512",
          "cell\tFullData\tA10\t\"Ünïcødé\"",
          "cell\tTotalsData\tA2\t\"Total\"",
          "cell\tTotalsData\tB2\t514",
          "cell\tTotalsData\tC2\t1494",
          "cell\tTotalsData\tD2\t2051",
          "cell\tCurrentData\tB1\t\"Jan 5, 3:04 PM\"",
          "cell\tCurrentDataPlusFree\tA12\t\"Free Space\"",
          "cell\tCurrentDataPlusFree\tB12\t10485760",
          "chart\tCurrent\tpie\t\"Space Used Under //testhost/srv/share in K\"\tbold=1",
          "series\tCurrent\t0\tvalues=CurrentData!$B$2:$B$11\tcategories=CurrentData!$A$2:$A$"
          "11\tname=CurrentData!$B$1",
          "chart\tCurrentPlusFree\tpie\t\"Free Space and Space Used Under //testhost/srv/share in "
          "K\"\tbold=1",
          "series\tCurrentPlusFree\t0\tvalues=CurrentDataPlusFree!$B$2:$B$12\tcategories="
          "CurrentDataPlusFree!$A$2:"
          "$A$12\tname=CurrentDataPlusFree!$B$1",
          "chart\tTotalGrowth\tline\t\"Total Growth of //testhost/srv/share in K\"\tbold=1",
          "series\tTotalGrowth\t0\tvalues=TotalsData!$B$2:$D$2\tcategories=TotalsData!$B$1:$D$"
          "1\tname=TotalsData!$A$2",
          "chart\tDirGrowth\tline\t\"Space Used Under //testhost/srv/share in K\"\tbold=1",
          "series\tDirGrowth\t9\tvalues=FullData!$B$11:$D$11\tcategories=FullData!$B$1:$D$1\tname="
          "FullData!$A$11"}},
        {1,
         2,
         reporttest::FillExtensionSizes,
         {"sheets\tFullData,CurrentData,CurrentDataPlusFree,Current,CurrentPlusFree,FileGrowth",
          "cell\tFullData\tA1\t\"File Type Sizes\"", "cell\tFullData\tA2\t\".big\"",
          "cell\tFullData\tD2\t1907348", "cell\tFullData\tC2\t4768",
          "cell\tCurrentDataPlusFree\tB6\t10240",
          "chart\tFileGrowth\tline\t\"Space Used by File Type Under //testhost/srv/share in "
          "MB\"\tbold=1",
          "series\tFileGrowth\t0\tvalues=FullData!$B$2:$D$2\tcategories=FullData!$B$1:$D$1\tname="
          "FullData!$A$2"}},
        {2,
         2,
         reporttest::FillExtensionCounts,
         {"sheets\tFullData,CurrentData,CurrentFileCounts,FileCounts", "active\tCurrentFileCounts",
          "cell\tFullData\tA1\t\"File Type Counts\"", "cell\tFullData\tA3\t\".txt\"",
          "cell\tFullData\tC3\t1048576", "cell\tFullData\tB3\t0", "cell\tFullData\tD3\t12",
          "chart\tCurrentFileCounts\tpie\t\"Current File Type Counts Under "
          "//testhost/srv/share\"\tbold=1",
          "chart\tFileCounts\tline\t\"File Type Counts Under //testhost/srv/share\"\tbold=1"}},
    };
    for (const Case& c : cases) {
        scan::DisplayData data;
        c.fill(data);
        std::string path = WriteWorkbook(data, requestFor(c.view, c.precision, 31), "view.xlsx");
        std::vector<std::string> dump = Dump(path);
        ExpectLines(dump, c.expected, "view " + std::to_string(c.view));
    }
}

TEST_F(XlsxReportTest, AwkwardNamesHugeNumbersAndManyRowsStayReadable) {
    scan::DisplayData data;
    data.path = "//testhost/srv/it's [old]: " + std::string(40, 'n');
    data.scans = {{2, reporttest::Date(2023, 1, 2, 8, 0)}, {1, reporttest::Date(2023, 1, 1, 8, 0)}};
    data.rows = {{1, data.path + "/a'b[c]:d"},
                 {2, data.path + "/bad\xff\xfename"},
                 {3, data.path + "/bell\x07"}};
    data.SetValue(1, 2, (1ULL << 53) + 1);
    data.SetValue(2, 2, 1ULL << 53);
    data.SetValue(3, 2, 7);
    std::vector<std::string> dump = Dump(WriteWorkbook(data, requestFor(2, 2, 2), "awkward.xlsx"));
    ExpectLines(dump,
                {"cell\tFullData\tA2\t\"a'b[c]:d\"", "cell\tFullData\tA3\t\"bad\uFFFD\uFFFDname\"",
                 "cell\tFullData\tA4\t\"bell\uFFFD\"", "cell\tFullData\tC2\t9007199254740992",
                 "comment\tFullData\tC2\t\"Exact value: 9007199254740993\"",
                 "cell\tFullData\tC3\t9007199254740992",
                 "chart\tFileCounts\tline\t\"File Type Counts Under " + data.path + "\"\tbold=1"},
                "awkward");
    EXPECT_EQ(CountPrefix(dump, "comment\tFullData\tC3"), 0u) << "2^53 is exact";

    // One scan and more rows than a chart takes: the growth chart shows the 255 largest.
    scan::DisplayData many;
    many.path = "//testhost/many";
    many.scans = {{5, reporttest::Date(2023, 1, 1, 8, 0)}};
    for (std::uint32_t r = 1; r <= 300; ++r) {
        many.rows.push_back({r, "//testhost/many/d" + std::to_string(r)});
        many.SetValue(r, 5, r * 1048576ULL);
    }
    dump = Dump(WriteWorkbook(many, requestFor(0, 2, 5), "many.xlsx"));
    EXPECT_EQ(CountPrefix(dump, "series\tDirGrowth\t"), kMaxChartSeries);
    ExpectLines(
        dump,
        {"cell\tFullData\tA2\t\"d300\"", "cell\tFullData\tB2\t300",
         "series\tDirGrowth\t0\tvalues=FullData!$B$2\tcategories=FullData!$B$1\tname=FullData!$A$2",
         "series\tCurrent\t0\tvalues=CurrentData!$B$2:$B$301\tcategories=CurrentData!$A$2:$A$"
         "301\tname="
         "CurrentData!$B$1"},
        "many rows");
}

TEST_F(XlsxReportTest, ADestinationThatCannotTakeTheFileLeavesNothingBehind) {
    scan::DisplayData data;
    reporttest::FillDirectoryScans(data);
    WorkbookModel model(data, requestFor(0, 2, 31));
    WriteFile(m_temp / "file", "x");
    testsupport::MakeDirectories(m_temp / "adir");
    WriteFile(m_temp / "open.xlsx", "old");
    WriteFile(m_temp / ".~lock.open.xlsx#", "lock");
    WriteFile(m_temp / "office.xlsx", "old");
    WriteFile(m_temp / "~$office.xlsx", "lock");
    struct Case {
        std::string path;
        int code;
    } cases[] = {
        {m_temp / "missing/report.xlsx", ENOENT},
        {m_temp / "file/report.xlsx", ENOTDIR},
        {m_temp / "adir", EISDIR},
        {m_temp / "open.xlsx", EBUSY},   // open in LibreOffice
        {m_temp / "office.xlsx", EBUSY}, // open in Microsoft Office
    };
    std::vector<std::string> before = entries(m_temp.Path());
    for (const Case& c : cases) {
        XlsxWriteResult result = XlsxWriter(model).Write(c.path, true);
        EXPECT_FALSE(result.written) << c.path;
        EXPECT_EQ(result.code, c.code) << c.path << ": " << result.errorText;
        EXPECT_FALSE(result.errorText.empty());
    }
    EXPECT_EQ(entries(m_temp.Path()), before);
    EXPECT_EQ(ReadFile(m_temp / "open.xlsx"), "old");

    // Replacing keeps the old file's permissions; keeping refuses.
    std::string kept = m_temp / "kept.xlsx";
    WriteFile(kept, "old");
    ::chmod(kept.c_str(), 0640);
    EXPECT_EQ(XlsxWriter(model).Write(kept, false).code, EEXIST);
    EXPECT_EQ(ReadFile(kept), "old");
    ASSERT_TRUE(XlsxWriter(model).Write(kept, true).written);
    struct stat info {};
    ASSERT_EQ(::stat(kept.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadFile(kept).substr(0, 2), "PK");
}

TEST_F(XlsxReportTest, AReadOnlyOrFullFileSystemKeepsTheOldReport) {
    if (!testsupport::PrivateMountsAvailable()) {
        GTEST_SKIP()
            << "needs root to mount a small or read-only file system in a private mount namespace";
    }
    scan::DisplayData data;
    reporttest::FillTenScans(data);
    for (std::uint32_t r = 3; r < 2000; ++r) {
        data.rows.push_back({r, "//testhost/data/d" + std::to_string(r)});
        for (std::uint32_t id = 101; id <= 110; ++id) {
            data.SetValue(r, id, r * 7919ULL * id);
        }
    }
    WorkbookModel model(data, requestFor(0, 0, 110));
    for (bool readOnly : {true, false}) {
        std::string mountPoint = m_temp / (readOnly ? "ro" : "small");
        testsupport::MakeDirectories(mountPoint);
        EXPECT_EXIT(
            {
                std::string error;
                if (!testsupport::MountPrivateTmpfs(mountPoint, 96 * 1024, &error)) {
                    std::cerr << error;
                    std::exit(2);
                }
                WriteFile(mountPoint + "/report.xlsx", "old");
                if (readOnly && !testsupport::RemountReadOnly(mountPoint, &error)) {
                    std::cerr << error;
                    std::exit(2);
                }
                XlsxWriteResult result = XlsxWriter(model).Write(mountPoint + "/report.xlsx", true);
                std::vector<std::string> left = entries(mountPoint);
                std::cerr << "written=" << result.written
                          << " kept=" << ReadFile(mountPoint + "/report.xlsx")
                          << " entries=" << left.size() << " (" << result.errorText << ")";
                std::exit(0);
            },
            ::testing::ExitedWithCode(0),
            std::string("written=0 kept=old entries=1 \\(.*") +
                (readOnly ? "Read-only file system" : "No space left on device") + "\\)")
            << (readOnly ? "read-only" : "full");
    }
    // Generate into a documents directory that cannot be written.
    std::string documents = m_temp / "home/Documents";
    testsupport::MakeDirectories(documents);
    m_env.Set("HOME", m_temp / "home");
    EXPECT_EXIT(
        {
            std::string error;
            if (!testsupport::MountPrivateTmpfs(documents, 96 * 1024, &error) ||
                !testsupport::RemountReadOnly(documents, &error)) {
                std::cerr << error;
                std::exit(2);
            }
            SpreadsheetReportResult result = GenerateSpreadsheetReport(data, 0, {}, 110, "/");
            std::cerr << "outcome=" << static_cast<int>(result.outcome)
                      << " boxes=" << m_ui.messageBoxes.size() << " "
                      << (m_ui.messageBoxes.empty()
                              ? ""
                              : m_ui.messageBoxes[0].caption + ": " + m_ui.messageBoxes[0].text);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0),
        "outcome=1 boxes=1 Can't Write Spreadsheet: Unable to write the spreadsheet "
        ".+/Documents/data .+\\.xlsx\\.  "
        "This function cannot work at the current time\\.  The error code returned is: Read-only "
        "file system  \\(30\\)");
}

TEST_F(XlsxReportTest, GenerateWritesANewFileAndShowsIt) {
    std::string home = m_temp / "home";
    std::string bin = m_temp / "bin";
    std::string record = m_temp / "opened";
    testsupport::MakeDirectories(home + "/Documents");
    WriteFile(bin + "/xdg-open",
              "#!/bin/sh\necho \"$*\" >> '" + record + "'\nexit ${FAKE_OPEN_STATUS:-0}\n");
    ::chmod((bin + "/xdg-open").c_str(), 0755);
    m_env.Set("HOME", home);
    m_env.Set("PATH", bin + ":/usr/bin:/bin");
    scan::DisplayData data;
    reporttest::FillDirectoryScans(data);
    SpreadsheetOptions options;
    options.NumColumns = 2;

    SpreadsheetReportResult first = GenerateSpreadsheetReport(data, 0, options, 31, m_temp.Path());
    SpreadsheetReportResult second = GenerateSpreadsheetReport(data, 0, options, 31, m_temp.Path());
    ASSERT_EQ(first.outcome, SpreadsheetOutcome::kShown);
    ASSERT_EQ(second.outcome, SpreadsheetOutcome::kShown);
    EXPECT_NE(first.path, second.path);
    EXPECT_EQ(first.path.rfind(home + "/Documents/share 20", 0), 0u) << first.path;
    EXPECT_EQ(ReadFile(record), first.path + "\n" + second.path + "\n");
    EXPECT_EQ(LoadSpreadsheetOptions().NumColumns, 2u);
    ExpectLines(Dump(second.path), {"cell\tFullData\tC1\t\"Jan 5, 3:04 PM\""}, "generated");
    EXPECT_TRUE(m_ui.messageBoxes.empty());

    // The desktop's user-dirs file names the documents directory.
    testsupport::MakeDirectories(home + "/Papers");
    WriteFile(m_env.ConfigHome() + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    EXPECT_EQ(GenerateSpreadsheetReport(data, 0, options, 31, "/").path.rfind(home + "/Papers/", 0),
              0u);
}

TEST_F(XlsxReportTest, GenerateTellsWhatWentWrong) {
    std::string bin = m_temp / "bin";
    WriteFile(bin + "/xdg-open", "#!/bin/sh\nexit 3\n");
    ::chmod((bin + "/xdg-open").c_str(), 0755);
    m_env.Set("HOME", m_temp / "nohome");
    scan::DisplayData data;
    reporttest::FillDirectoryScans(data);
    const scan::DisplayData noScans;
    SpreadsheetOptions noColumns;
    noColumns.NumColumns = 0;
    struct Case {
        const char* name;
        std::string path; // PATH
        const scan::DisplayData& data;
        SpreadsheetOptions options;
        SpreadsheetOutcome outcome;
        std::string caption;
        std::string text; // part of the message
    } cases[] = {
        {"no columns", bin, data, noColumns, SpreadsheetOutcome::kInputRefused, kNoColumnsCaption,
         kNoColumnsText},
        {"no scans",
         bin,
         noScans,
         {},
         SpreadsheetOutcome::kInputRefused,
         kNoStartColumnCaption,
         kNoStartColumnText},
        {"no application for the type",
         bin,
         data,
         {},
         SpreadsheetOutcome::kNotShown,
         kCannotOpenCaption,
         "A required tool could not be found.  (3)\r\nThis error most often means"},
        {"no xdg-open",
         m_temp / "empty",
         data,
         {},
         SpreadsheetOutcome::kNotShown,
         kCannotOpenCaption,
         "No such file or directory  (2)\r\nThis error most often means"},
    };
    for (const Case& c : cases) {
        m_env.Set("PATH", c.path);
        m_ui.messageBoxes.clear();
        SpreadsheetReportResult result = GenerateSpreadsheetReport(c.data, 0, c.options, 31, "/");
        EXPECT_EQ(result.outcome, c.outcome) << c.name;
        ASSERT_EQ(m_ui.messageBoxes.size(), 1u) << c.name;
        EXPECT_EQ(m_ui.messageBoxes[0].caption, c.caption) << c.name;
        EXPECT_NE(m_ui.messageBoxes[0].text.find(c.text), std::string::npos)
            << c.name << ": " << m_ui.messageBoxes[0].text;
        if (c.options.NumColumns == 0) {
            EXPECT_EQ(LoadSpreadsheetOptions().NumColumns, 10u) << "refused choices are not saved";
        }
        if (c.outcome == SpreadsheetOutcome::kNotShown) {
            // Without a documents directory the file is in a directory of this user's own.
            struct stat info {};
            std::string folder = result.path.substr(0, result.path.find_last_of('/'));
            EXPECT_EQ(folder.rfind(m_temp / "tallyvol-report-", 0), 0u) << result.path;
            ASSERT_EQ(::stat(folder.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 0777, 0700u);
            EXPECT_TRUE(FileExists(result.path));
            EXPECT_NE(m_ui.messageBoxes[0].text.find(result.path), std::string::npos);
        }
    }
}

TEST_F(XlsxReportTest, AnAutomatedRunWritesTheSpreadsheetFormat) {
    reporttest::FillDirectoryScans(m_dialog->m_displayData);
    m_dialog->m_printFormat = "K,NOUNITS,XLSX,2,1";
    m_dialog->m_printDestination = 2;
    m_dialog->m_printFilePath = m_temp / "nightly.xlsx";
    RunAutomatedReport(m_dialog->ReportRequest(), m_dialog->m_displayData);
    ASSERT_TRUE(m_ui.errorReports.empty()) << m_ui.errorReports.front();
    std::vector<std::string> dump = Dump(m_temp / "nightly.xlsx");
    ExpectLines(dump,
                {"cell\tFullData\tB1\t\"Dec 29, 3:02 PM\"",
                 "cell\tFullData\tC1\t\"Jan 5, 3:04 PM\"", "cell\tFullData\tA2\t\"Projects\"",
                 "cell\tFullData\tA3\t\"All Others\"", "cell\tFullData\tC3\t1027",
                 "chart\tDirGrowth\tline\t\"Space Used Under //testhost/srv/share in K\"\tbold=1"},
                "automated");
    EXPECT_EQ(CountPrefix(dump, "cell\tFullData\tA"), 3u);
    EXPECT_EQ(CountPrefix(dump, "cell\tFullData\tD"), 0u);

    ExportOptions options;
    reports::ApplyPrintFormat("MB,NOUNITS,xlsx", options);
    EXPECT_EQ(options.Format, kExportFormatSpreadsheet);
    EXPECT_EQ(AutomatedSpreadsheetOptions(options, 7).NumColumns, 3u) << "the saved export columns";
    options.Columns = 0;
    options.Precision = 4;
    SpreadsheetOptions all = AutomatedSpreadsheetOptions(options, 7);
    EXPECT_EQ(all.NumColumns, 7u);
    EXPECT_EQ(all.Precision, 2) << "smart keeps the saved spreadsheet unit";
    EXPECT_EQ(all.DataAmount, kGroupSmallNumbers);

    m_dialog->m_printFilePath = m_temp / "missing/nightly.xlsx";
    RunAutomatedReport(m_dialog->ReportRequest(), m_dialog->m_displayData);
    m_dialog->m_printDestination = 1;
    RunAutomatedReport(m_dialog->ReportRequest(), m_dialog->m_displayData);
    ASSERT_EQ(m_ui.errorReports.size(), 2u);
    EXPECT_NE(m_ui.errorReports[0].find(
                  "Trying to open file for export/print.  Filename is " + m_temp.Path() +
                  "/missing/nightly.xlsx.  Error is No such file or directory (2)"),
              std::string::npos)
        << m_ui.errorReports[0];
    EXPECT_NE(m_ui.errorReports[1].find(kSpreadsheetNotPrintableText), std::string::npos)
        << m_ui.errorReports[1];
}
