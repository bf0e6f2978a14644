/*
 * What one scan writes: a size row per saved directory (ScanEntry) and the files of the tree
 * counted by extension. The scanner fills them while it walks; the scan writer stores them.
 * Values without threads of their own: used on the thread that runs the scan.
 */
#ifndef TALLYVOL_SCAN_SCANENTRY_H
#define TALLYVOL_SCAN_SCANENTRY_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace platform::ado {
class Command;
class Connection;
} // namespace platform::ado

namespace scan {

class InsertBatch;

// A DirID of -1 is a failed lookup, -2 a path too long to store.
inline constexpr int kDirIDFailed = -1;
inline constexpr int kDirIDTooLong = -2;
// Stored paths longer than this get no row.
inline constexpr std::size_t kMaxStoredPathLength = 254;

// One directory while the scanner works on it: the size row it will write.
class ScanEntry {
public:
    virtual ~ScanEntry() = default;

    std::string path; // stored form
    int dirID = kDirIDFailed;
    int scanID = 0;
    int parentDirID = 0;
    std::uint64_t totalSize = 0;

    // Writes the size row; false for a failed lookup (-1), true without writing for a path
    // too long to store (-2). A failure is reported and returns false.
    bool Save(const std::shared_ptr<platform::ado::Connection>& connection) const;
    // The same through the scan's batch of the size-row insert
    // (ScanStoreSql::InsertSizeRowPrepared): written now, or with the next rows of the batch.
    bool Save(InsertBatch& sizeRows) const;
};

// Files of one extension in a scan.
struct ExtensionStats {
    std::uint32_t count = 0;
    std::uint64_t bytes = 0;
};
using ExtensionMap = std::map<std::string, ExtensionStats>;

} // namespace scan

#endif
