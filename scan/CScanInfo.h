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

#include "scan/ScanStoreSql.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
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
    // schema check; true when the store can be used. May end the program when the user
    // declines to go on.
    bool OpenDatabase(bool firstRun);
    // Brings an older included store to the current tables (asks the user once).
    void UpgradeSchema();

    // The statements of the store in use (the current database kind).
    ScanStoreSql Sql() const;

private:
    void openOnFirstRun();
    void useDefaultStore();
    // Converts stored paths that still begin with a drive letter (step 4 of the upgrade).
    void UpgradeStoredPaths();

    std::recursive_mutex
        m_connectionMutex; // re-entrant, as the owning thread may report while holding it
    std::map<std::uint32_t, std::shared_ptr<platform::ado::Connection>> m_connections;
};

// Asks once per process whether an older store may be upgraded; ends the program on No.
void ConfirmUpgrade();
// Forgets an earlier confirmation (tests only).
void ResetUpgradeConfirmationForTesting();

// The default store file: the DataDirectoryMDB3 directory ("APPDIR": the program's home) and
// "tallyvol3.db".
std::string DefaultDatabaseFile();

} // namespace scan

#endif
