/*
 * The statements of the growth report, beside the scan store's other statements
 * (ScanStoreSql.h) and built with the same rules (SqlRules.h): which scans saved a directory,
 * whether a scan kept every directory level, the directories below a root whose size changed
 * most between two scans, and the index these need on stores made before the creation scripts
 * held it. Written for the three database kinds: SQLite (kind 1), SQL Server (2) and
 * MySQL/MariaDB (3); they differ only in how the row count is limited, how LIKE patterns are
 * escaped and how a missing index is added. An immutable value; any thread.
 */
#ifndef TALLYVOL_SCAN_GROWTHSQL_H
#define TALLYVOL_SCAN_GROWTHSQL_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace scan {

// What one growth query compares.
struct GrowthQuery {
    std::uint32_t olderScanID = 0;
    std::uint32_t newerScanID = 0;
    int rootDirID = 0;          // the directory the report is about
    // Its stored path, used to find the directories below it. Empty when the root is the root
    // the two scans were taken of: then every size row of the scans lies below it.
    std::string rootPath;
    bool includeRoot = true;    // the root's own row is a candidate too
    // Compare only the scan root and its children (a scan saved without the deeper levels).
    bool firstLevelOnly = false;
    int scanRootDirID = 0;      // the directory both scans were taken of
    bool growthOnly = false;    // only directories that grew (else every one that changed)
    std::size_t top = 0;        // the largest changes only; 0 for every one
};

class GrowthSql {
public:
    explicit GrowthSql(int kind) : m_kind(kind) {}
    int Kind() const { return m_kind; }

    // ScanID, ScanDate and ScanRootDirID of each scan that holds a size row of the directory,
    // whose parent directory is parentDirID (0: it has none in the store).
    std::string SelectScansHoldingDirectory(int dirID, int parentDirID) const;

    // One size row of the scan below the first level of its root, if there is one (none when
    // the scan saved only its root and the root's children). Cheap either way: a scan writes
    // the deepest rows first, and a scan without them has few rows.
    std::string SelectRowBelowFirstLevel(std::uint32_t scanID, int scanRootDirID) const;

    // DirID, Path, OldSize (NULL: not in the older scan), NewSize (NULL: not in the newer
    // scan) and SizeChange (the new size less the old one, a missing size counting 0) of each
    // directory whose size differs, largest change first, equal changes by path (so a parent
    // precedes its children).
    std::string SelectGrowth(const GrowthQuery& query) const;

    // The index the report needs: SizeData by scan, parent and directory, with the size, so
    // that both the scans holding a directory and the rows of two scans are read from the
    // index alone. Probe: empty when Create may run as it is (it does nothing when the index
    // exists); else a query whose first column counts the index (0: Create must run).
    std::string IndexProbe() const;
    std::string CreateIndex() const;

    // A path as the start of a LIKE pattern for its descendants ("path/"), with the pattern's
    // special characters escaped by "!" (the ESCAPE character of every pattern here).
    std::string DescendantPattern(const std::string& storedPath) const;

private:
    int m_kind;
};

} // namespace scan

#endif
