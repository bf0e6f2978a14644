#include "tests/unit/reports/ReportFixture.h"

#include "app/base/RunState.h"
#include "reports/ReportWriter.h"

#include <clocale>

namespace reporttest {

namespace {

constexpr std::uint64_t kMax64 = 18446744073709551615ULL;

void addScans(scan::DisplayData& data) {
    data.path = "//testhost/srv/share";
    data.dirID = 2;
    data.scans = {{31, Date(2023, 1, 5, 15, 4)}, {22, Date(2022, 12, 29, 15, 2)}, {7, Date(2022, 12, 1, 9, 30, 5)}};
}

} // namespace

scan::ScanDateTime Date(int year, int month, int day, int hour, int minute, int second) {
    scan::ScanDateTime date;
    date.state = scan::ScanDateTime::State::kValid;
    date.year = year;
    date.month = month;
    date.day = day;
    date.hour = hour;
    date.minute = minute;
    date.second = second;
    return date;
}

void FillDirectoryScans(scan::DisplayData& data) {
    data.Clear();
    addScans(data);
    const std::string root = "//testhost/srv/share/";
    data.rows = {{3, root + "Projects"},   {5, root + "Archive"},
                 {8, root + "Empty"},      {9, root + "a,b"},
                 {12, root + "Zeros"},     {14, root + "Tab\tName"},
                 {15, root + "Ünïcødé"},   {17, root + "Unused"},
                 {20, root + "<img src=x onerror=alert(1)>"},
                 {23, "DRN*" + root + "R&D \"Q\""}};
    data.SetValue(3, 31, 1048576);
    data.SetValue(3, 22, 1003520);
    data.SetValue(3, 7, 524288);
    data.SetValue(5, 22, 524288);
    data.SetValue(9, 31, 1048576);
    data.SetValue(9, 22, 2047);
    data.SetValue(9, 7, 1500);
    data.SetValue(12, 31, 0);
    data.SetValue(12, 22, 0);
    data.SetValue(12, 7, 0);
    data.SetValue(14, 31, 500);
    data.SetValue(15, 7, 1536);
    data.SetValue(20, 31, 1);
    data.SetValue(20, 22, 1);
    data.SetValue(23, 31, 3072);
}

void FillExtensionCounts(scan::DisplayData& data) {
    data.Clear();
    addScans(data);
    data.rows = {{2, ".txt"}, {4, ".jpg"}, {6, ".big"}, {9, "drn*.bak"}};
    data.SetValue(2, 31, 12);
    data.SetValue(2, 22, 1048576);
    data.SetValue(2, 7, 0);
    data.SetValue(6, 31, kMax64);
    data.SetValue(6, 22, 5);
    data.SetValue(9, 7, 3);
}

void FillExtensionSizes(scan::DisplayData& data) {
    data.Clear();
    addScans(data);
    data.rows = {{2, ".txt"}, {4, ".jpg"}, {6, ".big"}, {9, ".bak"}};
    data.SetValue(2, 31, 1500000);
    data.SetValue(2, 22, 999999);
    data.SetValue(2, 7, 1);
    data.SetValue(6, 31, 2000000000000ULL);
    data.SetValue(6, 22, 5000000000ULL);
    data.SetValue(9, 7, 3);
}

void FillTenScans(scan::DisplayData& data) {
    data.Clear();
    data.path = "//testhost/data";
    data.dirID = 4;
    for (std::uint32_t id = 110; id >= 101; --id) {
        data.scans.push_back({id, Date(2023, 3, static_cast<int>(id - 100), 8, 0)});
    }
    data.rows = {{1, "//testhost/data/A"}, {2, "//testhost/data/B"}};
    for (std::uint32_t id = 101; id <= 110; ++id) {
        data.SetValue(1, id, (id - 100) * 1000ULL);
    }
    data.SetValue(2, 101, 77);
}

std::string Golden(const std::string& name) {
    return testsupport::ReadFile(std::string(TALLYVOL_SOURCE_DIR) + "/tests/data/reports/" + name);
}

std::string PrintDateText(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char buffer[128];
    std::size_t length = std::strftime(buffer, sizeof buffer, "%c", &local);
    return std::string(buffer, length);
}

void ReportTest::SetUp() {
    std::setlocale(LC_ALL, "C");
    m_env.Set("TMPDIR", m_temp.Path());
    m_dialog = std::make_unique<app::CTallyvol32Dlg>();
    app::SetUseSystemTimeFormatFlag(false);
}

void ReportTest::TearDown() {
    app::SetUseSystemTimeFormatFlag(true);
}

std::string ReportTest::ExportToFile(reports::ExportOptions options, std::uint32_t startScanId,
                                     const std::string& name) {
    options.Destination = 1;
    options.Path = m_temp / name;
    reports::ReportWriter writer(reports::ReportView{m_dialog->m_view, m_dialog->m_showBlankRows}, m_dialog->m_displayData);
    m_exportStarted = std::time(nullptr);
    writer.ExportReport(options, startScanId, false, true);
    m_exportEnded = std::time(nullptr);
    EXPECT_TRUE(m_ui.errorReports.empty()) << m_ui.errorReports.front();
    return testsupport::ReadFile(options.Path);
}

void ReportTest::ExpectGolden(const std::string& actual, const std::string& golden) const {
    std::string expected = Golden(golden);
    ASSERT_FALSE(expected.empty()) << golden;
    auto withDate = [&expected](std::time_t when) {
        std::string text = expected;
        std::size_t at = text.find("@PRINTDATE@");
        if (at != std::string::npos) {
            text.replace(at, 11, PrintDateText(when));
        }
        return text;
    };
    std::string early = withDate(m_exportStarted);
    if (actual == early) {
        return;
    }
    EXPECT_EQ(actual, withDate(m_exportEnded)) << "expected " << golden;
}

} // namespace reporttest
