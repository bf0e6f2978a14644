/*
 * Directory identifiers: the DirID of a directory's DirNames row, found or created, and every
 * missing ancestor's row made first. A cache of one tree's identifiers (stored path to DirID,
 * loaded with one query) spares a repeated scan every lookup; a tree never seen before is
 * prepared in one pass (TreePreparation) the first time it is looked up. The cache is the
 * process's one directory-identifier cache, with its root, the scan root and the loop check's
 * age cut-off of the scan in progress. Owned by CScanInfo; the thread that runs scans.
 */
#ifndef TALLYVOL_SCAN_DIRECTORYIDS_H
#define TALLYVOL_SCAN_DIRECTORYIDS_H

#include "scan/TreePreparation.h"
#include "scan/fs/ScanRules.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

namespace platform::ado {
class Connection;
}

namespace scan {

class ConnectionCache;
class ParentRepair;
class ScanSinkSlot;
class TreeReading;

// How GetDirID goes about a lookup, named where it is asked for:
//   DirIDOptions().LookupOnly().WithoutCache()    find a stored row, nothing else
//   DirIDOptions().PreparingTree(loopCheck, filters)  what a scan asks for a directory
//   ....KeepingReading(reading)                     and for its root
struct DirIDOptions {
    bool lookupOnly = false;        // find the row, never create one (-1 when there is none)
    bool skipCache = false;         // ask the store, not the directory cache
    bool prepareTree = false;       // a tree never seen is prepared in one pass before the answer
    bool loopCheck = false;         // that preparation's walk uses the loop check
    ExclusionFilters filters;       // and skips what these filters exclude
    TreeReading* reading = nullptr; // that preparation keeps its reading of the tree here

    DirIDOptions& LookupOnly() {
        lookupOnly = true;
        return *this;
    }
    DirIDOptions& WithoutCache() {
        skipCache = true;
        return *this;
    }
    DirIDOptions& PreparingTree(bool withLoopCheck, ExclusionFilters withFilters = {}) {
        prepareTree = true;
        loopCheck = withLoopCheck;
        filters = std::move(withFilters);
        return *this;
    }
    // A scan that would read the tree next: a preparation keeps what it read (files too).
    DirIDOptions& KeepingReading(TreeReading& into) {
        reading = &into;
        return *this;
    }
};

class DirectoryIds {
public:
    DirectoryIds(ConnectionCache& connections, ScanSinkSlot& sink, ParentRepair& parents);

    // The DirID of the path (any form; converted to the stored form), creating its row (and
    // every missing ancestor's) unless lookupOnly; -1 on failure (reported unless lookupOnly),
    // -2 for a path too long to store. An unusable connection is replaced by the thread's.
    int GetDirID(std::shared_ptr<platform::ado::Connection> connection, const std::string& path,
                 int parentDirID, const DirIDOptions& options);

    // Empties the cache and its root.
    void ClearCache();
    // Misses of the cache in the current scan (each costs a lookup and an insert).
    int CacheMisses() const { return m_cacheMisses; }
    // Whether the tree at the path (any form) was prepared before, so that looking it up will not
    // prepare it; false when the store cannot tell.
    bool IsPrepared(platform::ado::Connection& connection, const std::string& path) const;

    // The stored path of the tree being scanned (set when a scan starts).
    const std::string& ScanRoot() const { return m_scanRoot; }
    void SetScanRoot(const std::string& storedPath) { m_scanRoot = storedPath; }
    // The loop check's age cut-off of the scan (taken when it starts).
    std::uint64_t AgeCutoff() const { return m_ageCutoff; }
    void SetAgeCutoff(std::uint64_t cutoff) { m_ageCutoff = cutoff; }

private:
    int lookUp(const std::shared_ptr<platform::ado::Connection>& connection,
               const std::string& stored, int parentDirID, const DirIDOptions& options,
               std::string& sql);
    // Makes the cache hold the tree of the stored path, preparing the tree when asked to.
    void fillCache(const std::shared_ptr<platform::ado::Connection>& connection,
                   const std::string& stored, int parentDirID, const DirIDOptions& options);
    // Loads every stored directory under the path into the cache; true when the tree was
    // prepared before (its root row carries RootOfCache).
    bool loadCache(const std::shared_ptr<platform::ado::Connection>& connection,
                   const std::string& storedRoot);

    ConnectionCache& m_connections;
    ScanSinkSlot& m_sink;
    TreePreparation m_preparation;
    std::string m_scanRoot;
    std::uint64_t m_ageCutoff = 0;
    std::string m_cacheRoot;
    std::unordered_map<std::string, int> m_cache;
    int m_cacheMisses = 0;
    std::uint64_t m_rowsMade = 0; // rows inserted by lookups, ever (tells whether one stored a row)
};

} // namespace scan

#endif
