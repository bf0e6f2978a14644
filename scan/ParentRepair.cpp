#include "scan/ParentRepair.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "platform/ado/Connection.h"
#include "scan/CommandTimeout.h"
#include "scan/DirectoryMap.h"
#include "scan/ScanStoreSql.h"
#include "scan/StoreConflicts.h"

#include <strings.h>

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace scan {

using platform::ado::Connection;

namespace {

constexpr int kMaxParentBatches = 1000;
constexpr std::size_t kRepairsPerTransaction = 500;

// How many rows below the root lack their parent, not counting a root that has none (the root
// of the host or a share needs no repair).
std::int64_t parentlessBelow(Connection& connection, const ScanStoreSql& statements,
                             const std::string& root) {
    std::unique_ptr<platform::ado::Recordset> count = connection.OpenRecordset(
        root.empty() ? statements.CountParentless() : statements.CountParentlessUnder(root));
    std::int64_t parentless = count->IsEOF() ? 0 : count->Fields(0).AsInt64();
    // One parentless row is nothing to repair when it is the root itself; any other directory
    // needs its parent, even alone.
    if (parentless == 1) {
        std::unique_ptr<platform::ado::Recordset> row = connection.OpenRecordset(
            root.empty() ? statements.SelectParentless() : statements.SelectParentlessUnder(root));
        if (row->IsEOF() ||
            ::strcasecmp(row->Fields("Path").AsString().c_str(), root.c_str()) == 0) {
            return 0;
        }
    }
    return parentless;
}

// The repairs one batch of the directory map allows: (path, parent DirID).
std::vector<std::pair<std::string, int>>
repairsOfBatch(Connection& connection, const ScanStoreSql& statements, const std::string& root,
               const std::unordered_map<std::string, int>& directories) {
    std::vector<std::pair<std::string, int>> repairs;
    std::unique_ptr<platform::ado::Recordset> rows = connection.OpenRecordset(
        root.empty() ? statements.SelectParentless() : statements.SelectParentlessUnder(root));
    for (; !rows->IsEOF(); rows->MoveNext()) {
        std::string path = rows->Fields("Path").AsString();
        if (::strcasecmp(path.c_str(), root.c_str()) == 0) {
            continue;
        }
        std::string parent = StoredParent(path);
        auto found = parent.empty() ? directories.end() : directories.find(parent);
        if (found != directories.end()) {
            repairs.emplace_back(std::move(path), found->second);
        }
    }
    return repairs;
}

// Rows written with -1 when their parent's lookup failed become parentless again.
void resetLostParents(Connection& connection, const ScanStoreSql& statements) {
    std::unique_ptr<platform::ado::Recordset> count =
        connection.OpenRecordset(statements.CountLostParents());
    if (!count->IsEOF() && count->Fields(0).AsInt64() > 0) {
        count.reset();
        RetryOnConflict([&] { connection.Execute(statements.ResetLostParents()); });
    }
}

// The root itself is left out of the repair below it (its parent lies outside); it gets its
// parent here when it lacks one and the directory above it is stored.
void repairRootItself(Connection& connection, const ScanStoreSql& statements,
                      const std::string& root) {
    std::string parent = StoredParent(root);
    if (parent.size() <= 1) {
        return;
    }
    {
        std::unique_ptr<platform::ado::Recordset> row =
            connection.OpenRecordset(statements.SelectParentDirID(root));
        if (row->IsEOF() || row->Fields(0).IsNull() || row->Fields(0).AsInt() > 0) {
            return;
        }
    }
    int parentDirID = 0;
    {
        std::unique_ptr<platform::ado::Recordset> row =
            connection.OpenRecordset(statements.SelectDirID(parent));
        if (row->IsEOF()) {
            return;
        }
        parentDirID = row->Fields("DirID").AsInt();
    }
    RetryOnConflict([&] { connection.Execute(statements.RepairParent(parentDirID, root)); });
}

// On a server store other writers repair the same rows at the same time: short transactions,
// rows in path order (so that two writers take their locks in the same order), and a
// transaction that lost a deadlock runs again.
void repairInShortTransactions(Connection& connection, platform::ado::Command& repair,
                               const ScanStoreSql& statements,
                               std::vector<std::pair<std::string, int>>& repairs) {
    std::sort(repairs.begin(), repairs.end());
    for (std::size_t first = 0; first < repairs.size(); first += kRepairsPerTransaction) {
        std::size_t last = std::min(repairs.size(), first + kRepairsPerTransaction);
        RetryOnConflict([&] {
            connection.BeginTrans();
            try {
                for (std::size_t i = first; i < last; ++i) {
                    repair.Bind(1, repairs[i].second)
                        .BindText(2, repairs[i].first, statements.PathLiteral(repairs[i].first));
                    repair.Execute();
                }
                connection.CommitTrans();
            } catch (...) {
                if (connection.InTransaction()) {
                    connection.RollbackTrans();
                }
                throw;
            }
        });
    }
}

using Repairs = std::vector<std::pair<std::string, int>>;

// Walks the directory map batch by batch and hands each batch's repairs to `apply` with the
// prepared update. Returns how many rows were repaired.
int repairInBatches(Connection& connection, const ScanStoreSql& statements, const std::string& root,
                    const std::function<void(platform::ado::Command&, Repairs&)>& apply) {
    int fixed = 0;
    std::size_t first = 0;
    std::unique_ptr<platform::ado::Command> repair;
    for (int batch = 0; batch < kMaxParentBatches; ++batch) {
        std::unordered_map<std::string, int> directories;
        std::size_t read = LoadDirectoryMap(connection, statements, root, first, directories, nullptr);
        Repairs repairs = repairsOfBatch(connection, statements, root, directories);
        if (!repairs.empty()) {
            if (!repair) {
                repair = connection.Prepare(ScanStoreSql::RepairParentPrepared());
            }
            apply(*repair, repairs);
            fixed += static_cast<int>(repairs.size());
        }
        if (read < kMaxRowsPerLoad) {
            break;
        }
        first += kMaxRowsPerLoad;
    }
    return fixed;
}

} // namespace

void ParentRepair::Run(const std::shared_ptr<Connection>& connection, const std::string& root) {
    if (!connection) {
        return;
    }
    ScanStoreSql statements(app::CurrentDBSource());
    SetCommandTimeout timeout(connection, kLongCommandTimeout);
    resetLostParents(*connection, statements);
    if (!root.empty()) {
        repairRootItself(*connection, statements, root);
    }
    if (parentlessBelow(*connection, statements, root) == 0) {
        return;
    }
    if (IsServerStore(statements.Kind()) && !connection->InTransaction()) {
        auto inShortTransactions = [&](platform::ado::Command& repair, Repairs& repairs) {
            repairInShortTransactions(*connection, repair, statements, repairs);
        };
        int fixed = repairInBatches(*connection, statements, root, inShortTransactions);
        TV_DEBUG_LOG("Fixed %d directory parents", fixed);
        return;
    }
    // Many updates: one transaction, unless the caller runs one already.
    bool ownTransaction = !connection->InTransaction();
    if (ownTransaction) {
        connection->BeginTrans();
    }
    try {
        auto oneByOne = [&](platform::ado::Command& repair, Repairs& repairs) {
            for (const auto& [path, parentID] : repairs) {
                repair.Bind(1, parentID).BindText(2, path, statements.PathLiteral(path)).Execute();
            }
        };
        int fixed = repairInBatches(*connection, statements, root, oneByOne);
        if (ownTransaction) {
            connection->CommitTrans();
        }
        TV_DEBUG_LOG("Fixed %d directory parents", fixed);
    } catch (...) {
        if (ownTransaction && connection->InTransaction()) {
            connection->RollbackTrans();
        }
        throw;
    }
}

} // namespace scan
