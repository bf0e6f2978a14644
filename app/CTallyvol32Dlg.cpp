#include "app/CTallyvol32Dlg.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"

namespace app {

CTallyvol32Dlg::CTallyvol32Dlg() {
    using namespace settings;
    SetUseSystemTimeFormatFlag(GetSetting(UseSystemTimeFormat) != 0);
    m_checkForUpdates = GetSetting(CheckForUpdates);
    m_manualAutoDeleteDays = GetSetting(ManualAutoDeleteDays);
    m_automatedAutoDeleteDays = GetSetting(AutomatedAutoDeleteDays);
    m_printFilePath = GetSetting(PrintFilePath);
    m_printDestination = GetSetting(PrintDestination);
    m_units = GetSetting(PreferredUnits);
    m_clusterSetting = GetSetting(PreferredClusterSetting);
    m_sortMethod = GetSetting(PreferredSortMethod);
    m_showBlankRows = GetSetting(ShowBlankRows) != 0;
    m_symlinkCheck = GetSetting(SymlinkCheck);
    m_saveSubdirs = GetSetting(SubDirSave);
    m_scanOnClick = GetSetting(ScanOnClick);
    m_scanInfo.SetSink(&m_progress);
}

CTallyvol32Dlg::~CTallyvol32Dlg() = default;

reports::AutomatedReportRequest CTallyvol32Dlg::ReportRequest() const {
    reports::AutomatedReportRequest request;
    request.printFormat = m_printFormat;
    request.printDestination = m_printDestination;
    request.printFilePath = m_printFilePath;
    request.directory = m_directory;
    // Rows as the window shows them, so "the first N rows" are the N the user would see first.
    request.view = {m_view, m_showBlankRows, m_sortMethod};
    return request;
}

} // namespace app
