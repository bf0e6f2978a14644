#include "scan/StoredPathUpgrade.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "platform/ado/Connection.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"
#include "scan/ConnectionCache.h"
#include "scan/ScanSinkSlot.h"
#include "scan/ScanStoreSql.h"
#include "scan/SchemaUpgrade.h"
#include "scan/fs/StoredPath.h"

#include <utility>
#include <vector>

namespace scan {

using platform::ado::ComError;
using platform::system::StringPrintf;

namespace {

// Converted paths must stay shorter than this to be stored.
constexpr std::size_t kMaxConvertedPath = 255;

} // namespace

void StoredPathUpgrade::Run() {
    try {
        std::shared_ptr<platform::ado::Connection> connection = m_connections.Get(false);
        if (!connection) {
            return;
        }
        ScanStoreSql statements(app::CurrentDBSource());
        std::int64_t pending = 0;
        {
            auto count = connection->OpenRecordset(statements.CountDriveLetterPaths());
            pending = count->IsEOF() ? 0 : count->Fields(0).AsInt64();
        }
        if (pending == 0) {
            return;
        }
        if (!ConfirmUpgrade()) {
            return;
        }

        IScanSink& progress = m_sink.Get();
        ScanSummary summary;
        progress.Started(std::string(), true);
        struct Finish {
            IScanSink& sink;
            ScanSummary& summary;
            ~Finish() { sink.Finished(summary); }
        } finish{progress, summary};
        progress.Range(static_cast<int>(pending));
        progress.Status("Upgrading data in DirNames table...");

        // The rows are read first: an included store's file cannot take the updates of a
        // second connection while a query of the first is still reading it.
        std::vector<std::pair<std::string, int>> rows;
        {
            auto list = connection->OpenRecordset(statements.SelectDriveLetterPaths());
            for (; !list->IsEOF(); list->MoveNext()) {
                rows.emplace_back(list->Fields("Path").AsString(), list->Fields("DirID").AsInt());
            }
        }
        std::shared_ptr<platform::ado::Connection> writer = m_connections.Get(true);
        if (!writer) {
            return;
        }
        writer->BeginTrans();
        for (const auto& [path, dirID] : rows) {
            progress.Step();
            platform::ui::UI().DispatchPendingMessages();
            std::string converted = ConvertDriveLetterPath(path);
            if (converted.size() < kMaxConvertedPath) {
                writer->Execute(statements.UpdatePath(converted, dirID));
            }
        }
        writer->CommitTrans();
    } catch (const ComError& error) {
        app::WriteLogLine(StringPrintf(
            "Exception while UNCing paths.  Exception details:   Err=%s, Desc=%s, ErrNum=%0X",
            error.ErrorMessage().c_str(), error.Description().c_str(), error.Code()));
    } catch (...) {
        app::WriteLogLine("Exception while UNCing paths.  Exception details: none");
    }
}

} // namespace scan
