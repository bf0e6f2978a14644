// The growth report on a store holding a year of nightly scans: 365 scans of a tree of about
// 50,000 directories (18 million size rows), built by inserting rows. Times the report between
// the newest scan and scans 1 to 364 days older, between other pairs of scans, below a
// subdirectory and with every changed directory listed; checks the rows against the figures
// the generator made them from, and (with both stores) that the stores agree.
//   bench_growth [--rounds N] [--store FILE] [--scans N]
// --store keeps the SQLite store in FILE (reused when it is already filled). A MariaDB server
// is measured too when TALLYVOL_BENCH_MARIADB holds an ODBC connection string without a
// database (kept off the command line: it holds a password), or TALLYVOL_TEST_MARIADB_ENV
// names a test fixture's connection.env (bench/growth/run.sh starts a private server); its
// database tallyvol_growth_bench is filled once and reused.
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "scan/GrowthReport.h"
#include "scan/GrowthSql.h"
#include "scan/SqlRules.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using platform::ado::Connection;

// The tree: a root, 49 directories below it, 20 below each of those, 50 leaves below each
// of those: 1 + 49 + 980 + 49,000 = 50,030 directories. Only leaves hold files.
constexpr int kLevel1 = 49;
constexpr int kLevel2PerLevel1 = 20;
constexpr int kLeavesPerLevel2 = 50;
constexpr int kLevel2 = kLevel1 * kLevel2PerLevel1;
constexpr int kLeaves = kLevel2 * kLeavesPerLevel2;
constexpr int kDirectories = 1 + kLevel1 + kLevel2 + kLeaves;
constexpr int kRowsPerStatement = 1000;
const char* const kRoot = "//benchhost/data";
const char* const kDatabase = "tallyvol_growth_bench";

// DirIDs: 1 the root, then level 1, level 2 and the leaves, each level in order.
int level1ID(int a) { return 2 + a; }
int level2ID(int b) { return 2 + kLevel1 + b; }
int leafID(int c) { return 2 + kLevel1 + kLevel2 + c; }

std::uint32_t mix(std::uint32_t value) {
    value ^= value >> 16;
    value *= 0x7feb352dU;
    value ^= value >> 15;
    value *= 0x846ca68bU;
    return value ^ (value >> 16);
}

// A leaf's size in scan k (1-based), or -1 while it does not exist: most leaves grow steadily,
// some shrink, one in 100 appears during the year and one in 100 is deleted.
std::int64_t leafSize(int c, int k) {
    std::uint32_t h = mix(static_cast<std::uint32_t>(c) + 1);
    if (h % 100 == 0 && k < 50 + static_cast<int>(h % 300)) return -1;
    if (h % 100 == 1 && k > 50 + static_cast<int>(h % 300)) return -1;
    std::int64_t base = 4096LL * (h % 20000);
    std::int64_t rate = 4096LL * (mix(h) % 64) - (h % 7 == 0 ? 4096LL * 40 : 0);
    std::int64_t jitter = 4096LL * (mix(h ^ static_cast<std::uint32_t>(k)) % 8);
    return std::max<std::int64_t>(0, base + rate * k + jitter);
}

// Every directory's total in scan k, by DirID (-1: absent).
std::vector<std::int64_t> totals(int k) {
    std::vector<std::int64_t> size(kDirectories + 2, 0);
    for (int c = 0; c < kLeaves; ++c) {
        std::int64_t leaf = leafSize(c, k);
        size[leafID(c)] = leaf;
        if (leaf < 0) continue;
        int b = c / kLeavesPerLevel2;
        int a = b / kLevel2PerLevel1;
        size[level2ID(b)] += leaf;
        size[level1ID(a)] += leaf;
        size[1] += leaf;
    }
    return size;
}

int parentOf(int dirID) {
    if (dirID == 1) return 0;
    if (dirID < level2ID(0)) return 1;
    if (dirID < leafID(0)) return level1ID((dirID - level2ID(0)) / kLevel2PerLevel1);
    return level2ID((dirID - leafID(0)) / kLeavesPerLevel2);
}

std::string pathOf(int dirID) {
    char name[96];
    if (dirID == 1) return kRoot;
    if (dirID < level2ID(0)) {
        std::snprintf(name, sizeof name, "%s/d%02d", kRoot, dirID - level1ID(0));
    } else if (dirID < leafID(0)) {
        int b = dirID - level2ID(0);
        std::snprintf(name, sizeof name, "%s/d%02d/e%02d", kRoot, b / kLevel2PerLevel1, b % kLevel2PerLevel1);
    } else {
        int c = dirID - leafID(0);
        int b = c / kLeavesPerLevel2;
        std::snprintf(name, sizeof name, "%s/d%02d/e%02d/f%02d", kRoot, b / kLevel2PerLevel1, b % kLevel2PerLevel1,
                      c % kLeavesPerLevel2);
    }
    return name;
}

std::tm scanDate(int k) {
    std::tm date{};
    date.tm_year = 2023 - 1900;
    date.tm_mon = 0;
    date.tm_mday = k;
    date.tm_hour = 2;
    date.tm_min = 0;
    date.tm_sec = k % 60;
    date.tm_isdst = -1;
    std::mktime(&date);
    return date;
}

// Inserts rows in statements of many rows each.
class BulkInsert {
public:
    BulkInsert(Connection& connection, std::string head) : m_connection(connection), m_head(std::move(head)) {}
    ~BulkInsert() { Flush(); }
    void Add(const std::string& values) {
        m_text += m_count == 0 ? m_head + " values " : ",";
        m_text += values;
        if (++m_count == kRowsPerStatement) Flush();
    }
    void Flush() {
        if (m_count == 0) return;
        m_connection.Execute(m_text);
        m_text.clear();
        m_count = 0;
    }

private:
    Connection& m_connection;
    std::string m_head;
    std::string m_text;
    int m_count = 0;
};

std::int64_t count(Connection& connection, const std::string& sql) {
    auto rows = connection.OpenRecordset(sql);
    return rows->IsEOF() || rows->Fields(0).IsNull() ? 0 : rows->Fields(0).AsInt64();
}

void fill(Connection& connection, int kind, int scans) {
    auto started = Clock::now();
    connection.BeginTrans();
    {
        BulkInsert directories(connection, "insert into DirNames (DirID, Path, ParentDirID, RootOfCache)");
        for (int id = 1; id <= kDirectories; ++id) {
            directories.Add("(" + std::to_string(id) + ",'" + pathOf(id) + "'," + std::to_string(parentOf(id)) +
                            ",1)");
        }
    }
    connection.CommitTrans();
    for (int k = 1; k <= scans; ++k) {
        connection.BeginTrans();
        connection.Execute("insert into ScanDefinition (ScanID, ScanRootDirID, ScanType, ScanDate) values (" +
                           std::to_string(k) + ", 1, 2, " + scan::FormatDateLiteral(kind, scanDate(k)) + ")");
        std::vector<std::int64_t> size = totals(k);
        BulkInsert rows(connection, "insert into SizeData (DirID, ScanID, ParentDirID, DirSize)");
        for (int id = 1; id <= kDirectories; ++id) {
            if (size[id] < 0) continue;
            rows.Add("(" + std::to_string(id) + "," + std::to_string(k) + "," + std::to_string(parentOf(id)) + "," +
                     std::to_string(size[id]) + ")");
        }
        rows.Flush();
        connection.CommitTrans();
        if (k % 50 == 0) {
            std::fprintf(stderr, "  %d scans stored, %.0f s\n", k,
                         std::chrono::duration<double>(Clock::now() - started).count());
        }
    }
    std::fprintf(stderr, "  filled in %.0f s\n", std::chrono::duration<double>(Clock::now() - started).count());
}

std::string binFile(const char* name) {
    return std::string(TALLYVOL_BENCH_BIN_DIR) + "/" + name;
}

void openSqlite(Connection& connection, const std::string& path, int scans) {
    bool fresh = ::access(path.c_str(), F_OK) != 0;
    if (fresh) {
        std::ifstream in(binFile("datasrc3.dll"), std::ios::binary);
        std::ofstream out(path, std::ios::binary);
        out << in.rdbuf();
    }
    connection.SetMode(19);
    connection.Open("Provider=SQLite;Data Source=" + path);
    if (count(connection, "select count(*) from ScanDefinition") != scans) {
        std::fprintf(stderr, "Filling the SQLite store %s\n", path.c_str());
        connection.Execute("PRAGMA cache_size=-1000000"); // the year's indexes fit in memory
        fill(connection, scan::kAccessDatabase, scans);
        // Measured as the program opens it: with SQLite's own page cache size.
        connection.Close();
        connection.Open("Provider=SQLite;Data Source=" + path);
    }
}

void openMariaDb(Connection& connection, const std::string& server, int scans) {
    {
        Connection admin;
        admin.Open(server);
        admin.Execute(std::string("CREATE DATABASE IF NOT EXISTS ") + kDatabase +
                      " CHARACTER SET utf8mb4 COLLATE utf8mb4_bin");
    }
    connection.Open(server + ";Database=" + kDatabase);
    if (count(connection, "select count(*) from information_schema.tables where table_schema=database() and "
                          "table_name='ScanDefinition'") == 0 ||
        count(connection, "select count(*) from ScanDefinition") != scans) {
        std::fprintf(stderr, "Filling the MariaDB database %s\n", kDatabase);
        std::ifstream in(binFile("CreateMySQLTables.txt"));
        std::string line, statement;
        connection.Execute("DROP TABLE IF EXISTS DirNames, ScanDefinition, SizeData, Extensions, ExtensionInfo, Filters");
        while (std::getline(in, line)) {
            if (line.rfind("--", 0) == 0 || line.rfind("USE ", 0) == 0) continue;
            statement += line + "\n";
            if (!line.empty() && line.back() == ';') {
                statement.pop_back();
                statement.pop_back();
                connection.Execute(statement);
                statement.clear();
            }
        }
        fill(connection, scan::kMySqlDatabase, scans);
        connection.Execute("ANALYZE TABLE SizeData, DirNames, ScanDefinition");
    }
}

struct Timing {
    std::vector<double> runs;
    double median() const {
        std::vector<double> sorted = runs;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
    double best() const { return *std::min_element(runs.begin(), runs.end()); }
};

// One measured case: what it compares and what it returns (the rows, for the checks).
using Case = std::function<std::vector<scan::GrowthRow>()>;

std::vector<scan::GrowthRow> timed(const char* store, const std::string& name, int rounds, const Case& run) {
    Timing timing;
    std::vector<scan::GrowthRow> rows;
    double first = 0;
    for (int round = 0; round <= rounds; ++round) {
        auto start = Clock::now();
        rows = run();
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (round == 0) {
            first = seconds;
        } else {
            timing.runs.push_back(seconds);
        }
    }
    std::printf("%-8s %-46s first %6.3f s  median %6.3f s  best %6.3f s  %zu rows\n", store, name.c_str(), first,
                timing.median(), timing.best(), rows.size());
    return rows;
}

// The rows the generator's figures give for two scans at and below a directory, largest change
// first.
std::vector<scan::GrowthRow> expected(int older, int newer, std::size_t top, const std::string& below = kRoot) {
    std::vector<std::int64_t> before = totals(older), after = totals(newer);
    std::vector<scan::GrowthRow> rows;
    for (int id = 1; id <= kDirectories; ++id) {
        if (before[id] < 0 && after[id] < 0) continue;
        std::string path = pathOf(id);
        if (path != below && path.rfind(below + "/", 0) != 0) continue;
        scan::GrowthRow row;
        row.dirID = static_cast<std::uint32_t>(id);
        row.storedPath = pathOf(id);
        if (before[id] >= 0) row.oldSize = before[id];
        if (after[id] >= 0) row.newSize = after[id];
        row.change = row.newSize.value_or(0) - row.oldSize.value_or(0);
        if (row.change != 0) rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end(), [](const scan::GrowthRow& a, const scan::GrowthRow& b) {
        return a.change != b.change ? a.change > b.change : a.storedPath < b.storedPath;
    });
    if (top > 0 && rows.size() > top) rows.resize(top);
    return rows;
}

bool same(const std::vector<scan::GrowthRow>& a, const std::vector<scan::GrowthRow>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].dirID != b[i].dirID || a[i].oldSize != b[i].oldSize || a[i].newSize != b[i].newSize ||
            a[i].change != b[i].change) {
            return false;
        }
    }
    return true;
}

int g_failures = 0;

void check(const char* store, const std::string& what, const std::vector<scan::GrowthRow>& got,
           const std::vector<scan::GrowthRow>& want) {
    if (!same(got, want)) {
        std::printf("%-8s MISMATCH in %s: %zu rows, %zu expected\n", store, what.c_str(), got.size(), want.size());
        ++g_failures;
    }
}

// A pair of scans through the report's own query (as LoadGrowthReport runs it).
std::vector<scan::GrowthRow> pair(Connection& connection, int kind, int older, int newer, std::size_t top) {
    scan::GrowthSql sql(kind);
    scan::GrowthQuery query;
    query.olderScanID = static_cast<std::uint32_t>(older);
    query.newerScanID = static_cast<std::uint32_t>(newer);
    query.rootDirID = 1;
    query.scanRootDirID = 1;
    query.top = top;
    connection.OpenRecordset(sql.SelectRowBelowFirstLevel(query.olderScanID, 1));
    connection.OpenRecordset(sql.SelectRowBelowFirstLevel(query.newerScanID, 1));
    std::vector<scan::GrowthRow> rows;
    auto result = connection.OpenRecordset(sql.SelectGrowth(query));
    for (; !result->IsEOF(); result->MoveNext()) {
        scan::GrowthRow row;
        row.dirID = static_cast<std::uint32_t>(result->Fields("DirID").AsInt());
        row.storedPath = result->Fields("Path").AsString();
        if (!result->Fields("OldSize").IsNull()) row.oldSize = result->Fields("OldSize").AsInt64();
        if (!result->Fields("NewSize").IsNull()) row.newSize = result->Fields("NewSize").AsInt64();
        row.change = result->Fields("SizeChange").AsInt64();
        rows.push_back(row);
    }
    return rows;
}

std::map<std::string, std::vector<scan::GrowthRow>> measure(const char* store, Connection& connection, int kind,
                                                            int scans, int rounds) {
    std::map<std::string, std::vector<scan::GrowthRow>> results;
    auto report = [&](const std::string& path, std::optional<int> days, std::size_t top) {
        scan::GrowthRequest request;
        request.minimumDays = days;
        request.top = top;
        scan::GrowthReport report = scan::LoadGrowthReport(connection, kind, path, request);
        if (report.outcome != scan::GrowthOutcome::kReady) {
            std::printf("%-8s report for %s failed: %s\n", store, path.c_str(), report.failure.c_str());
            ++g_failures;
        }
        return report.rows;
    };
    for (int days : {0, 7, 30, 90, 364}) {
        if (days >= scans) continue;
        std::string name = days == 0 ? "report: newest vs the one before" : "report: newest vs " + std::to_string(days) + " days older";
        std::vector<scan::GrowthRow> rows =
            timed(store, name, rounds, [&] { return report(kRoot, days == 0 ? std::nullopt : std::optional<int>(days), 20); });
        check(store, name, rows, expected(days == 0 ? scans - 1 : scans - days, scans, 20));
        results[name] = rows;
    }
    for (auto [older, newer] : {std::pair{1, scans}, std::pair{scans / 4, scans / 2}, std::pair{100, 101}}) {
        if (older < 1 || newer > scans || older >= newer) continue;
        std::string name = "query: scan " + std::to_string(older) + " vs scan " + std::to_string(newer);
        std::vector<scan::GrowthRow> rows = timed(store, name, rounds, [&] { return pair(connection, kind, older, newer, 20); });
        check(store, name, rows, expected(older, newer, 20));
        results[name] = rows;
    }
    int month = std::min(30, scans - 1);
    std::string below = std::string(kRoot) + "/d07";
    std::string days = ", " + std::to_string(month) + " days";
    results["below"] = timed(store, "report below d07" + days, rounds, [&] { return report(below, month, 20); });
    check(store, "below", results["below"], expected(scans - month, scans, 20, below));
    std::vector<scan::GrowthRow> all =
        timed(store, "report: every changed directory" + days, rounds, [&] { return report(kRoot, month, 0); });
    check(store, "every changed directory", all, expected(scans - month, scans, 0));
    results["all"] = all;
    return results;
}

// The server to measure: TALLYVOL_BENCH_MARIADB, else the test fixture's file; empty: none.
std::string mariaDbServer() {
    if (const char* given = std::getenv("TALLYVOL_BENCH_MARIADB"); given != nullptr && *given != '\0') {
        return given;
    }
    const char* file = std::getenv("TALLYVOL_TEST_MARIADB_ENV");
    if (file == nullptr) {
        return {};
    }
    std::map<std::string, std::string> values;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        std::size_t equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    if (values["TALLYVOL_TEST_MARIADB_PORT"].empty()) {
        return {};
    }
    return "Driver=MariaDB Unicode;Server=" + values["TALLYVOL_TEST_MARIADB_HOST"] +
           ";Port=" + values["TALLYVOL_TEST_MARIADB_PORT"] + ";UID=" + values["TALLYVOL_TEST_MARIADB_USER"] +
           ";PWD=" + values["TALLYVOL_TEST_MARIADB_PASSWORD"];
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    int scans = 365;
    std::string storePath;
    std::string mariadb;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i];
        if (name == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (name == "--scans") scans = std::max(2, std::atoi(argv[i + 1]));
        else if (name == "--store") storePath = argv[i + 1];
        else {
            std::fprintf(stderr, "usage: %s [--rounds N] [--scans N] [--store FILE]\n", argv[0]);
            return 2;
        }
    }
    mariadb = mariaDbServer();
    std::string privateDirectory;
    if (storePath.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/tallyvol-growth-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            return 1;
        }
        privateDirectory = pattern;
        storePath = privateDirectory + "/store.db";
    }
    std::printf("%d scans of %d directories\n", scans, kDirectories);
    try {
        Connection sqlite;
        openSqlite(sqlite, storePath, scans);
        auto fromSqlite = measure("SQLite", sqlite, scan::kAccessDatabase, scans, rounds);
        sqlite.Close();
        if (!mariadb.empty()) {
            Connection server;
            openMariaDb(server, mariadb, scans);
            auto fromMariaDb = measure("MariaDB", server, scan::kMySqlDatabase, scans, rounds);
            for (const auto& [name, rows] : fromSqlite) {
                if (!same(rows, fromMariaDb[name])) {
                    std::printf("The stores disagree on %s\n", name.c_str());
                    ++g_failures;
                }
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_growth: %s\n", error.what());
        return 1;
    }
    if (!privateDirectory.empty()) {
        ::unlink(storePath.c_str());
        ::rmdir(privateDirectory.c_str());
    }
    std::printf(g_failures == 0 ? "All results as expected.\n" : "%d results wrong.\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}
