// Copying a whole store, as the database configuration's copy does it, against the tools'
// own ways of moving the same rows:
//   - into a new SQLite store, against `sqlite3 OLD .dump | sqlite3 NEW`;
//   - into a MariaDB database (tables made by the shipped script), against loading a
//     `mariadb-dump` of the same rows with the `mariadb` client.
// The old store holds SCANS scans of TREE: one real scan, then its rows copied with SQL under
// new scan identifiers (scanning 40 times would measure the disk, not the copy).
//   bench_copy [--rounds N] [--scans N] [--tree DIR]
// MariaDB: the test fixture's TALLYVOL_TEST_MARIADB_ENV file (skipped without it).
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "dbconfig/CopyTable.h"
#include "dbconfig/ICopyProgress.h"
#include "platform/ado/Connection.h"
#include "scan/CScanInfo.h"
#include "scan/SqlRules.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class QuietProgress : public dbconfig::ICopyProgress {
public:
    void ShowText(const std::string&) override {}
    void SetRange(std::int64_t) override {}
    void StepIt() override {}
    void ProcessMessages() override {}
    bool CancelRequested() override { return false; }
};

[[noreturn]] void die(const std::string& what) {
    std::fprintf(stderr, "bench_copy: %s\n", what.c_str());
    std::exit(1);
}

void shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        die("failed: " + command);
    }
}

double timed(const std::function<void()>& work) {
    auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void sqliteExec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        die(sql + ": " + (error != nullptr ? error : "?"));
    }
}

long long sqliteCount(const std::string& file, const char* table) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, (std::string("select count(*) from ") + table).c_str(), -1, &statement, nullptr);
    long long count = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return count;
}

std::string binDirectory() {
    return TALLYVOL_BENCH_BIN_DIR;
}

void copyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    if (!out) {
        die("cannot write " + to);
    }
}

// One real scan of the tree, then its rows again under new scans, a day apart each.
void buildStore(const std::string& store, const std::string& tree, int scans) {
    copyFile(binDirectory() + "/datasrc3.dll", store);
    app::SetSetting(app::settings::DBSource, scan::kAccessDatabase);
    app::SetCurrentDBSource(scan::kAccessDatabase);
    app::SetSetting(app::settings::ConnectionString, "Provider=SQLite;Data Source=" + store);
    {
        scan::CScanInfo scanInfo;
        if (scanInfo.Scan(tree, true, 2, false) < 0) {
            die("the scan of " + tree + " failed");
        }
    }
    sqlite3* db = nullptr;
    if (sqlite3_open(store.c_str(), &db) != SQLITE_OK) {
        die("cannot open " + store);
    }
    sqliteExec(db, "BEGIN");
    for (int scan = 2; scan <= scans; ++scan) {
        std::string id = std::to_string(scan);
        sqliteExec(db, "INSERT INTO ScanDefinition (ScanID, ScanRootDirID, ScanType, ScanDate) "
                       "SELECT " + id + ", ScanRootDirID, ScanType, datetime(ScanDate, '-" + id +
                           " days') FROM ScanDefinition WHERE ScanID=1");
        sqliteExec(db, "INSERT INTO SizeData (DirID, ScanID, ParentDirID, DirSize) SELECT DirID, " + id +
                           ", ParentDirID, DirSize + " + id + " FROM SizeData WHERE ScanID=1");
        sqliteExec(db, "INSERT INTO ExtensionInfo (ExtensionID, ScanID, NumFound, SizeUsed) SELECT "
                       "ExtensionID, " + id + ", NumFound, SizeUsed FROM ExtensionInfo WHERE ScanID=1");
    }
    sqliteExec(db, "COMMIT");
    sqlite3_close(db);
}

double copyInto(const std::string& from, const std::string& to, int kind) {
    platform::ado::Connection oldConnection;
    platform::ado::Connection newConnection;
    oldConnection.SetMode(19);
    newConnection.SetMode(19);
    oldConnection.Open(from);
    newConnection.Open(to);
    QuietProgress progress;
    double seconds = 0;
    seconds = timed([&] {
        if (!dbconfig::CopyDatabase(oldConnection, newConnection, kind, progress)) {
            die("the copy failed");
        }
    });
    return seconds;
}

struct MariaDb {
    std::map<std::string, std::string> values;
    std::string defaultsFile; // [client] options, so no password is on a command line
    std::string client(const char* program, const std::string& database) const {
        return std::string(program) + " --defaults-extra-file=" + defaultsFile + " " + database;
    }
    std::string odbc(const std::string& database) const {
        return "Driver=MariaDB Unicode;Server=" + values.at("HOST") + ";Port=" + values.at("PORT") +
               ";UID=" + values.at("USER") + ";PWD=" + values.at("PASSWORD") + ";Database=" + database;
    }
};

bool readMariaDb(const std::string& directory, MariaDb* server) {
    const char* file = std::getenv("TALLYVOL_TEST_MARIADB_ENV");
    if (file == nullptr) {
        return false;
    }
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        std::size_t equals = line.find('=');
        if (equals != std::string::npos && line.rfind("TALLYVOL_TEST_MARIADB_", 0) == 0) {
            server->values[line.substr(22, equals - 22)] = line.substr(equals + 1);
        }
    }
    if (server->values.count("PORT") == 0) {
        return false;
    }
    server->defaultsFile = directory + "/client.cnf";
    std::ofstream out(server->defaultsFile);
    out << "[client]\nhost=" << server->values["HOST"] << "\nport=" << server->values["PORT"]
        << "\nuser=" << server->values["USER"] << "\npassword=" << server->values["PASSWORD"] << "\n";
    out.close();
    ::chmod(server->defaultsFile.c_str(), 0600);
    return true;
}

void freshMariaDb(const MariaDb& server, const std::string& database, const std::string& work) {
    shell("echo 'DROP DATABASE IF EXISTS " + database + "' | " + server.client("mariadb", ""));
    shell("sed 's/\\$DATABASE\\$/" + database + "/g' " + binDirectory() + "/CreateMySQLDatabase.txt " +
          binDirectory() + "/CreateMySQLTables.txt > " + work + "/tables.sql");
    shell(server.client("mariadb", "") + " < " + work + "/tables.sql");
}

void report(const char* what, const std::vector<double>& ours, const std::vector<double>& theirs,
            const char* tool) {
    double ratio = median(ours) / median(theirs);
    std::printf("%-8s copy %.2f s median (best %.2f), %s %.2f s median (best %.2f): %.2fx %s\n",
                what, median(ours), *std::min_element(ours.begin(), ours.end()), tool,
                median(theirs), *std::min_element(theirs.begin(), theirs.end()), ratio,
                ratio <= 3.0 ? "(within 3x)" : "(OVER 3x)");
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 3;
    int scans = 40;
    std::string tree = "/usr";
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        if (option == "--rounds") rounds = std::atoi(argv[i + 1]);
        else if (option == "--scans") scans = std::atoi(argv[i + 1]);
        else if (option == "--tree") tree = argv[i + 1];
        else die("usage: bench_copy [--rounds N] [--scans N] [--tree DIR]");
    }
    char pattern[] = "/tmp/tallyvol-bench-copy-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        die("mkdtemp");
    }
    std::string work = pattern;
    ::setenv("TALLYVOL_HOME", work.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", work.c_str(), 1);
    ::setenv("TALLYVOL_DATA_DIR", binDirectory().c_str(), 1);
    ::setenv("TALLYVOL_LOCK_DIR", work.c_str(), 1);

    std::string store = work + "/old.db";
    double built = timed([&] { buildStore(store, tree, scans); });
    long long sizeRows = sqliteCount(store, "SizeData");
    std::printf("old store: %d scans of %s, %lld SizeData rows, %lld DirNames rows (built in %.1f s)\n",
                scans, tree.c_str(), sizeRows, sqliteCount(store, "DirNames"), built);

    MariaDb server;
    bool withMariaDb = readMariaDb(work, &server);
    std::string dump = work + "/rows.sql";
    std::vector<double> sqliteCopy, sqliteDump, mariaCopy, mariaLoad;
    for (int round = 0; round < rounds; ++round) {
        std::string copied = work + "/copied.db";
        copyFile(binDirectory() + "/datasrc3.dll", copied);
        sqliteCopy.push_back(copyInto("Provider=SQLite;Data Source=" + store,
                                      "Provider=SQLite;Data Source=" + copied, scan::kAccessDatabase));
        if (sqliteCount(copied, "SizeData") != sizeRows) {
            die("the SQLite copy lost rows");
        }
        std::string dumped = work + "/dumped.db";
        ::unlink(dumped.c_str());
        sqliteDump.push_back(timed([&] { shell("sqlite3 " + store + " .dump | sqlite3 " + dumped); }));
        if (sqliteCount(dumped, "SizeData") != sizeRows) {
            die("the SQLite dump lost rows");
        }
        if (!withMariaDb) {
            continue;
        }
        freshMariaDb(server, "tallyvol_bench_copy", work);
        mariaCopy.push_back(copyInto("Provider=SQLite;Data Source=" + store,
                                     server.odbc("tallyvol_bench_copy"), scan::kMySqlDatabase));
        if (round == 0) {
            shell(server.client("mariadb-dump", "--no-create-info --skip-triggers tallyvol_bench_copy") +
                  " > " + dump);
        }
        freshMariaDb(server, "tallyvol_bench_load", work);
        mariaLoad.push_back(timed([&] { shell(server.client("mariadb", "tallyvol_bench_load") + " < " + dump); }));
    }
    report("SQLite", sqliteCopy, sqliteDump, "sqlite3 .dump | sqlite3");
    if (withMariaDb) {
        report("MariaDB", mariaCopy, mariaLoad, "mariadb < mariadb-dump");
        shell("echo 'DROP DATABASE tallyvol_bench_copy; DROP DATABASE tallyvol_bench_load' | " +
              server.client("mariadb", ""));
    } else {
        std::printf("MariaDB: skipped (no TALLYVOL_TEST_MARIADB_ENV)\n");
    }
    shell("rm -rf " + work);
    return 0;
}
