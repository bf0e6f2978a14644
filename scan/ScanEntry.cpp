// Writing one size row.
#include "scan/ScanEntry.h"

#include "app/base/ErrorReport.h"
#include "app/base/RunState.h"
#include "platform/ado/Connection.h"
#include "platform/system/StringPrintf.h"
#include "scan/InsertBatch.h"
#include "scan/ScanStoreSql.h"

namespace scan {

using platform::ado::ComError;
using platform::ado::Connection;
using platform::system::StringPrintf;

namespace {

// Runs the write of a size row; a failure is reported with the directory's path.
template <typename Write> bool saveRow(const ScanEntry& entry, Write write) {
    if (entry.dirID == kDirIDFailed) {
        return false;
    }
    if (entry.dirID == kDirIDTooLong) {
        return true;
    }
    try {
        write();
        return true;
    } catch (const ComError& error) {
        app::ReportComError(error, StringPrintf("Saving scan data for %s", entry.path.c_str()));
    } catch (...) {
        app::ReportError(0, StringPrintf("Saving scan data for %s", entry.path.c_str()));
    }
    return false;
}

} // namespace

bool ScanEntry::Save(const std::shared_ptr<Connection>& connection) const {
    return saveRow(*this, [&] {
        connection->Execute(
            ScanStoreSql(app::CurrentDBSource())
                .InsertSizeRow(dirID, scanID, parentDirID, static_cast<std::int64_t>(totalSize)));
    });
}

bool ScanEntry::Save(InsertBatch& sizeRows) const {
    return saveRow(*this, [&] {
        sizeRows.Row()
            .Bind(1, dirID)
            .Bind(2, scanID)
            .Bind(3, parentDirID)
            .Bind(4, static_cast<std::int64_t>(totalSize));
        sizeRows.Add();
    });
}

} // namespace scan
