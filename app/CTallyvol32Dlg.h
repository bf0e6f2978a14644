/*
 * The main dialog object. It exists in every run, shown or not: it holds the directory being
 * worked on, the loaded scans, the display options read from the settings, the values the
 * command line set (thresholds, profiles, print options) and the operations an automated run
 * performs. The window that shows it is built on top of this object. Main thread only.
 */
#ifndef TALLYVOL_APP_CTALLYVOL32DLG_H
#define TALLYVOL_APP_CTALLYVOL32DLG_H

#include "alerts/DeliverAlert.h"
#include "alerts/Notification.h"
#include "app/ProgressDlg.h"
#include "app/view/GridContent.h"
#include "scan/CScanInfo.h"
#include "reports/AutomatedReport.h"
#include "scan/DisplayData.h"

#include <cstdint>
#include <string>

namespace app {

class CTallyvol32Dlg {
public:
    // Reads the settings the dialog keeps in members.
    CTallyvol32Dlg();
    virtual ~CTallyvol32Dlg();

    CTallyvol32Dlg(const CTallyvol32Dlg&) = delete;
    CTallyvol32Dlg& operator=(const CTallyvol32Dlg&) = delete;

    // ---- Operations (the window calls them too) ----
    // Scans the directory text (type 2 while an automated run's scan executes, else 1), stores
    // it when the save member is set and loads the directory's scans.
    void OnScan();
    // Loads the stored scans of the directory text when its identifier differs from the
    // loaded one; refreshes free space when the directory exists. True when it loaded.
    bool ManagePath();
    // Free space and cluster size texts of the directory text's volume.
    void UpdateStats();
    // The directory text becomes the loaded directory's parent (the root stays the root).
    void OnBack();

    // ---- Alert checks of the automated run, each delivering through SendAlert; false when the
    // check could not read its scans or the volume ----
    bool AlertSizeCheck();
    bool AlertPercentCheck();
    bool FreeAlertCheck();
    bool MaxSizeCheck();
    bool FreePercentAlertCheck();

    // ---- What the window asks of the object (DisplayOperations.cpp) ----
    // Opens the store when the window opens (first-run mode on a machine's first start).
    void OpenDatabaseForWindow();
    // Deletes manual and automated scans older than their auto-delete days (window opening).
    void DeleteExpiredScans();
    // Deletes the scan in every directory, then reloads the loaded directory.
    void DeleteScanColumn(std::uint32_t scanID);
    // Switches the view (0 sizes, 1 extension sizes, 2 extension counts) and reloads.
    void ChangeView(int view);
    // The directory text a double-click on a row of the grid leads to.
    std::string DirectoryBelowLoaded(const std::string& rowName) const;
    // Rows that name no directory (a double-click on them does nothing).
    static bool IsSummaryRowName(const std::string& rowName);
    // The grid rules' options for the members (view, sort, units, blank rows, date labels).
    GridOptions CurrentGridOptions();
    // "%s %d.%d" with the update state's suffix.
    std::string WindowTitle() const;
    // The directory text has exclusion filters.
    bool DirectoryHasFilters();
    // The store is reopened with its current settings (after the preferences).
    void ReopenDatabase();
    // The name column's width as stored (170 when the value is unusable).
    static int StoredNameColumnWidth();
    // Writes the window's settings when it closes.
    void SaveDisplaySettings(int nameColumnWidth);
    // The help document installed with the program's data.
    static std::string HelpFilePath();
    // LoadScans of the loaded directory in the view; after a failure (already reported) the
    // next store operation connects afresh, so the window recovers when the store is back.
    bool LoadDisplayData();

    void SendAlert(const std::string& directory, const std::string& message, std::int64_t size,
                   const alerts::MailAppendix& mailAppendix = {});

    // What the report step of the automated run is asked for: the command line's print values
    // and the view the scans are shown in.
    reports::AutomatedReportRequest ReportRequest() const;

    // ---- Set by the command line ----
    std::string m_directory = "/";       // directory text; the scan directory of automated runs
    int m_symlinkCheck = 0;              // loop check for symbolic links
    alerts::Notification m_defaultNotification;
    std::string m_profileList;           // "/PID=": profile identifiers separated by commas
    int m_alertPercent = 0;              // growth-percent threshold
    std::int64_t m_alertSize = 0;        // growth-amount threshold, bytes
    std::int64_t m_freeAlert = 0;        // free-space threshold, bytes
    std::int64_t m_maxSize = 0;          // maximum-size threshold, bytes
    int m_freePercent = 0;               // free-percent threshold
    int m_printDestination = 1;          // 1 printer, 2 file
    std::string m_printFilePath;
    std::string m_printFormat;
    int m_save = 0;
    int m_saveSubdirs = 1;

    // ---- Display state ----
    std::string m_loadedDirectory;
    int m_loadedDirID = 0;               // -1 when the directory is not in the store
    int m_view = 0;                      // 0 directory sizes, 1 extension sizes, 2 extension counts
    int m_units = 2;                     // 1 bytes, 2 K, 3 MB, 4 GB, 5 smart
    int m_clusterSetting = 4;
    int m_sortMethod = 2;                // 1 size or count, 2 name, 3 change
    bool m_showBlankRows = false;
    int m_scanOnClick = 0;
    int m_manualAutoDeleteDays = 0;
    int m_automatedAutoDeleteDays = 7;
    int m_checkForUpdates = 0;
    bool m_databaseConnected = false;
    std::int64_t m_lastScanResult = 0;   // of the last OnScan: bytes, or -1 failed, -2 excluded
    CProgressDlg m_progress;             // watches every scan of m_scanInfo
    scan::CScanInfo m_scanInfo;          // the scan engine and its store connections
    scan::DisplayData m_displayData;
    std::string m_freeSpaceText;
    std::string m_clusterSizeText;
    std::string m_clusterLabelText = "Cluster Size :";
};

} // namespace app

#endif
