/*
 * What the preferences window edits, and where each value lives. Read copies the values from
 * the main dialog object and the settings; Apply, on OK, writes them back: units, cluster
 * setting, the auto-delete days, save-subdirectories, rescan-on-double-click and
 * check-for-updates go to the main dialog object only (it stores them when the window closes);
 * the log directory, debug logs, log run times, the system time format and show-blank-rows are
 * stored at once. Nothing is written before Apply, so Cancel changes nothing.
 *
 * Main thread.
 */
#ifndef TALLYVOL_APP_PREFERENCES_H
#define TALLYVOL_APP_PREFERENCES_H

#include <string>

namespace app {

class CTallyvol32Dlg;

struct Preferences {
    int units = 2;              // 1 bytes, 2 K, 3 MB, 4 GB, 5 smart
    int clusterSetting = 4;     // 1 normal, 2 compressed, 3 smart, 4 ignore
    bool scanOnClick = false;
    bool saveSubdirs = true;
    bool checkForUpdates = false;
    bool showBlankRows = false;
    bool useSystemTimeFormat = true;
    std::string logDirectory;   // with a trailing "/"
    bool debugLogs = false;
    bool logRun = false;
    int manualAutoDeleteDays = 0;    // 0 never
    int automatedAutoDeleteDays = 7;

    static Preferences Read(const CTallyvol32Dlg& dialog);
    // Writes the values back. Ticking debug logs turns debug logging on at once; clearing it
    // takes effect at the next start. The caller starts the update check when checkForUpdates
    // is set.
    void Apply(CTallyvol32Dlg& dialog) const;

    // The directory with a "/" appended unless it ends with one.
    static std::string WithTrailingSlash(const std::string& directory);
};

} // namespace app

#endif
