/*
 * Reading stored directories in bulk: the map from stored path to DirID of every directory
 * whose path begins with a prefix, as the directory cache and the parent repair load it, and
 * the stored parent of a stored path. Functions of the thread that owns the connection.
 */
#ifndef TALLYVOL_SCAN_DIRECTORYMAP_H
#define TALLYVOL_SCAN_DIRECTORYMAP_H

#include <cstddef>
#include <string>
#include <unordered_map>

namespace platform::ado {
class Connection;
class Field;
}

namespace scan {

class ScanStoreSql;

// Loads of the cache and of the parent repair stop at this many rows.
inline constexpr std::size_t kMaxRowsPerLoad = 1040000;

// Reads "Path -> DirID" of every directory whose path begins with the prefix, rows `first` up
// to `first + kMaxRowsPerLoad`. Returns the number of rows read (skipped ones included). With
// rootPrepared, tells whether the row of the prefix itself carries RootOfCache.
std::size_t LoadDirectoryMap(platform::ado::Connection& connection, const ScanStoreSql& sql,
                             const std::string& prefix, std::size_t first,
                             std::unordered_map<std::string, int>& map, bool* rootPrepared);

// Whether a DirNames row's RootOfCache value marks a prepared tree.
bool MarksPreparedTree(const platform::ado::Field& rootOfCache);

// The stored path's parent: everything before its last "/", unless that "/" belongs to the
// leading "//" (the host or share level has no parent). Empty when there is none.
std::string StoredParent(const std::string& storedPath);

} // namespace scan

#endif
