/*
 * The small rules that let one SQL text serve every database kind: the kinds themselves, date
 * literals, path escaping and quoting of text values. The scan store's statements
 * (ScanStoreSql.h) and the database copy build their texts with these. Pure functions; any
 * thread.
 */
#ifndef TALLYVOL_SCAN_SQLRULES_H
#define TALLYVOL_SCAN_SQLRULES_H

#include <ctime>
#include <string>

namespace scan {

struct ScanDateTime;

// Database kinds (the DBSource setting).
inline constexpr int kNoDatabase = 0;
inline constexpr int kAccessDatabase = 1; // the included store file: SQLite here
inline constexpr int kSqlServerDatabase = 2;
inline constexpr int kMySqlDatabase = 3;

// The quote around date literals of the kind: "'" for every kind. The included store's SQLite
// takes dates as text in single quotes ("YYYY-MM-DD HH:MM:SS" sorts and compares as text);
// SQL Server and MySQL take single quotes too.
char DateQuote(int kind);

// "%c%s%c": the date formatted "%Y-%m-%d %H:%M:%S" between the kind's quotes.
std::string FormatDateLiteral(int kind, const std::tm& dateTime);
// A date that is not valid (or missing) gives the literal "Invalid DateTime" in the quotes,
// which every kind refuses as a date.
std::string FormatDateLiteral(int kind, const ScanDateTime& dateTime);

// The path unchanged, except for kind 3: every backslash doubled, or doubled twice when the
// text stands inside a LIKE pattern.
std::string EscapePath(int kind, const std::string& path, bool forLike);

// The text with every "'" doubled, ready to stand between single quotes.
std::string DoubleQuotes(const std::string& text);

// A path for a statement: quotes doubled, then EscapePath.
std::string PathForSql(int kind, const std::string& path, bool forLike = false);

} // namespace scan

#endif
