/*
 * Preparing a database before the program points at it: the included store file made from
 * the empty template, ODBC system data sources registered through the ODBC installer, the
 * SQL Server database created, the MySQL/MariaDB client driven with script files, and the
 * table scripts run. Every failure is reported to the user here and turned into false. Main
 * thread (message boxes, error reports; RunMySqlScript blocks up to 16 seconds).
 */
#ifndef TALLYVOL_DBCONFIG_DATABASEPREPARATION_H
#define TALLYVOL_DBCONFIG_DATABASEPREPARATION_H

#include <functional>
#include <optional>
#include <string>

namespace platform::ado {
class Connection;
}

namespace dbconfig {

// Script files of the read-only data directory.
inline constexpr const char* kCreateAccessTables = "CreateAccessTables.txt";
inline constexpr const char* kDropAccessTables = "DropAccessTables.txt";
inline constexpr const char* kCreateMSSQLDatabase = "CreateMSSQLDatabase.txt";
inline constexpr const char* kCreateMSSQLTables = "CreateMSSQLTables.txt";
inline constexpr const char* kDropMSSQLTables = "DropMSSQLTables.txt";
inline constexpr const char* kCreateMySQLDatabase = "CreateMySQLDatabase.txt";
inline constexpr const char* kCreateMySQLTables = "CreateMySQLTables.txt";
inline constexpr const char* kDropMySQLTables = "DropMySQLTables.txt";
// The empty store every new store file is a copy of.
inline constexpr const char* kStoreTemplate = "datasrc3.dll";

// ODBC driver names: the included store's, and MySQL's in the order they are tried.
inline constexpr const char* kAccessOdbcDriver = "SQLite3";
inline constexpr const char* kMySqlOdbcDrivers[] = {"MySQL ODBC 3.51 Driver",
                                                    "MySQL ODBC 3.52 Driver", "MariaDB Unicode"};

// The client program started from the MySQL bin directory.
inline constexpr const char* kMySqlClient = "mysql";

// True when the store file exists or was made from the template. No path: the MDBPath
// setting. `silent` creates without asking; `automated` creates after telling every
// notification profile; otherwise the user is asked.
bool EnsureAccessFile(const std::optional<std::string>& path, bool silent, bool automated);

// Registers the system data source for the store file (and remembers its name as DSNName).
bool CreateAccessDSN(const std::string& dsnName, const std::string& filePath);

// Creates the SQL Server database with CreateMSSQLDatabase.txt on a connection to the server.
bool CreateSqlServerDatabase(const std::string& server, const std::string& database,
                             bool currentUser, const std::string& user, const std::string& password,
                             const std::string& additional);

// Runs one table script of the included store or SQL Server on the connection; true when the
// file could be read. `fileName` is a data file's name, or an absolute path.
bool RunTableScript(platform::ado::Connection& connection, const std::string& fileName);

// Feeds a MySQL script (its $DATABASE$ replaced) to the client in `binDirectory`; true when
// the client was started. The client's output goes into the diagnostic log; the script and the
// client's password are in a private directory (never on the client's command line) that is
// removed afterwards.
bool RunMySqlScript(const std::string& fileName, const std::string& binDirectory,
                    const std::string& database, const std::string& server, int port,
                    const std::string& user, const std::string& password);

// Registers the system data source for a MySQL or MariaDB database.
bool CreateMySqlDSN(const std::string& dsnName, const std::string& database,
                    const std::string& server, int port, const std::string& user,
                    const std::string& password);

// Where the notice of an automated re-creation of the store file goes: every notification
// profile, once the alerts subsystem installs its delivery here. Until then the text goes to
// the diagnostic log and standard error.
using ProfileNotifier = std::function<void(const std::string&)>;
void SetProfileNotifier(ProfileNotifier notifier);

} // namespace dbconfig

#endif
