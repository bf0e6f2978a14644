#include "tests/unit/dbconfig/CopyTestStore.h"

#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDirectory.h"

#include <sqlite3.h>

#include <stdexcept>

namespace copytest {

const TableQuery kTableQueries[6] = {
    {"DirNames", "select DirID, hex(Path), ifnull(ParentDirID,'NULL'), ifnull(RootOfCache,'NULL') "
                 "from DirNames order by DirID"},
    {"Extensions", "select ExtensionID, hex(ExtensionText) from Extensions order by ExtensionID"},
    {"ScanDefinition", "select ScanID, ScanRootDirID, ScanType, ifnull(ScanDate,'NULL') "
                       "from ScanDefinition order by ScanID"},
    {"Filters", "select FilterID, RootDirID, case when Filter is null then 'NULL' else hex(Filter) end from Filters order by FilterID"},
    {"ExtensionInfo", "select ExtensionID, ScanID, NumFound, SizeUsed from ExtensionInfo "
                      "order by ExtensionID, ScanID, NumFound, SizeUsed"},
    {"SizeData", "select DirID, ScanID, ParentDirID, DirSize from SizeData "
                 "order by DirID, ScanID, ParentDirID, DirSize"},
};

namespace {

void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
}

// Runs one statement per row of values; "\x01NULL" binds NULL, a value starting "#" an
// integer, anything else text.
void insert(sqlite3* db, const char* sql, const std::vector<std::vector<std::string>>& rows) {
    sqlite3_stmt* statement = nullptr;
    check(sqlite3_prepare_v2(db, sql, -1, &statement, nullptr), db);
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            int index = static_cast<int>(i) + 1;
            const std::string& value = row[i];
            if (value == "\x01NULL") {
                sqlite3_bind_null(statement, index);
            } else if (!value.empty() && value[0] == '#') {
                sqlite3_bind_int64(statement, index, std::stoll(value.substr(1)));
            } else {
                sqlite3_bind_text(statement, index, value.data(), static_cast<int>(value.size()),
                                  SQLITE_TRANSIENT);
            }
        }
        check(sqlite3_step(statement), db);
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
}

std::string n(long long value) {
    return "#" + std::to_string(value);
}

const std::string kNull = "\x01NULL";

std::string repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

} // namespace

void MakeEmptyStore(const std::string& path) {
    testsupport::WriteFile(path, testsupport::ReadFile(std::string(TALLYVOL_BINARY_DIR) + "/bin/datasrc3.dll"));
}

void MakeHostileStore(const std::string& path, const StoreSize& size) {
    MakeEmptyStore(path);
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db), db);
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);

    std::vector<std::vector<std::string>> directories = {
        {n(1), "//h", n(0), n(0)},
        {n(2), "//h/it's", n(1), n(1)},
        {n(3), "//h/a\\b\\\\c", n(1), kNull},
        {n(4), "//h/50%_off", n(1), n(0)},
        {n(5), "//h/Grüße/日本語", n(1), n(0)},
        {n(6), "//h/" + repeat("x", 250), n(1), n(0)},  // 254 characters
        {n(7), "//h/" + repeat("é", 250), n(1), n(0)}, // 254 characters, 504 bytes
        {n(1000), "//h/x'\\%_ü'", kNull, n(1)},
    };
    for (int i = 0; i < size.directories; ++i) {
        directories.push_back({n(2000 + i), "//h/d" + std::to_string(i), n(1), n(1)});
    }
    insert(db, "insert into DirNames (DirID, Path, ParentDirID, RootOfCache) values (?,?,?,?)", directories);
    insert(db, "insert into Extensions (ExtensionID, ExtensionText) values (?,?)",
           {{n(1), ".TXT"}, {n(2), "<NONE>"}, {n(9), ".Ü'\\"}, {n(10), ".%_"}});
    std::vector<std::vector<std::string>> scans;
    for (int i = 1; i <= size.scans; ++i) {
        char date[32];
        std::snprintf(date, sizeof date, "2024-%02d-%02d %02d:%02d:%02d", 1 + i % 12, 1 + i % 28, i % 24,
                      i % 60, (i * 7) % 60);
        scans.push_back({n(i), n(1 + i % 7), n(1 + i % 2), i == size.scans ? kNull : date});
    }
    insert(db, "insert into ScanDefinition (ScanID, ScanRootDirID, ScanType, ScanDate) values (?,?,?,?)", scans);
    insert(db, "insert into Filters (FilterID, RootDirID, Filter) values (?,?,?)",
           {{n(1), n(4), "*.tmp\n//h/it's\\x"}, {n(5), n(1000), "ü%_"}, {n(6), n(2), kNull}});
    std::vector<std::vector<std::string>> extensions;
    for (int scan = 1; scan <= 3; ++scan) {
        extensions.push_back({n(1), n(scan), n(3), n(5000000000LL)});
        extensions.push_back({n(2), n(scan), n(0), n(0)});
        extensions.push_back({n(9), n(scan), n(2147483647), n(9223372036854775807LL)});
    }
    insert(db, "insert into ExtensionInfo (ExtensionID, ScanID, NumFound, SizeUsed) values (?,?,?,?)", extensions);
    std::vector<std::vector<std::string>> sizes;
    for (int i = 0; i < size.sizeRows; ++i) {
        long long dirSize = i % 3 == 0 ? 5000000000LL * i : (i % 3 == 1 ? -4096 : 4096LL * i);
        sizes.push_back({n(10LL * i + 7), n(1 + i % 8), n(1 + i % size.scans), n(i % 8), n(dirSize)});
    }
    insert(db, "insert into SizeData (EntryID, DirID, ScanID, ParentDirID, DirSize) values (?,?,?,?,?)", sizes);
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
}

std::vector<std::string> SqliteRows(const std::string& path, const std::string& query) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db);
    sqlite3_stmt* statement = nullptr;
    check(sqlite3_prepare_v2(db, query.c_str(), -1, &statement, nullptr), db);
    std::vector<std::string> rows;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::string row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const unsigned char* value = sqlite3_column_text(statement, i);
            row += (i > 0 ? "|" : "") + std::string(value != nullptr ? reinterpret_cast<const char*>(value) : "NULL");
        }
        rows.push_back(row);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

std::vector<std::string> MariaDbRows(const testsupport::MariaDbServer& server, const std::string& database,
                                     const std::string& query) {
    testsupport::ProcessResult result = testsupport::RunProcess(
        "/usr/bin/mariadb", {"--no-defaults", "--host=" + server.host, "--port=" + std::to_string(server.port),
                             "--user=" + server.user, "--password=" + server.password, "--batch",
                             "--skip-column-names", database, "-e", query});
    if (result.exitCode != 0) {
        throw std::runtime_error("mariadb: " + result.err);
    }
    std::vector<std::string> rows;
    std::size_t start = 0;
    for (std::size_t end = result.out.find('\n'); end != std::string::npos;
         start = end + 1, end = result.out.find('\n', start)) {
        std::string row = result.out.substr(start, end - start);
        for (char& c : row) {
            c = c == '\t' ? '|' : c;
        }
        rows.push_back(row);
    }
    return rows;
}

long long SqliteCount(const std::string& path, const std::string& table) {
    return std::stoll(SqliteRows(path, "select count(*) from " + table).at(0));
}

long long MariaDbCount(const testsupport::MariaDbServer& server, const std::string& database,
                       const std::string& table) {
    return std::stoll(MariaDbRows(server, database, "select count(*) from " + table).at(0));
}

std::string OdbcString(const testsupport::MariaDbServer& server, const std::string& database) {
    return server.OdbcConnectionString(database);
}

void MakeMariaDbStore(const testsupport::MariaDbServer& server, const std::string& database) {
    std::string script;
    for (const char* file : {"/bin/CreateMySQLDatabase.txt", "/bin/CreateMySQLTables.txt"}) {
        script += testsupport::ReadFile(std::string(TALLYVOL_BINARY_DIR) + file) + "\n";
    }
    for (std::size_t at = script.find("$DATABASE$"); at != std::string::npos; at = script.find("$DATABASE$")) {
        script.replace(at, 10, database);
    }
    testsupport::ScratchDatabase::RunSql(server, script);
}

} // namespace copytest
