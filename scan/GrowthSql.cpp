#include "scan/GrowthSql.h"

#include "platform/system/StringPrintf.h"
#include "scan/SqlRules.h"

namespace scan {

using platform::system::StringPrintf;

namespace {

constexpr const char* kIndexName = "SizeData_ScanID_ParentDirID";
// Every column the report reads from SizeData: it never reads the table's rows themselves. The
// parent before the directory, so that the index also serves the sizes of one directory's
// children in one scan (LoadScans) better than any other, rather than competing with them.
constexpr const char* kIndexColumns = "(ScanID, ParentDirID, DirID, DirSize)";

} // namespace

std::string GrowthSql::SelectScansHoldingDirectory(int dirID, int parentDirID) const {
    // Two looks into the index per scan, rather than a search through every size row: the
    // scanner writes a directory's row with its parent's DirID, or 0 when it is the scan root.
    std::string parents = parentDirID > 0 ? StringPrintf("in (0, %d)", parentDirID) : std::string("=0");
    return StringPrintf("select sde.ScanID, sde.ScanDate, sde.ScanRootDirID from ScanDefinition sde where exists "
                        "(select 1 from SizeData sda where sda.ScanID=sde.ScanID and sda.ParentDirID %s and "
                        "sda.DirID=%d)",
                        parents.c_str(), dirID);
}

std::string GrowthSql::SelectRowBelowFirstLevel(std::uint32_t scanID, int scanRootDirID) const {
    // The scanner writes the root's row with parent 0 and each child's with the root's DirID.
    if (m_kind == kSqlServerDatabase) {
        return StringPrintf("select top 1 ParentDirID from SizeData where ScanID=%u and ParentDirID<>0 and "
                            "ParentDirID<>%d",
                            scanID, scanRootDirID);
    }
    return StringPrintf("select ParentDirID from SizeData where ScanID=%u and ParentDirID<>0 and ParentDirID<>%d "
                        "limit 1",
                        scanID, scanRootDirID);
}

std::string GrowthSql::DescendantPattern(const std::string& storedPath) const {
    std::string pattern;
    pattern.reserve(storedPath.size() + 8);
    for (char c : storedPath) {
        // "[" opens a character class in SQL Server's LIKE only.
        if (c == '!' || c == '%' || c == '_' || (c == '[' && m_kind == kSqlServerDatabase)) {
            pattern += '!';
        }
        pattern += c;
    }
    pattern += '/';
    // Quotes doubled and, for MySQL, backslashes doubled for the string literal; with an
    // ESCAPE character of its own the pattern gives backslashes no meaning.
    return PathForSql(m_kind, pattern, false);
}

std::string GrowthSql::SelectGrowth(const GrowthQuery& query) const {
    const std::uint32_t older = query.olderScanID;
    const std::uint32_t newer = query.newerScanID;
    std::string from = "SizeData sd";
    std::string where = StringPrintf("sd.ScanID in (%u, %u)", older, newer);
    if (!query.rootPath.empty()) {
        from += ", DirNames f";
        where += StringPrintf(" and f.DirID=sd.DirID and (f.Path like '%s%%' escape '!'",
                              DescendantPattern(query.rootPath).c_str());
        where += query.includeRoot ? StringPrintf(" or sd.DirID=%d)", query.rootDirID) : std::string(")");
    } else if (!query.includeRoot) {
        where += StringPrintf(" and sd.DirID<>%d", query.rootDirID);
    }
    if (query.firstLevelOnly) {
        where += StringPrintf(" and sd.ParentDirID in (0, %d)", query.scanRootDirID);
    }
    std::string oldSize = StringPrintf("max(case when sd.ScanID=%u then sd.DirSize end)", older);
    std::string newSize = StringPrintf("max(case when sd.ScanID=%u then sd.DirSize end)", newer);
    std::string top;
    std::string limit;
    if (query.top > 0) {
        if (m_kind == kSqlServerDatabase) {
            top = StringPrintf("top %zu ", query.top);
        } else {
            limit = StringPrintf(" limit %zu", query.top);
        }
    }
    return StringPrintf("select %sg.DirID, dn.Path, g.OldSize, g.NewSize, g.SizeChange from "
                        "(select sd.DirID as DirID, %s as OldSize, %s as NewSize, "
                        "coalesce(%s, 0) - coalesce(%s, 0) as SizeChange "
                        "from %s where %s group by sd.DirID) g, DirNames dn "
                        "where dn.DirID=g.DirID and g.SizeChange %s 0 "
                        "order by g.SizeChange desc, dn.Path%s",
                        top.c_str(), oldSize.c_str(), newSize.c_str(), newSize.c_str(), oldSize.c_str(),
                        from.c_str(), where.c_str(), query.growthOnly ? ">" : "<>", limit.c_str());
}

std::string GrowthSql::IndexProbe() const {
    if (m_kind == kMySqlDatabase) {
        // MySQL has no CREATE INDEX IF NOT EXISTS (MariaDB has); the catalogue serves both.
        return StringPrintf("select count(distinct index_name) as IndexCount from information_schema.statistics where "
                            "table_schema=database() and table_name='SizeData' and index_name='%s'",
                            kIndexName);
    }
    return {};
}

std::string GrowthSql::CreateIndex() const {
    switch (m_kind) {
    case kSqlServerDatabase:
        return StringPrintf("IF NOT EXISTS (SELECT * FROM sys.indexes WHERE name = N'%s') "
                            "CREATE INDEX %s ON SizeData %s",
                            kIndexName, kIndexName, kIndexColumns);
    case kMySqlDatabase:
        return StringPrintf("create index %s on SizeData %s", kIndexName, kIndexColumns);
    default:
        return StringPrintf("CREATE INDEX IF NOT EXISTS %s ON SizeData %s", kIndexName, kIndexColumns);
    }
}

} // namespace scan
