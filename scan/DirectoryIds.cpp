#include "scan/DirectoryIds.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/RunState.h"
#include "platform/ado/Connection.h"
#include "platform/system/StringPrintf.h"
#include "scan/CommandTimeout.h"
#include "scan/ConnectionCache.h"
#include "scan/DirectoryMap.h"
#include "scan/ScanEntry.h"
#include "scan/ScanSinkSlot.h"
#include "scan/ScanStoreSql.h"
#include "scan/StoreConflicts.h"
#include "scan/fs/StoredPath.h"

#include <algorithm>

namespace scan {

using platform::ado::ComError;
using platform::ado::Connection;
using platform::system::StringPrintf;

namespace {

constexpr int kManyMissesNotice = 40;

constexpr const char* kNeverScanned =
    "NOTE: This directory structure has never been scanned before.  Scan is pausing while database "
    "structures are created.  This only happens the FIRST time a directory structure is seen "
    "(normal "
    "scans will be MUCH faster).";
constexpr const char* kScanResumed = "NOTE: Normal scanning has resumed";
constexpr const char* kManyNewDirectories = "NOTE: This directory structure contains many new "
                                            "directories.  This scan will be somewhat slower "
                                            "than normal as database structures are created for "
                                            "each new directory (future scans will be MUCH "
                                            "faster).";

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

void reportLookupFailure(const std::string& stored, const std::string& description,
                         const std::string& sql) {
    app::ReportError(0,
                     StringPrintf("Error looking up the database structure for the directory %s.  "
                                  "Description: %s.  SQL=%s",
                                  stored.c_str(), description.c_str(), sql.c_str()));
}

} // namespace

DirectoryIds::DirectoryIds(ConnectionCache& connections, ScanSinkSlot& sink, ParentRepair& parents)
    : m_connections(connections), m_sink(sink), m_preparation(sink, parents) {}

void DirectoryIds::ClearCache() {
    m_cache.clear();
    m_cacheRoot.clear();
}

bool DirectoryIds::loadCache(const std::shared_ptr<Connection>& connection,
                             const std::string& storedRoot) {
    SetCommandTimeout timeout(connection, kLongCommandTimeout);
    bool prepared = false;
    LoadDirectoryMap(*connection, ScanStoreSql(app::CurrentDBSource()), storedRoot, 0, m_cache,
                     &prepared);
    TV_DEBUG_LOG("Using %s as cache root", storedRoot.c_str());
    return prepared;
}

void DirectoryIds::fillCache(const std::shared_ptr<Connection>& connection,
                             const std::string& stored, int parentDirID,
                             const DirIDOptions& options) {
    m_cache.clear();
    m_cacheMisses = 0;
    if (!loadCache(connection, stored)) {
        m_sink.Get().Status(kNeverScanned);
        bool complete = false;
        if (options.prepareTree) {
            TreePreparation::Request request;
            request.storedRoot = stored;
            request.rootParentDirID = parentDirID;
            request.loopCheck = options.loopCheck;
            request.ageCutoff = m_ageCutoff;
            request.filters = options.filters;
            request.repairRoot = m_scanRoot;
            request.reading = options.reading;
            complete = m_preparation.Prepare(connection, request, m_cache);
        }
        m_sink.Get().Status(kScanResumed);
        // The preparation knows every new identifier on the included store; elsewhere other
        // writers may have added rows too.
        if (!complete) {
            m_cache.clear();
            loadCache(connection, stored);
        }
    }
    m_cacheRoot = m_scanRoot.empty() ? stored : m_scanRoot;
}

bool DirectoryIds::IsPrepared(Connection& connection, const std::string& path) const {
    try {
        std::unique_ptr<platform::ado::Recordset> row =
            connection.OpenRecordset(ScanStoreSql(app::CurrentDBSource())
                                         .SelectRootOfCache(MakeStoredPath(path, false)));
        return !row->IsEOF() && MarksPreparedTree(row->Fields("RootOfCache"));
    } catch (const ComError&) {
        return false;
    }
}

int DirectoryIds::GetDirID(std::shared_ptr<Connection> connection, const std::string& path,
                           int parentDirID, const DirIDOptions& options) {
    if (!connection || !connection->IsOpen()) {
        connection = m_connections.Get(false);
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
        return lookUp(connection, stored, parentDirID, options, sql);
    } catch (const ComError& error) {
        TV_DEBUG_LOG("Exception in GetDirID for %s.  Err=%s, Desc=%s, ErrNum=%0X, DBG=%d",
                     stored.c_str(), error.ErrorMessage().c_str(), error.Description().c_str(),
                     error.Code(), 0);
        if (!options.lookupOnly) {
            reportLookupFailure(stored, error.Description(), sql);
        }
    } catch (...) {
        TV_DEBUG_LOG("Unknown exception while querying the database for an existing directory "
                     "entry for %s.  DBG=%d",
                     stored.c_str(), 0);
        if (!options.lookupOnly) {
            reportLookupFailure(stored, "", sql);
        }
    }
    return kDirIDFailed;
}

int DirectoryIds::lookUp(const std::shared_ptr<Connection>& connection, const std::string& stored,
                         int parentDirID, const DirIDOptions& options, std::string& sql) {
    if (parentDirID == 0 && stored.size() > 3) {
        std::string parent = StoredParent(stored);
        if (parent.size() > 1) {
            // Every ancestor up to the host or share gets a row of its own first.
            DirIDOptions ancestor;
            ancestor.lookupOnly = options.lookupOnly;
            ancestor.skipCache = true;
            ancestor.loopCheck = options.loopCheck;
            ancestor.filters = options.filters;
            // An ancestor that could not be had leaves the row parentless (0), for the repair
            // to find, rather than with -1 for good.
            std::uint64_t rowsBefore = m_rowsMade;
            parentDirID = std::max(GetDirID(connection, parent, 0, ancestor), 0);
            // A new ancestor row starts the cache afresh; when every ancestor was there already the
            // cache still holds, which spares reloading a whole tree to look up its root again.
            if (m_rowsMade != rowsBefore) {
                ClearCache();
            }
        }
    }
    if (stored.size() > kMaxStoredPathLength) {
        return kDirIDTooLong;
    }
    if (!options.lookupOnly && !options.skipCache) {
        if (m_cacheRoot.empty() || !startsWith(stored, m_cacheRoot)) {
            fillCache(connection, stored, parentDirID, options);
        }
        auto cached = m_cache.find(stored);
        if (cached != m_cache.end()) {
            return cached->second;
        }
    }
    ScanStoreSql statements(app::CurrentDBSource());
    SetCommandTimeout timeout(connection, kLongCommandTimeout);
    sql = statements.SelectDirID(stored);
    {
        std::unique_ptr<platform::ado::Recordset> row = connection->OpenRecordset(sql);
        if (!row->IsEOF()) {
            return row->Fields("DirID").AsInt();
        }
    }
    if (options.lookupOnly) {
        return kDirIDFailed;
    }
    ++m_cacheMisses;
    TV_DEBUG_LOG("Cache miss on %s", stored.c_str());
    if (m_cacheMisses == kManyMissesNotice) {
        m_sink.Get().Status(kManyNewDirectories);
    }
    sql = statements.InsertDirectory(stored, parentDirID);
    ++m_rowsMade;
    try {
        RetryOnConflict([&] { connection->Execute(sql); });
    } catch (const ComError& error) {
        if (!IsDuplicateKey(error)) {
            throw;
        }
        // Another writer stored the directory since the lookup above: its row is the one.
        TV_DEBUG_LOG("%s was stored by another writer", stored.c_str());
    }
    sql = statements.SelectDirID(stored);
    std::unique_ptr<platform::ado::Recordset> row = connection->OpenRecordset(sql);
    if (!row->IsEOF()) {
        return row->Fields("DirID").AsInt();
    }
    return kDirIDFailed;
}

} // namespace scan
