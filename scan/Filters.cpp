// Exclusion filters: text fragments stored per scan root that make the scanner skip every
// directory whose path holds one of them.
#include "app/base/ErrorReport.h"
#include "platform/ado/Connection.h"
#include "platform/system/StringPrintf.h"
#include "scan/CScanInfo.h"

namespace scan {

using platform::ado::ComError;
using platform::ado::Connection;
using platform::system::StringPrintf;

std::string CScanInfo::GetFilters(std::shared_ptr<Connection> connection, const std::string& path) {
    try {
        if (!connection) {
            connection = GetConnection();
        }
        if (!connection) {
            return {};
        }
        int dirID = GetDirID(connection, path, 0, true, true, false, false);
        std::unique_ptr<platform::ado::Recordset> row = connection->OpenRecordset(Sql().SelectFilter(dirID));
        if (row->IsEOF() || row->Fields("Filter").IsNull()) {
            return {};
        }
        return row->Fields("Filter").AsString();
    } catch (const ComError& error) {
        app::ReportError(0, StringPrintf("Getting filter strings for directory %s, err=%s", path.c_str(),
                                         error.ErrorMessage().c_str()));
    } catch (...) {
        app::ReportError(0, StringPrintf("Getting filter strings for directory %s", path.c_str()));
    }
    return {};
}

void CScanInfo::SetFilters(std::shared_ptr<Connection> connection, const std::string& path, const std::string& text) {
    try {
        if (!connection) {
            connection = GetConnection();
        }
        if (!connection) {
            return;
        }
        int dirID = GetDirID(connection, path, 0, false, true, false, false);
        if (dirID < 0) {
            return;
        }
        std::size_t first = text.find_first_not_of(" \r\n\t");
        std::string trimmed;
        if (first != std::string::npos) {
            std::size_t last = text.find_last_not_of(" \r\n\t");
            trimmed = text.substr(first, last - first + 1);
        }
        ScanStoreSql statements = Sql();
        if (trimmed.empty()) {
            connection->Execute(statements.DeleteFilter(dirID));
            return;
        }
        bool exists = false;
        {
            std::unique_ptr<platform::ado::Recordset> row = connection->OpenRecordset(statements.SelectFilter(dirID));
            if (!row->IsEOF()) {
                exists = true;
                if (!row->Fields("Filter").IsNull() && row->Fields("Filter").AsString() == trimmed) {
                    return;
                }
            }
        }
        connection->Execute(exists ? statements.UpdateFilter(trimmed, dirID) : statements.InsertFilter(dirID, trimmed));
    } catch (...) {
        app::ReportError(0, StringPrintf("Setting filter strings for directory %s", path.c_str()));
    }
}

} // namespace scan
