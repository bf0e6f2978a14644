#include "scan/ScanWriter.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/RunState.h"
#include "platform/ado/Connection.h"
#include "platform/system/StringPrintf.h"
#include "scan/InsertBatch.h"
#include "scan/ScanSinkSlot.h"
#include "scan/ScanStoreSql.h"
#include "scan/StoreConflicts.h"
#include "scan/fs/NameBytes.h"

#include <algorithm>
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

// A scan moved off a second another writer's scan of its root took gives up after this many.
constexpr int kMaxMoves = 100;

// A key longer than 20 characters, trimmed of blanks, and cut to 19 and "*" when still too long.
std::string storedExtensionKey(const std::string& extension) {
    std::string key = extension;
    if (key.size() >= 21) {
        std::size_t first = key.find_first_not_of(' ');
        std::size_t last = key.find_last_not_of(' ');
        key = first == std::string::npos ? std::string() : key.substr(first, last - first + 1);
        if (key.size() >= 21) {
            key = key.substr(0, 19) + "*";
        }
    }
    return key;
}

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
        std::tm now = freeSecond(*connection, statements, rootDirID, sql);
        sql = statements.InsertScan(rootDirID, scanType, now);
        RetryOnConflict([&] { connection->Execute(sql); });
        sql = statements.SelectNewScanID(rootDirID, now);
        std::vector<int> scans = scansAt(*connection, sql);
        if (scans.size() > 1 && IsServerStore(statements.Kind())) {
            return keepApart(*connection, statements, rootDirID, now, scans, sql);
        }
        if (!scans.empty()) {
            return scans.front();
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

// A scan is found again by its root and start second. A scan of the same root already started
// in this second would make that ambiguous, so wait for the next second.
std::tm ScanWriter::freeSecond(Connection& connection, const ScanStoreSql& statements,
                               int rootDirID, std::string& sql) {
    std::time_t seconds = 0;
    std::tm now = localNow(&seconds);
    for (;;) {
        sql = statements.SelectNewScanID(rootDirID, now);
        if (connection.OpenRecordset(sql)->IsEOF()) {
            return now;
        }
        std::time_t taken = seconds;
        while ((now = localNow(&seconds), seconds == taken)) {
            std::this_thread::sleep_for(kSecondPoll);
        }
    }
}

std::vector<int> ScanWriter::scansAt(Connection& connection, const std::string& sql) {
    std::vector<int> scans;
    std::unique_ptr<platform::ado::Recordset> rows = connection.OpenRecordset(sql);
    for (; !rows->IsEOF(); rows->MoveNext()) {
        scans.push_back(rows->Fields("ScanID").AsInt());
    }
    return scans;
}

// Another writer's scan of the same root started in the same second (both found the second
// free). The earliest row keeps the second; a later one moves to the next free second, so that
// every scan is still found again by its root and date.
int ScanWriter::keepApart(Connection& connection, const ScanStoreSql& statements, int rootDirID,
                          std::tm second, std::vector<int> scans, std::string& sql) {
    sql = statements.SelectLastInsertedID();
    int ours = 0;
    {
        std::unique_ptr<platform::ado::Recordset> row = connection.OpenRecordset(sql);
        if (row->IsEOF() || row->Fields(0).IsNull()) {
            return 0;
        }
        ours = row->Fields(0).AsInt();
    }
    for (int attempt = 0; attempt < kMaxMoves; ++attempt) {
        if (ours == *std::min_element(scans.begin(), scans.end())) {
            return ours;
        }
        do {
            second.tm_sec += 1;
            second.tm_isdst = -1;
            std::mktime(&second);
            sql = statements.SelectNewScanID(rootDirID, second);
        } while (!connection.OpenRecordset(sql)->IsEOF());
        sql = statements.UpdateScanDate(ours, second);
        RetryOnConflict([&] { connection.Execute(sql); });
        TV_DEBUG_LOG("Scan %d of DirID %d moved to the next free second", ours, rootDirID);
        sql = statements.SelectNewScanID(rootDirID, second);
        scans = scansAt(connection, sql);
    }
    return 0;
}

// The ExtensionID of the key: known already, or stored now (or by another writer meanwhile);
// -1 when the store has no row for it after all.
int ScanWriter::extensionID(Connection& connection, const ScanStoreSql& statements,
                            std::map<std::string, int>& known, const std::string& key,
                            std::string& step) {
    auto found = known.find(key);
    if (found != known.end()) {
        return found->second;
    }
    step = StringPrintf("Adding %s extension", key.c_str());
    try {
        RetryOnConflict([&] { connection.Execute(statements.InsertExtension(key)); });
    } catch (const ComError& error) {
        if (!IsDuplicateKey(error)) {
            throw;
        }
    }
    std::unique_ptr<platform::ado::Recordset> row =
        connection.OpenRecordset(statements.SelectExtensionID(key));
    if (row->IsEOF()) {
        return -1;
    }
    return known.emplace(key, row->Fields("ExtensionID").AsInt()).first->second;
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
        // A server store takes the rows in one statement.
        std::unique_ptr<InsertBatch> batch;
        if (IsServerStore(statements.Kind())) {
            batch = std::make_unique<InsertBatch>(
                connection->Prepare(ScanStoreSql::InsertExtensionRowPrepared()), true);
        }
        for (const auto& [extension, stats] : extensions) {
            try {
                int id = extensionID(*connection, statements, known,
                                     EncodeNonUtf8(storedExtensionKey(extension)), step);
                if (id < 0) {
                    continue;
                }
                step = StringPrintf("Adding data for extID %u", static_cast<unsigned>(id));
                if (batch) {
                    batch->Row().Bind(1, id).Bind(2, scanID).Bind(3, static_cast<int>(stats.count));
                    batch->Row().Bind(4, static_cast<std::int64_t>(stats.bytes));
                    batch->Add();
                } else {
                    connection->Execute(
                        statements.InsertExtensionRow(id, scanID, static_cast<int>(stats.count),
                                                      static_cast<std::int64_t>(stats.bytes)));
                }
            } catch (const ComError& error) {
                if (error.Code() != kSkippableExtensionError) {
                    throw;
                }
            }
        }
        if (batch) {
            batch->Flush();
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
