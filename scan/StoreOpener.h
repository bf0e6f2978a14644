/*
 * Choosing and checking the scan store when the program starts or the user reconfigured it:
 * the first start on a machine (the old default data source, or the default store file set
 * up), no store configured yet (the wizard, or the default store in an automated run), a
 * missing store file made again, the connection test and the schema check. Owned by
 * CScanInfo; main thread (it may ask the user and run the wizard).
 */
#ifndef TALLYVOL_SCAN_STOREOPENER_H
#define TALLYVOL_SCAN_STOREOPENER_H

#include <string>

namespace scan {

class ConnectionCache;
class SchemaUpgrade;

class StoreOpener {
public:
    StoreOpener(ConnectionCache& connections, SchemaUpgrade& upgrade)
        : m_connections(connections), m_upgrade(upgrade) {}

    // True when the store can be used. False with app::ProgramEndRequested() when the user
    // declined to go on: the caller ends the program.
    bool OpenDatabase(bool firstRun);

private:
    void openOnFirstRun();
    void useDefaultStore();

    ConnectionCache& m_connections;
    SchemaUpgrade& m_upgrade;
};

// The default store file: the DataDirectoryMDB3 directory ("APPDIR": the program's home) and
// "tallyvol3.db".
std::string DefaultDatabaseFile();

} // namespace scan

#endif
