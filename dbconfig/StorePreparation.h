/*
 * The database configuration's answer to what opening the store needs (scan's
 * IStorePreparation): the included store file, its tables and its connection texts. Start-up installs it
 * once per process. Main thread.
 */
#ifndef TALLYVOL_DBCONFIG_STOREPREPARATION_H
#define TALLYVOL_DBCONFIG_STOREPREPARATION_H

#include "scan/IStorePreparation.h"

namespace dbconfig {

class StorePreparation : public scan::IStorePreparation {
public:
    bool EnsureStoreFile(const std::optional<std::string>& path, bool silent, bool automated) override;
    bool CreateStoreTables(platform::ado::Connection& connection) override;
    std::string DirectConnectionString(const std::string& path) override;
    std::string ConnectionStringSpec(const std::string& path) override;
};

// Makes a process-wide StorePreparation the store's preparation.
void InstallStorePreparation();

} // namespace dbconfig

#endif
