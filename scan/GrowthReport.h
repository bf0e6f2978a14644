/*
 * Where the space went: the directories anywhere below a root whose size changed most between
 * two stored scans of the same tree, largest growth first. The command line (--growth), the
 * alert e-mails and the window read it; none of them touches the store for it.
 *
 * Which scans: the newest scan that saved the directory names the tree (the directory it was
 * taken of, the scanned root). Both scans compared are scans of that tree, never of a parent or
 * of a subdirectory (which cover other levels and filters), and complete ones: a scan writes
 * a directory's row only after everything below it, so a scan holding the scanned root's row
 * finished (a cancelled one has none). The newer scan is the newest such scan; the older one
 * by default the one before it, with minimumDays the newest whose calendar day lies at least
 * that many days before the newer scan's. The directory itself need not be in both: a new
 * directory has no old size, a deleted one no new size.
 *
 * What is compared: every directory below the root (the root included, unless asked not to)
 * that has a size row in either scan and whose size differs. A directory only in the newer
 * scan is new (no old size); one only in the older scan is gone (no new size; its change
 * frees its old size): excluded when the scanned root's current exclusion filters skip it,
 * deleted otherwise. When either scan saved only the scanned root and its children, only
 * those are compared, so deeper levels are never mistaken for new or deleted ones.
 *
 * Failures are results, never exceptions or error reports: the callers decide what a user
 * sees (an alert must go out whatever happens here). Main thread, or the thread that owns
 * the connection.
 */
#ifndef TALLYVOL_SCAN_GROWTHREPORT_H
#define TALLYVOL_SCAN_GROWTHREPORT_H

#include "scan/DisplayData.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ado {
class Connection;
}

namespace scan {

class CScanInfo;

enum class GrowthStatus {
    kGrown,
    kShrunk,
    kNew,      // only in the newer scan
    kDeleted,  // only in the older scan
    kExcluded, // only in the older scan, and the current filters skip it
};

struct GrowthRow {
    std::uint32_t dirID = 0;
    std::string storedPath;
    std::string localPath;                // as a user types it (the stored form off this host)
    std::optional<std::int64_t> oldSize;  // bytes; none for a new directory
    std::optional<std::int64_t> newSize;  // bytes; none for a deleted or excluded one
    std::int64_t change = 0;              // new less old, a missing size counting 0
    std::optional<double> percent;        // change x 100 / old; none where old is 0 or none
    std::optional<double> perDay;         // change / days between the scans; none when 0 days
    GrowthStatus status = GrowthStatus::kGrown;
};

struct GrowthRequest {
    std::optional<int> minimumDays; // none: the scan before the newest
    std::size_t top = 20;           // the largest changes only; 0 for every one
    bool includeRoot = true;
    bool growthOnly = false;        // only directories that grew
};

enum class GrowthOutcome {
    kReady,
    kUnknownDirectory, // the store has never seen the directory
    kTooFewScans,      // fewer than two complete scans of its tree
    kNoScanOldEnough,  // no scan of the tree is old enough for minimumDays
    kStoreFailed,      // a statement failed; failure holds the store's description
};

struct GrowthReport {
    GrowthOutcome outcome = GrowthOutcome::kStoreFailed;
    std::string failure;
    std::string storedRoot;
    std::string localRoot;
    int rootDirID = -1;
    int scanRootDirID = -1;       // the directory both scans were taken of
    std::string storedScanRoot;   // its paths (set when kReady)
    std::string localScanRoot;
    std::size_t scansOfTree = 0;  // complete scans of that tree
    LoadedScan olderScan;         // set when kReady
    LoadedScan newerScan;         // set from kNoScanOldEnough on
    double days = 0;              // between the two scans, from their dates and times
    bool firstLevelOnly = false;  // one of the scans saved only the first level
    std::vector<GrowthRow> rows;  // largest change first
};

// The report for a directory (any path form) through the scan engine's connection.
GrowthReport LoadGrowthReport(CScanInfo& scanInfo, const std::string& path, const GrowthRequest& request);
// The same on a given connection to a store of the database kind.
GrowthReport LoadGrowthReport(platform::ado::Connection& connection, int kind, const std::string& path,
                              const GrowthRequest& request);

// Adds the index the report needs to a store made without it. A failure is logged; the report
// still works, only slower.
void EnsureGrowthIndexes(platform::ado::Connection& connection, int kind);

// "grown", "shrunk", "new", "deleted", "excluded".
const char* GrowthStatusName(GrowthStatus status);

// A scan's date as "YYYY-MM-DD HH:MM:SS"; "an undated scan" when it has no valid date.
std::string ScanDateText(const ScanDateTime& date);

// The text with each control character (below 0x20, and 0x7f: line breaks, tabs) as a blank,
// so that a name never breaks the line of a listing it stands in.
std::string ListingText(std::string_view text);

} // namespace scan

#endif
