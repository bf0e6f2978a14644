#include "scan/ScanLoader.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/RunState.h"
#include "platform/ado/Connection.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"
#include "scan/CommandTimeout.h"
#include "scan/ConnectionCache.h"
#include "scan/ParentRepair.h"
#include "scan/ScanEntry.h"
#include "scan/ScanStoreSql.h"
#include "scan/fs/StoredPath.h"

#include <strings.h>

#include <algorithm>
#include <set>
#include <unordered_set>

namespace scan {

using platform::ado::ComError;
using platform::ado::Connection;
using platform::system::StringPrintf;

namespace {

// Below this many scans the sizes are read scan by scan; from it on in one query.
constexpr std::size_t kScansReadOneByOne = 11;

// The position of a column of the result (looked up once: a load reads many rows).
int columnIndex(const platform::ado::Recordset& rows, const char* name) {
    for (int i = 0; i < rows.FieldCount(); ++i) {
        if (::strcasecmp(rows.Column(i).Name().c_str(), name) == 0) {
            return i;
        }
    }
    return -1;
}

void readValues(Connection& connection, const std::string& sql, const char* rowColumn,
                const char* valueColumn, const std::set<std::uint32_t>& keptScans,
                DisplayData& table) {
    std::unique_ptr<platform::ado::Recordset> rows = connection.OpenRecordset(sql);
    int scanIndex = columnIndex(*rows, "ScanID");
    int valueIndex = columnIndex(*rows, valueColumn);
    int rowIndex = columnIndex(*rows, rowColumn);
    std::unordered_set<std::uint32_t> kept(keptScans.begin(), keptScans.end());
    for (; !rows->IsEOF(); rows->MoveNext()) {
        auto scanID = static_cast<std::uint32_t>(rows->Fields(scanIndex).AsInt());
        if (kept.count(scanID) == 0) {
            continue;
        }
        const platform::ado::Field& value = rows->Fields(valueIndex);
        if (value.IsNull()) {
            continue;
        }
        table.SetValue(static_cast<std::uint32_t>(rows->Fields(rowIndex).AsInt()), scanID, value.AsUInt64());
    }
}

} // namespace

bool ScanLoader::LoadScans(const std::string& path, int view, DisplayData& table, int maxScans,
                           const std::string& repairRoot) {
    platform::ui::WaitCursor wait;
    try {
        std::shared_ptr<Connection> connection = m_connections.Get(false);
        if (!connection) {
            return false;
        }
        m_parents.Run(connection, repairRoot);
        table.Clear();
        table.path = MakeStoredPath(path, false);
        table.dirID = kDirIDFailed;

        ScanStoreSql statements(app::CurrentDBSource());
        SetCommandTimeout timeout(connection, kLongCommandTimeout);
        {
            std::unique_ptr<platform::ado::Recordset> row =
                connection->OpenRecordset(statements.SelectDirID(table.path));
            if (row->IsEOF()) {
                return true;
            }
            table.dirID = row->Fields("DirID").AsInt();
        }
        auto dirID = static_cast<std::uint32_t>(table.dirID);

        std::map<std::uint32_t, ScanDateTime> scans;
        {
            std::unique_ptr<platform::ado::Recordset> rows =
                connection->OpenRecordset(statements.SelectScansOfDirectory(dirID));
            for (; !rows->IsEOF(); rows->MoveNext()) {
                auto scanID = static_cast<std::uint32_t>(rows->Fields("ScanID").AsInt());
                if (scans.count(scanID) == 0) {
                    const platform::ado::Field& date = rows->Fields("ScanDate");
                    scans.emplace(scanID, date.IsNull() ? ScanDateTime{}
                                                        : ScanDateTime::Parse(date.AsString()));
                }
            }
        }
        for (const auto& [scanID, date] : scans) {
            table.scans.push_back({scanID, date});
        }
        // Newest first; scans of one second by identifier, the later one first.
        std::sort(table.scans.begin(), table.scans.end(),
                  [](const LoadedScan& a, const LoadedScan& b) {
                      if (a.date < b.date || b.date < a.date) {
                          return b.date < a.date;
                      }
                      return a.scanID > b.scanID;
                  });
        if (maxScans >= 0 && table.scans.size() > static_cast<std::size_t>(maxScans)) {
            table.scans.resize(static_cast<std::size_t>(maxScans));
        }
        std::set<std::uint32_t> kept;
        for (const LoadedScan& scan : table.scans) {
            kept.insert(scan.scanID);
        }

        if (view == 0) {
            std::unique_ptr<platform::ado::Recordset> rows =
                connection->OpenRecordset(statements.SelectChildren(dirID));
            for (; !rows->IsEOF(); rows->MoveNext()) {
                table.rows.push_back({static_cast<std::uint32_t>(rows->Fields("DirID").AsInt()),
                                      rows->Fields("Path").AsString()});
            }
            if (table.scans.size() < kScansReadOneByOne) {
                for (const LoadedScan& scan : table.scans) {
                    readValues(*connection,
                               statements.SelectChildSizes(dirID, static_cast<int>(scan.scanID)),
                               "DirID", "DirSize", kept, table);
                }
            } else {
                readValues(*connection, statements.SelectChildSizes(dirID), "DirID", "DirSize",
                           kept, table);
            }
        } else {
            std::unique_ptr<platform::ado::Recordset> rows =
                connection->OpenRecordset(statements.SelectExtensionsForLoad());
            for (; !rows->IsEOF(); rows->MoveNext()) {
                table.rows.push_back(
                    {static_cast<std::uint32_t>(rows->Fields("ExtensionID").AsInt()),
                     rows->Fields("ExtensionText").AsString()});
            }
            if (view == 1) {
                readValues(*connection, statements.SelectExtensionSizes(), "ExtensionID",
                           "SizeUsed", kept, table);
            } else {
                readValues(*connection, statements.SelectExtensionCounts(), "ExtensionID",
                           "NumFound", kept, table);
            }
        }
        std::sort(table.rows.begin(), table.rows.end(),
                  [](const DisplayRow& a, const DisplayRow& b) { return a.id < b.id; });
        return true;
    } catch (const ComError& error) {
        app::ReportComError(error, StringPrintf("Loading saved scan data for %s", path.c_str()));
    } catch (...) {
        TV_DEBUG_LOG("** Exception in LoadScans\n");
        app::ReportError(0, StringPrintf("Loading saved scan data for %s", path.c_str()));
    }
    return false;
}

std::string ScanLoader::GetPathFromDirID(std::shared_ptr<Connection> connection,
                                         std::uint32_t dirID) {
    try {
        if (!connection) {
            connection = m_connections.Get(false);
        }
        if (!connection) {
            return {};
        }
        std::unique_ptr<platform::ado::Recordset> row = connection->OpenRecordset(
            ScanStoreSql(app::CurrentDBSource()).SelectPathOfDirectory(dirID));
        return row->IsEOF() ? std::string() : row->Fields("Path").AsString();
    } catch (const ComError& error) {
        app::ReportComError(
            error, StringPrintf("Getting path from DirID from the database for DirID=%u", dirID));
    } catch (...) {
        app::ReportError(
            0, StringPrintf("Getting path from DirID from the database for DirID=%u", dirID));
    }
    return {};
}

std::string ScanLoader::GetPathFromScanID(std::uint32_t scanID) {
    try {
        std::shared_ptr<Connection> connection = m_connections.Get(false);
        if (!connection) {
            return {};
        }
        std::uint32_t root = 0;
        {
            std::unique_ptr<platform::ado::Recordset> row = connection->OpenRecordset(
                ScanStoreSql(app::CurrentDBSource()).SelectRootOfScan(scanID));
            if (row->IsEOF()) {
                return {};
            }
            root = static_cast<std::uint32_t>(row->Fields("ScanRootDirID").AsInt());
        }
        return GetPathFromDirID(connection, root);
    } catch (const ComError& error) {
        app::ReportComError(error, StringPrintf("Getting path from ScanID where ScanID=%d",
                                                static_cast<int>(scanID)));
    } catch (...) {
        app::ReportError(
            0, StringPrintf("Getting path from ScanID where ScanID=%d", static_cast<int>(scanID)));
    }
    return {};
}

} // namespace scan
