/*
 * Removing stored scans: one scan with its size and extension rows, or every scan of a type
 * older than a number of days (the purge at the start of a run). Each statement runs on its
 * own; one that fails is logged and the next still runs. Owned by CScanInfo; main thread.
 */
#ifndef TALLYVOL_SCAN_SCANREMOVAL_H
#define TALLYVOL_SCAN_SCANREMOVAL_H

#include <cstdint>

namespace scan {

class ConnectionCache;

class ScanRemoval {
public:
    explicit ScanRemoval(ConnectionCache& connections) : m_connections(connections) {}

    void DeleteScan(std::uint32_t scanID);
    // Nothing when days is 0; else the scans of the type dated before the day `days` ago.
    void DeleteOldScans(int days, int scanType);

private:
    ConnectionCache& m_connections;
};

} // namespace scan

#endif
