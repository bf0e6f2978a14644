/*
 * Writing a scan's own rows: its ScanDefinition row (the scan identifier, found again by root
 * and start second) and, at its end, the extension statistics with the Extensions rows new
 * extensions need. On a server store another writer may take the same second or add the same
 * extension at the same moment; both are resolved here (StoreConflicts.h). Size rows are written by
 * ScanEntry. Owned by CScanInfo; the thread that runs the scan.
 */
#ifndef TALLYVOL_SCAN_SCANWRITER_H
#define TALLYVOL_SCAN_SCANWRITER_H

#include "scan/ScanEntry.h"

#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform::ado {
class Connection;
}

namespace scan {

class ScanSinkSlot;
class ScanStoreSql;

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
    static std::tm freeSecond(platform::ado::Connection& connection, const ScanStoreSql& statements,
                              int rootDirID, std::string& sql);
    static std::vector<int> scansAt(platform::ado::Connection& connection, const std::string& sql);
    static int keepApart(platform::ado::Connection& connection, const ScanStoreSql& statements,
                         int rootDirID, std::tm second, std::vector<int> scans, std::string& sql);
    static int extensionID(platform::ado::Connection& connection, const ScanStoreSql& statements,
                           std::map<std::string, int>& known, const std::string& key,
                           std::string& step);

    ScanSinkSlot& m_sink;
};

} // namespace scan

#endif
