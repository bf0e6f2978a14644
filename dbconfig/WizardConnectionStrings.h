/*
 * The texts the database configuration wizard builds and reads back: each page's connection
 * string and specification, the SQL Server page's fields recovered from a connection string,
 * the copy page's advice, and the passwords a connection string carries (so that consoles and
 * logs can hide them). The Access page's strings are in AccessDatabase.h. Pure functions; any
 * thread.
 */
#ifndef TALLYVOL_DBCONFIG_WIZARDCONNECTIONSTRINGS_H
#define TALLYVOL_DBCONFIG_WIZARDCONNECTIONSTRINGS_H

#include <string>
#include <vector>

namespace dbconfig {

// The fields of the SQL Server page.
struct SqlServerPageValues {
    std::string server;
    std::string database;
    bool currentUser = true; // "Authenticate using the current user's credentials"
    std::string user;
    std::string password;
    std::string additional; // appended to the connection string as typed
    bool operator==(const SqlServerPageValues&) const = default;
};

// A value as it can stand in a connection string: unchanged when nothing in it would end the
// pair or be taken for quoting, else between double quotes with inner double quotes doubled.
std::string ConnectionStringValue(const std::string& value);

// "PROVIDER=SQLOLEDB;SERVER=%s;DATABASE=%s;TRUSTED_CONNECTION=%s", the credentials when given,
// then the additional parameters.
std::string SqlServerConnectionString(const SqlServerPageValues& values);
// "%d:MSSQL:%s:%s" with 2, the server and the database.
std::string SqlServerConnectionStringSpec(const std::string& server, const std::string& database);

struct SqlServerParseResult {
    SqlServerPageValues values;
    // Empty when every piece was read whole; else what could not be (an unterminated quote,
    // text after a closing quote). The fields then hold what could be read.
    std::string problem;
};

// The page's fields read back from a connection string: SERVER / DATA SOURCE, DATABASE /
// INITIAL CATALOG, USER ID / UID, PASSWORD / PWD, TRUSTED_CONNECTION=yes selects the current
// user; PROVIDER and DSN are dropped; every other piece goes to the additional parameters as
// NAME=value. Quoted values keep their ";" and "=".
SqlServerParseResult ParseSqlServerConnectionString(const std::string& text);

// The page's fields when it is shown: read back from the new connection string when the new
// specification is a SQL Server one, the credentials choice following from whether a user or
// password is given, an empty server or database taken from the stored MSSQLServer and
// MSSQLDatabase values.
SqlServerParseResult SqlServerPageOnActivation(const std::string& newSpecification,
                                               const std::string& newConnectionString,
                                               const std::string& storedServer,
                                               const std::string& storedDatabase);

// "DSN=%s": the MySQL page's string.
std::string MySqlConnectionString(const std::string& dsnName);
// "%d:MySQL:%s:%s" with 3, the server and the database.
std::string MySqlConnectionStringSpec(const std::string& server, const std::string& database);
// "%d:?:?" with the dialect (0 when none is chosen).
std::string AdvancedConnectionStringSpec(int dialect);

// What the copy page shows and allows.
struct CopyPageChoice {
    std::string explanation;
    bool checked = false; // the box "Copy data from the old database to the new database"
    bool enabled = false;
};
// Specifications are compared ignoring case.
CopyPageChoice ChooseCopyPage(int kind, const std::string& newConnectionString,
                              const std::string& oldSpecification,
                              const std::string& newSpecification);

// The values of the PWD and PASSWORD pairs of a connection string (empty ones left out).
std::vector<std::string> ConnectionStringPasswords(const std::string& connectionString);
// The text with every occurrence of each secret replaced by "****".
std::string HideSecrets(std::string text, const std::vector<std::string>& secrets);

} // namespace dbconfig

#endif
