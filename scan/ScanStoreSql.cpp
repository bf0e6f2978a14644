#include "scan/ScanStoreSql.h"

#include "platform/system/StringPrintf.h"
#include "scan/SqlRules.h"

#include <cinttypes>
#include <cstdio>

namespace scan {

using platform::system::StringPrintf;

std::string ScanStoreSql::path(const std::string& value, bool forLike) const {
    return PathForSql(m_kind, value, forLike);
}

// Extensions and filter patterns are escaped like paths: MySQL would otherwise read their
// backslashes as escapes and store something else than was written.
std::string ScanStoreSql::text(const std::string& value) const {
    return PathForSql(m_kind, value, false);
}

std::string ScanStoreSql::date(const std::tm& value) const {
    return FormatDateLiteral(m_kind, value);
}

// ---- Scans ----

std::string ScanStoreSql::InsertScan(int rootDirID, int scanType, const std::tm& scanDate) const {
    if (m_kind == kSqlServerDatabase) {
        return StringPrintf(
            "insert into ScanDefinition (ScanRootDirID, ScanType, ScanDate) values (%d, %d, "
            "CONVERT(datetime, %s, 120))",
            rootDirID, scanType, date(scanDate).c_str());
    }
    return StringPrintf(
        "insert into ScanDefinition (ScanRootDirID, ScanType, ScanDate) values (%d, %d, %s)",
        rootDirID, scanType, date(scanDate).c_str());
}

std::string ScanStoreSql::SelectNewScanID(int rootDirID, const std::tm& scanDate) const {
    if (m_kind == kSqlServerDatabase) {
        return StringPrintf("select ScanID from ScanDefinition where ScanRootDirID=%d and "
                            "ScanDate=CONVERT(datetime, %s, 120)",
                            rootDirID, date(scanDate).c_str());
    }
    return StringPrintf("select ScanID from ScanDefinition where ScanRootDirID=%d and ScanDate=%s",
                        rootDirID, date(scanDate).c_str());
}

std::string ScanStoreSql::SelectLastInsertedID() const {
    if (m_kind == kSqlServerDatabase) {
        return "select @@IDENTITY";
    }
    if (m_kind == kMySqlDatabase) {
        return "select LAST_INSERT_ID()";
    }
    return "select last_insert_rowid()";
}

std::string ScanStoreSql::UpdateScanDate(int scanID, const std::tm& scanDate) const {
    if (m_kind == kSqlServerDatabase) {
        return StringPrintf(
            "update ScanDefinition set ScanDate=CONVERT(datetime, %s, 120) where ScanID=%d",
            date(scanDate).c_str(), scanID);
    }
    return StringPrintf("update ScanDefinition set ScanDate=%s where ScanID=%d",
                        date(scanDate).c_str(), scanID);
}

std::string ScanStoreSql::InsertSizeRowPrepared() {
    return "insert into SizeData (DirID, ScanID, ParentDirID, DirSize) Values (?, ?, ?, ?)";
}

std::string ScanStoreSql::InsertSizeRow(int dirID, int scanID, int parentDirID,
                                        std::int64_t dirSize) const {
    return StringPrintf(
        "insert into SizeData (DirID, ScanID, ParentDirID, DirSize) Values (%d, %d, %d, %" PRId64
        ")",
        dirID, scanID, parentDirID, dirSize);
}

std::string ScanStoreSql::SelectScansOfDirectory(std::uint32_t parentDirID) const {
    return StringPrintf("select sde.ScanID, sde.ScanDate from SizeData sda, ScanDefinition sde "
                        "where sda.ParentDirID=%u "
                        "and sda.ScanID=sde.ScanID",
                        parentDirID);
}

std::string ScanStoreSql::SelectRootOfScan(std::uint32_t scanID) const {
    return StringPrintf("select ScanRootDirID from ScanDefinition where ScanID=%u", scanID);
}

std::vector<std::string> ScanStoreSql::DeleteScan(std::uint32_t scanID) const {
    return {StringPrintf("delete from SizeData where ScanID=%u", scanID),
            StringPrintf("delete from ExtensionInfo where ScanID=%u", scanID),
            StringPrintf("delete from ScanDefinition where ScanID=%u", scanID)};
}

std::vector<std::string> ScanStoreSql::PurgeScans(const std::tm& cutoff, int scanType) const {
    char day[64];
    if (m_kind == kSqlServerDatabase) {
        std::snprintf(day, sizeof day, "CONVERT(datetime, '%02d-%02d-%04d', 110)",
                      cutoff.tm_mon + 1, cutoff.tm_mday, cutoff.tm_year + 1900);
    } else {
        char quote = DateQuote(m_kind);
        std::snprintf(day, sizeof day, "%c%04d-%02d-%02d%c", quote, cutoff.tm_year + 1900,
                      cutoff.tm_mon + 1, cutoff.tm_mday, quote);
    }
    if (m_kind == kMySqlDatabase) {
        return {
            StringPrintf("delete SizeData from SizeData, ScanDefinition where "
                         "SizeData.ScanID=ScanDefinition.ScanID and "
                         "ScanDefinition.ScanDate < %s and ScanDefinition.ScanType=%d",
                         day, scanType),
            StringPrintf(
                "delete ExtensionInfo from ExtensionInfo, ScanDefinition where "
                "ExtensionInfo.ScanID=ScanDefinition.ScanID and ScanDefinition.ScanDate < %s and "
                "ScanDefinition.ScanType=%d",
                day, scanType),
            StringPrintf(
                "delete ScanDefinition from ScanDefinition where ScanDefinition.ScanDate < %s and "
                "ScanDefinition.ScanType=%d",
                day, scanType)};
    }
    return {StringPrintf("delete from SizeData where ScanID in (select ScanID from ScanDefinition "
                         "where ScanDate < %s and "
                         "ScanType=%d)",
                         day, scanType),
            StringPrintf("delete from ExtensionInfo where ScanID in (select ScanID from "
                         "ScanDefinition where ScanDate < %s "
                         "and ScanType=%d)",
                         day, scanType),
            StringPrintf("delete from ScanDefinition where ScanDate < %s and ScanType=%d", day,
                         scanType)};
}

// ---- Directories ----

std::string ScanStoreSql::SelectDirID(const std::string& value) const {
    return StringPrintf("select DirID from DirNames where Path='%s'", path(value).c_str());
}

std::string ScanStoreSql::SelectRootOfCache(const std::string& value) const {
    return StringPrintf("select RootOfCache from DirNames where Path='%s'", path(value).c_str());
}

std::string ScanStoreSql::InsertDirectory(const std::string& value, int parentDirID) const {
    return StringPrintf("insert into DirNames (Path, ParentDirID) Values ('%s', %d)",
                        path(value).c_str(), parentDirID);
}

std::string ScanStoreSql::SelectDirectoriesUnder(const std::string& pathPrefix) const {
    return StringPrintf("select * from DirNames where Path like '%s%%'",
                        path(pathPrefix, true).c_str());
}

std::string ScanStoreSql::InsertPreparedDirectory(const std::string& value, int parentDirID) const {
    return StringPrintf(
        "INSERT INTO DirNames (Path, RootOfCache, ParentDirID) VALUES ('%s', 1, %d)",
        path(value).c_str(), parentDirID);
}

std::string ScanStoreSql::InsertPreparedDirectoryPrepared() {
    return "INSERT INTO DirNames (Path, RootOfCache, ParentDirID) VALUES (?, 1, ?)";
}

std::string ScanStoreSql::RepairParentPrepared() {
    return "update DirNames set ParentDirID=? where Path=?";
}

std::string ScanStoreSql::PathLiteral(const std::string& value) const {
    std::string escaped = path(value);
    std::string literal;
    literal.reserve(escaped.size() + 2);
    literal += '\'';
    literal += escaped;
    literal += '\'';
    return literal;
}

std::string ScanStoreSql::MarkPreparedRoot(const std::string& value) const {
    return StringPrintf("update DirNames set RootOfCache=1 where Path='%s'", path(value).c_str());
}

std::string ScanStoreSql::CountParentless() const {
    return "select count(*) from DirNames where ParentDirID=0";
}

std::string ScanStoreSql::CountParentlessUnder(const std::string& pathPrefix) const {
    return StringPrintf("select count(*) from DirNames where ParentDirID=0 and Path like '%s%%'",
                        path(pathPrefix, true).c_str());
}

std::string ScanStoreSql::SelectParentless() const {
    return "select Path, ParentDirID from DirNames where ParentDirID=0";
}

std::string ScanStoreSql::SelectParentlessUnder(const std::string& pathPrefix) const {
    return StringPrintf(
        "select Path, ParentDirID from DirNames where ParentDirID=0 and Path like '%s%%'",
        path(pathPrefix, true).c_str());
}

std::string ScanStoreSql::RepairParent(int parentDirID, const std::string& value) const {
    return StringPrintf("update DirNames set ParentDirID=%d where Path='%s'", parentDirID,
                        path(value).c_str());
}

std::string ScanStoreSql::CountLostParents() const {
    return "select count(*) from DirNames where ParentDirID<0";
}

std::string ScanStoreSql::ResetLostParents() const {
    return "update DirNames set ParentDirID=0 where ParentDirID<0";
}

std::string ScanStoreSql::SelectParentDirID(const std::string& value) const {
    return StringPrintf("select ParentDirID from DirNames where Path='%s'", path(value).c_str());
}

std::string ScanStoreSql::SelectChildren(std::uint32_t parentDirID) const {
    return StringPrintf("select * from DirNames where ParentDirID=%u", parentDirID);
}

std::string ScanStoreSql::SelectChildSizes(std::uint32_t parentDirID) const {
    return StringPrintf("select DirID, ScanID, DirSize from SizeData where ParentDirID=%u",
                        parentDirID);
}

std::string ScanStoreSql::SelectChildSizes(std::uint32_t parentDirID, int scanID) const {
    return StringPrintf(
        "select DirID, ScanID, DirSize from SizeData where ParentDirID=%u AND ScanID=%d",
        parentDirID, scanID);
}

std::string ScanStoreSql::SelectPathOfDirectory(std::uint32_t dirID) const {
    return StringPrintf("select Path from DirNames where DirID=%u", dirID);
}

// ---- Extensions ----

std::string ScanStoreSql::SelectAllExtensions() const {
    return "SELECT * FROM Extensions";
}

std::string ScanStoreSql::SelectExtensionsForLoad() const {
    return "select * from Extensions";
}

std::string ScanStoreSql::InsertExtension(const std::string& extension) const {
    return StringPrintf("INSERT INTO Extensions (ExtensionText) Values ('%s')",
                        text(extension).c_str());
}

std::string ScanStoreSql::SelectExtensionID(const std::string& extension) const {
    return StringPrintf("SELECT ExtensionID from Extensions where ExtensionText='%s'",
                        text(extension).c_str());
}

std::string ScanStoreSql::InsertExtensionRow(int extensionID, int scanID, int numFound,
                                             std::int64_t sizeUsed) const {
    return StringPrintf("INSERT INTO ExtensionInfo (ExtensionID, ScanID, NumFound, SizeUsed) "
                        "Values (%d, %d, %d, %" PRId64 ")",
                        extensionID, scanID, numFound, sizeUsed);
}

std::string ScanStoreSql::InsertExtensionRowPrepared() {
    return "INSERT INTO ExtensionInfo (ExtensionID, ScanID, NumFound, SizeUsed) Values (?, ?, ?, "
           "?)";
}

std::string ScanStoreSql::SelectExtensionCounts() const {
    return "select ExtensionID, ScanID, NumFound from ExtensionInfo";
}

std::string ScanStoreSql::SelectExtensionSizes() const {
    return "select ExtensionID, ScanID, SizeUsed from ExtensionInfo";
}

// ---- Drive-letter paths ----

std::string ScanStoreSql::CountDriveLetterPaths() const {
    return "SELECT count(*) FROM DirNames WHERE Path LIKE '_:%'";
}

std::string ScanStoreSql::SelectDriveLetterPaths() const {
    return "SELECT Path, DirID FROM DirNames WHERE Path LIKE '_:%'";
}

std::string ScanStoreSql::UpdatePath(const std::string& value, int dirID) const {
    return StringPrintf("UPDATE DirNames SET Path='%s' WHERE DirID=%d", path(value).c_str(), dirID);
}

// ---- Filters ----

std::string ScanStoreSql::SelectFilter(int rootDirID) const {
    return StringPrintf("select Filter from Filters where RootDirID=%d", rootDirID);
}

std::string ScanStoreSql::InsertFilter(int rootDirID, const std::string& filter) const {
    return StringPrintf("insert into Filters (RootDirID, Filter) values (%d, '%s')", rootDirID,
                        text(filter).c_str());
}

std::string ScanStoreSql::UpdateFilter(const std::string& filter, int rootDirID) const {
    return StringPrintf("update Filters set Filter='%s' where RootDirID=%d", text(filter).c_str(),
                        rootDirID);
}

std::string ScanStoreSql::DeleteFilter(int rootDirID) const {
    return StringPrintf("delete from Filters where RootDirID=%d", rootDirID);
}

// ---- Upgrades ----
// The statements as older included stores were upgraded, in SQLite's syntax where Access's
// differs: SQLite has no DISTINCTROW, and an IDENTITY column would give no identifiers. [..]
// names and the NUMERIC size column (64-bit integers in SQLite) are taken as they are.

ScanStoreSql::UpgradeStep ScanStoreSql::ScanDateUpgrade() {
    return {"select count(*) from ScanDefinition where ScanDate=0",
            {"ALTER TABLE ScanDefinition ADD COLUMN  ScanDate DateTime",
             "UPDATE ScanDefinition  SET  ScanDate = Date",
             "ALTER TABLE ScanDefinition  DROP COLUMN [Date]"}};
}

ScanStoreSql::UpgradeStep ScanStoreSql::DirSizeUpgrade() {
    return {"select count(*) from SizeData where DirSize=1",
            {"ALTER TABLE SizeData ADD COLUMN  DirSize NUMERIC",
             "UPDATE SizeData SET  DirSize = Size", "ALTER TABLE SizeData  DROP COLUMN [Size]"}};
}

ScanStoreSql::UpgradeStep ScanStoreSql::FiltersUpgrade() {
    return {"select * from Filters where RootDirID=0",
            {"create table Filters (FilterID INTEGER PRIMARY KEY AUTOINCREMENT, RootDirID INTEGER, "
             "Filter TEXT(254))"}};
}

std::string ScanStoreSql::CountScanTables() {
    return "select count(*) from sqlite_master where type='table' and name in "
           "('DirNames', 'ScanDefinition', 'SizeData', 'Extensions', 'ExtensionInfo')";
}

// ---- The included store's index of size rows ----

std::string ScanStoreSql::CountParentFirstSizeIndexes() {
    return "select count(*) from sqlite_master where type='index' and name in "
           "('SizeData_ParentDirID', 'SizeData_ScanID')";
}

std::vector<const char*> ScanStoreSql::IndexSizeRowsByScan() {
    return {
        "CREATE INDEX IF NOT EXISTS SizeData_ScanID_ParentDirID ON SizeData (ScanID, ParentDirID, DirID, "
        "DirSize)",
        "DROP INDEX IF EXISTS SizeData_ParentDirID", "DROP INDEX IF EXISTS SizeData_ScanID"};
}

std::string ScanStoreSql::CountScanFirstSizeIndex() {
    return "select count(*) from sqlite_master where type='index' and "
           "name='SizeData_ScanID_ParentDirID'";
}

std::string ScanStoreSql::CountSizeIndexStatistics() {
    return "select count(*) from sqlite_stat1 where tbl='SizeData' and "
           "idx='SizeData_ScanID_ParentDirID'";
}

// Many rows for each scan, few for each scan and parent: the planner seeks scan by scan for
// the rows of one parent instead of reading the whole table. "ANALYZE sqlite_schema" makes the
// statistics table (analysing nothing) and, after the row is in, has the planner read it.
std::vector<const char*> ScanStoreSql::AddSizeIndexStatistics() {
    return {"ANALYZE sqlite_schema",
            "INSERT INTO sqlite_stat1 (tbl, idx, stat) VALUES ('SizeData', "
            "'SizeData_ScanID_ParentDirID', "
            "'1000000 20000 5 1 1')",
            "ANALYZE sqlite_schema"};
}

} // namespace scan
