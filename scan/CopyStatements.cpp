#include "scan/CopyStatements.h"

#include "platform/system/StringPrintf.h"

namespace scan {

using platform::system::StringPrintf;

std::string CopyRowCountQuery(const std::string& table) {
    return StringPrintf("select count(*) from %s", table.c_str());
}

std::string CopyReadQuery(const std::string& table) {
    return StringPrintf("select * from %s", table.c_str());
}

std::string CopyInsertHead(const std::string& table, const std::vector<std::string>& columns) {
    std::string head = StringPrintf("insert into %s (", table.c_str());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) {
            head += ",";
        }
        head += columns[i];
    }
    return head + ") Values (";
}

std::string IdentityInsertOn(const std::string& table) {
    return StringPrintf("SET IDENTITY_INSERT %s ON\r\n", table.c_str());
}

std::string IdentityInsertOff(const std::string& table) {
    return StringPrintf("SET IDENTITY_INSERT %s OFF\r\n", table.c_str());
}

} // namespace scan
