#include "scan/TreePreparation.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ErrorCodes.h"
#include "scan/InsertBatch.h"
#include "scan/ParentRepair.h"
#include "scan/ScanEntry.h"
#include "scan/ScanSinkSlot.h"
#include "scan/ScanStoreSql.h"
#include "scan/StoreConflicts.h"
#include "scan/fs/DirFingerprint.h"
#include "scan/fs/StoredPath.h"
#include "scan/fs/TreeWalker.h"

#include <vector>

namespace scan {

using platform::ado::ComError;
using platform::ado::Connection;

namespace {

constexpr std::size_t kMaxPreparedRootLength = 256;
constexpr long kPreparationProgressEvery = 200;
// Rows of a server store's multi-row insert.
constexpr std::size_t kPreparedRowsPerStatement = 500;

// The rows of the directories below the root: on the included store each one at once, on a
// server store in multi-row inserts. Such an insert fails whole when another writer stored one
// of its directories first; its rows are then added one by one, passing over those that exist.
// A row that cannot be added is logged and passed over: the scan adds it when it gets there.
class PreparedRows {
public:
    PreparedRows(Connection& connection, const ScanStoreSql& statements)
        : m_statements(statements),
          m_rows(connection.Prepare(ScanStoreSql::InsertPreparedDirectoryPrepared()),
                 IsServerStore(statements.Kind()), kPreparedRowsPerStatement) {}

    platform::ado::Command& Command() { return m_rows.Row(); }

    void Add(const std::string& stored) {
        m_pending.push_back(stored);
        try {
            bind(stored);
            m_rows.Add();
        } catch (const ComError& error) {
            if (!m_rows.Batched()) {
                TV_DEBUG_LOG("Could not add %s: %s", stored.c_str(), error.Description().c_str());
            } else {
                oneByOne();
            }
        }
        if (m_rows.Pending() == 0) {
            m_pending.clear();
        }
    }

    void Finish() {
        try {
            m_rows.Flush();
        } catch (const ComError&) {
            oneByOne();
        }
        m_pending.clear();
    }

private:
    platform::ado::Command& bind(const std::string& stored) {
        return m_rows.Row().BindText(1, stored, m_statements.PathLiteral(stored)).Bind(2, 0);
    }

    void oneByOne() {
        for (const std::string& stored : m_pending) {
            try {
                RetryOnConflict([&] { bind(stored).Execute(); });
            } catch (const ComError& error) {
                TV_DEBUG_LOG("Could not add %s: %s", stored.c_str(), error.Description().c_str());
            }
        }
        m_pending.clear();
    }

    const ScanStoreSql& m_statements;
    InsertBatch m_rows;
    std::vector<std::string> m_pending; // kept in the batch, for adding one by one
};

} // namespace

void TreePreparation::prepareRoot(Connection& connection, const ScanStoreSql& statements,
                                  platform::ado::Command& insert, const std::string& stored,
                                  int parentDirID) {
    try {
        RetryOnConflict([&] {
            insert.BindText(1, stored, statements.PathLiteral(stored))
                .Bind(2, parentDirID)
                .Execute();
        });
    } catch (const ComError& error) {
        if (error.Error() != platform::ado::DB_E_INTEGRITYVIOLATION) {
            throw;
        }
        // Stored before, as a directory of another tree: it becomes the root of a prepared one.
        RetryOnConflict([&] { connection.Execute(statements.MarkPreparedRoot(stored)); });
    }
}

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
    PreparedRows rows(*connection, statements);
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
        if (isRoot) {
            prepareRoot(*connection, statements, rows.Command(), stored, request.rootParentDirID);
        } else {
            rows.Add(stored);
        }
    }
    rows.Finish();
    m_parents.Run(connection, request.repairRoot);
}

} // namespace scan
