/*
 * Reading connection strings: the "name=value;..." pairs and which back end a string asks for.
 * An OLE DB string for SQL Server (PROVIDER=SQLOLEDB) becomes an ODBC string for the FreeTDS
 * driver. Pure functions; any thread.
 */
#ifndef TALLYVOL_PLATFORM_ADO_CONNECTIONSTRING_H
#define TALLYVOL_PLATFORM_ADO_CONNECTIONSTRING_H

#include <string>
#include <utility>
#include <vector>

namespace platform::ado {

// Pairs in their order; names and values trimmed of blanks, values unquoted ({...} or "...").
// A piece without "=" becomes a name with an empty value.
std::vector<std::pair<std::string, std::string>> ParseConnectionString(const std::string& text);

enum class ProviderKind { kSqlite, kOdbc, kUnknown };

struct ResolvedConnection {
    ProviderKind kind = ProviderKind::kUnknown;
    std::string target;   // the SQLite file, or the ODBC connection string
    std::string provider; // the Provider value as written (for error texts)
};

// Which back end serves the string and what to hand it. User name and password given apart
// from the string are added in the back end's own keys.
ResolvedConnection ResolveConnectionString(const std::string& text, const std::string& user = {},
                                           const std::string& password = {});

// The text with the value of every PWD= or PASSWORD= key (any case, blanks around "=" allowed,
// braced or quoted values whole) replaced by "****": for any text that leaves the process and
// may hold a connection string (error reports, the log, standard error, e-mails).
std::string MaskConnectionPasswords(const std::string& text);

// PROVIDER=SQLOLEDB;SERVER=..;DATABASE=..;TRUSTED_CONNECTION=..;USER ID=..;PWD=..;... as the
// ODBC string for the FreeTDS driver.
std::string TranslateSqlOledbToFreeTds(const std::string& text);

} // namespace platform::ado

#endif
