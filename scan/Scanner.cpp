// The scan: walking a tree, adding up the space its files use, counting files by extension,
// and writing one size row per saved directory under a new scan identifier. The walk itself
// (reading directories, ahead on other threads when it can) is the TreeWalker's; this file
// keeps the visible order of the scan: directory identifiers before a directory's contents,
// size rows after, progress after each directory, cancel at each subdirectory.
#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/RunState.h"
#include "brand/Brand.h"
#include "platform/ado/Connection.h"
#include "platform/system/NamedMutex.h"
#include "platform/system/Paths.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"
#include "scan/CScanInfo.h"
#include "scan/ScanSink.h"
#include "scan/SqlRules.h"
#include "scan/fs/DirFingerprint.h"
#include "scan/fs/DirectoryReader.h"
#include "scan/fs/FileTime.h"
#include "scan/fs/ScanRules.h"
#include "scan/fs/StoredPath.h"
#include "scan/fs/TreeWalker.h"

#include <time.h>

#include <chrono>
#include <type_traits>

namespace scan {

using platform::ado::ComError;
using platform::ado::Connection;
using platform::system::StringPrintf;
namespace ui = platform::ui;

namespace {

constexpr const char* kSingleScanMutex = "Tallyvol_Access_Single_Scan";
constexpr const char* kOneScanAtATime =
    "A scan is currently taking place.  Since you are storing your scan data in an SQLite database, %s "
    "restricts itself to one scan at a time to avoid concurrency issues in SQLite.\r\n\r\nYou can cancel "
    "this scan request or wait for it to finish (%s will be unresponsive while waiting).\r\n\r\nWould you "
    "like to cancel this scan request?";
// Rows are committed at least this often, so a scan that ends early keeps what it wrote.
constexpr auto kCommitInterval = std::chrono::seconds(2);

constexpr std::int64_t kAborted = -1;
constexpr std::int64_t kExcluded = -2;
constexpr std::int64_t kLooped = -3;

// Keeps a scan's writes in transactions: committed every few seconds and on every way out,
// so a cancel or a failure keeps the rows written before it.
class ScanTransaction {
public:
    explicit ScanTransaction(std::shared_ptr<Connection> connection) : m_connection(std::move(connection)) {
        begin();
    }
    ~ScanTransaction() {
        try {
            commit();
        } catch (const ComError& error) {
            TV_DEBUG_LOG("Committing the scan's rows failed: %s (%s)", error.ErrorMessage().c_str(),
                         error.Description().c_str());
        } catch (...) {
            TV_DEBUG_LOG("Committing the scan's rows failed");
        }
    }
    ScanTransaction(const ScanTransaction&) = delete;
    ScanTransaction& operator=(const ScanTransaction&) = delete;

    void CommitIfDue() {
        if (std::chrono::steady_clock::now() - m_started >= kCommitInterval) {
            commit();
            begin();
        }
    }

private:
    void begin() {
        if (m_connection && !m_connection->InTransaction()) {
            m_connection->BeginTrans();
            m_owned = true;
        }
        m_started = std::chrono::steady_clock::now();
    }
    void commit() {
        if (m_owned && m_connection->InTransaction()) {
            m_owned = false;
            m_connection->CommitTrans();
        }
    }

    std::shared_ptr<Connection> m_connection;
    bool m_owned = false;
    std::chrono::steady_clock::time_point m_started;
};

// Adds up the processor time the scan's thread spends in the store, for the log line that
// ends a scan (processor time: the walk's threads share the processors with it).
class StoreClock {
public:
    template <typename Work> auto Time(Work&& work) {
        std::int64_t start = threadNanoseconds();
        auto finish = [&] { m_total += threadNanoseconds() - start; };
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            finish();
        } else {
            auto result = work();
            finish();
            return result;
        }
    }
    long Milliseconds() const { return static_cast<long>(m_total / 1000000); }

private:
    static std::int64_t threadNanoseconds() {
        timespec now{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    }

    std::int64_t m_total = 0;
};

// One directory of the walk that is still open.
struct OpenDirectory {
    ScanEntry entry;
    bool saved = false;   // its size row is to be written
    bool looped = false;  // reached before through a link: counts 0, no row
};

// Tells the sink what the walk could not read in this directory; the scan goes on.
void reportProblems(const DirectoryResult& directory, IScanSink& sink, ScanProblemCounts& counts) {
    auto report = [&](ScanProblemKind kind, std::string path, int error) {
        ScanProblem problem{kind, std::move(path), error};
        counts.Add(problem);
        sink.Problem(problem);
    };
    if (directory.status == DirectoryStatus::kOpenFailed) {
        report(ScanProblemKind::kUnreadable, directory.path, directory.error);
    }
    for (const EntryProblem& problem : directory.problems) {
        if (problem.name.empty()) {
            report(ScanProblemKind::kUnreadable, directory.path, problem.error);
        } else {
            report(problem.error == ENOENT ? ScanProblemKind::kVanished : ScanProblemKind::kUnreadable,
                   directory.path + "/" + problem.name, problem.error);
        }
    }
}

// Ends the sink's scan on every way out of DoScan.
class FinishedGuard {
public:
    FinishedGuard(IScanSink& sink, ScanSummary& summary) : m_sink(sink), m_summary(summary) {}
    ~FinishedGuard() { m_sink.Finished(m_summary); }
    FinishedGuard(const FinishedGuard&) = delete;
    FinishedGuard& operator=(const FinishedGuard&) = delete;

private:
    IScanSink& m_sink;
    ScanSummary& m_summary;
};

} // namespace

std::int64_t CScanInfo::Scan(const std::string& path, bool quiet, int scanType, bool loopCheck) {
    try {
        platform::system::NamedMutex mutex(kSingleScanMutex);
        bool serialised = app::CurrentDBSource() == kAccessDatabase;
        if (serialised) {
            if (app::AutomatedScanInProgress) {
                mutex.Wait(-1);
            } else if (!mutex.Wait(1000)) {
                int answer = ui::UI().MessageBox(StringPrintf(kOneScanAtATime, ProductName3218, ProductName3218),
                                                 "Multiple Scans with SQLite", ui::MB_YESNO | ui::MB_ICONQUESTION);
                if (answer == ui::IDYES) {
                    return kAborted;
                }
                ui::UI().MessageBox(StringPrintf("%s will now enter a waiting state.", ProductName3218),
                                    "Wait Confirmed", ui::MB_OK);
                mutex.Wait(-1);
            }
        }

        ResetConnections();
        ClearDirectoryCache();
        m_ageCutoff = ScanAgeCutoff();
        m_scanRoot = MakeStoredPath(path, false);

        std::shared_ptr<Connection> connection = GetConnection();
        if (!connection) {
            return kAborted;
        }
        FixParents(connection);
        ExclusionFilters filters = ExclusionFilters::FromText(GetFilters(connection, path));
        std::int64_t result = DoScan(connection, path, quiet, scanType, filters, loopCheck);
        mutex.Release();
        return result;
    } catch (const ComError& error) {
        TV_DEBUG_LOG("** Exception in DoScan\n");
        TV_DEBUG_LOG("COM Exception in DoScan.  Desc=%s, ErrMsg=%s, Err=%0X", error.Description().c_str(),
                     error.ErrorMessage().c_str(), error.Code());
    } catch (...) {
        TV_DEBUG_LOG("** Exception in DoScan\n");
    }
    return kAborted;
}

std::int64_t CScanInfo::DoScan(const std::shared_ptr<Connection>& connection, const std::string& rawPath, bool quiet,
                               int scanType, const ExclusionFilters& filters, bool loopCheck) {
    std::string path = NormalizePath(LocalPathFromStored(rawPath));
    if (filters.Excludes(path)) {
        return kExcluded;
    }
    IScanSink& sink = Sink();
    if (!platform::system::IsDirectory(path)) {
        if (!sink.ConfirmMissingRoot(path)) {
            TV_DEBUG_LOG("DoScan was aborted because directory doesn't appear to exist\n");
            return kAborted;
        }
        TV_DEBUG_LOG("Continuing scan even though it appear the directory doesn't exist\n");
    }

    ScanSummary summary;
    summary.result = kAborted;
    sink.Started(path, !quiet);
    FinishedGuard finished(sink, summary);
    auto started = std::chrono::steady_clock::now();
    StoreClock store;
    ScanTransaction transaction(connection);

    int scanID = 1;
    int rootDirID = 0;
    if (m_save) {
        rootDirID = store.Time([&] { return GetDirID(connection, path, 0, false, false, true, loopCheck, filters); });
        if (rootDirID == kDirIDFailed) {
            return kAborted;
        }
        scanID = store.Time([&] { return NewScanID(connection, rootDirID, scanType); });
        if (scanID == 0) {
            return kAborted;
        }
    }
    // One size row per directory: the insert is compiled once for the whole scan.
    std::unique_ptr<platform::ado::Command> insertSizeRow;
    if (m_save) {
        try {
            insertSizeRow = connection->Prepare(ScanStoreSql::InsertSizeRowPrepared());
        } catch (const ComError& error) {
            app::ReportComError(error, StringPrintf("Saving scan data for %s", m_scanRoot.c_str()));
            return kAborted;
        }
    }
    m_directoriesSeen = 0;
    m_filesSeen = 0;
    sink.Range(GetNumSubDirs(path) + 1);

    WalkOptions options;
    options.loopCheck = loopCheck;
    options.fingerprintCutoff = m_ageCutoff;
    options.filters = filters;
    options.readAhead = !loopCheck;
    TreeWalker walker(path, options);
    LoopDetector loops;
    ExtensionMap extensions;
    std::vector<OpenDirectory> stack;
    std::int64_t rootTotal = 0;

    WalkEvent event;
    while (walker.Next(event)) {
        if (event.kind == WalkEventKind::kEnter) {
            DirectoryResult& directory = *event.directory;
            OpenDirectory open;
            open.entry.path = StoredPathBelow(m_scanRoot, path, directory.path);
            open.entry.scanID = scanID;
            open.entry.parentDirID = stack.empty() ? 0 : stack.back().entry.dirID;
            bool isRoot = stack.empty();
            if (isRoot) {
                open.entry.dirID = rootDirID;
                open.saved = m_save;
            } else if (m_save && (directory.depth <= 1 || m_saveAllLevels)) {
                open.entry.dirID = store.Time([&] {
                    return GetDirID(connection, open.entry.path, open.entry.parentDirID, false, false, true, loopCheck,
                                    filters);
                });
                if (open.entry.dirID == kDirIDFailed) {
                    return kAborted;
                }
                if (open.entry.dirID == kDirIDTooLong) {
                    ScanProblem tooLong{ScanProblemKind::kPathTooLong, directory.path, 0};
                    summary.problems.Add(tooLong);
                    sink.Problem(tooLong);
                }
                open.saved = true;
            }
            reportProblems(directory, sink, summary.problems);
            // The progress the entries of this directory made: each subdirectory entry is counted
            // and asks whether Cancel was pressed (the window answers at most once a second).
            for (std::size_t i = 0; i < directory.subdirectories.size(); ++i) {
                ++m_directoriesSeen;
                summary.directories = m_directoriesSeen;
                if (sink.Cancelled()) {
                    TV_DEBUG_LOG("DoScan End - Cancelled");
                    return kAborted;
                }
            }
            m_filesSeen += directory.fileCount;
            summary.files = m_filesSeen;
            sink.Counts(m_directoriesSeen, m_filesSeen, directory.path);
            open.entry.totalSize = directory.filesSize;
            for (const ExtensionTally& tally : directory.extensions) {
                ExtensionStats& stats = extensions[tally.key];
                stats.count += tally.count;
                stats.bytes += tally.bytes;
            }
            // The root is the first directory seen, so it is only remembered.
            if (loopCheck && directory.hasFingerprint &&
                loops.AlreadyReached(directory.fingerprint, directory.fullFingerprint, directory.path,
                                     {directory.device, directory.inode}) &&
                !isRoot) {
                open.looped = true;
                walker.SkipSubtree();
            }
            stack.push_back(std::move(open));
            continue;
        }

        OpenDirectory done = std::move(stack.back());
        stack.pop_back();
        bool isRoot = stack.empty();
        if (done.looped) {
            // Reached before through a link: it counts 0 in its parent and writes no row.
            if (stack.size() == 1) {
                sink.Step();
            }
            continue;
        }
        if (done.saved && !store.Time([&] { return done.entry.Save(*insertSizeRow); })) {
            return kAborted;
        }
        if (isRoot) {
            if (m_save && (m_saveAllLevels || scanType == 1)) {
                store.Time([&] { SaveExtensionInfo(connection, extensions, scanID); });
            }
            rootTotal = static_cast<std::int64_t>(done.entry.totalSize);
        } else {
            stack.back().entry.totalSize += done.entry.totalSize;
            if (stack.size() == 1) {
                sink.Step();
            }
        }
        store.Time([&] { transaction.CommitIfDue(); });
    }
    if (app::IsDebugLogOn()) {
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        TV_DEBUG_LOG("Scanned %s: %ld directories, %ld files in %ld ms, %ld ms of processor time in the store", path.c_str(),
                     m_directoriesSeen, m_filesSeen, static_cast<long>(elapsed.count()), store.Milliseconds());
    }
    summary.result = rootTotal;
    return rootTotal;
}

} // namespace scan
