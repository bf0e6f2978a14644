/*
 * What opening the store needs from the database configuration, which sits above the scan
 * engine: the included store file made from its empty template when it is missing, its tables
 * made when the file exists but holds none, and the connection texts that name such a file. Start-up installs the database configuration's
 * implementation; without one, a missing store file cannot be made and opening fails as for
 * any unreachable store. Main thread.
 */
#ifndef TALLYVOL_SCAN_ISTOREPREPARATION_H
#define TALLYVOL_SCAN_ISTOREPREPARATION_H

#include <optional>
#include <string>

namespace platform::ado {
class Connection;
}

namespace scan {

class IStorePreparation {
public:
    virtual ~IStorePreparation() = default;

    // True when the store file exists or was made from the template. No path: the MDBPath
    // setting. `silent` creates without asking; `automated` creates after telling every
    // notification profile; otherwise the user is asked.
    virtual bool EnsureStoreFile(const std::optional<std::string>& path, bool silent, bool automated) = 0;
    // Runs the included store's table script on the connection; false when it cannot be read.
    virtual bool CreateStoreTables(platform::ado::Connection& connection) = 0;
    // The ConnectionString of a store file opened directly.
    virtual std::string DirectConnectionString(const std::string& path) = 0;
    // The ConnectionStringSpec of a store file.
    virtual std::string ConnectionStringSpec(const std::string& path) = 0;
};

// The implementation in use (not owned), or none.
IStorePreparation* StorePreparation();
void SetStorePreparation(IStorePreparation* preparation);

} // namespace scan

#endif
