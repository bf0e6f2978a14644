/*
 * Loaded scans for report tests, filled the way LoadScans fills them, and the expected report
 * files kept in tests/data/reports. Expected files hold "@PRINTDATE@" where the report's print
 * date goes.
 */
#ifndef TALLYVOL_TESTS_UNIT_REPORTS_REPORTFIXTURE_H
#define TALLYVOL_TESTS_UNIT_REPORTS_REPORTFIXTURE_H

#include "app/CTallyvol32Dlg.h"
#include "reports/ExportOptions.h"
#include "scan/DisplayData.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ScriptedUserInterface.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <string>

namespace reporttest {

scan::ScanDateTime Date(int year, int month, int day, int hour, int minute, int second = 0);

// Scans 31 (Jan 5 2023 15:04), 22 (Dec 29 2022 15:02) and 7 (Dec 1 2022 09:30:05) of
// //testhost/srv/share: ten directories, two without any value, one all zeros, names with a
// comma, a tab, non-ASCII letters, markup, and a "DRN*" prefix.
void FillDirectoryScans(scan::DisplayData& data);
// The same scans as extension counts (view 2): huge values and a total past 2^64.
void FillExtensionCounts(scan::DisplayData& data);
// The same scans as extension sizes (view 1), sized for every smart unit.
void FillExtensionSizes(scan::DisplayData& data);
// Scans 101 (Mar 1 2023 08:00) to 110 (Mar 10), newest first; directory A holds (id - 100) x 1000
// bytes in each, directory B a value only in the oldest.
void FillTenScans(scan::DisplayData& data);

// The expected file, byte for byte.
std::string Golden(const std::string& name);
// "%c" of the local time `when`, as strftime writes it in the current locale.
std::string PrintDateText(std::time_t when);

// An isolated program home, a scripted user interface, the main dialog object and a temporary
// directory that is also TMPDIR. Date labels start in the short form ("Jan 5, 3:04 PM") and
// the C locale's "%c".
class ReportTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the report to `name` in the temporary directory and returns the file.
    std::string ExportToFile(reports::ExportOptions options, std::uint32_t startScanId,
                             const std::string& name = "report.out");
    // The report expected from `golden` with the print date of the last export (either second
    // the export ran in).
    void ExpectGolden(const std::string& actual, const std::string& golden) const;

    testsupport::IsolatedEnvironment m_env;
    testsupport::ScriptedUserInterface m_ui;
    testsupport::TempDirectory m_temp{"tallyvol-report"};
    std::unique_ptr<app::CTallyvol32Dlg> m_dialog;
    std::time_t m_exportStarted = 0;
    std::time_t m_exportEnded = 0;
};

} // namespace reporttest

#endif
