/*
 * The statements the database copy runs against the store's tables: counting and reading a
 * whole table on the old store, and the insert head and SQL Server's identity-insert switch
 * written on the new one. They live beside ScanStoreSql so that every statement against the
 * store's tables is found in scan/; the copy (dbconfig/CopyTable) assembles them. Pure; any
 * thread.
 */
#ifndef TALLYVOL_SCAN_COPYSTATEMENTS_H
#define TALLYVOL_SCAN_COPYSTATEMENTS_H

#include <string>
#include <vector>

namespace scan {

// "select count(*) from %s".
std::string CopyRowCountQuery(const std::string& table);
// "select * from %s".
std::string CopyReadQuery(const std::string& table);
// "insert into %s (c1,c2,...) Values (": the values and ")" follow.
std::string CopyInsertHead(const std::string& table, const std::vector<std::string>& columns);
// "SET IDENTITY_INSERT %s ON\r\n" and "... OFF\r\n": explicit identifiers into SQL Server.
std::string IdentityInsertOn(const std::string& table);
std::string IdentityInsertOff(const std::string& table);

} // namespace scan

#endif
