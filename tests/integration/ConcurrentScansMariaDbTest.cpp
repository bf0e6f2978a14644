// Many hosts' nightly runs writing into one MariaDB store at the same moment: separate tallyvol
// processes, first scans of overlapping trees, all started together. Every scan must be stored
// whole, with the totals the test computes from the files it made, and every directory must
// end up with its parent.
#include "dbconfig/DatabasePreparation.h"
#include "platform/ado/Connection.h"
#include "platform/system/SystemInfo.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/ProcessRunner.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <thread>

using testsupport::IsolatedEnvironment;

namespace {

std::uint64_t onDisk(std::uint64_t size) {
    return size == 0 ? 0 : (size & ~std::uint64_t{4095}) + 4096;
}

// The tree the scans share: a, b and c, each with 20 directories of 8 more, files everywhere.
// Returns each directory's expected total (relative path, "" for the root).
std::map<std::string, std::uint64_t> makeTree(const std::string& root) {
    std::map<std::string, std::uint64_t> totals;
    int fileNumber = 0;
    auto addFile = [&](const std::string& relative) {
        std::uint64_t size = static_cast<std::uint64_t>((fileNumber++ * 7919) % 9000 + 1);
        testsupport::WriteSizedFile(root + "/" + relative + "/f" + std::to_string(fileNumber) + ".dat", size);
        for (std::string directory = relative;; directory = directory.substr(0, directory.rfind('/'))) {
            totals[directory] += onDisk(size);
            if (directory.find('/') == std::string::npos) {
                totals[""] += onDisk(size);
                break;
            }
        }
    };
    for (const char* top : {"a", "b", "c"}) {
        addFile(top);
        for (int d = 0; d < 20; ++d) {
            std::string middle = std::string(top) + "/d" + std::to_string(d);
            addFile(middle);
            for (int e = 0; e < 8; ++e) {
                addFile(middle + "/e" + std::to_string(e));
            }
        }
    }
    return totals;
}

std::string machineHive(const IsolatedEnvironment& env, const std::string& home, const std::string& connectionString) {
    return "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_LOCAL_MACHINE\\software\\Tallyvol\\Settings]\n"
           "\"LogDir\"=\"" +
           env.LogDirectory() + "/" + home +
           "\"\n\n"
           "[HKEY_LOCAL_MACHINE\\software\\Tallyvol]\n"
           "\"DBSource\"=dword:00000003\n"
           "\"ConnectionString\"=\"" +
           connectionString + "\"\n";
}

} // namespace

TEST(ConcurrentScansMariaDb, FirstScansOfOverlappingTreesAreAllStoredWholeWithTheirParents) {
    TALLYVOL_REQUIRE_MARIADB(server);
    IsolatedEnvironment env;
    testsupport::ScratchDatabase database(server, "tvconcurrent");
    ASSERT_TRUE(dbconfig::RunMySqlScript(dbconfig::kCreateMySQLDatabase, "/usr/bin", database.Name(), server.host,
                                         server.port, server.user, server.password));
    ASSERT_TRUE(dbconfig::RunMySqlScript(dbconfig::kCreateMySQLTables, "/usr/bin", database.Name(), server.host,
                                         server.port, server.user, server.password));
    std::string tree = env.Root() + "/tree";
    std::map<std::string, std::uint64_t> totals = makeTree(tree);

    // Two scans of the same root among them, as two hosts scanning one share would.
    const std::vector<std::string> roots = {"", "", "a", "a/d3", "b", "c", "b/d5"};
    std::vector<testsupport::ProcessResult> results(roots.size());
    std::vector<std::thread> runs;
    for (std::size_t i = 0; i < roots.size(); ++i) {
        std::string home = "home" + std::to_string(i);
        testsupport::MakeDirectories(env.Root() + "/" + home);
        testsupport::MakeDirectories(env.LogDirectory() + "/" + home);
        testsupport::WriteFile(env.Root() + "/" + home + "/machine.reg",
                               machineHive(env, home, server.OdbcConnectionString(database.Name())));
        std::map<std::string, std::string> environment = {{"TALLYVOL_HOME", env.Root() + "/" + home},
                                                          {"XDG_CONFIG_HOME", env.Root() + "/" + home + "/config"},
                                                          {"TMPDIR", env.Root()}};
        std::string directory = roots[i].empty() ? tree : tree + "/" + roots[i];
        runs.emplace_back([&results, i, directory, environment] {
            results[i] = testsupport::RunTallyvol({"/DIR=" + directory, "/SCAN", "/SAVE", "/SAVESUBDIRS"},
                                                  environment, 300);
        });
    }
    for (std::thread& run : runs) {
        run.join();
    }
    for (std::size_t i = 0; i < roots.size(); ++i) {
        EXPECT_EQ(results[i].exitCode, 0) << "scan of /" << roots[i] << ": " << results[i].err;
        EXPECT_EQ(results[i].err, "") << "scan of /" << roots[i];
    }

    platform::ado::Connection store;
    store.Open(server.OdbcConnectionString(database.Name()));
    std::string host = "//" + platform::system::ComputerName();
    std::string storedTree = host + tree;
    // Every directory: its DirID, and its parent's, by stored path.
    std::map<std::string, std::pair<int, int>> directories;
    auto rows = store.OpenRecordset("select Path, DirID, ParentDirID from DirNames");
    std::map<int, std::string> pathOf;
    for (; !rows->IsEOF(); rows->MoveNext()) {
        std::string path = rows->Fields("Path").AsString();
        EXPECT_EQ(directories.count(path), 0u) << path << " stored twice";
        directories[path] = {rows->Fields("DirID").AsInt(), rows->Fields("ParentDirID").AsInt()};
        pathOf[rows->Fields("DirID").AsInt()] = path;
    }
    for (const auto& [path, ids] : directories) {
        if (path == host) {
            EXPECT_EQ(ids.second, 0);
            continue;
        }
        std::string parent = path.substr(0, path.rfind('/'));
        ASSERT_EQ(directories.count(parent), 1u) << path;
        EXPECT_EQ(ids.second, directories[parent].first) << path << " has parent " << pathOf[ids.second];
    }

    // One scan per run, each with a size row for every directory of its tree and the totals.
    auto scans = store.OpenRecordset("select ScanID, ScanRootDirID from ScanDefinition");
    std::multiset<std::string> scannedRoots;
    std::vector<std::pair<int, std::string>> scanRoots;
    for (; !scans->IsEOF(); scans->MoveNext()) {
        scanRoots.emplace_back(scans->Fields("ScanID").AsInt(), pathOf[scans->Fields("ScanRootDirID").AsInt()]);
        scannedRoots.insert(scanRoots.back().second);
    }
    std::multiset<std::string> expectedRoots;
    for (const std::string& root : roots) {
        expectedRoots.insert(root.empty() ? storedTree : storedTree + "/" + root);
    }
    EXPECT_EQ(scannedRoots, expectedRoots);
    for (const auto& [scanID, root] : scanRoots) {
        std::map<std::string, std::int64_t> stored;
        auto sizes = store.OpenRecordset("select d.Path, s.DirSize from SizeData s, DirNames d where s.DirID=d.DirID "
                                         "and s.ScanID=" +
                                         std::to_string(scanID));
        for (; !sizes->IsEOF(); sizes->MoveNext()) {
            stored[sizes->Fields("Path").AsString()] = sizes->Fields("DirSize").AsInt64();
        }
        std::map<std::string, std::int64_t> expected;
        for (const auto& [relative, total] : totals) {
            std::string path = relative.empty() ? storedTree : storedTree + "/" + relative;
            if (path == root || path.rfind(root + "/", 0) == 0) {
                expected[path] = static_cast<std::int64_t>(total);
            }
        }
        EXPECT_EQ(stored, expected) << "scan " << scanID << " of " << root;
        auto extensions = store.OpenRecordset("select sum(SizeUsed) from ExtensionInfo where ScanID=" +
                                              std::to_string(scanID));
        EXPECT_EQ(extensions->Fields(0).AsInt64(), expected[root]) << "scan " << scanID << " of " << root;
    }
}
