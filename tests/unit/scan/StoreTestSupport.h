/*
 * Helpers of the scan-store tests: new store files made from the build's template, and a run
 * of every statement of the scan store against a real database of a kind, checking what each
 * one did with paths that hold a quote, a backslash, "%" and "_" (shared by the tests of the
 * included store and of MariaDB; GoogleTest assertions report the failures).
 */
#ifndef TALLYVOL_TESTS_UNIT_SCAN_STORETESTSUPPORT_H
#define TALLYVOL_TESTS_UNIT_SCAN_STORETESTSUPPORT_H

#include <ctime>
#include <string>

namespace platform::ado {
class Connection;
}
namespace scan {
class CScanInfo;
}

namespace scantest {

// A copy of the empty store template at `path`; returns the path.
std::string NewStoreFile(const std::string& path);
// A local date and time as a std::tm.
std::tm At(int year, int month, int day, int hour, int minute, int second);

// "Provider=SQLite;Data Source=<path>".
std::string StoreConnectionString(const std::string& path);

// The connection holds the tables of an empty store.
void ExerciseEveryStatement(platform::ado::Connection& connection, int kind);

// Scans a tree whose directory and file names hold bytes that are not UTF-8 (twice) with a
// scan engine set up for a store, and checks that everything was stored and leads back to
// the directories on disk. `tree` does not exist yet.
void ScanNamesThatAreNotUtf8(scan::CScanInfo& scanInfo, const std::string& tree);

} // namespace scantest

#endif
