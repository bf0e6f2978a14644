// Directory identifiers: the DirNames rows of every directory ever seen, the cache that spares
// a repeated scan every lookup, and the repair of parents left at 0.
#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ErrorCodes.h"
#include "platform/system/StringPrintf.h"
#include "scan/CScanInfo.h"
#include "scan/CommandTimeout.h"
#include "scan/fs/DirFingerprint.h"
#include "scan/fs/StoredPath.h"
#include "scan/fs/TreeWalker.h"

#include <strings.h>

#include <cstring>
#include <unordered_map>

namespace scan {

using platform::ado::ComError;
using platform::ado::Connection;
using platform::system::StringPrintf;

namespace {

// Loads of the cache and of the parent repair stop at this many rows.
constexpr std::size_t kMaxRowsPerLoad = 1040000;
constexpr int kMaxParentBatches = 1000;
constexpr int kManyMissesNotice = 40;
constexpr std::size_t kMaxPreparedRootLength = 256;
constexpr long kPreparationProgressEvery = 200;

constexpr const char* kNeverScanned =
    "NOTE: This directory structure has never been scanned before.  Scan is pausing while database "
    "structures are created.  This only happens the FIRST time a directory structure is seen (normal "
    "scans will be MUCH faster).";
constexpr const char* kScanResumed = "NOTE: Normal scanning has resumed";
constexpr const char* kManyNewDirectories =
    "NOTE: This directory structure contains many new directories.  This scan will be somewhat slower "
    "than normal as database structures are created for each new directory (future scans will be MUCH "
    "faster).";

// The stored path's parent: everything before its last "/", unless that "/" belongs to the
// leading "//" (the host or share level has no parent). Empty when there is none.
std::string storedParent(const std::string& storedPath) {
    std::size_t slash = storedPath.rfind('/');
    if (slash == std::string::npos || slash < 2) {
        return {};
    }
    return storedPath.substr(0, slash);
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// Reads "Path -> DirID" of every directory whose path begins with the prefix, rows `first` up
// to `first + kMaxRowsPerLoad`. Returns the number of rows read (skipped ones included).
std::size_t loadDirectoryMap(Connection& connection, const ScanStoreSql& sql, const std::string& prefix,
                             std::size_t first, std::unordered_map<std::string, int>& map,
                             bool* rootPrepared) {
    std::unique_ptr<platform::ado::Recordset> rows = connection.OpenRecordset(sql.SelectDirectoriesUnder(prefix));
    std::size_t index = 0;
    for (; !rows->IsEOF() && index < first + kMaxRowsPerLoad; rows->MoveNext(), ++index) {
        if (index < first) {
            continue;
        }
        std::string path = rows->Fields("Path").AsString();
        int dirID = rows->Fields("DirID").AsInt();
        if (rootPrepared != nullptr && path == prefix) {
            const platform::ado::Field& mark = rows->Fields("RootOfCache");
            *rootPrepared = !mark.IsNull() && mark.AsInt() != 0;
        }
        map.emplace(std::move(path), dirID);
    }
    return index - first;
}

} // namespace

void CScanInfo::ClearDirectoryCache() {
    m_directoryCache.clear();
    m_cacheRoot.clear();
}

bool CScanInfo::loadCache(const std::shared_ptr<Connection>& connection, const std::string& storedRoot) {
    SetCommandTimeout timeout(connection, kLongCommandTimeout);
    bool prepared = false;
    loadDirectoryMap(*connection, Sql(), storedRoot, 0, m_directoryCache, &prepared);
    TV_DEBUG_LOG("Using %s as cache root", storedRoot.c_str());
    return prepared;
}

int CScanInfo::GetDirID(std::shared_ptr<Connection> connection, const std::string& path, int parentDirID,
                        bool lookupOnly, bool skipCache, bool prepareTreeFlag, bool loopCheck,
                        const ExclusionFilters& filters) {
    if (!connection || !connection->IsOpen()) {
        connection = GetConnection();
        if (!connection) {
            return kDirIDFailed;
        }
    }
    std::string stored = MakeStoredPath(path, false);
    if (stored.size() <= 1) {
        return kDirIDFailed;
    }
    std::string sql;
    try {
        if (parentDirID == 0 && stored.size() > 3) {
            std::string parent = storedParent(stored);
            if (parent.size() > 1) {
                // Every ancestor up to the host or share gets a row of its own first.
                parentDirID = GetDirID(connection, parent, 0, lookupOnly, true, false, loopCheck, filters);
                ClearDirectoryCache();
            }
        }
        if (stored.size() > kMaxStoredPathLength) {
            return kDirIDTooLong;
        }
        if (!lookupOnly && !skipCache) {
            if (m_cacheRoot.empty() || !startsWith(stored, m_cacheRoot)) {
                m_directoryCache.clear();
                m_cacheMisses = 0;
                if (!loadCache(connection, stored)) {
                    Sink().Status(kNeverScanned);
                    if (prepareTreeFlag) {
                        prepareTree(connection, stored, parentDirID, loopCheck, filters);
                    }
                    Sink().Status(kScanResumed);
                    m_directoryCache.clear();
                    loadCache(connection, stored);
                }
                m_cacheRoot = m_scanRoot.empty() ? stored : m_scanRoot;
            }
            auto cached = m_directoryCache.find(stored);
            if (cached != m_directoryCache.end()) {
                return cached->second;
            }
        }
        ScanStoreSql statements = Sql();
        SetCommandTimeout timeout(connection, kLongCommandTimeout);
        sql = statements.SelectDirID(stored);
        {
            std::unique_ptr<platform::ado::Recordset> row = connection->OpenRecordset(sql);
            if (!row->IsEOF()) {
                return row->Fields("DirID").AsInt();
            }
        }
        if (lookupOnly) {
            return kDirIDFailed;
        }
        ++m_cacheMisses;
        TV_DEBUG_LOG("Cache miss on %s", stored.c_str());
        if (m_cacheMisses == kManyMissesNotice) {
            Sink().Status(kManyNewDirectories);
        }
        sql = statements.InsertDirectory(stored, parentDirID);
        connection->Execute(sql);
        sql = statements.SelectDirID(stored);
        std::unique_ptr<platform::ado::Recordset> row = connection->OpenRecordset(sql);
        if (!row->IsEOF()) {
            return row->Fields("DirID").AsInt();
        }
        return kDirIDFailed;
    } catch (const ComError& error) {
        TV_DEBUG_LOG("Exception in GetDirID for %s.  Err=%s, Desc=%s, ErrNum=%0X, DBG=%d", stored.c_str(),
                     error.ErrorMessage().c_str(), error.Description().c_str(), error.Code(), 0);
        if (!lookupOnly) {
            app::ReportError(0, StringPrintf("Error looking up the database structure for the directory %s.  "
                                             "Description: %s.  SQL=%s",
                                             stored.c_str(), error.Description().c_str(), sql.c_str()));
        }
    } catch (...) {
        TV_DEBUG_LOG("Unknown exception while querying the database for an existing directory entry for %s.  DBG=%d",
                     stored.c_str(), 0);
        if (!lookupOnly) {
            app::ReportError(0, StringPrintf("Error looking up the database structure for the directory %s.  "
                                             "Description: %s.  SQL=%s",
                                             stored.c_str(), "", sql.c_str()));
        }
    }
    return kDirIDFailed;
}

void CScanInfo::prepareTree(const std::shared_ptr<Connection>& connection, const std::string& storedRoot,
                            int rootParentDirID, bool loopCheck, const ExclusionFilters& filters) {
    if (storedRoot.size() > kMaxPreparedRootLength) {
        return;
    }
    ScanStoreSql statements = Sql();
    WalkOptions options;
    options.order = WalkOptions::Order::kBreadthFirst;
    options.countFiles = false;
    options.loopCheck = loopCheck;
    options.fingerprintCutoff = m_ageCutoff;
    options.filters = filters;
    // The next directories are listed while this thread inserts (the loop check decides after
    // each directory, so it reads them itself).
    options.readAhead = !loopCheck;
    std::string localRoot = NormalizePath(LocalPathFromStored(storedRoot));
    TreeWalker walker(localRoot, options);
    LoopDetector loops;
    // A tree seen for the first time means one insert per directory: compiled once.
    std::unique_ptr<platform::ado::Command> insert = connection->Prepare(ScanStoreSql::InsertPreparedDirectoryPrepared());
    long count = 0;
    WalkEvent event;
    while (walker.Next(event)) {
        if (event.kind != WalkEventKind::kEnter) {
            continue;
        }
        const DirectoryResult& directory = *event.directory;
        bool isRoot = count == 0;
        if (loopCheck && directory.hasFingerprint &&
            loops.AlreadyReached(directory.fingerprint, directory.fullFingerprint, directory.path,
                                 {directory.device, directory.inode}) &&
            !isRoot) {
            walker.SkipSubtree();
            continue;
        }
        ++count;
        if (count % kPreparationProgressEvery == 0) {
            Sink().Counts(count, 0, directory.path);
        }
        std::string stored = isRoot ? storedRoot : StoredPathBelow(storedRoot, localRoot, directory.path);
        if (stored.size() > kMaxStoredPathLength || (!isRoot && m_directoryCache.count(stored) != 0)) {
            continue;
        }
        try {
            insert->BindText(1, stored, statements.PathLiteral(stored)).Bind(2, isRoot ? rootParentDirID : 0).Execute();
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
    FixParents(connection);
}

void CScanInfo::FixParents(std::shared_ptr<Connection> connection) {
    if (!connection) {
        return;
    }
    ScanStoreSql statements = Sql();
    SetCommandTimeout timeout(connection, kLongCommandTimeout);
    std::string root = m_scanRoot;
    {
        std::unique_ptr<platform::ado::Recordset> count = connection->OpenRecordset(
            root.empty() ? statements.CountParentless() : statements.CountParentlessUnder(root));
        std::int64_t parentless = count->IsEOF() ? 0 : count->Fields(0).AsInt64();
        if (parentless == 0) {
            return;
        }
        // One parentless row is nothing to repair when it is the root itself (the root of the
        // host or a share); any other directory needs its parent, even alone.
        if (parentless == 1) {
            std::unique_ptr<platform::ado::Recordset> row = connection->OpenRecordset(
                root.empty() ? statements.SelectParentless() : statements.SelectParentlessUnder(root));
            if (row->IsEOF() || ::strcasecmp(row->Fields("Path").AsString().c_str(), root.c_str()) == 0) {
                return;
            }
        }
    }
    // Many updates: one transaction, unless the caller runs one already.
    bool ownTransaction = !connection->InTransaction();
    if (ownTransaction) {
        connection->BeginTrans();
    }
    try {
        int fixed = 0;
        std::size_t first = 0;
        std::unique_ptr<platform::ado::Command> repair;
        for (int batch = 0; batch < kMaxParentBatches; ++batch) {
            std::unordered_map<std::string, int> directories;
            std::size_t read = loadDirectoryMap(*connection, statements, root, first, directories, nullptr);
            std::vector<std::pair<std::string, int>> repairs;
            {
                std::unique_ptr<platform::ado::Recordset> rows = connection->OpenRecordset(
                    root.empty() ? statements.SelectParentless() : statements.SelectParentlessUnder(root));
                for (; !rows->IsEOF(); rows->MoveNext()) {
                    std::string path = rows->Fields("Path").AsString();
                    if (::strcasecmp(path.c_str(), root.c_str()) == 0) {
                        continue;
                    }
                    std::string parent = storedParent(path);
                    auto found = parent.empty() ? directories.end() : directories.find(parent);
                    if (found != directories.end()) {
                        repairs.emplace_back(std::move(path), found->second);
                    }
                }
            }
            if (!repairs.empty() && !repair) {
                repair = connection->Prepare(ScanStoreSql::RepairParentPrepared());
            }
            for (const auto& [path, parentID] : repairs) {
                repair->Bind(1, parentID).BindText(2, path, statements.PathLiteral(path)).Execute();
                ++fixed;
            }
            if (read < kMaxRowsPerLoad) {
                break;
            }
            first += kMaxRowsPerLoad;
        }
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
