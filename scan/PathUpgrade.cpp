// Step 4 of the schema upgrade: stored paths that still begin with a drive letter.
#include "app/DiagnosticLog.h"
#include "platform/ado/Connection.h"
#include "platform/system/StringPrintf.h"
#include "scan/CScanInfo.h"

namespace scan {

using platform::ado::ComError;
using platform::system::StringPrintf;

void CScanInfo::UpgradeStoredPaths() {
    try {
        std::shared_ptr<platform::ado::Connection> connection = GetConnection(false);
        if (!connection) {
            return;
        }
        auto count =
            connection->OpenRecordset(Sql().CountDriveLetterPaths(), platform::ado::adCmdText);
        std::int64_t pending = count->IsEOF() ? 0 : count->Fields(0).AsInt64();
        if (pending == 0) {
            return;
        }
        // Converting them needs the stored-path form of directories, which the scanner owns.
        TV_DEBUG_LOG("%lld stored paths begin with a drive letter; their conversion is pending",
                     static_cast<long long>(pending));
    } catch (const ComError& error) {
        app::WriteLogLine(StringPrintf(
            "Exception while UNCing paths.  Exception details:   Err=%s, Desc=%s, ErrNum=%0X",
            error.ErrorMessage().c_str(), error.Description().c_str(), error.Code()));
    } catch (...) {
        app::WriteLogLine("Exception while UNCing paths.  Exception details: none");
    }
}

} // namespace scan
