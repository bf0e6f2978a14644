#include "scan/Scanner.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "brand/Brand.h"
#include "platform/ado/Connection.h"
#include "platform/system/NamedMutex.h"
#include "platform/system/Paths.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"
#include "scan/ConnectionCache.h"
#include "scan/DirectoryIds.h"
#include "scan/FilterStore.h"
#include "scan/ParentRepair.h"
#include "scan/ScanSinkSlot.h"
#include "scan/SqlRules.h"
#include "scan/fs/FileTime.h"
#include "scan/fs/StoredPath.h"

namespace scan {

using platform::ado::ComError;
using platform::ado::Connection;
using platform::system::StringPrintf;
namespace ui = platform::ui;

namespace {

constexpr const char* kSingleScanMutex = "Tallyvol_Access_Single_Scan";
constexpr const char* kOneScanAtATime = "A scan is currently taking place.  Since you are storing "
                                        "your scan data in an SQLite database, %s "
                                        "restricts itself to one scan at a time to avoid "
                                        "concurrency issues in SQLite.\r\n\r\nYou can cancel "
                                        "this scan request or wait for it to finish (%s will be "
                                        "unresponsive while waiting).\r\n\r\nWould you "
                                        "like to cancel this scan request?";

constexpr std::int64_t kExcluded = -2;

} // namespace

bool Scanner::waitForOtherScans(platform::system::NamedMutex& mutex) {
    if (app::AutomatedScanInProgress) {
        mutex.Wait(-1);
        return true;
    }
    if (mutex.Wait(1000)) {
        return true;
    }
    int answer =
        ui::UI().MessageBox(StringPrintf(kOneScanAtATime, ProductName3218, ProductName3218),
                            "Multiple Scans with SQLite", ui::MB_YESNO | ui::MB_ICONQUESTION);
    if (answer == ui::IDYES) {
        return false;
    }
    ui::UI().MessageBox(StringPrintf("%s will now enter a waiting state.", ProductName3218),
                        "Wait Confirmed", ui::MB_OK);
    mutex.Wait(-1);
    return true;
}

std::int64_t Scanner::Scan(const std::string& path, bool quiet, int scanType, bool loopCheck) {
    try {
        platform::system::NamedMutex mutex(kSingleScanMutex);
        bool serialised = app::CurrentDBSource() == kAccessDatabase;
        if (serialised && !waitForOtherScans(mutex)) {
            return ScanRun::kAborted;
        }

        m_with.connections.Reset();
        m_with.directories.ClearCache();
        m_with.directories.SetAgeCutoff(ScanAgeCutoff());
        m_with.directories.SetScanRoot(MakeStoredPath(path, false));

        std::shared_ptr<Connection> connection = m_with.connections.Get(false);
        if (!connection) {
            return ScanRun::kAborted;
        }
        m_with.parents.Run(connection, m_with.directories.ScanRoot());
        ExclusionFilters filters =
            ExclusionFilters::FromText(m_with.filters.GetFilters(connection, path));
        std::int64_t result = DoScan(connection, path, quiet, scanType, filters, loopCheck);
        mutex.Release();
        return result;
    } catch (const ComError& error) {
        TV_DEBUG_LOG("** Exception in DoScan\n");
        TV_DEBUG_LOG("COM Exception in DoScan.  Desc=%s, ErrMsg=%s, Err=%0X",
                     error.Description().c_str(), error.ErrorMessage().c_str(), error.Code());
    } catch (...) {
        TV_DEBUG_LOG("** Exception in DoScan\n");
    }
    return ScanRun::kAborted;
}

std::int64_t Scanner::DoScan(const std::shared_ptr<Connection>& connection,
                             const std::string& rawPath, bool quiet, int scanType,
                             const ExclusionFilters& filters, bool loopCheck) {
    ScanRequest request;
    request.path = NormalizePath(LocalPathFromStored(rawPath));
    if (filters.Excludes(request.path)) {
        return kExcluded;
    }
    IScanSink& sink = m_with.sink.Get();
    if (!platform::system::IsDirectory(request.path)) {
        if (!sink.ConfirmMissingRoot(request.path)) {
            TV_DEBUG_LOG("DoScan was aborted because directory doesn't appear to exist\n");
            return ScanRun::kAborted;
        }
        TV_DEBUG_LOG("Continuing scan even though it appear the directory doesn't exist\n");
    }
    request.storedRoot = m_with.directories.ScanRoot();
    request.quiet = quiet;
    request.scanType = scanType;
    request.loopCheck = loopCheck;
    request.ageCutoff = m_with.directories.AgeCutoff();
    request.filters = filters;
    request.save = m_save;
    request.saveAllLevels = m_saveAllLevels;
    ScanRun run(connection, request, m_with.directories, m_with.writer, sink, m_counters);
    return run.Run();
}

} // namespace scan
