#include "scan/GrowthReport.h"

#include "app/base/DiagnosticLog.h"
#include "platform/ado/Connection.h"
#include "platform/system/StringPrintf.h"
#include "platform/system/SystemInfo.h"
#include "scan/CScanInfo.h"
#include "scan/CommandTimeout.h"
#include "scan/GrowthSql.h"
#include "scan/ScanStoreSql.h"
#include "scan/fs/MountTable.h"
#include "scan/fs/ScanRules.h"
#include "scan/fs/StoredPath.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <memory>
#include <tuple>

namespace scan {

using platform::ado::ComError;
using platform::ado::Connection;
using platform::ado::Recordset;
using platform::system::StringPrintf;

namespace {

constexpr double kSecondsPerDay = 86400.0;

struct Candidate {
    LoadedScan scan;
    int scanRootDirID = 0;
};

// Newest first; scans of one second by identifier, the later one first (as LoadScans orders).
bool newerFirst(const Candidate& a, const Candidate& b) {
    if (a.scan.date < b.scan.date || b.scan.date < a.scan.date) {
        return b.scan.date < a.scan.date;
    }
    return a.scan.scanID > b.scan.scanID;
}

// The DirID of the stored path's parent directory, 0 when it has none in the store (the
// scanner wrote the directory's rows with this parent, or with 0 as a scan's root).
int parentDirIDOf(Connection& connection, int kind, const std::string& storedPath) {
    std::size_t slash = storedPath.rfind('/');
    if (slash == std::string::npos || slash < 2) {
        return 0; // "//HOST" or "//server": nothing above it
    }
    std::unique_ptr<Recordset> row =
        connection.OpenRecordset(ScanStoreSql(kind).SelectDirID(storedPath.substr(0, slash)));
    return row->IsEOF() ? 0 : row->Fields("DirID").AsInt();
}

std::vector<Candidate> scansHolding(Connection& connection, const GrowthSql& sql, int dirID,
                                    const std::string& storedPath) {
    std::map<std::uint32_t, Candidate> byID;
    std::unique_ptr<Recordset> rows = connection.OpenRecordset(
        sql.SelectScansHoldingDirectory(dirID, parentDirIDOf(connection, sql.Kind(), storedPath)));
    for (; !rows->IsEOF(); rows->MoveNext()) {
        auto scanID = static_cast<std::uint32_t>(rows->Fields("ScanID").AsInt());
        if (byID.count(scanID) != 0) {
            continue;
        }
        const platform::ado::Field& date = rows->Fields("ScanDate");
        const platform::ado::Field& root = rows->Fields("ScanRootDirID");
        Candidate candidate;
        candidate.scan.scanID = scanID;
        candidate.scan.date = date.IsNull() ? ScanDateTime{} : ScanDateTime::Parse(date.AsString());
        candidate.scanRootDirID = root.IsNull() ? 0 : root.AsInt();
        byID.emplace(scanID, candidate);
    }
    std::vector<Candidate> candidates;
    candidates.reserve(byID.size());
    for (const auto& [scanID, candidate] : byID) {
        candidates.push_back(candidate);
    }
    std::sort(candidates.begin(), candidates.end(), newerFirst);
    return candidates;
}

// The complete scans of the tree the directory was last scanned in, newest first: those of its
// root that hold the root's own row (written last, so a cancelled scan has none). The
// directory itself may be missing from some: new before them, or deleted since.
std::vector<Candidate> scansOfTree(Connection& connection, const GrowthSql& sql, GrowthReport& report) {
    std::vector<Candidate> holding = scansHolding(connection, sql, report.rootDirID, report.storedRoot);
    if (holding.empty()) {
        return {};
    }
    report.scanRootDirID = holding.front().scanRootDirID;
    if (report.scanRootDirID == report.rootDirID) {
        report.storedScanRoot = report.storedRoot;
    } else {
        std::unique_ptr<Recordset> row = connection.OpenRecordset(
            ScanStoreSql(sql.Kind()).SelectPathOfDirectory(static_cast<std::uint32_t>(report.scanRootDirID)));
        report.storedScanRoot = row->IsEOF() ? std::string() : row->Fields("Path").AsString();
        row.reset();
        holding = scansHolding(connection, sql, report.scanRootDirID, report.storedScanRoot);
    }
    std::erase_if(holding, [&](const Candidate& c) { return c.scanRootDirID != report.scanRootDirID; });
    return holding;
}

// The last second of the calendar day `days` days before the date's own day.
ScanDateTime endOfDayBefore(const ScanDateTime& date, int days) {
    std::tm day = date.ToTm();
    day.tm_mday -= days;
    day.tm_hour = 12; // midday: a daylight-saving change cannot move it to another day
    day.tm_min = day.tm_sec = 0;
    day.tm_isdst = -1;
    std::mktime(&day);
    ScanDateTime end = ScanDateTime::FromTm(day);
    end.hour = 23;
    end.minute = 59;
    end.second = 59;
    return end;
}

bool savedOnlyFirstLevel(Connection& connection, const GrowthSql& sql, std::uint32_t scanID, int scanRootDirID) {
    return connection.OpenRecordset(sql.SelectRowBelowFirstLevel(scanID, scanRootDirID))->IsEOF();
}

std::optional<std::int64_t> optionalSize(const platform::ado::Field& field) {
    if (field.IsNull()) {
        return std::nullopt;
    }
    return field.AsInt64();
}

GrowthStatus statusOf(const GrowthRow& row, const ExclusionFilters& filters) {
    if (!row.oldSize) {
        return GrowthStatus::kNew;
    }
    if (!row.newSize) {
        return filters.Excludes(row.localPath) ? GrowthStatus::kExcluded : GrowthStatus::kDeleted;
    }
    return row.change > 0 ? GrowthStatus::kGrown : GrowthStatus::kShrunk;
}

ExclusionFilters filtersOf(Connection& connection, int kind, int scanRootDirID) {
    std::unique_ptr<Recordset> row = connection.OpenRecordset(ScanStoreSql(kind).SelectFilter(scanRootDirID));
    if (row->IsEOF() || row->Fields("Filter").IsNull()) {
        return {};
    }
    return ExclusionFilters::FromText(row->Fields("Filter").AsString());
}

// Picks the two scans from the complete scans of the tree, newest first; false (with the
// outcome set) when there are no two to compare.
bool chooseScans(const std::vector<Candidate>& sameTree, const GrowthRequest& request, GrowthReport& report) {
    report.scansOfTree = sameTree.size();
    if (sameTree.empty()) {
        report.outcome = GrowthOutcome::kTooFewScans;
        return false;
    }
    const Candidate& newest = sameTree.front();
    report.newerScan = newest.scan;
    if (sameTree.size() < 2) {
        report.outcome = GrowthOutcome::kTooFewScans;
        return false;
    }
    if (!request.minimumDays) {
        report.olderScan = sameTree[1].scan;
        return true;
    }
    ScanDateTime latest = endOfDayBefore(newest.scan.date, std::max(0, *request.minimumDays));
    for (std::size_t i = 1; i < sameTree.size(); ++i) {
        const ScanDateTime& date = sameTree[i].scan.date;
        if (date.state == ScanDateTime::State::kValid && !(latest < date)) {
            report.olderScan = sameTree[i].scan;
            return true;
        }
    }
    report.outcome = GrowthOutcome::kNoScanOldEnough;
    return false;
}

// Where stored paths lead on this machine: this host's own paths and mounted network trees.
struct LocalPaths {
    MountTable mounts;
    std::string host = platform::system::ComputerName();

    LocalPaths() {
        int error = 0;
        MountTable::ReadCurrent(mounts, error); // without the table only this host's paths convert
    }
    std::string operator()(const std::string& storedPath) const {
        return LocalPathFromStoredWith(storedPath, mounts, host);
    }
};

void readRows(Connection& connection, const GrowthSql& sql, const GrowthQuery& query, const ExclusionFilters& filters,
              const LocalPaths& localPath, GrowthReport& report) {
    std::unique_ptr<Recordset> rows = connection.OpenRecordset(sql.SelectGrowth(query));
    for (; !rows->IsEOF(); rows->MoveNext()) {
        GrowthRow row;
        row.dirID = static_cast<std::uint32_t>(rows->Fields("DirID").AsInt());
        row.storedPath = rows->Fields("Path").AsString();
        row.localPath = localPath(row.storedPath);
        row.oldSize = optionalSize(rows->Fields("OldSize"));
        row.newSize = optionalSize(rows->Fields("NewSize"));
        row.change = rows->Fields("SizeChange").AsInt64();
        if (row.oldSize && *row.oldSize != 0) {
            row.percent = static_cast<double>(row.change) * 100.0 / static_cast<double>(*row.oldSize);
        }
        if (report.days > 0) {
            row.perDay = static_cast<double>(row.change) / report.days;
        }
        row.status = statusOf(row, filters);
        report.rows.push_back(std::move(row));
    }
    // The store's collation may order equal changes otherwise (SQL Server): byte order here.
    std::stable_sort(report.rows.begin(), report.rows.end(), [](const GrowthRow& a, const GrowthRow& b) {
        return std::tie(b.change, a.storedPath) < std::tie(a.change, b.storedPath);
    });
}

} // namespace

const char* GrowthStatusName(GrowthStatus status) {
    switch (status) {
    case GrowthStatus::kGrown:
        return "grown";
    case GrowthStatus::kShrunk:
        return "shrunk";
    case GrowthStatus::kNew:
        return "new";
    case GrowthStatus::kDeleted:
        return "deleted";
    case GrowthStatus::kExcluded:
        return "excluded";
    }
    return "";
}

std::string ScanDateText(const ScanDateTime& date) {
    if (date.state != ScanDateTime::State::kValid) {
        return "an undated scan";
    }
    return StringPrintf("%04d-%02d-%02d %02d:%02d:%02d", date.year, date.month, date.day, date.hour, date.minute,
                        date.second);
}

std::string ListingText(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = ' ';
        }
    }
    return out;
}

GrowthReport LoadGrowthReport(Connection& connection, int kind, const std::string& path,
                              const GrowthRequest& request) {
    GrowthReport report;
    try {
        LocalPaths localPath;
        report.storedRoot = MakeStoredPath(path, false);
        report.localRoot = localPath(report.storedRoot);
        GrowthSql sql(kind);
        {
            std::unique_ptr<Recordset> row = connection.OpenRecordset(ScanStoreSql(kind).SelectDirID(report.storedRoot));
            if (row->IsEOF()) {
                report.outcome = GrowthOutcome::kUnknownDirectory;
                return report;
            }
            report.rootDirID = row->Fields("DirID").AsInt();
        }
        if (!chooseScans(scansOfTree(connection, sql, report), request, report)) {
            return report;
        }
        const ScanDateTime& newer = report.newerScan.date;
        const ScanDateTime& older = report.olderScan.date;
        if (newer.state == ScanDateTime::State::kValid && older.state == ScanDateTime::State::kValid) {
            report.days = std::difftime(newer.ToTimeT(), older.ToTimeT()) / kSecondsPerDay;
        }
        report.firstLevelOnly =
            savedOnlyFirstLevel(connection, sql, report.olderScan.scanID, report.scanRootDirID) ||
            savedOnlyFirstLevel(connection, sql, report.newerScan.scanID, report.scanRootDirID);

        report.localScanRoot = localPath(report.storedScanRoot);

        GrowthQuery query;
        query.olderScanID = report.olderScan.scanID;
        query.newerScanID = report.newerScan.scanID;
        query.rootDirID = report.rootDirID;
        if (report.rootDirID != report.scanRootDirID) {
            query.rootPath = report.storedRoot;
        }
        query.includeRoot = request.includeRoot;
        query.firstLevelOnly = report.firstLevelOnly;
        query.scanRootDirID = report.scanRootDirID;
        query.growthOnly = request.growthOnly;
        query.top = request.top;
        readRows(connection, sql, query, filtersOf(connection, kind, report.scanRootDirID), localPath, report);
        report.outcome = GrowthOutcome::kReady;
    } catch (const ComError& error) {
        report.outcome = GrowthOutcome::kStoreFailed;
        report.failure = error.Description().empty() ? error.ErrorMessage() : error.Description();
        app::WriteLogLine(StringPrintf("Growth report for %s failed: Err=%s, Desc=%s, ErrNum=%0X", path.c_str(),
                                       error.ErrorMessage().c_str(), error.Description().c_str(), error.Code()));
    } catch (const std::exception& error) {
        report.outcome = GrowthOutcome::kStoreFailed;
        report.failure = error.what();
        TV_DEBUG_LOG("** Exception in LoadGrowthReport\n");
    } catch (...) {
        report.outcome = GrowthOutcome::kStoreFailed;
        report.failure = "unknown error";
        TV_DEBUG_LOG("** Exception in LoadGrowthReport\n");
    }
    report.rows.shrink_to_fit();
    return report;
}

GrowthReport LoadGrowthReport(CScanInfo& scanInfo, const std::string& path, const GrowthRequest& request) {
    std::shared_ptr<Connection> connection = scanInfo.GetConnection();
    if (!connection) {
        GrowthReport report;
        report.storedRoot = MakeStoredPath(path, false);
        report.failure = "the scan store could not be opened";
        return report;
    }
    SetCommandTimeout timeout(connection, kLongCommandTimeout);
    return LoadGrowthReport(*connection, scanInfo.Sql().Kind(), path, request);
}

void EnsureGrowthIndexes(Connection& connection, int kind) {
    GrowthSql sql(kind);
    try {
        std::string probe = sql.IndexProbe();
        if (!probe.empty()) {
            std::unique_ptr<Recordset> row = connection.OpenRecordset(probe);
            if (!row->IsEOF() && row->Fields(0).AsInt64() > 0) {
                return;
            }
        }
        // On a large store of an older version this takes a while, once.
        int previous = connection.CommandTimeout();
        connection.SetCommandTimeout(0);
        try {
            connection.Execute(sql.CreateIndex());
        } catch (...) {
            connection.SetCommandTimeout(previous);
            throw;
        }
        connection.SetCommandTimeout(previous);
    } catch (const ComError& error) {
        app::WriteLogLine(StringPrintf("Exception while adding the index of the growth report.  Exception details:   "
                                       "Err=%s, Desc=%s, ErrNum=%0X",
                                       error.ErrorMessage().c_str(), error.Description().c_str(), error.Code()));
    } catch (...) {
        app::WriteLogLine("Exception while adding the index of the growth report.  Exception details: none");
    }
}

} // namespace scan
