// Writing a scan's size rows: 100,000 SizeData rows, one statement text per row, in
// transactions committed every 10,000 rows, as the scanner writes them. Compares the
// data-access layer with the same statements through the raw SQLite C API (and, with a MariaDB
// server, through the layer and raw ODBC).
//   bench_store [rounds] [odbc-connection-string-of-an-empty-MariaDB-database]
// Without the second argument, TALLYVOL_TEST_MARIADB_ENV (the test fixture's file) is used
// when set; the MariaDB part is skipped otherwise.
#include "platform/ado/Connection.h"
#include "scan/ScanStoreSql.h"
#include "scan/SqlRules.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kRowsPerTransaction = 10000;

using Clock = std::chrono::steady_clock;

std::string templatePath() {
    return std::string(TALLYVOL_BENCH_BIN_DIR) + "/datasrc3.dll";
}

std::string freshStore() {
    static int counter = 0;
    std::string path = "/tmp/tallyvol-bench-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".db";
    std::ifstream in(templatePath(), std::ios::binary);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    return path;
}

// The statement of row i, built the way the scanner builds it.
std::string rowStatement(const scan::ScanStoreSql& sql, int i) {
    return sql.InsertSizeRow(i + 2, 1, (i / 20) + 1, 4096LL * (i % 5000) + 5000000000LL);
}

double layerRun(const std::string& connectionString, int kind) {
    platform::ado::Connection connection;
    connection.SetMode(19);
    connection.Open(connectionString);
    scan::ScanStoreSql sql(kind);
    auto start = Clock::now();
    connection.BeginTrans();
    for (int i = 0; i < kRows; ++i) {
        if (i > 0 && i % kRowsPerTransaction == 0) {
            connection.CommitTrans();
            connection.BeginTrans();
        }
        connection.Execute(rowStatement(sql, i), platform::ado::adCmdText | platform::ado::adExecuteNoRecords);
    }
    connection.CommitTrans();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

double rawSqliteRun(const std::string& path) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), db, "open");
    scan::ScanStoreSql sql(scan::kAccessDatabase);
    auto start = Clock::now();
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    for (int i = 0; i < kRows; ++i) {
        if (i > 0 && i % kRowsPerTransaction == 0) {
            check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
            check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
        }
        std::string text = rowStatement(sql, i);
        sqlite3_stmt* statement = nullptr;
        check(sqlite3_prepare_v2(db, text.c_str(), -1, &statement, nullptr), db, "prepare");
        check(sqlite3_step(statement), db, "step");
        sqlite3_finalize(statement);
    }
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    sqlite3_close(db);
    return seconds;
}

void odbcCheck(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* what) {
    if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) {
        return;
    }
    SQLCHAR state[8] = {}, text[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRec(type, handle, 1, state, &native, text, sizeof text, &length);
    std::fprintf(stderr, "%s: %s %s\n", what, state, text);
    std::exit(1);
}

double rawOdbcRun(const std::string& connectionString) {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT statement = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    odbcCheck(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString.c_str())),
                               SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
              SQL_HANDLE_DBC, dbc, "connect");
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &statement);
    scan::ScanStoreSql sql(scan::kMySqlDatabase);
    auto start = Clock::now();
    SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
    for (int i = 0; i < kRows; ++i) {
        if (i > 0 && i % kRowsPerTransaction == 0) {
            odbcCheck(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT), SQL_HANDLE_DBC, dbc, "commit");
        }
        std::string text = rowStatement(sql, i);
        odbcCheck(SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS), SQL_HANDLE_STMT,
                  statement, "execute");
        SQLFreeStmt(statement, SQL_CLOSE);
    }
    odbcCheck(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT), SQL_HANDLE_DBC, dbc, "commit");
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return seconds;
}

struct Figures {
    std::vector<double> runs;
    double best() const { return *std::min_element(runs.begin(), runs.end()); }
    double median() const {
        std::vector<double> sorted = runs;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

void print(const char* name, const Figures& figures) {
    std::printf("%-34s median %7.3f s  best %7.3f s  (%zu rounds, %d rows)\n", name, figures.median(), figures.best(),
                figures.runs.size(), kRows);
}

std::string mariaDbFromFixture() {
    const char* file = std::getenv("TALLYVOL_TEST_MARIADB_ENV");
    if (file == nullptr) {
        return {};
    }
    std::ifstream in(file);
    std::string line, host, port, user, password;
    while (std::getline(in, line)) {
        std::size_t equals = line.find('=');
        std::string name = line.substr(0, equals), value = line.substr(equals + 1);
        if (name == "TALLYVOL_TEST_MARIADB_HOST") host = value;
        if (name == "TALLYVOL_TEST_MARIADB_PORT") port = value;
        if (name == "TALLYVOL_TEST_MARIADB_USER") user = value;
        if (name == "TALLYVOL_TEST_MARIADB_PASSWORD") password = value;
    }
    if (port.empty()) {
        return {};
    }
    return "Driver=MariaDB Unicode;Server=" + host + ";Port=" + port + ";UID=" + user + ";PWD=" + password;
}

// A fresh bench database with the store's tables, made from the shipped MySQL script.
std::string prepareMariaDb(const std::string& server) {
    platform::ado::Connection connection;
    connection.Open(server);
    connection.Execute("DROP DATABASE IF EXISTS tallyvol_bench");
    connection.Execute("CREATE DATABASE tallyvol_bench CHARACTER SET utf8mb4 COLLATE utf8mb4_bin");
    std::ifstream in(std::string(TALLYVOL_BENCH_BIN_DIR) + "/CreateMySQLTables.txt");
    std::stringstream script;
    script << in.rdbuf();
    std::string text = script.str();
    for (std::size_t at = text.find("$DATABASE$"); at != std::string::npos; at = text.find("$DATABASE$")) {
        text.replace(at, 10, "tallyvol_bench");
    }
    std::string statement;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("--", 0) == 0) {
            continue;
        }
        statement += line + "\n";
        if (!line.empty() && line.back() == ';') {
            connection.Execute(statement);
            statement.clear();
        }
    }
    return server + ";Database=tallyvol_bench";
}

} // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::string mariaDb = argc > 2 ? argv[2] : mariaDbFromFixture();

    Figures layer, raw;
    for (int round = 0; round < rounds; ++round) {
        std::string a = freshStore();
        std::string b = freshStore();
        // Alternate the order so neither side always meets a warm cache first.
        if (round % 2 == 0) {
            layer.runs.push_back(layerRun("Provider=SQLite;Data Source=" + a, scan::kAccessDatabase));
            raw.runs.push_back(rawSqliteRun(b));
        } else {
            raw.runs.push_back(rawSqliteRun(b));
            layer.runs.push_back(layerRun("Provider=SQLite;Data Source=" + a, scan::kAccessDatabase));
        }
        std::remove(a.c_str());
        std::remove(b.c_str());
    }
    print("SQLite store, data-access layer", layer);
    print("SQLite store, raw C API", raw);
    std::printf("layer / raw (medians): %.2f\n", layer.median() / raw.median());

    if (mariaDb.empty()) {
        std::printf("MariaDB: no server given; skipped\n");
        return 0;
    }
    Figures mariaLayer, mariaRaw;
    for (int round = 0; round < std::min(rounds, 3); ++round) {
        std::string database = prepareMariaDb(mariaDb);
        mariaLayer.runs.push_back(layerRun(database, scan::kMySqlDatabase));
        database = prepareMariaDb(mariaDb);
        mariaRaw.runs.push_back(rawOdbcRun(database));
    }
    platform::ado::Connection cleanup;
    cleanup.Open(mariaDb);
    cleanup.Execute("DROP DATABASE IF EXISTS tallyvol_bench");
    print("MariaDB over ODBC, layer", mariaLayer);
    print("MariaDB over ODBC, raw ODBC", mariaRaw);
    std::printf("layer / raw (medians): %.2f\n", mariaLayer.median() / mariaRaw.median());
    return 0;
}
