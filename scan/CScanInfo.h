/*
 * The scan engine: the one object the rest of the program asks to reach the scan store. It is
 * a facade: every operation is done by one of its collaborators, which it owns and wires
 * together:
 *   ConnectionCache    connections, one cached per thread
 *   StoreOpener        choosing and checking the store at start-up (SchemaUpgrade after it)
 *   DirectoryIds       directory identifiers, their cache and the first preparation of a tree
 *   ParentRepair       parents of directories written without one
 *   Scanner            the scan (ScanRun walks one tree and writes it through ScanWriter)
 *   ScanLoader         stored scans read back; ScanRemoval deletes and purges them
 *   FilterStore        the exclusion filters of scan roots
 * One sink (SetSink) watches scans and the path upgrade for all of them.
 *
 * Owned by the main dialog object; all work runs on the main thread in practice, but the
 * connection cache may be used from any thread.
 */
#ifndef TALLYVOL_SCAN_CSCANINFO_H
#define TALLYVOL_SCAN_CSCANINFO_H

#include "scan/ConnectionCache.h"
#include "scan/DirectoryIds.h"
#include "scan/DisplayData.h"
#include "scan/FilterStore.h"
#include "scan/ParentRepair.h"
#include "scan/ScanEntry.h"
#include "scan/ScanLoader.h"
#include "scan/ScanRemoval.h"
#include "scan/ScanSink.h"
#include "scan/ScanSinkSlot.h"
#include "scan/ScanStoreSql.h"
#include "scan/ScanWriter.h"
#include "scan/Scanner.h"
#include "scan/SchemaUpgrade.h"
#include "scan/StoreOpener.h"
#include "scan/fs/ScanRules.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform::ado {
class Connection;
}

namespace scan {

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
        m_scanner.SetSaveOptions(save, saveAllLevels);
    }
    // Who watches scans and the path upgrade (not owned; nullptr: nobody, nothing is asked).
    void SetSink(IScanSink* sink) { m_sink.Set(sink); }
    IScanSink& Sink() { return m_sink.Get(); }
    // Directories and files seen by the scan in progress (or the last one).
    long DirectoriesSeen() const { return m_scanner.Counters().directories; }
    long FilesSeen() const { return m_scanner.Counters().files; }

    // ---- Directory identifiers ----
    // The DirID of the path (any form; converted to the stored form), creating its row (and
    // every missing ancestor's) unless options.lookupOnly; -1 on failure, -2 for a path too
    // long to store.
    int GetDirID(std::shared_ptr<platform::ado::Connection> connection, const std::string& path,
                 int parentDirID, const DirIDOptions& options = {});
    // Fills in missing parents of directories below the scan root.
    void FixParents(std::shared_ptr<platform::ado::Connection> connection);
    // Inserts a ScanDefinition row dated now and returns its ScanID, 0 on failure.
    int NewScanID(std::shared_ptr<platform::ado::Connection> connection, int rootDirID,
                  int scanType);
    void SaveExtensionInfo(std::shared_ptr<platform::ado::Connection> connection,
                           const ExtensionMap& extensions, int scanID);

    // ---- Loaded scans ----
    // Loads the newest maxScans scans of the directory in the view (0 sizes of child
    // directories, 1 extension sizes, 2 extension file counts). True on success.
    bool LoadScans(const std::string& path, int view, DisplayData& table, int maxScans);
    std::string GetPathFromDirID(std::shared_ptr<platform::ado::Connection> connection,
                                 std::uint32_t dirID);
    std::string GetPathFromScanID(std::uint32_t scanID);
    void DeleteScan(std::uint32_t scanID);
    void DeleteOldScans(int days, int scanType);

    // ---- Exclusion filters ----
    std::string GetFilters(std::shared_ptr<platform::ado::Connection> connection,
                           const std::string& path);
    void SetFilters(std::shared_ptr<platform::ado::Connection> connection, const std::string& path,
                    const std::string& text);

    // The stored path of the tree being scanned (set when a scan starts).
    const std::string& ScanRoot() const { return m_directories.ScanRoot(); }
    void SetScanRoot(const std::string& storedPath) { m_directories.SetScanRoot(storedPath); }
    // Empties the directory-identifier cache and its root.
    void ClearDirectoryCache() { m_directories.ClearCache(); }
    // Misses of the cache in the current scan (each costs a lookup and an insert).
    int CacheMisses() const { return m_directories.CacheMisses(); }

private:
    // Declared in the order they are made: each takes those above it.
    ScanSinkSlot m_sink;
    ConnectionCache m_connections;
    SchemaUpgrade m_upgrade;
    StoreOpener m_opener;
    ParentRepair m_parents;
    DirectoryIds m_directories;
    ScanWriter m_writer;
    FilterStore m_filters;
    ScanLoader m_loader;
    ScanRemoval m_removal;
    Scanner m_scanner;
};

} // namespace scan

#endif
