#include "scan/TreePreparation.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ErrorCodes.h"
#include "scan/ParentRepair.h"
#include "scan/ScanEntry.h"
#include "scan/ScanSinkSlot.h"
#include "scan/ScanStoreSql.h"
#include "scan/fs/DirFingerprint.h"
#include "scan/fs/StoredPath.h"
#include "scan/fs/TreeWalker.h"

namespace scan {

using platform::ado::ComError;
using platform::ado::Connection;

namespace {

constexpr std::size_t kMaxPreparedRootLength = 256;
constexpr long kPreparationProgressEvery = 200;

} // namespace

void TreePreparation::Prepare(const std::shared_ptr<Connection>& connection, const Request& request,
                              const std::unordered_map<std::string, int>& known) {
    const std::string& storedRoot = request.storedRoot;
    if (storedRoot.size() > kMaxPreparedRootLength) {
        return;
    }
    ScanStoreSql statements(app::CurrentDBSource());
    WalkOptions options;
    options.order = WalkOptions::Order::kBreadthFirst;
    options.countFiles = false;
    options.loopCheck = request.loopCheck;
    options.fingerprintCutoff = request.ageCutoff;
    options.filters = request.filters;
    // The next directories are listed while this thread inserts (the loop check decides after
    // each directory, so it reads them itself).
    options.readAhead = !request.loopCheck;
    std::string localRoot = NormalizePath(LocalPathFromStored(storedRoot));
    TreeWalker walker(localRoot, options);
    LoopDetector loops;
    // A tree seen for the first time means one insert per directory: compiled once.
    std::unique_ptr<platform::ado::Command> insert =
        connection->Prepare(ScanStoreSql::InsertPreparedDirectoryPrepared());
    long count = 0;
    WalkEvent event;
    while (walker.Next(event)) {
        if (event.kind != WalkEventKind::kEnter) {
            continue;
        }
        const DirectoryResult& directory = *event.directory;
        bool isRoot = count == 0;
        if (request.loopCheck && directory.hasFingerprint &&
            loops.AlreadyReached(directory.fingerprint, directory.fullFingerprint, directory.path,
                                 {directory.device, directory.inode}) &&
            !isRoot) {
            walker.SkipSubtree();
            continue;
        }
        ++count;
        if (count % kPreparationProgressEvery == 0) {
            m_sink.Get().Counts(count, 0, directory.path);
        }
        std::string stored =
            isRoot ? storedRoot : StoredPathBelow(storedRoot, localRoot, directory.path);
        if (stored.size() > kMaxStoredPathLength || (!isRoot && known.count(stored) != 0)) {
            continue;
        }
        try {
            insert->BindText(1, stored, statements.PathLiteral(stored))
                .Bind(2, isRoot ? request.rootParentDirID : 0)
                .Execute();
        } catch (const ComError& error) {
            if (isRoot && error.Error() == platform::ado::DB_E_INTEGRITYVIOLATION) {
                connection->Execute(statements.MarkPreparedRoot(stored));
            } else if (isRoot) {
                throw;
            } else {
                TV_DEBUG_LOG("Could not add %s: %s", stored.c_str(), error.Description().c_str());
            }
        }
    }
    m_parents.Run(connection, request.repairRoot);
}

} // namespace scan
