// The main dialog object's operations that need no window: scanning the directory text,
// loading its stored scans, the free-space figures, going up a level, and the alert checks of
// the automated run.
#include "alerts/AlertChecks.h"
#include "app/CTallyvol32Dlg.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/FormatBytes.h"
#include "app/RecentDirectories.h"
#include "app/base/RunState.h"
#include "platform/ado/ComError.h"
#include "platform/system/Paths.h"
#include "scan/fs/CompressedVolume.h"
#include "scan/GrowthReport.h"
#include "scan/fs/StoredPath.h"
#include "scan/fs/Volume.h"

#include <chrono>

namespace app {

namespace {

bool directoryExists(const std::string& path) {
    return platform::system::IsDirectory(scan::LocalPathFromStored(path));
}

} // namespace

void CTallyvol32Dlg::OnScan() {
    m_lastScanResult = -1;
    try {
        if (!m_databaseConnected) {
            m_databaseConnected = m_scanInfo.OpenDatabase(false);
            if (!m_databaseConnected) {
                return;
            }
        }
        TV_DEBUG_LOG("CTallyvol32Dlg::OnScan Begin");
        AddRecentDirectory(scan::NormalizePath(m_directory));
        int scanType = AutomatedScanInProgress ? 2 : 1;
        m_scanInfo.SetSaveOptions(m_save != 0, m_saveSubdirs != 0);
        auto started = std::chrono::steady_clock::now();
        m_lastScanResult = m_scanInfo.Scan(m_directory, AutomatedScanInProgress, scanType, m_symlinkCheck != 0);
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        TV_DEBUG_LOG("Completed scan of %s in %d ms", m_directory.c_str(), static_cast<int>(elapsed.count()));
        m_loadedDirectory = scan::NormalizePath(m_directory);
        m_loadedDirID = m_scanInfo.GetDirID(nullptr, m_loadedDirectory, 0,
                                            scan::DirIDOptions().PreparingTree(m_symlinkCheck != 0));
        m_scanInfo.LoadScans(m_loadedDirectory, m_view, m_displayData, 100);
        TV_DEBUG_LOG("CTallyvol32Dlg::OnScan End");
    } catch (const platform::ado::ComError& error) {
        TV_DEBUG_LOG("COM Exception in OnScan.  Desc=%s, ErrMsg=%s, Err=%0X", error.Description().c_str(),
                     error.ErrorMessage().c_str(), error.Code());
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnScan\n");
    }
}

bool CTallyvol32Dlg::ManagePath() {
    bool loaded = false;
    try {
        m_directory = scan::NormalizePath(m_directory);
        if (m_databaseConnected) {
            int dirID = m_scanInfo.GetDirID(nullptr, m_directory, 0,
                                            scan::DirIDOptions().LookupOnly().PreparingTree(true));
            if (dirID == -1) {
                // Unknown, or the store failed: the next look-up connects afresh.
                m_scanInfo.ResetConnections();
            } else if (dirID != m_loadedDirID) {
                m_loadedDirectory = m_directory;
                m_loadedDirID = LoadDisplayData() ? dirID : 0;
                loaded = true;
            }
        }
        if (directoryExists(m_directory)) {
            UpdateStats();
        } else {
            // Another directory's free space must not stay beside this one's scans.
            m_freeSpaceText.clear();
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in ManagePath\n");
    }
    return loaded;
}

void CTallyvol32Dlg::UpdateStats() {
    try {
        TV_DEBUG_LOG("CTallyvol32Dlg::UpdateStats Begin");
        if (!directoryExists(m_directory)) {
            return;
        }
        std::uint64_t totalFree = 0;
        std::uint64_t freeToCaller = 0;
        std::uint64_t totalBytes = 0;
        if (scan::FENGetFreeSpace(m_directory, totalFree, freeToCaller, totalBytes)) {
            m_freeSpaceText = FormatBytes(static_cast<std::int64_t>(totalFree), true, m_units);
        }
        // A fixed unit: every file is counted in 4096-byte units whatever the volume uses.
        m_clusterSizeText = FormatBytes(4096, true, kUnitSmart);
        m_clusterLabelText = scan::IsVolumeCompressed(scan::GetScanRoot(m_directory)) ? "Cluster Size* :" : "Cluster Size :";
        TV_DEBUG_LOG("CTallyvol32Dlg::UpdateStats End");
    } catch (...) {
        TV_DEBUG_LOG("** Exception in UpdateStats\n");
    }
}

void CTallyvol32Dlg::OnBack() {
    try {
        m_directory = scan::NormalizePath(scan::ParentDirectory(scan::LocalPathFromStored(m_loadedDirectory)));
        TV_DEBUG_LOG("OnBack");
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnBack\n");
    }
}

namespace {

alerts::AlertCheckContext checkContext(CTallyvol32Dlg& dialog) {
    alerts::AlertCheckContext context;
    context.directory = dialog.m_directory;
    context.units = dialog.m_units;
    context.loadScans = [&dialog](const std::string& path, int view, scan::DisplayData& data, int maxScans) {
        return dialog.m_scanInfo.LoadScans(path, view, data, maxScans);
    };
    context.getFreeSpace = [](const std::string& path, std::uint64_t* totalFree, std::uint64_t* freeToCaller,
                              std::uint64_t* totalBytes) {
        return scan::FENGetFreeSpace(path, *totalFree, *freeToCaller, *totalBytes);
    };
    context.sendAlert = [&dialog](const std::string& directory, const std::string& message, std::int64_t size,
                                  const alerts::MailAppendix& mailAppendix) {
        dialog.SendAlert(directory, message, size, mailAppendix);
    };
    context.loadGrowth = [&dialog](const std::string& path, const scan::GrowthRequest& request) {
        return scan::LoadGrowthReport(dialog.m_scanInfo, path, request);
    };
    return context;
}

} // namespace

bool CTallyvol32Dlg::AlertSizeCheck() {
    return alerts::AlertSizeCheck(checkContext(*this), m_alertSize);
}

bool CTallyvol32Dlg::AlertPercentCheck() {
    return alerts::AlertPercentCheck(checkContext(*this), m_alertPercent);
}

bool CTallyvol32Dlg::FreeAlertCheck() {
    return alerts::FreeAlertCheck(checkContext(*this), m_freeAlert);
}

bool CTallyvol32Dlg::MaxSizeCheck() {
    return alerts::MaxSizeCheck(checkContext(*this), m_maxSize);
}

bool CTallyvol32Dlg::FreePercentAlertCheck() {
    return alerts::FreePercentAlertCheck(checkContext(*this), m_freePercent);
}

void CTallyvol32Dlg::SendAlert(const std::string& directory, const std::string& message, std::int64_t size,
                               const alerts::MailAppendix& mailAppendix) {
    alerts::SendAlert(m_profileList, m_defaultNotification, directory, message, size, mailAppendix);
}

} // namespace app
