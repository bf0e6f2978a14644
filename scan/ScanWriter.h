/*
 * Writing a scan's own rows: its ScanDefinition row (the scan identifier, found again by root
 * and start second) and, at its end, the extension statistics with the Extensions rows new
 * extensions need. Size rows are written by ScanEntry. Owned by CScanInfo; the thread that
 * runs the scan.
 */
#ifndef TALLYVOL_SCAN_SCANWRITER_H
#define TALLYVOL_SCAN_SCANWRITER_H

#include "scan/ScanEntry.h"

#include <memory>

namespace platform::ado {
class Connection;
}

namespace scan {

class ScanSinkSlot;

class ScanWriter {
public:
    explicit ScanWriter(ScanSinkSlot& sink) : m_sink(sink) {}

    // Inserts a ScanDefinition row dated now (waiting for the next second when a scan of the
    // root already started in this one) and returns its ScanID; 0 after a reported failure.
    int NewScanID(const std::shared_ptr<platform::ado::Connection>& connection, int rootDirID,
                  int scanType);
    // Failures are reported; rows written before one stay.
    void SaveExtensionInfo(const std::shared_ptr<platform::ado::Connection>& connection,
                           const ExtensionMap& extensions, int scanID);

private:
    ScanSinkSlot& m_sink;
};

} // namespace scan

#endif
