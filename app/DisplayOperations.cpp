// The main dialog object's operations behind the window's controls: reloading after a view
// change or a deleted column, the grid options, the title, the settings written at close.
// Nothing here touches a window.
#include "app/CTallyvol32Dlg.h"
#include "app/UpdateStatus.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/Settings.h"
#include "brand/Brand.h"
#include "platform/system/Paths.h"
#include "platform/system/StringPrintf.h"
#include "platform/system/SystemInfo.h"
#include "reports/ScanDateLabel.h"
#include "scan/fs/StoredPath.h"

#include <algorithm>

namespace app {

namespace {

constexpr int kLoadedScans = 100;
constexpr int kDefaultNameColumnWidth = 170;
constexpr int kWidestStoredNameColumn = 500;
constexpr int kNarrowestNameColumn = 100;

} // namespace

bool CTallyvol32Dlg::LoadDisplayData() {
    if (m_scanInfo.LoadScans(m_loadedDirectory, m_view, m_displayData, kLoadedScans)) {
        return true;
    }
    // A failed load may leave the previous view's rows behind; nothing is shown instead.
    m_displayData.Clear();
    m_scanInfo.ResetConnections();
    return false;
}

void CTallyvol32Dlg::OpenDatabaseForWindow() {
    bool firstRun = GetSetting(settings::FirstRun32) == 1;
    m_databaseConnected = m_scanInfo.OpenDatabase(firstRun);
    if (firstRun) {
        SetSetting(settings::FirstRun32, 0);
    }
    if (m_databaseConnected) {
        m_scanInfo.UpgradeSchema();
    }
}

void CTallyvol32Dlg::DeleteExpiredScans() {
    if (!m_databaseConnected) {
        return;
    }
    m_scanInfo.DeleteOldScans(m_manualAutoDeleteDays, 1);
    m_scanInfo.DeleteOldScans(m_automatedAutoDeleteDays, 2);
}

void CTallyvol32Dlg::DeleteScanColumn(std::uint32_t scanID) {
    m_scanInfo.DeleteScan(scanID);
    LoadDisplayData();
}

void CTallyvol32Dlg::ChangeView(int view) {
    m_view = view;
    LoadDisplayData();
}

std::string CTallyvol32Dlg::DirectoryBelowLoaded(const std::string& rowName) const {
    std::string base = m_loadedDirectory;
    if (base.empty() || base.back() != '/') {
        base += '/';
    }
    return scan::NormalizePath(base + rowName);
}

bool CTallyvol32Dlg::IsSummaryRowName(const std::string& rowName) {
    return rowName == "[Total Free]" || rowName == "[Total Used]";
}

GridOptions CTallyvol32Dlg::CurrentGridOptions() {
    GridOptions options;
    options.view = m_view;
    options.sortMethod = m_sortMethod;
    options.units = m_units;
    options.showBlankRows = m_showBlankRows;
    options.dateLabel = [](const scan::ScanDateTime& date) { return reports::ScanDateLabel(date); };
    options.scanRoot = [this](std::uint32_t scanID) { return m_scanInfo.GetPathFromScanID(scanID); };
    return options;
}

std::string CTallyvol32Dlg::WindowTitle() const {
    platform::system::ProgramVersion version = platform::system::GetProgramVersion();
    std::string title = platform::system::StringPrintf("%s %d.%d", ProductName3218, version.major, version.minor);
    title += UpdateTitleSuffix(GetUpdateState());
    return title;
}

bool CTallyvol32Dlg::DirectoryHasFilters() {
    return m_databaseConnected && !m_scanInfo.GetFilters(nullptr, m_directory).empty();
}

void CTallyvol32Dlg::ReopenDatabase() {
    m_scanInfo.ResetConnections();
    m_databaseConnected = m_scanInfo.OpenDatabase(false);
}

int CTallyvol32Dlg::StoredNameColumnWidth() {
    int width = GetSetting(settings::DirNameWidth);
    return width > kWidestStoredNameColumn || width <= 0 ? kDefaultNameColumnWidth : width;
}

void CTallyvol32Dlg::SaveDisplaySettings(int nameColumnWidth) {
    using namespace settings;
    TV_DEBUG_LOG("CTallyvol32Dlg::OnDestroy");
    SetSetting(DirNameWidth, std::max(nameColumnWidth, kNarrowestNameColumn));
    SetSetting(PreferredUnits, m_units);
    SetSetting(PreferredClusterSetting, m_clusterSetting);
    SetSetting(PreferredSortMethod, m_sortMethod);
    SetSetting(SubDirSave, m_saveSubdirs);
    SetSetting(SymlinkCheck, m_symlinkCheck);
    SetSetting(ScanOnClick, m_scanOnClick);
    SetSetting(PrintDestination, m_printDestination);
    SetSetting(PrintFilePath, m_printFilePath);
    SetSetting(CheckForUpdates, m_checkForUpdates);
    SetSetting(AutomatedAutoDeleteDays, m_automatedAutoDeleteDays);
    SetSetting(ManualAutoDeleteDays, m_manualAutoDeleteDays);
}

std::string CTallyvol32Dlg::HelpFilePath() {
    return platform::system::DataDirectory() + "/" + HelpFileName;
}

} // namespace app
