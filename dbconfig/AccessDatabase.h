/*
 * The included store file as the database configuration sees it: the Access page's initial
 * values (file path and data source name) and the ConnectionString and ConnectionStringSpec
 * texts built from a path. Start-up uses these without showing the wizard when it sets up the
 * default store. Main thread.
 */
#ifndef TALLYVOL_DBCONFIG_ACCESSDATABASE_H
#define TALLYVOL_DBCONFIG_ACCESSDATABASE_H

#include <string>

namespace dbconfig {

// The MDBPath setting; when absent, the program's home plus the brand's store file name
// (written back).
std::string AccessPageFilePath();
// The DSNName setting; when absent, the brand's default data source name (written back).
std::string AccessPageDsnName();

// "Provider=SQLite;Data Source=%s": the store file opened directly.
std::string AccessDirectConnectionString(const std::string& path);
// "DSN=%s": the store reached through an ODBC data source.
std::string AccessOdbcConnectionString(const std::string& dsnName);
// The ConnectionStringSpec text: "%d:%s" with 1 and the path.
std::string AccessConnectionStringSpec(const std::string& path);

// The part of a SQL Server connection string after TRUSTED_CONNECTION: ";USER ID=%s" and
// ";PWD=%s" when the given credentials are used (values quoted where they need it), then the
// additional parameters.
std::string SqlServerCredentialsSuffix(bool currentUser, const std::string& user,
                                       const std::string& password, const std::string& additional);

} // namespace dbconfig

#endif
