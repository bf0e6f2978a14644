// What a long history costs: a repeat scan (scan and save, in process, as an automated run makes
// it) of a tree whose store already holds 1, 10, 40, 150 and 365 scans of it, and on the same
// stores the loads, the purge and the alert checks that read them. The history is made by
// copying the first scan's rows under older dates (a year of nightly scans in seconds), not by
// scanning 365 times. Each figure is the median of its rounds; the scan a round adds is deleted
// again (untimed) so the count stays put.
//
//   bench_scan_history [--rounds N] [--counts 1,10,40,150,365] [--sql STATEMENTS] [--odbc CONNECTION] TREE
//
// --sql runs statements (separated by ";") on the new SQLite store before the first scan, to
// try other layouts (indexes, page sizes).
//
// With --odbc the store is that (empty, tables made) MariaDB database instead of a new SQLite
// file, and only the repeat scan is timed, alternating with the same scan into SQLite.
#include "alerts/AlertChecks.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "platform/ado/Connection.h"
#include "scan/CScanInfo.h"
#include "scan/SqlRules.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    int rounds = 5;
    std::vector<int> counts = {1, 10, 40, 150, 365};
    std::string odbc;
    std::string sql;
    std::string tree;
};

[[noreturn]] void usage() {
    std::fprintf(stderr, "usage: bench_scan_history [--rounds N] [--counts 1,10,...] [--odbc CONNECTION] TREE\n");
    std::exit(2);
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--rounds" && i + 1 < argc) {
            options.rounds = std::atoi(argv[++i]);
        } else if (argument == "--counts" && i + 1 < argc) {
            options.counts.clear();
            std::stringstream list(argv[++i]);
            for (std::string item; std::getline(list, item, ',');) {
                options.counts.push_back(std::atoi(item.c_str()));
            }
        } else if (argument == "--sql" && i + 1 < argc) {
            options.sql = argv[++i];
        } else if (argument == "--odbc" && i + 1 < argc) {
            options.odbc = argv[++i];
        } else if (!argument.empty() && argument[0] != '-' && options.tree.empty()) {
            options.tree = argument;
        } else {
            usage();
        }
    }
    if (options.tree.empty() || options.rounds < 1) {
        usage();
    }
    return options;
}

double seconds(const std::function<void()>& work) {
    auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A scan of a root started in the same second as the last one waits for the next second (scans
// are found again by root and second); a timed scan starts on a fresh second so that the wait is
// not timed.
void startOnAFreshSecond() {
    auto now = std::chrono::system_clock::now();
    auto next = std::chrono::ceil<std::chrono::seconds>(now);
    std::this_thread::sleep_until(next + std::chrono::milliseconds(5));
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    return n % 2 != 0 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::int64_t single(platform::ado::Connection& connection, const std::string& sql) {
    auto rows = connection.OpenRecordset(sql);
    return rows->IsEOF() || rows->Fields(0).IsNull() ? -1 : rows->Fields(0).AsInt64();
}

// A store of its own in a private home directory.
std::string privateHome() {
    char pattern[] = "/tmp/tallyvol-history-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return made;
}

std::string newSqliteStore(const std::string& home) {
    std::string path = home + "/store.db";
    std::ifstream in(std::string(TALLYVOL_BENCH_BIN_DIR) + "/datasrc3.dll", std::ios::binary);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    return path;
}

void useStore(int kind, const std::string& connectionString) {
    app::SetSetting(app::settings::DBSource, kind);
    app::SetCurrentDBSource(kind);
    app::SetSetting(app::settings::ConnectionString, connectionString);
}

// Copies scan `from` as `copies` older scans, one a day before the other, starting `firstAge`
// days before it (the store's SQL for dates).
void copyScan(platform::ado::Connection& connection, int from, int firstAge, int copies, int kind) {
    for (int age = firstAge; age < firstAge + copies; ++age) {
        std::string older = kind == scan::kMySqlDatabase
                                ? "date_sub(ScanDate, interval " + std::to_string(age) + " day)"
                                : "datetime(ScanDate, '-" + std::to_string(age) + " days')";
        connection.BeginTrans();
        connection.Execute("insert into ScanDefinition (ScanRootDirID, ScanType, ScanDate) select ScanRootDirID, "
                           "ScanType, " +
                           older + " from ScanDefinition where ScanID=" + std::to_string(from));
        std::string id = std::to_string(single(connection, "select max(ScanID) from ScanDefinition"));
        connection.Execute("insert into SizeData (DirID, ScanID, ParentDirID, DirSize) select DirID, " + id +
                           ", ParentDirID, DirSize from SizeData where ScanID=" + std::to_string(from) +
                           " order by EntryID");
        connection.Execute("insert into ExtensionInfo (ExtensionID, ScanID, NumFound, SizeUsed) select ExtensionID, " +
                           id + ", NumFound, SizeUsed from ExtensionInfo where ScanID=" + std::to_string(from));
        connection.CommitTrans();
    }
}

struct Figures {
    int scans = 0;
    double repeat = 0;
    double load = 0;
    double alerts = 0;
    double purge = 0;
    double bytesPerRow = 0;
};

Figures measure(scan::CScanInfo& scanInfo, const Options& options, int scans, const std::string& storeFile) {
    Figures figures;
    figures.scans = scans;
    auto connection = scanInfo.GetConnection();
    std::vector<double> repeat, load, alerts, purge;
    alerts::AlertCheckContext context;
    context.directory = options.tree;
    context.loadScans = [&](const std::string& path, int view, scan::DisplayData& data, int maxScans) {
        return scanInfo.LoadScans(path, view, data, maxScans);
    };
    int sent = 0;
    context.sendAlert = [&](const std::string&, const std::string&, std::int64_t, const alerts::MailAppendix&) {
        ++sent;
    };
    for (int round = 0; round < options.rounds; ++round) {
        std::int64_t total = 0;
        startOnAFreshSecond();
        repeat.push_back(seconds([&] { total = scanInfo.Scan(options.tree, true, 2, false); }));
        if (total < 0) {
            std::fprintf(stderr, "the scan failed\n");
            std::exit(1);
        }
        connection = scanInfo.GetConnection();
        int added = static_cast<int>(single(*connection, "select max(ScanID) from ScanDefinition"));
        scan::DisplayData data;
        load.push_back(seconds([&] { scanInfo.LoadScans(options.tree, 0, data, 100); }));
        alerts.push_back(seconds([&] {
            alerts::AlertSizeCheck(context, std::int64_t{1} << 60);
            alerts::AlertPercentCheck(context, 1000000);
            alerts::MaxSizeCheck(context, std::int64_t{1} << 60);
        }));
        scanInfo.DeleteScan(static_cast<std::uint32_t>(added));
        // One scan older than all others is due for the purge; the others are not.
        int first = static_cast<int>(single(*connection, "select min(ScanID) from ScanDefinition"));
        copyScan(*connection, first, scans + 1, 1, app::CurrentDBSource());
        purge.push_back(seconds([&] { scanInfo.DeleteOldScans(scans, 2); }));
    }
    if (sent != 0) {
        std::fprintf(stderr, "%d alerts were sent\n", sent);
    }
    figures.repeat = median(repeat);
    figures.load = median(load);
    figures.alerts = median(alerts);
    figures.purge = median(purge);
    struct stat st {};
    std::int64_t rows = single(*connection, "select count(*) from SizeData");
    if (!storeFile.empty() && ::stat(storeFile.c_str(), &st) == 0 && rows > 0) {
        figures.bytesPerRow = static_cast<double>(st.st_size) / static_cast<double>(rows);
    }
    return figures;
}

int history(const Options& options) {
    std::string home = privateHome();
    ::setenv("TALLYVOL_HOME", home.c_str(), 1);
    app::SetMachineString(home, "LogDir");
    std::string store = newSqliteStore(home);
    useStore(scan::kAccessDatabase, "Provider=SQLite;Data Source=" + store);
    scan::CScanInfo scanInfo;
    scanInfo.SetSaveOptions(true, true);
    if (!options.sql.empty()) {
        std::stringstream statements(options.sql);
        for (std::string statement; std::getline(statements, statement, ';');) {
            if (statement.find_first_not_of(" \t\n") != std::string::npos) {
                scanInfo.GetConnection()->Execute(statement);
            }
        }
    }
    double first = seconds([&] { scanInfo.Scan(options.tree, true, 2, false); });
    auto connection = scanInfo.GetConnection();
    int firstScan = static_cast<int>(single(*connection, "select min(ScanID) from ScanDefinition"));
    std::int64_t rowsPerScan = single(*connection, "select count(*) from SizeData");
    std::printf("tree %s: %lld size rows per scan; first scan and save %.3f s\n", options.tree.c_str(),
                static_cast<long long>(rowsPerScan), first);
    std::printf("%6s %12s %12s %12s %12s %14s\n", "scans", "repeat s", "LoadScans s", "alerts s", "purge s",
                "bytes/row");
    int stored = 1;
    for (int count : options.counts) {
        if (count > stored) {
            copyScan(*connection, firstScan, stored, count - stored, scan::kAccessDatabase);
            stored = count;
        }
        Figures figures = measure(scanInfo, options, stored, store);
        std::printf("%6d %12.3f %12.4f %12.4f %12.4f %14.1f\n", figures.scans, figures.repeat, figures.load,
                    figures.alerts, figures.purge, figures.bytesPerRow);
        std::fflush(stdout);
    }
    std::string remove = "rm -rf '" + home + "'";
    return std::system(remove.c_str()) == 0 ? 0 : 1;
}

// The same repeat scan into MariaDB and into SQLite, alternating.
int serverAgainstFile(const Options& options) {
    std::string home = privateHome();
    ::setenv("TALLYVOL_HOME", home.c_str(), 1);
    app::SetMachineString(home, "LogDir");
    std::string store = newSqliteStore(home);
    struct Target {
        const char* name;
        int kind;
        std::string connection;
        std::vector<double> times;
    };
    Target targets[] = {{"SQLite", scan::kAccessDatabase, "Provider=SQLite;Data Source=" + store, {}},
                        {"MariaDB", scan::kMySqlDatabase, options.odbc, {}}};
    scan::CScanInfo scanInfo;
    scanInfo.SetSaveOptions(true, true);
    for (Target& target : targets) {
        useStore(target.kind, target.connection);
        double first = seconds([&] { scanInfo.Scan(options.tree, true, 2, false); });
        std::printf("%s: first scan and save %.3f s\n", target.name, first);
    }
    for (int round = 0; round < options.rounds; ++round) {
        for (Target& target : targets) {
            useStore(target.kind, target.connection);
            startOnAFreshSecond();
            target.times.push_back(seconds([&] { scanInfo.Scan(options.tree, true, 2, false); }));
        }
    }
    for (const Target& target : targets) {
        std::printf("%s: repeat scan and save, median %.3f s of", target.name, median(target.times));
        for (double time : target.times) {
            std::printf(" %.3f", time);
        }
        std::printf("\n");
    }
    std::printf("MariaDB / SQLite: %.2f\n", median(targets[1].times) / median(targets[0].times));
    std::string remove = "rm -rf '" + home + "'";
    return std::system(remove.c_str()) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    Options options = parse(argc, argv);
    app::AutomatedScanInProgress = true;
    return options.odbc.empty() ? history(options) : serverAgainstFile(options);
}
