#include "scan/ScanRemoval.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/RunState.h"
#include "platform/ado/Connection.h"
#include "platform/system/StringPrintf.h"
#include "scan/CommandTimeout.h"
#include "scan/ConnectionCache.h"
#include "scan/ScanStoreSql.h"

#include <ctime>
#include <stdexcept>

namespace scan {

using platform::ado::ComError;
using platform::ado::Connection;
using platform::system::StringPrintf;

namespace {

// Runs one statement of a deletion; a failure is logged and the next statement still runs.
void runGuarded(Connection& connection, const std::string& sql) {
    try {
        connection.Execute(sql);
    } catch (const ComError& error) {
        if (app::IsDebugLogOn()) {
            app::DebugLog("Scaninfo", 0, "Exception %0X %s, Desc=%s running SQL: %s", error.Code(),
                          error.ErrorMessage().c_str(), error.Description().c_str(), sql.c_str());
        }
    } catch (...) {
        if (app::IsDebugLogOn()) {
            app::DebugLog("Scaninfo", 0, "Unknown exception running SQL: %s", sql.c_str());
        }
    }
}

} // namespace

void ScanRemoval::DeleteScan(std::uint32_t scanID) {
    int debugPosition = 1;
    try {
        std::shared_ptr<Connection> connection = m_connections.Get(false);
        if (!connection) {
            throw std::runtime_error("no connection");
        }
        debugPosition = 2;
        SetCommandTimeout timeout(connection, 0);
        for (const std::string& sql : ScanStoreSql(app::CurrentDBSource()).DeleteScan(scanID)) {
            runGuarded(*connection, sql);
        }
    } catch (...) {
        app::ReportError(
            0, StringPrintf("Deleting a scan from the database for ScanID=%u, dbgPos = %d", scanID,
                            debugPosition));
    }
}

void ScanRemoval::DeleteOldScans(int days, int scanType) {
    if (days == 0) {
        return;
    }
    try {
        std::shared_ptr<Connection> connection = m_connections.Get(false);
        if (!connection) {
            throw std::runtime_error("no connection");
        }
        std::time_t now = std::time(nullptr);
        std::tm cutoff{};
        ::localtime_r(&now, &cutoff);
        cutoff.tm_mday -= days;
        cutoff.tm_hour = cutoff.tm_min = cutoff.tm_sec = 0;
        cutoff.tm_isdst = -1;
        std::mktime(&cutoff); // normalises the day across months and years
        SetCommandTimeout timeout(connection, kLongCommandTimeout);
        for (const std::string& sql :
             ScanStoreSql(app::CurrentDBSource()).PurgeScans(cutoff, scanType)) {
            runGuarded(*connection, sql);
        }
    } catch (...) {
        app::ReportError(0, "Cleaning old data out of the database");
    }
}

} // namespace scan
