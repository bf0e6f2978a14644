#include "scan/SizeIndexLayout.h"

#include "app/base/DiagnosticLog.h"
#include "platform/ado/Connection.h"
#include "platform/system/StringPrintf.h"
#include "scan/ScanStoreSql.h"

namespace scan {

using platform::ado::ComError;
using platform::system::StringPrintf;

namespace {

std::int64_t count(platform::ado::Connection& connection, const std::string& sql) {
    std::unique_ptr<platform::ado::Recordset> row = connection.OpenRecordset(sql);
    return row->IsEOF() ? 0 : row->Fields(0).AsInt64();
}

void logFailure(const char* what, const ComError& error) {
    app::WriteLogLine(StringPrintf("%s failed.  Err=%s, Desc=%s, ErrNum=%0X", what,
                                   error.ErrorMessage().c_str(), error.Description().c_str(),
                                   error.Code()));
}

// Runs the statements in one transaction of their own (unless the caller's is running).
void runTogether(platform::ado::Connection& connection,
                 const std::vector<const char*>& statements) {
    bool own = !connection.InTransaction();
    if (own) {
        connection.BeginTrans();
    }
    try {
        for (const char* statement : statements) {
            connection.Execute(statement);
        }
        if (own) {
            connection.CommitTrans();
        }
    } catch (...) {
        if (own && connection.InTransaction()) {
            connection.RollbackTrans();
        }
        throw;
    }
}

} // namespace

void SizeIndexLayout::Upgrade(platform::ado::Connection& connection) {
    try {
        if (count(connection, ScanStoreSql::CountParentFirstSizeIndexes()) == 0) {
            return;
        }
        app::WriteLogLine("Indexing the stored directory sizes by scan (once; it takes a while on "
                          "a long history).");
        runTogether(connection, ScanStoreSql::IndexSizeRowsByScan());
    } catch (const ComError& error) {
        logFailure("Indexing the stored directory sizes by scan", error);
        return;
    }
    EnsureStatistics(connection);
}

void SizeIndexLayout::EnsureStatistics(platform::ado::Connection& connection) {
    try {
        if (count(connection, ScanStoreSql::CountScanFirstSizeIndex()) == 0) {
            return; // the older layout, or no store tables
        }
        try {
            if (count(connection, ScanStoreSql::CountSizeIndexStatistics()) != 0) {
                return;
            }
        } catch (const ComError&) {
            // No statistics table yet: the first statement makes it.
        }
        runTogether(connection, ScanStoreSql::AddSizeIndexStatistics());
    } catch (const ComError& error) {
        logFailure("Adding the statistics of the size index", error);
    }
}

} // namespace scan
