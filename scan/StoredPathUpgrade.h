/*
 * The last step of the schema upgrade: stored paths of an older included store that still
 * begin with a drive letter are brought to today's stored form, row by row on a fresh
 * connection, with progress through the sink. Owned by the schema upgrade; main thread.
 */
#ifndef TALLYVOL_SCAN_STOREDPATHUPGRADE_H
#define TALLYVOL_SCAN_STOREDPATHUPGRADE_H

namespace scan {

class ConnectionCache;
class ScanSinkSlot;

class StoredPathUpgrade {
public:
    StoredPathUpgrade(ConnectionCache& connections, ScanSinkSlot& sink)
        : m_connections(connections), m_sink(sink) {}

    // Asks for the upgrade's confirmation first when there is anything to convert; failures
    // are logged.
    void Run();

private:
    ConnectionCache& m_connections;
    ScanSinkSlot& m_sink;
};

} // namespace scan

#endif
