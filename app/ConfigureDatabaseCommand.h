/*
 * The database configuration wizard's Advanced path without a display, for scripts and
 * configuration management on servers:
 *
 *   tallyvol --configure-database=DIALECT "CONNECTION STRING" [--copy]
 *
 * DIALECT is 1 (SQLite), 2 (SQL Server) or 3 (MySQL/MariaDB), as the Advanced page's dialect
 * buttons; "-" in place of the connection string reads it from the first line of standard
 * input, keeping a password off the process list. It runs the wizard's Finish: prepare, test
 * the connection, create missing tables, copy the old store's data when --copy is given and the
 * two specifications differ (the new database's tables are emptied first: --copy is the answer
 * to that question), and write the three connection settings. Messages and progress go to
 * standard error. Main thread; the process ends afterwards.
 */
#ifndef TALLYVOL_APP_CONFIGUREDATABASECOMMAND_H
#define TALLYVOL_APP_CONFIGUREDATABASECOMMAND_H

#include <string>
#include <vector>

namespace app {

inline constexpr const char* kConfigureDatabaseOption = "--configure-database=";

// Exit statuses.
inline constexpr int kConfigureDatabaseSaved = 0;      // the settings name the new database
inline constexpr int kConfigureDatabaseUnchanged = 1;  // the settings were not changed
inline constexpr int kConfigureDatabaseCopyStopped = 2; // written, but the copy did not complete

// True when one of the arguments is --configure-database=.
bool IsConfigureDatabaseCommand(const std::vector<std::string>& arguments);

// Runs the command; returns the process's exit status.
int RunConfigureDatabaseCommand(const std::vector<std::string>& arguments);

} // namespace app

#endif
