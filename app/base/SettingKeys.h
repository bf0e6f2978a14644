/*
 * Every setting the program reads, with its store and its default, in one place. Code reads
 * and writes a setting through its descriptor (GetSetting/SetSetting in Settings.h), so no
 * default is ever written twice. Machine settings live in the machine-wide hive under
 * software\Tallyvol\Settings (kMachine) or directly under software\Tallyvol (kMachineRoot);
 * user settings in the per-user hive under Software\Fennick\TALLYVOL\Settings.
 */
#ifndef TALLYVOL_APP_BASE_SETTINGKEYS_H
#define TALLYVOL_APP_BASE_SETTINGKEYS_H

#include <string>

namespace app {

enum class SettingStore {
    kMachine,     // HKEY_LOCAL_MACHINE\<GlobalRegKey>\Settings
    kMachineRoot, // HKEY_LOCAL_MACHINE\<GlobalRegKey>
    kUser,        // HKEY_CURRENT_USER\Software\Fennick\TALLYVOL\Settings
};

struct IntSetting {
    const char* name;
    int defaultValue;
    SettingStore store;
    bool writeBack = true; // write the default back when the value is missing
};

// The default of a string setting is a literal, a brand-library export, or built at run time.
struct StringSetting {
    const char* name;
    const char* defaultLiteral;
    const char* const* defaultExport;
    SettingStore store;
    std::string (*defaultFunction)() = nullptr;
};

namespace settings {

using enum SettingStore;

// ---- Logging (machine) ----
extern const StringSetting LogDir;
inline constexpr IntSetting DebugLogs{"DebugLogs", 0, kMachine};
inline constexpr IntSetting LogRun{"LogRun", 0, kMachine};

// ---- Display and behaviour (machine) ----
inline constexpr IntSetting UseSystemTimeFormat{"UseSystemTimeFormat", 1, kMachine};
inline constexpr IntSetting CheckForUpdates{"CheckForUpdates", 0, kMachine};
inline constexpr IntSetting ManualAutoDeleteDays{"ManualAutoDeleteDays", 0, kMachine};
inline constexpr IntSetting AutomatedAutoDeleteDays{"AutomatedAutoDeleteDays", 7, kMachine};
inline constexpr IntSetting FirstRun32{"FirstRun32", 1, kMachine};
extern const StringSetting PrintFilePath;
inline constexpr IntSetting PrintDestination{"PrintDestination", 1, kMachine};

// ---- Update check (machine) ----
inline constexpr IntSetting LastUpdateCheck0{"LastUpdateCheck0", 0, kMachine};
inline constexpr IntSetting LastUpdateCheck1{"LastUpdateCheck1", 0, kMachine};
inline constexpr IntSetting DaysBetweenChecks{"DaysBetweenChecks", 30, kMachine};
inline constexpr IntSetting SkipNewVersionInternetCheck{"SkipNewVersionInternetCheck", 0, kMachine, false};
// The defaults of the Latest... settings are the program's own version numbers.
extern const IntSetting LatestMajor;
extern const IntSetting LatestMinor;
extern const IntSetting LatestBuild;
extern const StringSetting HomePage;
extern const StringSetting EMailAddr;
extern const StringSetting MDACPage;
extern const StringSetting DataDirectoryMDB3;
// The update check reads CheckForUpdates with a default of its own (1); the window reads it with
// the default above when it decides whether to start the check at all.
inline constexpr IntSetting CheckForUpdatesWhenChecking{"CheckForUpdates", 1, kMachine};

// ---- Problem report (machine) ----
// The web server that receives problem reports: a host name, or "host:port" (port 80 when none
// is given). Default the brand's CompanyWebServer.
extern const StringSetting ErrorReportServer;

// ---- Alerts (machine) ----
// How long an e-mail alert may wait for its SMTP server, in seconds, before it counts as failed
// and the alert falls back to the system log; 0 waits without bound.
inline constexpr IntSetting SMTPTimeoutSeconds{"SMTPTimeoutSeconds", 300, kMachine};

// ---- Database connection (machine, directly under the program's key) ----
inline constexpr IntSetting DBSource{"DBSource", 0, kMachineRoot};
inline constexpr IntSetting MigratedRegistry{"MigratedRegistry", 0, kMachineRoot, false};
inline constexpr IntSetting SQLDisableTimeouts{"SQLDisableTimeouts", 1, kMachineRoot};
inline constexpr IntSetting DB_TIMEOUT_SECONDS{"DB_TIMEOUT_SECONDS", 60000, kMachineRoot};
extern const StringSetting ConnectionString;
extern const StringSetting ConnectionStringSpec;
extern const StringSetting DSNName;
extern const StringSetting MDBPath;
extern const StringSetting MSSQLServer;
extern const StringSetting MSSQLDatabase;
extern const StringSetting MySQLServer;
extern const StringSetting MySQLName;
extern const StringSetting MySQLBinPath;
extern const StringSetting MySQLDSNName;

// ---- Reports (machine) ----
extern const StringSetting ExportPath;
inline constexpr IntSetting ExportDest{"ExportDest", 0, kMachine};
inline constexpr IntSetting ExportFormat{"ExportFormat", 2, kMachine};
inline constexpr IntSetting ExportColumns{"ExportColumns", 3, kMachine};
inline constexpr IntSetting ExportRows{"ExportRows", 0, kMachine};
inline constexpr IntSetting ExportShowUnits{"ExportShowUnits", 0, kMachine};
inline constexpr IntSetting ExportPrecision{"ExportPrecision", 0, kMachine};
inline constexpr IntSetting ExportReverseOrder{"ExportReverseOrder", 0, kMachine};
inline constexpr IntSetting ExportIncludeTotals{"ExportIncludeTotals", 0, kMachine};
inline constexpr IntSetting ExcelDataAmount{"ExcelDataAmount", 1, kMachine};
inline constexpr IntSetting ExcelPrecision{"ExcelPrecision", 2, kMachine};
inline constexpr IntSetting ExcelNumColumns{"ExcelNumColumns", 10, kMachine};
inline constexpr IntSetting ExcelMaxRows{"ExcelMaxRows", 20, kMachine};

// ---- Per-user display preferences ----
inline constexpr IntSetting PreferredUnits{"PreferredUnits", 2, kUser};
inline constexpr IntSetting PreferredClusterSetting{"PreferredClusterSetting", 4, kUser};
inline constexpr IntSetting PreferredSortMethod{"PreferredSortMethod", 2, kUser};
inline constexpr IntSetting ShowBlankRows{"ShowBlankRows", 0, kUser};
inline constexpr IntSetting SymlinkCheck{"SymlinkCheck", 0, kUser};
inline constexpr IntSetting SubDirSave{"SubDirSave", 1, kUser};
inline constexpr IntSetting ScanOnClick{"ScanOnClick", 0, kUser};
inline constexpr IntSetting DirNameWidth{"DirNameWidth", 170, kUser};
inline constexpr IntSetting HighestMsgNum{"HighestMsgNum", 0, kUser};
inline constexpr IntSetting DontAskNonExistantDir{"DontAskNonExistantDir", 0, kUser};
// The growth chart under the main window's grid is shown (1) or hidden (0).
inline constexpr IntSetting ShowGrowthChart{"ShowGrowthChart", 0, kUser};
extern const StringSetting PageName3;

// The recent-directories list LS0 (newest) .. LS20.
inline constexpr int kRecentDirectoryCount = 21;

// Sections and sub-keys other than "Settings".
inline constexpr const char* kWarningSection = "WarningDlg";
inline constexpr const char* kFixedClusterSizesKey = "FixedClusterSizes";
inline constexpr const char* kFontValue = "Font";

} // namespace settings

} // namespace app

#endif
