#include "scan/ScanRun.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/RunState.h"
#include "platform/ado/Connection.h"
#include "platform/system/StringPrintf.h"
#include "scan/DirectoryIds.h"
#include "scan/InsertBatch.h"
#include "scan/ScanStoreSql.h"
#include "scan/ScanTransaction.h"
#include "scan/ScanWriter.h"
#include "scan/SizeIndexLayout.h"
#include "scan/SqlRules.h"
#include "scan/StoreConflicts.h"
#include "scan/fs/DirectoryReader.h"
#include "scan/fs/StoredPath.h"
#include "scan/fs/TreeReading.h"
#include "scan/fs/TreeWalker.h"

#include <cerrno>
#include <chrono>

namespace scan {

using platform::ado::ComError;
using platform::system::StringPrintf;

namespace {

// Ends the sink's scan on every way out of a run.
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

ScanRun::ScanRun(std::shared_ptr<platform::ado::Connection> connection, const ScanRequest& request,
                 DirectoryIds& directories, ScanWriter& writer, IScanSink& sink,
                 ScanCounters& counters)
    : m_connection(std::move(connection)), m_request(request), m_directories(directories),
      m_writer(writer), m_sink(sink), m_counters(counters), m_store(app::IsDebugLogOn()) {}

ScanRun::~ScanRun() = default;

std::int64_t ScanRun::Run() {
    m_summary.result = kAborted;
    m_sink.Started(m_request.path, !m_request.quiet);
    FinishedGuard finished(m_sink, m_summary);
    auto started = std::chrono::steady_clock::now();
    ScanTransaction transaction(m_connection, !IsServerStore(app::CurrentDBSource()));
    // Size rows still in a batch are written on every way out, before the commit.
    struct PendingRows {
        ScanRun& run;
        ~PendingRows() { run.flushSizeRows(run.m_request.storedRoot); }
    } pendingRows{*this};
    WalkOptions options;
    options.loopCheck = m_request.loopCheck;
    options.fingerprintCutoff = m_request.ageCutoff;
    options.filters = m_request.filters;
    options.readAhead = true;
    // A tree that will not be prepared is read while the store gets ready (loading the directory
    // cache of a large tree takes tens of milliseconds).
    std::unique_ptr<TreeWalker> walker;
    if (!m_request.save || (m_connection && m_directories.IsPrepared(*m_connection, m_request.path))) {
        walker = std::make_unique<TreeWalker>(m_request.path, options);
    }
    if (!beginStoring()) {
        return kAborted;
    }
    m_counters = ScanCounters();
    m_sink.Range(GetNumSubDirs(m_request.path) + 1);

    // A first scan's preparation read the tree already: walked from memory, not from the disk.
    bool walked = false;
    if (m_reading.Complete() && m_reading.Root() == m_request.path) {
        walker.reset();
        walked = walk(m_reading, transaction);
    } else {
        m_reading.Clear();
        if (!walker) {
            walker = std::make_unique<TreeWalker>(m_request.path, options);
        }
        walked = walk(*walker, transaction);
    }
    if (!walked) {
        return kAborted;
    }
    if (app::IsDebugLogOn()) {
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - started);
        logEnd(static_cast<long>(elapsed.count()));
    }
    m_summary.result = m_rootTotal;
    return m_rootTotal;
}

bool ScanRun::beginStoring() {
    if (!m_request.save) {
        return true; // the scan identifier stays 1
    }
    DirIDOptions lookup = DirIDOptions()
                              .PreparingTree(m_request.loopCheck, m_request.filters)
                              .KeepingReading(m_reading);
    m_rootDirID = m_store.Time(
        [&] { return m_directories.GetDirID(m_connection, m_request.path, 0, lookup); });
    if (m_rootDirID == kDirIDFailed) {
        return false;
    }
    if (app::CurrentDBSource() == kAccessDatabase) {
        SizeIndexLayout::EnsureStatistics(*m_connection);
    }
    m_scanID = m_store.Time(
        [&] { return m_writer.NewScanID(m_connection, m_rootDirID, m_request.scanType); });
    if (m_scanID == 0) {
        return false;
    }
    // One size row per directory: the insert is compiled once for the whole scan.
    try {
        m_sizeRows = std::make_unique<InsertBatch>(
            m_connection->Prepare(ScanStoreSql::InsertSizeRowPrepared()),
            IsServerStore(app::CurrentDBSource()));
    } catch (const ComError& error) {
        app::ReportComError(error,
                            StringPrintf("Saving scan data for %s", m_request.storedRoot.c_str()));
        return false;
    }
    return true;
}

bool ScanRun::identify(OpenDirectory& open, const DirectoryResult& directory) {
    DirIDOptions lookup = DirIDOptions().PreparingTree(m_request.loopCheck, m_request.filters);
    open.entry.dirID = m_store.Time([&] {
        return m_directories.GetDirID(m_connection, open.entry.path, open.entry.parentDirID,
                                      lookup);
    });
    if (open.entry.dirID == kDirIDFailed) {
        return false;
    }
    if (open.entry.dirID == kDirIDTooLong) {
        problem(ScanProblemKind::kPathTooLong, directory.path, 0);
    }
    open.saved = true;
    return true;
}

template <typename Events> bool ScanRun::walk(Events& events, ScanTransaction& transaction) {
    WalkEvent event;
    while (events.Next(event)) {
        if (event.kind == WalkEventKind::kLeave) {
            if (!leave(transaction)) {
                return false;
            }
            continue;
        }
        Entered entered = enter(*event.directory);
        if (entered == Entered::kAbort) {
            return false;
        }
        if (entered == Entered::kLooped) {
            events.SkipSubtree();
        }
    }
    return true;
}

ScanRun::Entered ScanRun::enter(DirectoryResult& directory) {
    OpenDirectory open;
    open.entry.path = StoredPathBelow(m_request.storedRoot, m_request.path, directory.path);
    open.entry.scanID = m_scanID;
    open.entry.parentDirID = m_stack.empty() ? 0 : m_stack.back().entry.dirID;
    bool isRoot = m_stack.empty();
    if (isRoot) {
        open.entry.dirID = m_rootDirID;
        open.saved = m_request.save;
    } else if (m_request.save && (directory.depth <= 1 || m_request.saveAllLevels) &&
               !identify(open, directory)) {
        return Entered::kAbort;
    }
    reportProblems(directory);
    if (!countEntries(directory)) {
        return Entered::kAbort;
    }
    m_counters.files += directory.fileCount;
    m_summary.files = m_counters.files;
    m_sink.Counts(m_counters.directories, m_counters.files, directory.path);
    open.entry.totalSize = directory.filesSize;
    for (const ExtensionTally& tally : directory.extensions) {
        ExtensionStats& stats = m_extensions[tally.key];
        stats.count += tally.count;
        stats.bytes += tally.bytes;
    }
    // The root is the first directory seen, so it is only remembered.
    if (m_request.loopCheck && directory.hasFingerprint &&
        m_loops.AlreadyReached(directory.fingerprint, directory.fullFingerprint, directory.path,
                               {directory.device, directory.inode}) &&
        !isRoot) {
        open.looped = true;
    }
    bool looped = open.looped;
    m_stack.push_back(std::move(open));
    return looped ? Entered::kLooped : Entered::kGoOn;
}

bool ScanRun::countEntries(const DirectoryResult& directory) {
    // Each subdirectory entry is counted and asks whether Cancel was pressed (the window answers
    // at most once a second).
    for (std::size_t i = 0; i < directory.subdirectories.size(); ++i) {
        ++m_counters.directories;
        m_summary.directories = m_counters.directories;
        if (m_sink.Cancelled()) {
            TV_DEBUG_LOG("DoScan End - Cancelled");
            return false;
        }
    }
    return true;
}

bool ScanRun::leave(ScanTransaction& transaction) {
    OpenDirectory done = std::move(m_stack.back());
    m_stack.pop_back();
    bool isRoot = m_stack.empty();
    if (done.looped) {
        // Reached before through a link: it counts 0 in its parent and writes no row.
        if (m_stack.size() == 1) {
            m_sink.Step();
        }
        return true;
    }
    if (done.saved && !m_store.Time([&] { return done.entry.Save(*m_sizeRows); })) {
        return false;
    }
    if (isRoot) {
        if (done.saved && !m_store.Time([&] { return flushSizeRows(done.entry.path); })) {
            return false;
        }
        if (m_request.save && (m_request.saveAllLevels || m_request.scanType == 1)) {
            ExtensionMap extensions(m_extensions.begin(), m_extensions.end());
            m_store.Time([&] { m_writer.SaveExtensionInfo(m_connection, extensions, m_scanID); });
        }
        m_rootTotal = static_cast<std::int64_t>(done.entry.totalSize);
    } else {
        m_stack.back().entry.totalSize += done.entry.totalSize;
        if (m_stack.size() == 1) {
            m_sink.Step();
        }
    }
    m_store.Time([&] { transaction.CommitIfDue(); });
    return true;
}

bool ScanRun::flushSizeRows(const std::string& path) {
    if (!m_sizeRows) {
        return true;
    }
    try {
        m_sizeRows->Flush();
        return true;
    } catch (const ComError& error) {
        app::ReportComError(error, StringPrintf("Saving scan data for %s", path.c_str()));
    }
    return false;
}

void ScanRun::problem(ScanProblemKind kind, std::string path, int error) {
    ScanProblem found{kind, std::move(path), error};
    m_summary.problems.Add(found);
    m_sink.Problem(found);
}

// What the walk could not read in this directory; the scan goes on.
void ScanRun::reportProblems(const DirectoryResult& directory) {
    if (directory.status == DirectoryStatus::kOpenFailed) {
        problem(ScanProblemKind::kUnreadable, directory.path, directory.error);
    }
    for (const EntryProblem& entry : directory.problems) {
        if (entry.name.empty()) {
            problem(ScanProblemKind::kUnreadable, directory.path, entry.error);
        } else {
            problem(entry.error == ENOENT ? ScanProblemKind::kVanished
                                          : ScanProblemKind::kUnreadable,
                    directory.path + "/" + entry.name, entry.error);
        }
    }
}

void ScanRun::logEnd(long elapsedMilliseconds) const {
    TV_DEBUG_LOG(
        "Scanned %s: %ld directories, %ld files in %ld ms, %ld ms of processor time in the store",
        m_request.path.c_str(), m_counters.directories, m_counters.files, elapsedMilliseconds,
        m_store.Milliseconds());
}

} // namespace scan
