/*
 * The scan as the program starts it: one scan at a time on the included store (a lock all
 * processes of the machine meet), fresh connections, an empty directory cache, the parents
 * repaired and the root's exclusion filters read; then the root is checked (excluded, or
 * missing and not to be scanned) and a ScanRun does the rest. Owned by CScanInfo; runs on the
 * thread that calls Scan.
 */
#ifndef TALLYVOL_SCAN_SCANNER_H
#define TALLYVOL_SCAN_SCANNER_H

#include "scan/ScanRun.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform::ado {
class Connection;
}
namespace platform::system {
class NamedMutex;
}

namespace scan {

class ConnectionCache;
class DirectoryIds;
class FilterStore;
class ParentRepair;
class ScanSinkSlot;
class ScanWriter;

class Scanner {
public:
    struct Collaborators {
        ConnectionCache& connections;
        DirectoryIds& directories;
        ParentRepair& parents;
        ScanWriter& writer;
        FilterStore& filters;
        ScanSinkSlot& sink;
    };
    explicit Scanner(const Collaborators& collaborators) : m_with(collaborators) {}

    // The total in bytes, or -1 (cancelled, aborted, a store write failed), -2 (the root is
    // excluded by a filter).
    std::int64_t Scan(const std::string& path, bool quiet, int scanType, bool loopCheck);
    void SetSaveOptions(bool save, bool saveAllLevels) {
        m_save = save;
        m_saveAllLevels = saveAllLevels;
    }
    const ScanCounters& Counters() const { return m_counters; }

private:
    // The single-scan lock of the included store: false when the user cancels the request.
    bool waitForOtherScans(platform::system::NamedMutex& mutex);
    std::int64_t DoScan(const std::shared_ptr<platform::ado::Connection>& connection,
                        const std::string& path, bool quiet, int scanType,
                        const ExclusionFilters& filters, bool loopCheck);

    Collaborators m_with;
    bool m_save = true;
    bool m_saveAllLevels = true;
    ScanCounters m_counters;
};

} // namespace scan

#endif
