/*
 * Stores for the database copy's tests: an SQLite store filled through the SQLite C API with
 * rows that are hard to copy (quotes, backslashes, LIKE wildcards, non-ASCII, 254-character
 * paths, NULLs, 64-bit sizes, identifier gaps), and each table's rows read back by queries that
 * do not go through the program (the SQLite C API, the mariadb client), texts in hex.
 */
#ifndef TALLYVOL_TESTS_UNIT_DBCONFIG_COPYTESTSTORE_H
#define TALLYVOL_TESTS_UNIT_DBCONFIG_COPYTESTSTORE_H

#include "tests/support/MariaDbServer.h"

#include <string>
#include <vector>

namespace copytest {

struct TableQuery {
    const char* table;
    const char* query; // the same text runs on SQLite and MariaDB
};
extern const TableQuery kTableQueries[6];

struct StoreSize {
    int directories = 450; // plus the eight awkward ones
    int scans = 600;
    int sizeRows = 1000;
};

// A new store file made from the build's empty template.
void MakeEmptyStore(const std::string& path);
// MakeEmptyStore, then the rows.
void MakeHostileStore(const std::string& path, const StoreSize& size = {});

// Rows as "v1|v2|..." lines, in the query's order.
std::vector<std::string> SqliteRows(const std::string& path, const std::string& query);
std::vector<std::string> MariaDbRows(const testsupport::MariaDbServer& server,
                                     const std::string& database, const std::string& query);
long long SqliteCount(const std::string& path, const std::string& table);
long long MariaDbCount(const testsupport::MariaDbServer& server, const std::string& database,
                       const std::string& table);

// An ODBC string for the fixture's server and the database.
std::string OdbcString(const testsupport::MariaDbServer& server, const std::string& database);
// Creates the database and its tables with the shipped scripts through the mariadb client.
void MakeMariaDbStore(const testsupport::MariaDbServer& server, const std::string& database);

} // namespace copytest

#endif
