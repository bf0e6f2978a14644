#include "scan/FilterStore.h"

#include "app/base/ErrorReport.h"
#include "app/base/RunState.h"
#include "platform/ado/Connection.h"
#include "platform/system/StringPrintf.h"
#include "scan/ConnectionCache.h"
#include "scan/DirectoryIds.h"
#include "scan/ScanStoreSql.h"

namespace scan {

using platform::ado::ComError;
using platform::ado::Connection;
using platform::system::StringPrintf;

std::string FilterStore::GetFilters(std::shared_ptr<Connection> connection,
                                    const std::string& path) {
    try {
        if (!connection) {
            connection = m_connections.Get(false);
        }
        if (!connection) {
            return {};
        }
        int dirID =
            m_directories.GetDirID(connection, path, 0, DirIDOptions().LookupOnly().WithoutCache());
        std::unique_ptr<platform::ado::Recordset> row =
            connection->OpenRecordset(ScanStoreSql(app::CurrentDBSource()).SelectFilter(dirID));
        if (row->IsEOF() || row->Fields("Filter").IsNull()) {
            return {};
        }
        return row->Fields("Filter").AsString();
    } catch (const ComError& error) {
        app::ReportError(0, StringPrintf("Getting filter strings for directory %s, err=%s",
                                         path.c_str(), error.ErrorMessage().c_str()));
    } catch (...) {
        app::ReportError(0, StringPrintf("Getting filter strings for directory %s", path.c_str()));
    }
    return {};
}

void FilterStore::SetFilters(std::shared_ptr<Connection> connection, const std::string& path,
                             const std::string& text) {
    try {
        if (!connection) {
            connection = m_connections.Get(false);
        }
        if (!connection) {
            return;
        }
        int dirID = m_directories.GetDirID(connection, path, 0, DirIDOptions().WithoutCache());
        if (dirID < 0) {
            return;
        }
        std::size_t first = text.find_first_not_of(" \r\n\t");
        std::string trimmed;
        if (first != std::string::npos) {
            std::size_t last = text.find_last_not_of(" \r\n\t");
            trimmed = text.substr(first, last - first + 1);
        }
        ScanStoreSql statements(app::CurrentDBSource());
        if (trimmed.empty()) {
            connection->Execute(statements.DeleteFilter(dirID));
            return;
        }
        bool exists = false;
        {
            std::unique_ptr<platform::ado::Recordset> row =
                connection->OpenRecordset(statements.SelectFilter(dirID));
            if (!row->IsEOF()) {
                exists = true;
                if (!row->Fields("Filter").IsNull() &&
                    row->Fields("Filter").AsString() == trimmed) {
                    return;
                }
            }
        }
        connection->Execute(exists ? statements.UpdateFilter(trimmed, dirID)
                                   : statements.InsertFilter(dirID, trimmed));
    } catch (...) {
        app::ReportError(0, StringPrintf("Setting filter strings for directory %s", path.c_str()));
    }
}

} // namespace scan
