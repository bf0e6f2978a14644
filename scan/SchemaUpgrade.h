/*
 * Bringing an included store written by an older version to the current tables, in place:
 * four probes (scan dates, directory sizes, the Filters table, drive-letter paths), each step
 * run after the user confirmed the upgrade once per process. Other kinds are made at the
 * current schema and are not probed. Owned by CScanInfo; main thread (it may ask the user).
 */
#ifndef TALLYVOL_SCAN_SCHEMAUPGRADE_H
#define TALLYVOL_SCAN_SCHEMAUPGRADE_H

#include "scan/StoredPathUpgrade.h"

namespace scan {

class ConnectionCache;
class ScanSinkSlot;

class SchemaUpgrade {
public:
    SchemaUpgrade(ConnectionCache& connections, ScanSinkSlot& sink)
        : m_connections(connections), m_paths(connections, sink) {}

    // Failing steps are logged and the next one runs; a declined confirmation requests the
    // program's end (app::RequestProgramEnd) and stops.
    void Run();

private:
    ConnectionCache& m_connections;
    StoredPathUpgrade m_paths;
};

// Asks once per process whether an older store may be upgraded; on No, requests the program's
// end (app::RequestProgramEnd) and returns false.
bool ConfirmUpgrade();
// Forgets an earlier confirmation (tests only).
void ResetUpgradeConfirmationForTesting();

} // namespace scan

#endif
