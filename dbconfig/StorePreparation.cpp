#include "dbconfig/StorePreparation.h"

#include "dbconfig/AccessDatabase.h"
#include "dbconfig/DatabasePreparation.h"

namespace dbconfig {

bool StorePreparation::EnsureStoreFile(const std::optional<std::string>& path, bool silent, bool automated) {
    return EnsureAccessFile(path, silent, automated);
}

bool StorePreparation::CreateStoreTables(platform::ado::Connection& connection) {
    return RunTableScript(connection, kCreateAccessTables);
}

std::string StorePreparation::DirectConnectionString(const std::string& path) {
    return AccessDirectConnectionString(path);
}

std::string StorePreparation::ConnectionStringSpec(const std::string& path) {
    return AccessConnectionStringSpec(path);
}

void InstallStorePreparation() {
    static StorePreparation preparation;
    scan::SetStorePreparation(&preparation);
}

} // namespace dbconfig
