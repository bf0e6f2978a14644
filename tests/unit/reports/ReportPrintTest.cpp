// Printing reports: the report file goes to the print command, an HTML report as a PDF. A
// stand-in `lp` first on PATH records its arguments and keeps a copy of what it was given (no
// printer can be relied on here); everything else, the PDF converter included, is real.
#include "app/base/RunState.h"
#include "platform/shell/ShellPrint.h"
#include "reports/ReportWriter.h"
#include "tests/support/ProcessRunner.h"
#include "tests/unit/reports/ReportFixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>

using namespace reports;
using namespace reporttest;
using testsupport::FileExists;
using testsupport::ReadFile;

namespace {

class PrintTest : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        m_bin = m_temp / "bin";
        m_received = m_temp / "received";
        testsupport::MakeDirectories(m_bin);
        testsupport::MakeDirectories(m_received);
        const char* path = std::getenv("PATH");
        m_env.Set("PATH", m_bin + ":" + (path != nullptr ? path : "/usr/bin:/bin"));
        FillDirectoryScans(m_dialog->m_displayData);
    }

    void InstallLp(const std::string& body) {
        std::string script = m_bin + "/lp";
        testsupport::WriteFile(script, "#!/bin/sh\n" + body);
        ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
    }

    // Records the arguments one a line and copies the last one, the file, as lp would queue it.
    void InstallRecordingLp() {
        InstallLp("printf '%s\\n' \"$@\" > '" + m_received + "/arguments'\n"
                  "for file; do :; done\n"
                  "cp \"$file\" '" + m_received + "/file' || exit 1\n"
                  "echo \"request id is Standin-1 (1 file(s))\"\n");
    }

    void Print(int format) {
        ExportOptions options;
        options.Format = format;
        options.Destination = 0;
        options.Path = m_temp / "ignored-when-printing";
        options.Precision = 1;
        options.ShowUnits = true;
        options.IncludeTotals = true;
        ReportWriter writer(reports::ReportView{m_dialog->m_view, m_dialog->m_showBlankRows}, m_dialog->m_displayData);
        m_exportStarted = std::time(nullptr);
        writer.ExportReport(options, 31, false, false);
        m_exportEnded = std::time(nullptr);
        EXPECT_TRUE(m_ui.messageBoxes.empty());
        EXPECT_FALSE(FileExists(options.Path));
    }

    std::string m_bin;
    std::string m_received;
};

} // namespace

TEST_F(PrintTest, TextAndCsvReportsGoToLpAsTheyAreAndStayInTheTemporaryDirectory) {
    InstallRecordingLp();
    Print(2);
    ASSERT_TRUE(m_ui.errorReports.empty()) << m_ui.errorReports.front();
    std::string printed = m_temp / "~tvexp.txt";
    EXPECT_EQ(ReadFile(m_received + "/arguments"), "--\n" + printed + "\n");
    ExpectGolden(ReadFile(m_received + "/file"), "directories-k-units-totals.txt");
    EXPECT_EQ(ReadFile(printed), ReadFile(m_received + "/file"));
    struct stat st {};
    ASSERT_EQ(::stat(printed.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    Print(1);
    ASSERT_TRUE(m_ui.errorReports.empty()) << m_ui.errorReports.front();
    EXPECT_EQ(ReadFile(m_received + "/arguments"), "--\n" + (m_temp / "~tvexp.csv") + "\n");
    ExpectGolden(ReadFile(m_received + "/file"), "directories-k-units-totals.csv");
    EXPECT_TRUE(FileExists(m_temp / "~tvexp.txt"));
}

TEST_F(PrintTest, AnHtmlReportIsPrintedAsAPdfOfTheSameReport) {
    InstallRecordingLp();
    app::SetUseSystemTimeFormatFlag(true);
    Print(0);
    ASSERT_TRUE(m_ui.errorReports.empty()) << m_ui.errorReports.front();
    EXPECT_EQ(ReadFile(m_received + "/arguments"), "--\n" + (m_temp / "~tvexp.pdf") + "\n");
    std::string pdf = ReadFile(m_received + "/file");
    ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u) << pdf.substr(0, 64);
    ExpectGolden(ReadFile(m_temp / "~tvexp.html"), "directories-k-units-totals.html");

    testsupport::ProcessResult text = testsupport::RunProcess("/usr/bin/pdftotext", {m_received + "/file", "-"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("Tallyvol Disk Space Tracker Report"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Directory: //testhost/srv/share"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Ünïcødé"), std::string::npos) << text.out;
    // Escaped markup reads as the name it is (the narrow name column may wrap it).
    EXPECT_NE(text.out.find("<img src=x"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("onerror=alert(1)>"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("R&D \"Q\""), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("2,051 K"), std::string::npos) << text.out;
}

TEST_F(PrintTest, AMissingPrintCommandIsReported) {
    m_env.Set("PATH", m_bin);
    Print(2);
    ASSERT_EQ(m_ui.errorReports.size(), 1u);
    EXPECT_EQ(m_ui.errorReports[0], "An error occurred while: Trying to print file.  Filename is " +
                                        (m_temp / "~tvexp.txt") +
                                        ".  The print command lp (CUPS client) was not found.\r\nDetails: None");
}

TEST_F(PrintTest, APrintCommandWithoutDefaultPrinterIsReportedWithItsMessage) {
    InstallLp("echo 'lp: Error - No default destination.' >&2\nexit 1\n");
    Print(0);
    ASSERT_EQ(m_ui.errorReports.size(), 1u);
    EXPECT_EQ(m_ui.errorReports[0], "An error occurred while: Trying to print file.  Filename is " +
                                        (m_temp / "~tvexp.pdf") +
                                        ".  The default printer could not be reached.  Error is lp: Error - No "
                                        "default destination. (1)\r\nDetails: None");
}

TEST_F(PrintTest, APdfThatCannotBeWrittenIsReportedAndNotPrinted) {
    InstallRecordingLp();
    testsupport::MakeDirectories(m_temp / "~tvexp.pdf");
    Print(0);
    ASSERT_EQ(m_ui.errorReports.size(), 1u);
    EXPECT_EQ(m_ui.errorReports[0], "An error occurred while: Trying to print file.  Filename is " +
                                        (m_temp / "~tvexp.html") +
                                        ".  Converting it to PDF failed.  Error is Is a directory (21)"
                                        "\r\nDetails: None");
    EXPECT_FALSE(FileExists(m_received + "/arguments"));
}

TEST_F(PrintTest, ALinkPlantedUnderTheTemporaryNameIsNotFollowed) {
    InstallRecordingLp();
    std::string victim = m_temp / "victim";
    testsupport::WriteFile(victim, "precious");
    ASSERT_EQ(::symlink(victim.c_str(), (m_temp / "~tvexp.txt").c_str()), 0);
    Print(2);
    ASSERT_EQ(m_ui.errorReports.size(), 1u);
    EXPECT_EQ(m_ui.errorReports[0], "An error occurred while: Trying to open file for export/print.  Filename is " +
                                        (m_temp / "~tvexp.txt") +
                                        ".  Error is Too many levels of symbolic links (40)\r\nDetails: None");
    EXPECT_EQ(ReadFile(victim), "precious");
    EXPECT_FALSE(FileExists(m_received + "/arguments"));
}

TEST(ShellPrint, AMissingConverterIsToldApartFromAFailingOne) {
    testsupport::TempDirectory temp;
    testsupport::WriteFile(temp / "r.html", "<html></html>");
    std::string converter = temp / "nowhere/tallyvol-htmltopdf";
    platform::shell::PrintResult result = platform::shell::ShellPrint(temp / "r.html", converter);
    EXPECT_EQ(result.status, platform::shell::PrintStatus::kConverterMissing);
    EXPECT_EQ(result.code, ENOENT);
    EXPECT_EQ(result.detail, converter + ": No such file or directory");
    EXPECT_FALSE(FileExists(temp / "r.pdf"));
}

TEST(ShellPrint, TheConverterReportsWhatItCannotRead) {
    testsupport::TempDirectory temp;
    testsupport::MakeDirectories(temp / "folder.html");
    platform::shell::PrintResult result = platform::shell::ShellPrint(temp / "folder.html");
    EXPECT_EQ(result.status, platform::shell::PrintStatus::kConversionFailed);
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.detail.find("folder.html: file to open is a directory"), std::string::npos) << result.detail;
    EXPECT_EQ(result.printedFile, temp / "folder.pdf");
}
