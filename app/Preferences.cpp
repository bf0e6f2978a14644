#include "app/Preferences.h"

#include "app/CTallyvol32Dlg.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"

namespace app {

std::string Preferences::WithTrailingSlash(const std::string& directory) {
    if (!directory.empty() && directory.back() == '/') {
        return directory;
    }
    return directory + "/";
}

Preferences Preferences::Read(const CTallyvol32Dlg& dialog) {
    using namespace settings;
    Preferences values;
    values.units = dialog.m_units;
    values.clusterSetting = dialog.m_clusterSetting;
    values.scanOnClick = dialog.m_scanOnClick != 0;
    values.saveSubdirs = dialog.m_saveSubdirs != 0;
    values.checkForUpdates = dialog.m_checkForUpdates != 0;
    values.manualAutoDeleteDays = dialog.m_manualAutoDeleteDays;
    values.automatedAutoDeleteDays = dialog.m_automatedAutoDeleteDays;
    values.useSystemTimeFormat = GetSetting(UseSystemTimeFormat) != 0;
    values.logDirectory = WithTrailingSlash(GetSetting(LogDir));
    values.debugLogs = GetSetting(DebugLogs) != 0;
    values.logRun = GetSetting(LogRun) != 0;
    values.showBlankRows = dialog.m_showBlankRows;
    return values;
}

void Preferences::Apply(CTallyvol32Dlg& dialog) const {
    using namespace settings;
    dialog.m_units = units;
    dialog.m_clusterSetting = clusterSetting;
    dialog.m_automatedAutoDeleteDays = automatedAutoDeleteDays;
    dialog.m_manualAutoDeleteDays = manualAutoDeleteDays;
    dialog.m_saveSubdirs = saveSubdirs ? 1 : 0;
    dialog.m_scanOnClick = scanOnClick ? 1 : 0;
    dialog.m_checkForUpdates = checkForUpdates ? 1 : 0;
    SetUseSystemTimeFormatFlag(useSystemTimeFormat);

    SetSetting(LogDir, WithTrailingSlash(logDirectory));
    SetSetting(DebugLogs, debugLogs ? 1 : 0);
    if (debugLogs) {
        EnableDebugLog();
    }
    dialog.m_showBlankRows = showBlankRows;
    SetSetting(ShowBlankRows, showBlankRows ? 1 : 0);
    SetSetting(UseSystemTimeFormat, useSystemTimeFormat ? 1 : 0);
    SetSetting(LogRun, logRun ? 1 : 0);
}

} // namespace app
