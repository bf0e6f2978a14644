/*
 * The scan engine: the one object that reaches the scan store. It hands out open connections
 * (one cached per thread, under a mutex), opens and checks the store at start-up and brings
 * older included stores up to date. Scanning, storing and loading scans and the exclusion
 * filters are its other duties, each in a file of its own.
 *
 * Owned by the main dialog object; all work runs on the main thread in practice, but the
 * connection cache may be used from any thread.
 */
#ifndef TALLYVOL_SCAN_CSCANINFO_H
#define TALLYVOL_SCAN_CSCANINFO_H

#include "scan/DisplayData.h"
#include "scan/fs/ScanRules.h"
#include "scan/ScanSink.h"
#include "scan/ScanStoreSql.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::ado {
class Command;
class Connection;
}

namespace scan {

// A DirID of -1 is a failed lookup, -2 a path too long to store.
inline constexpr int kDirIDFailed = -1;
inline constexpr int kDirIDTooLong = -2;
// Stored paths longer than this get no row.
inline constexpr std::size_t kMaxStoredPathLength = 254;

// One directory while the scanner works on it: the size row it will write.
class ScanEntry {
public:
    virtual ~ScanEntry() = default;

    std::string path;       // stored form
    int dirID = kDirIDFailed;
    int scanID = 0;
    int parentDirID = 0;
    std::uint64_t totalSize = 0;

    // Writes the size row; false for a failed lookup (-1), true without writing for a path
    // too long to store (-2). A failure is reported and returns false.
    bool Save(const std::shared_ptr<platform::ado::Connection>& connection) const;
    // The same through the size-row insert prepared for the scan
    // (ScanStoreSql::InsertSizeRowPrepared).
    bool Save(platform::ado::Command& insertSizeRow) const;
};

// Files of one extension in a scan.
struct ExtensionStats {
    std::uint32_t count = 0;
    std::uint64_t bytes = 0;
};
using ExtensionMap = std::map<std::string, ExtensionStats>;

class CScanInfo {
public:
    CScanInfo();
    virtual ~CScanInfo();
    CScanInfo(const CScanInfo&) = delete;
    CScanInfo& operator=(const CScanInfo&) = delete;

    // ---- Connections ----
    // fresh false: the calling thread's cached connection, opened and cached when there is
    // none. fresh true: a new connection that is not cached. Empty after the failure has been
    // reported.
    std::shared_ptr<platform::ado::Connection> GetConnection(bool fresh = false);
    // Releases every cached connection; the next GetConnection opens the configured store.
    void ResetConnections();
    // Cached connections (for tests and diagnostics).
    std::size_t CachedConnectionCount();

    // ---- Opening the store ----
    // Chooses and checks the store, sets up the default one when none is configured, runs the
    // schema check; true when the store can be used. False with app::ProgramEndRequested()
    // when the user declined to go on: the caller ends the program.
    bool OpenDatabase(bool firstRun);
    // Brings an older included store to the current tables (asks the user once).
    void UpgradeSchema();

    // The statements of the store in use (the current database kind).
    ScanStoreSql Sql() const;

    // ---- Scanning ----
    // Scans the tree (interactive or automated, scan type 1 or 2, with or without the loop
    // check) and, when saving, stores it. The total in bytes, or -1 (cancelled, aborted, a
    // store write failed), -2 (the root is excluded by a filter).
    std::int64_t Scan(const std::string& path, bool quiet, int scanType, bool loopCheck);
    // Whether scans are stored, and every directory level or only the root and its children.
    void SetSaveOptions(bool save, bool saveAllLevels) {
        m_save = save;
        m_saveAllLevels = saveAllLevels;
    }
    // Who watches scans and the path upgrade (not owned; nullptr: nobody, nothing is asked).
    void SetSink(IScanSink* sink) { m_sink = sink; }
    IScanSink& Sink() { return m_sink != nullptr ? *m_sink : m_silentSink; }
    // Directories and files seen by the scan in progress (or the last one).
    long DirectoriesSeen() const { return m_directoriesSeen; }
    long FilesSeen() const { return m_filesSeen; }

    // ---- Directory identifiers ----
    // The DirID of the path (any form; converted to the stored form), creating its row (and
    // every missing ancestor's) unless lookupOnly; -1 on failure, -2 for a path too long.
    int GetDirID(std::shared_ptr<platform::ado::Connection> connection, const std::string& path,
                 int parentDirID, bool lookupOnly, bool skipCache, bool prepareTree, bool loopCheck,
                 const ExclusionFilters& filters = {});
    // Fills in missing parents of directories below the scan root.
    void FixParents(std::shared_ptr<platform::ado::Connection> connection);
    // Inserts a ScanDefinition row dated now and returns its ScanID, 0 on failure.
    int NewScanID(std::shared_ptr<platform::ado::Connection> connection, int rootDirID, int scanType);
    void SaveExtensionInfo(std::shared_ptr<platform::ado::Connection> connection,
                           const ExtensionMap& extensions, int scanID);

    // ---- Loaded scans ----
    // Loads the newest maxScans scans of the directory in the view (0 sizes of child
    // directories, 1 extension sizes, 2 extension file counts). True on success.
    bool LoadScans(const std::string& path, int view, DisplayData& table, int maxScans);
    std::string GetPathFromDirID(std::shared_ptr<platform::ado::Connection> connection, std::uint32_t dirID);
    std::string GetPathFromScanID(std::uint32_t scanID);
    void DeleteScan(std::uint32_t scanID);
    void DeleteOldScans(int days, int scanType);

    // ---- Exclusion filters ----
    std::string GetFilters(std::shared_ptr<platform::ado::Connection> connection, const std::string& path);
    void SetFilters(std::shared_ptr<platform::ado::Connection> connection, const std::string& path,
                    const std::string& text);

    // The stored path of the tree being scanned (set when a scan starts).
    const std::string& ScanRoot() const { return m_scanRoot; }
    void SetScanRoot(const std::string& storedPath) { m_scanRoot = storedPath; }
    // Empties the directory-identifier cache and its root.
    void ClearDirectoryCache();
    // Misses of the cache in the current scan (each costs a lookup and an insert).
    int CacheMisses() const { return m_cacheMisses; }

private:
    std::int64_t DoScan(const std::shared_ptr<platform::ado::Connection>& connection, const std::string& path,
                        bool quiet, int scanType, const ExclusionFilters& filters, bool loopCheck);
    // Loads every stored directory under the path into the cache; true when the tree was
    // prepared before (its root row carries RootOfCache).
    bool loadCache(const std::shared_ptr<platform::ado::Connection>& connection, const std::string& storedRoot);
    // Inserts rows for the directories of a tree never seen before (the first scan).
    void prepareTree(const std::shared_ptr<platform::ado::Connection>& connection, const std::string& storedRoot,
                     int rootParentDirID, bool loopCheck, const ExclusionFilters& filters);
    void openOnFirstRun();
    void useDefaultStore();
    // Converts stored paths that still begin with a drive letter (step 4 of the upgrade).
    void UpgradeStoredPaths();

    std::recursive_mutex
        m_connectionMutex; // re-entrant, as the owning thread may report while holding it
    std::map<std::uint32_t, std::shared_ptr<platform::ado::Connection>> m_connections;

    IScanSink* m_sink = nullptr;
    SilentScanSink m_silentSink;
    std::string m_scanRoot;
    bool m_save = true;
    bool m_saveAllLevels = true;
    long m_directoriesSeen = 0;
    long m_filesSeen = 0;
    std::uint64_t m_ageCutoff = 0; // the loop check's cut-off, taken when a scan starts
    // The directory-identifier cache: stored path to DirID for one tree.
    std::string m_cacheRoot;
    std::unordered_map<std::string, int> m_directoryCache;
    int m_cacheMisses = 0;
};

// Asks once per process whether an older store may be upgraded; on No, requests the program's
// end (app::RequestProgramEnd) and returns false.
bool ConfirmUpgrade();
// Forgets an earlier confirmation (tests only).
void ResetUpgradeConfirmationForTesting();

// The default store file: the DataDirectoryMDB3 directory ("APPDIR": the program's home) and
// "tallyvol3.db".
std::string DefaultDatabaseFile();

} // namespace scan

#endif
