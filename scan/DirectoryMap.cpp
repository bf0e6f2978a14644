#include "scan/DirectoryMap.h"

#include "platform/ado/Connection.h"
#include "scan/ScanStoreSql.h"

namespace scan {

std::size_t LoadDirectoryMap(platform::ado::Connection& connection, const ScanStoreSql& sql,
                             const std::string& prefix, std::size_t first,
                             std::unordered_map<std::string, int>& map, bool* rootPrepared) {
    std::unique_ptr<platform::ado::Recordset> rows =
        connection.OpenRecordset(sql.SelectDirectoriesUnder(prefix));
    std::size_t index = 0;
    for (; !rows->IsEOF() && index < first + kMaxRowsPerLoad; rows->MoveNext(), ++index) {
        if (index < first) {
            continue;
        }
        std::string path = rows->Fields("Path").AsString();
        int dirID = rows->Fields("DirID").AsInt();
        if (rootPrepared != nullptr && path == prefix) {
            *rootPrepared = MarksPreparedTree(rows->Fields("RootOfCache"));
        }
        map.emplace(std::move(path), dirID);
    }
    return index - first;
}

bool MarksPreparedTree(const platform::ado::Field& rootOfCache) {
    return !rootOfCache.IsNull() && rootOfCache.AsInt() != 0;
}

std::string StoredParent(const std::string& storedPath) {
    std::size_t slash = storedPath.rfind('/');
    if (slash == std::string::npos || slash < 2) {
        return {};
    }
    return storedPath.substr(0, slash);
}

} // namespace scan
