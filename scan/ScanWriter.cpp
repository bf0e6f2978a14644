#include "scan/ScanWriter.h"

#include "app/base/ErrorReport.h"
#include "app/base/RunState.h"
#include "platform/ado/Connection.h"
#include "platform/system/StringPrintf.h"
#include "scan/ScanSinkSlot.h"
#include "scan/ScanStoreSql.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace scan {

using platform::ado::ComError;
using platform::ado::Connection;
using platform::system::StringPrintf;

namespace {

// The code of a failure on one extension that the saving passes over.
constexpr std::uint32_t kSkippableExtensionError = 0x80040E23;
// How often NewScanID looks at the clock while it waits for a second of its own.
constexpr auto kSecondPoll = std::chrono::milliseconds(50);

std::tm localNow(std::time_t* seconds) {
    *seconds = std::time(nullptr);
    std::tm local{};
    ::localtime_r(seconds, &local);
    return local;
}

} // namespace

int ScanWriter::NewScanID(const std::shared_ptr<Connection>& connection, int rootDirID,
                          int scanType) {
    ScanStoreSql statements(app::CurrentDBSource());
    std::string sql;
    try {
        // A scan is found again by its root and start second. A scan of the same root already
        // started in this second would make that ambiguous, so wait for the next second.
        std::time_t seconds = 0;
        std::tm now = localNow(&seconds);
        for (;;) {
            sql = statements.SelectNewScanID(rootDirID, now);
            if (connection->OpenRecordset(sql)->IsEOF()) {
                break;
            }
            std::time_t taken = seconds;
            while ((now = localNow(&seconds), seconds == taken)) {
                std::this_thread::sleep_for(kSecondPoll);
            }
        }
        sql = statements.InsertScan(rootDirID, scanType, now);
        connection->Execute(sql);
        sql = statements.SelectNewScanID(rootDirID, now);
        std::unique_ptr<platform::ado::Recordset> row = connection->OpenRecordset(sql);
        if (!row->IsEOF()) {
            return row->Fields("ScanID").AsInt();
        }
    } catch (const ComError& error) {
        app::ReportComError(
            error,
            StringPrintf("Getting a new scanID from the database. DirID=%u, SQL=[%s], dbg=%d",
                         static_cast<unsigned>(rootDirID), sql.c_str(), 1));
    } catch (...) {
        app::ReportError(
            0, StringPrintf("Getting a new scanID from the database. DirID=%u, SQL=[%s], dbg=%d",
                            static_cast<unsigned>(rootDirID), sql.c_str(), 2));
    }
    return 0;
}

void ScanWriter::SaveExtensionInfo(const std::shared_ptr<Connection>& connection,
                                   const ExtensionMap& extensions, int scanID) {
    ScanStoreSql statements(app::CurrentDBSource());
    m_sink.Get().Status("Saving file extension data...");
    std::string step = "Getting all extensions";
    try {
        std::map<std::string, int> known;
        {
            std::unique_ptr<platform::ado::Recordset> rows =
                connection->OpenRecordset(statements.SelectAllExtensions());
            for (; !rows->IsEOF(); rows->MoveNext()) {
                known.emplace(rows->Fields("ExtensionText").AsString(),
                              rows->Fields("ExtensionID").AsInt());
            }
        }
        for (const auto& [extension, stats] : extensions) {
            try {
                std::string key = extension;
                if (key.size() >= 21) {
                    std::size_t first = key.find_first_not_of(' ');
                    std::size_t last = key.find_last_not_of(' ');
                    key = first == std::string::npos ? std::string()
                                                     : key.substr(first, last - first + 1);
                    if (key.size() >= 21) {
                        key = key.substr(0, 19) + "*";
                    }
                }
                auto found = known.find(key);
                if (found == known.end()) {
                    step = StringPrintf("Adding %s extension", key.c_str());
                    connection->Execute(statements.InsertExtension(key));
                    std::unique_ptr<platform::ado::Recordset> row =
                        connection->OpenRecordset(statements.SelectExtensionID(key));
                    if (row->IsEOF()) {
                        continue;
                    }
                    found = known.emplace(key, row->Fields("ExtensionID").AsInt()).first;
                }
                step =
                    StringPrintf("Adding data for extID %u", static_cast<unsigned>(found->second));
                connection->Execute(statements.InsertExtensionRow(
                    found->second, scanID, static_cast<int>(stats.count),
                    static_cast<std::int64_t>(stats.bytes)));
            } catch (const ComError& error) {
                if (error.Code() != kSkippableExtensionError) {
                    throw;
                }
            }
        }
    } catch (const ComError& error) {
        app::ReportComError(error,
                            StringPrintf("Saving file extension information (%s).  ScanID=%u",
                                         step.c_str(), static_cast<unsigned>(scanID)));
    } catch (...) {
        app::ReportError(0, StringPrintf("Saving file extension information (%s).  ScanID=%u",
                                         step.c_str(), static_cast<unsigned>(scanID)));
    }
}

} // namespace scan
