/*
 * Every statement the program runs against the scan store's tables (DirNames, ScanDefinition,
 * SizeData, Extensions, ExtensionInfo, Filters), built for one database kind with its date
 * literals, path escaping and quoting (SqlRules.h). Nothing else in the program writes SQL
 * for these tables. Statements that change data are executed with options 129 (adCmdText |
 * adExecuteNoRecords), queries with option 1.
 *
 * Texts are built with snprintf into one buffer each: the scanner builds several per directory
 * of trees with millions of directories. Paths are given in stored form; quoting and escaping
 * happen here, for extension texts and filter patterns too. An immutable value; any thread.
 */
#ifndef TALLYVOL_SCAN_SCANSTORESQL_H
#define TALLYVOL_SCAN_SCANSTORESQL_H

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace scan {

class ScanStoreSql {
public:
    explicit ScanStoreSql(int kind) : m_kind(kind) {}
    int Kind() const { return m_kind; }

    // ---- Scans ----
    std::string InsertScan(int rootDirID, int scanType, const std::tm& scanDate) const;
    // Finds the scan just inserted again by its root and date.
    std::string SelectNewScanID(int rootDirID, const std::tm& scanDate) const;
    // The identifier the connection's last insert generated (kinds 2 and 3: the scan row of a
    // writer that shares its root and second with another).
    std::string SelectLastInsertedID() const;
    // Moves a scan to another start second.
    std::string UpdateScanDate(int scanID, const std::tm& scanDate) const;
    std::string InsertSizeRow(int dirID, int scanID, int parentDirID, std::int64_t dirSize) const;
    // The size row with "?" in place of its four values (DirID, ScanID, ParentDirID, DirSize),
    // for a command prepared once per scan.
    static std::string InsertSizeRowPrepared();
    std::string SelectScansOfDirectory(std::uint32_t parentDirID) const;
    std::string SelectRootOfScan(std::uint32_t scanID) const;
    // The three deletions of one scan, in the order they must run.
    std::vector<std::string> DeleteScan(std::uint32_t scanID) const;
    // The three deletions of the scans of a type started before the day `cutoff` falls on.
    std::vector<std::string> PurgeScans(const std::tm& cutoff, int scanType) const;

    // ---- Directories ----
    std::string SelectDirID(const std::string& path) const;
    std::string SelectRootOfCache(const std::string& path) const;
    std::string InsertDirectory(const std::string& path, int parentDirID) const;
    // Every directory whose path begins with the prefix.
    std::string SelectDirectoriesUnder(const std::string& pathPrefix) const;
    std::string InsertPreparedDirectory(const std::string& path, int parentDirID) const;
    // The same and RepairParent with "?" in place of their values, in the order of their texts
    // (Path then ParentDirID; ParentDirID then Path), for commands prepared once per tree.
    static std::string InsertPreparedDirectoryPrepared();
    static std::string RepairParentPrepared();
    // A path as the SQL literal a statement holds: between single quotes, quotes doubled,
    // escaped for the kind.
    std::string PathLiteral(const std::string& path) const;
    std::string MarkPreparedRoot(const std::string& path) const;
    std::string CountParentless() const;
    std::string CountParentlessUnder(const std::string& pathPrefix) const;
    std::string SelectParentless() const;
    std::string SelectParentlessUnder(const std::string& pathPrefix) const;
    std::string RepairParent(int parentDirID, const std::string& path) const;
    // Directories whose parent lookup failed were once written with ParentDirID -1; they are
    // made parentless (0) again so that the repair finds them.
    std::string CountLostParents() const;
    std::string ResetLostParents() const;
    std::string SelectParentDirID(const std::string& path) const;
    std::string SelectChildren(std::uint32_t parentDirID) const;
    std::string SelectChildSizes(std::uint32_t parentDirID) const;
    std::string SelectChildSizes(std::uint32_t parentDirID, int scanID) const;
    std::string SelectPathOfDirectory(std::uint32_t dirID) const;

    // ---- Extensions ----
    std::string SelectAllExtensions() const;     // "SELECT * FROM Extensions" (the scanner's)
    std::string SelectExtensionsForLoad() const; // "select * from Extensions" (loading scans)
    std::string InsertExtension(const std::string& extension) const;
    std::string SelectExtensionID(const std::string& extension) const;
    std::string InsertExtensionRow(int extensionID, int scanID, int numFound,
                                   std::int64_t sizeUsed) const;
    // The same with "?" in place of its four values, for a batch of rows.
    static std::string InsertExtensionRowPrepared();
    std::string SelectExtensionCounts() const;
    std::string SelectExtensionSizes() const;

    // ---- Stored paths that still begin with a drive letter ----
    std::string CountDriveLetterPaths() const;
    std::string SelectDriveLetterPaths() const;
    std::string UpdatePath(const std::string& path, int dirID) const;

    // ---- Exclusion filters ----
    std::string SelectFilter(int rootDirID) const;
    std::string InsertFilter(int rootDirID, const std::string& filter) const;
    std::string UpdateFilter(const std::string& filter, int rootDirID) const;
    std::string DeleteFilter(int rootDirID) const;

    // ---- Upgrades of older included stores (SQLite syntax) ----
    // Each step: a probe that fails on the older layout, then the statements that upgrade it.
    struct UpgradeStep {
        const char* probe;
        std::vector<const char*> statements;
    };
    static UpgradeStep ScanDateUpgrade(); // column Date becomes ScanDate
    static UpgradeStep DirSizeUpgrade();  // column Size becomes DirSize
    static UpgradeStep FiltersUpgrade();  // the Filters table is added
    // How many of the scan tables (DirNames, ScanDefinition, SizeData, Extensions,
    // ExtensionInfo) an included store holds; 0 for a new, empty file.
    static std::string CountScanTables();
    // The included store's index of size rows, scan first (SizeIndexLayout.h): whether the
    // store still has the older indexes (parent first, and scan alone), the statements that
    // replace them, and the planner's statistics the index needs.
    static std::string CountParentFirstSizeIndexes();
    static std::vector<const char*> IndexSizeRowsByScan();
    static std::string CountScanFirstSizeIndex();
    static std::string CountSizeIndexStatistics();
    static std::vector<const char*> AddSizeIndexStatistics();

private:
    std::string path(const std::string& value, bool forLike = false) const;
    std::string text(const std::string& value) const;
    std::string date(const std::tm& value) const;

    int m_kind;
};

} // namespace scan

#endif
