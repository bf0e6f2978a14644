/*
 * Reading stored scans back: the newest scans of one directory as the grid, the reports and
 * the alert checks show them (DisplayData), and the stored paths of a directory or a scan's
 * root. A load first repairs missing parents. Owned by CScanInfo; the main thread (a load
 * shows the wait cursor).
 */
#ifndef TALLYVOL_SCAN_SCANLOADER_H
#define TALLYVOL_SCAN_SCANLOADER_H

#include "scan/DisplayData.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform::ado {
class Connection;
}

namespace scan {

class ConnectionCache;
class ParentRepair;

class ScanLoader {
public:
    ScanLoader(ConnectionCache& connections, ParentRepair& parents)
        : m_connections(connections), m_parents(parents) {}

    // Loads the newest maxScans scans of the directory in the view (0 sizes of child
    // directories, 1 extension sizes, 2 extension file counts); parents below repairRoot (the
    // scan root) are repaired first. True on success; failures are reported.
    bool LoadScans(const std::string& path, int view, DisplayData& table, int maxScans,
                   const std::string& repairRoot);
    // Stored paths; empty when there is no such row or after a reported failure. No
    // connection: the thread's.
    std::string GetPathFromDirID(std::shared_ptr<platform::ado::Connection> connection,
                                 std::uint32_t dirID);
    std::string GetPathFromScanID(std::uint32_t scanID);

private:
    ConnectionCache& m_connections;
    ParentRepair& m_parents;
};

} // namespace scan

#endif
