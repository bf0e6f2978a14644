#include "tests/ui/support/SampleStore.h"

#include "app/CTallyvol32Dlg.h"
#include "app/ui/MainWindow.h"
#include "platform/ado/Connection.h"
#include "tests/support/TempDirectory.h"

#include <QComboBox>

#include <ctime>
#include <utility>
#include <vector>

namespace uitest {

namespace {

constexpr std::uint64_t kMB = 1024 * 1024;

struct SampleFile {
    const char* path;
    std::uint64_t bytes;
};

const SampleFile kFirstState[] = {
    {"Documents/report-2025.pdf", 3 * kMB}, {"Documents/budget.xlsx", 420 * 1024}, {"Documents/notes.txt", 12 * 1024},
    {"Documents/letters/letter1.odt", 90 * 1024}, {"Photos/2025/img_0001.jpg", 4 * kMB}, {"Photos/2025/img_0002.jpg", 5 * kMB},
    {"Photos/2024/img_0100.jpg", 6 * kMB}, {"Music/album/track01.mp3", 8 * kMB}, {"Music/album/track02.mp3", 7 * kMB},
    {"Projects/tallyvol/main.cpp", 40 * 1024}, {"Projects/tallyvol/grid.cpp", 25 * 1024}, {"Projects/site/index.html", 9 * 1024},
    {"Backups/home-2025-11.tar.gz", 150 * kMB}, {"Downloads/debian-12.iso", 600 * kMB}, {"Downloads/readme.txt", 2 * 1024},
    {"Videos/holiday.mkv", 900 * kMB}, {"Empty/.keep", 0},
};

} // namespace

void MakeSampleTree(const std::string& root) {
    for (const SampleFile& file : kFirstState) {
        testsupport::WriteSizedFile(root + "/" + file.path, file.bytes);
    }
}

void ChangeSampleTree(const std::string& root, int round) {
    if (round == 1) {
        testsupport::WriteSizedFile(root + "/Backups/home-2025-12.tar.gz", 180 * kMB);
        testsupport::WriteSizedFile(root + "/Photos/2025/img_0003.jpg", 5 * kMB);
        testsupport::WriteSizedFile(root + "/Downloads/debian-12.iso", 0);
    } else {
        testsupport::WriteSizedFile(root + "/Backups/home-2026-01.tar.gz", 210 * kMB);
        testsupport::WriteSizedFile(root + "/Videos/concert.mkv", 1200 * kMB);
        testsupport::WriteSizedFile(root + "/Projects/tallyvol/model.cpp", 30 * 1024);
    }
}

namespace {

void changeSampleTreeMonthly(const std::string& root, int month) {
    std::string number = std::to_string(month);
    testsupport::WriteSizedFile(root + "/Backups/home-month" + number + ".tar.gz", (120 + 8 * month) * kMB);
    testsupport::WriteSizedFile(root + "/Photos/2026/img_1" + number + ".jpg", 4 * kMB);
    testsupport::WriteSizedFile(root + "/Projects/tallyvol/part" + number + ".cpp", 30 * 1024);
    testsupport::WriteSizedFile(root + "/Downloads/debian-12.iso", month % 6 < 3 ? 0 : 600 * kMB);
    if (month == 5 || month == 9) {
        testsupport::WriteSizedFile(root + "/Videos/clip" + number + ".mkv", 700 * kMB);
    }
    if (month == 7) {
        testsupport::WriteSizedFile(root + "/Documents/report-2025.pdf", 0);
    }
}

void dateScans(app::ui::MainWindow& window, const std::vector<int>& scanIDs, int daysApart) {
    std::time_t now = std::time(nullptr);
    for (std::size_t i = 0; i < scanIDs.size(); ++i) {
        std::time_t when = now - static_cast<std::time_t>((scanIDs.size() - 1 - i) * daysApart * 24 * 3600) - 3600;
        std::tm local{};
        ::localtime_r(&when, &local);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
        SetScanDate(window, scanIDs[i], text);
    }
    // Reloaded with the new dates.
    window.Dialog().m_loadedDirID = 0;
}

} // namespace

void ScanSampleTreeMonthly(app::ui::MainWindow& window, const std::string& root, int scans) {
    std::vector<int> scanIDs;
    for (int month = 0; month < scans; ++month) {
        if (month > 0) {
            changeSampleTreeMonthly(root, month);
        }
        ShowDirectory(window, root);
        window.OnScan();
        scanIDs.push_back(static_cast<int>(window.Dialog().m_displayData.scans.front().scanID));
    }
    dateScans(window, scanIDs, 30);
    ShowDirectory(window, root);
}

void SetScanDate(app::ui::MainWindow& window, int scanID, const std::string& date) {
    window.Dialog().m_scanInfo.GetConnection()->Execute("update ScanDefinition set ScanDate='" + date +
                                                        "' where ScanID=" + std::to_string(scanID));
}

void ShowDirectory(app::ui::MainWindow& window, const std::string& directory) {
    auto* box = window.findChild<QComboBox*>(QStringLiteral("id1010"));
    box->setEditText(QString::fromStdString(directory));
    window.ManagePath();
}

void ScanSampleTreeThreeTimes(app::ui::MainWindow& window, const std::string& root) {
    std::vector<int> scanIDs;
    for (int round = 0; round < 3; ++round) {
        if (round > 0) {
            ChangeSampleTree(root, round);
        }
        ShowDirectory(window, root);
        window.OnScan();
        scanIDs.push_back(static_cast<int>(window.Dialog().m_displayData.scans.front().scanID));
    }
    dateScans(window, scanIDs, 7);
    ShowDirectory(window, root);
}

} // namespace uitest
