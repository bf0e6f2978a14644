#include "scan/TreePreparation.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ErrorCodes.h"
#include "scan/DirectoryMap.h"
#include "scan/InsertBatch.h"
#include "scan/ParentRepair.h"
#include "scan/ScanEntry.h"
#include "scan/ScanSinkSlot.h"
#include "scan/ScanStoreSql.h"
#include "scan/StoreConflicts.h"
#include "scan/fs/DirFingerprint.h"
#include "scan/fs/StoredPath.h"
#include "scan/fs/TreeReading.h"
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

// The rows of the directories below the root. On the included store each one is inserted at
// once, with its parent (the breadth-first walk stores every parent before its children), and
// the identifiers it gets are kept: the tree's parents need no repair and its cache no reload.
// On a server store the rows go in multi-row inserts without parents (other writers may store
// the same directories; the repair sets the parents afterwards). Such an insert fails whole when
// another writer stored one of its directories first; its rows are then added one by one,
// passing over those that exist. A row that cannot be added is logged and passed over: the scan
// adds it when it gets there.
class PreparedRows {
public:
    PreparedRows(Connection& connection, const ScanStoreSql& statements,
                 std::unordered_map<std::string, int>& known)
        : m_connection(connection), m_statements(statements), m_known(known),
          m_rows(connection.Prepare(ScanStoreSql::InsertPreparedDirectoryPrepared()),
                 IsServerStore(statements.Kind()), kPreparedRowsPerStatement) {}

    platform::ado::Command& Command() { return m_rows.Row(); }
    // Every directory of the tree is in `known` with its identifier when the walk is done.
    bool KnowsIdentifiers() const { return !m_rows.Batched(); }

    // The root, with its parent; already stored (as a directory of another tree), it becomes
    // the root of a prepared one.
    void AddRoot(const std::string& stored, int parentDirID) {
        try {
            RetryOnConflict([&] { bind(stored, parentDirID).Execute(); });
            remember(stored);
        } catch (const ComError& error) {
            if (error.Error() != platform::ado::DB_E_INTEGRITYVIOLATION) {
                throw;
            }
            RetryOnConflict([&] { m_connection.Execute(m_statements.MarkPreparedRoot(stored)); });
            if (KnowsIdentifiers()) {
                std::unique_ptr<platform::ado::Recordset> row =
                    m_connection.OpenRecordset(m_statements.SelectDirID(stored));
                if (!row->IsEOF()) {
                    m_known[stored] = row->Fields("DirID").AsInt();
                }
            }
        }
    }

    void Add(const std::string& stored) {
        if (!m_rows.Batched()) {
            auto parent = m_known.find(StoredParent(stored));
            try {
                bind(stored, parent != m_known.end() ? parent->second : 0);
                m_rows.Add();
                remember(stored);
            } catch (const ComError& error) {
                TV_DEBUG_LOG("Could not add %s: %s", stored.c_str(), error.Description().c_str());
            }
            return;
        }
        m_pending.push_back(stored);
        try {
            bind(stored, 0);
            m_rows.Add();
        } catch (const ComError&) {
            oneByOne();
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
    platform::ado::Command& bind(const std::string& stored, int parentDirID) {
        return m_rows.Row()
            .BindText(1, stored, m_statements.PathLiteral(stored))
            .Bind(2, parentDirID);
    }

    void remember(const std::string& stored) {
        if (KnowsIdentifiers()) {
            m_known[stored] = static_cast<int>(m_connection.LastInsertedID());
        }
    }

    void oneByOne() {
        for (const std::string& stored : m_pending) {
            try {
                RetryOnConflict([&] { bind(stored, 0).Execute(); });
            } catch (const ComError& error) {
                TV_DEBUG_LOG("Could not add %s: %s", stored.c_str(), error.Description().c_str());
            }
        }
        m_pending.clear();
    }

    Connection& m_connection;
    const ScanStoreSql& m_statements;
    std::unordered_map<std::string, int>& m_known;
    InsertBatch m_rows;
    std::vector<std::string> m_pending; // kept in the batch, for adding one by one
};

} // namespace

bool TreePreparation::Prepare(const std::shared_ptr<Connection>& connection, const Request& request,
                              std::unordered_map<std::string, int>& known) {
    const std::string& storedRoot = request.storedRoot;
    if (storedRoot.size() > kMaxPreparedRootLength) {
        return false;
    }
    ScanStoreSql statements(app::CurrentDBSource());
    // Without the loop check the walk can read the files too, and the scan walks this reading
    // instead of the disk (TreeReading.h).
    TreeReading* reading = request.loopCheck ? nullptr : request.reading;
    WalkOptions options;
    options.order = WalkOptions::Order::kBreadthFirst;
    options.countFiles = reading != nullptr;
    options.loopCheck = request.loopCheck;
    options.fingerprintCutoff = request.ageCutoff;
    options.filters = request.filters;
    // The next directories are listed while this thread inserts (the loop check decides after
    // each directory, so it reads them itself).
    options.readAhead = !request.loopCheck;
    std::string localRoot = NormalizePath(LocalPathFromStored(storedRoot));
    if (reading != nullptr) {
        reading->Start(localRoot);
    }
    TreeWalker walker(localRoot, options);
    LoopDetector loops;
    // A tree seen for the first time means one insert per directory: compiled once.
    PreparedRows rows(*connection, statements, known);
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
        if (stored.size() <= kMaxStoredPathLength && (isRoot || known.count(stored) == 0)) {
            if (isRoot) {
                rows.AddRoot(stored, request.rootParentDirID);
            } else {
                rows.Add(stored);
            }
        }
        if (reading != nullptr) {
            reading->Add(std::move(event.directory));
        }
    }
    rows.Finish();
    m_parents.Run(connection, request.repairRoot);
    return rows.KnowsIdentifiers();
}

} // namespace scan
