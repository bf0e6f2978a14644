// The walk where trees are awkward: symbolic links with and without the loop check, hard links,
// names of any bytes, very deep and very long paths, directories that cannot be read or vanish
// while they are read, and mounts (pseudo file systems, bind mounts) below the tree.
#include "app/base/DiagnosticLog.h"
#include "scan/fs/DirFingerprint.h"
#include "scan/fs/FileTime.h"
#include "scan/fs/TreeWalker.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/TempDirectory.h"
#include "tests/unit/scan/WalkTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>

using namespace walktest;
using scan::DirectoryResult;
using scan::DirectoryStatus;
using scan::SubdirectoryKind;
using scan::TreeWalker;
using scan::WalkOptions;
using testsupport::IsolatedEnvironment;
using testsupport::TempDirectory;

namespace {

WalkOptions mode(bool readAhead) {
    WalkOptions options;
    options.readAhead = readAhead;
    options.maxQueuedDirectories = 2;
    return options;
}

WalkOptions loopCheck(bool readAhead = false, std::size_t maxQueued = 1024) {
    WalkOptions options;
    options.loopCheck = true;
    options.fingerprintCutoff = scan::ScanAgeCutoff();
    options.readAhead = readAhead;
    options.maxQueuedDirectories = maxQueued;
    return options;
}

const DirectoryResult* find(const ConsumedWalk& walk, const std::string& path) {
    for (const DirectoryResult& directory : walk.results) {
        if (directory.path == path) {
            return &directory;
        }
    }
    return nullptr;
}

bool contains(const std::vector<std::string>& paths, const std::string& path) {
    return std::find(paths.begin(), paths.end(), path) != paths.end();
}

} // namespace

TEST(TreeWalkerLinks, WithoutTheLoopCheckALinkIsAFileOfItsOwnSize) {
    TempDirectory temp;
    TreeRecord tree(temp / "links");
    tree.Directory("real");
    tree.File("real/file", 5000);
    MakeSymlink("real/file", tree.Root() + "/tofile");
    MakeSymlink("real", tree.Root() + "/todir");
    MakeSymlink(".", tree.Root() + "/self");
    MakeSymlink("/nonexistent/target", tree.Root() + "/dangling");
    for (bool ahead : {false, true}) {
        TreeWalker walker(tree.Root(), mode(ahead));
        ConsumedWalk walk = Consume(walker);
        EXPECT_EQ(walk.enterOrder, (std::vector<std::string>{tree.Root(), tree.Root() + "/real"}));
        EXPECT_EQ(walk.fileCounts[tree.Root()], 4u);
        EXPECT_EQ(walk.rootTotal, 8192u + 4 * 4096u); // every link is short: one unit each
    }
}

TEST(TreeWalkerLinks, WithTheLoopCheckLinkedDirectoriesAreEnteredOnceAndCyclesEnd) {
    TempDirectory temp;
    TreeRecord outside(temp / "outside");
    outside.File("data", 100);
    TreeRecord tree(temp / "links");
    tree.Directory("real");
    tree.File("real/file", 5000);
    tree.Directory("real/sub");
    MakeSymlink("real", tree.Root() + "/todir");
    MakeSymlink("..", tree.Root() + "/real/up");
    MakeSymlink(".", tree.Root() + "/self");
    MakeSymlink(outside.Root(), tree.Root() + "/away");
    MakeSymlink("real/file", tree.Root() + "/tofile");

    // Read ahead, the walker thread runs into the cycles until the consumer cuts them off: with
    // a queue of two it is stopped at once, with a long one it reads far ahead.
    for (auto [ahead, queued] : {std::pair{false, 1024}, std::pair{true, 2}, std::pair{true, 1024}}) {
        SCOPED_TRACE(std::string(ahead ? "read-ahead, queue " : "synchronous, queue ") + std::to_string(queued));
        scan::LoopDetector loops([](std::chrono::milliseconds) { FAIL() << "stable directories never wait"; });
        TreeWalker walker(tree.Root(), loopCheck(ahead, queued));
        EXPECT_EQ(walker.IsReadAhead(), ahead);
        ConsumedWalk walk = ConsumeWithLoopCheck(walker, loops);
        EXPECT_TRUE(walk.balanced);
        // Each directory is counted once, whichever way it was reached first.
        EXPECT_EQ(walk.rootTotal, 8192u + 4096u /* tofile */ + 4096u /* away/data */);
        EXPECT_TRUE(contains(walk.enterOrder, tree.Root() + "/away"));
        EXPECT_EQ(walk.totals[tree.Root() + "/away"], 4096u);
        for (const std::string& path : walk.enterOrder) {
            EXPECT_LT(path.size(), tree.Root().size() + 40) << "walked into a cycle: " << path;
        }
        const DirectoryResult* root = find(walk, tree.Root());
        ASSERT_NE(root, nullptr);
        for (const scan::SubdirectoryEntry& subdirectory : root->subdirectories) {
            EXPECT_EQ(subdirectory.viaLink, subdirectory.name != "real") << subdirectory.name;
        }
    }
}

TEST(TreeWalkerLinks, WithTheLoopCheckReadingAheadDeliversWhatTheSynchronousWalkDoes) {
    TempDirectory temp;
    TreeRecord tree = MakeRandomTree(temp / "tree", 120, 600, 21);
    // Links back to the root from deep down, sideways into a sibling's subtree and to itself:
    // every one a loop or a duplicate the consumer must cut off.
    const std::vector<std::string>& directories = tree.Directories();
    ASSERT_GT(directories.size(), 20u);
    int made = 0;
    for (std::size_t i = 5; i < directories.size(); i += 7) {
        const std::string here = tree.Root() + "/" + directories[i];
        MakeSymlink(tree.Root(), here + "/to-root");
        MakeSymlink(tree.Root() + "/" + directories[i / 2], here + "/sideways");
        MakeSymlink(".", here + "/self");
        made += 3;
    }
    ASSERT_GT(made, 10);
    ConsumedWalk expected;
    {
        scan::LoopDetector loops;
        TreeWalker walker(tree.Root(), loopCheck());
        expected = ConsumeWithLoopCheck(walker, loops);
    }
    ASSERT_TRUE(expected.balanced);
    EXPECT_EQ(expected.rootTotal, tree.ExpectedTotal(""));
    for (std::size_t queued : {std::size_t{1}, std::size_t{3}, std::size_t{1024}}) {
        SCOPED_TRACE("queue " + std::to_string(queued));
        scan::LoopDetector loops;
        TreeWalker walker(tree.Root(), loopCheck(true, queued));
        ConsumedWalk walk = ConsumeWithLoopCheck(walker, loops);
        EXPECT_TRUE(walk.balanced);
        EXPECT_EQ(walk.enterOrder, expected.enterOrder);
        EXPECT_EQ(walk.leaveOrder, expected.leaveOrder);
        EXPECT_EQ(walk.totals, expected.totals);
        EXPECT_EQ(walk.fileCounts, expected.fileCounts);
        EXPECT_EQ(walk.rootTotal, expected.rootTotal);
        ASSERT_EQ(walk.results.size(), expected.results.size());
        for (std::size_t i = 0; i < walk.results.size(); ++i) {
            EXPECT_EQ(walk.results[i].fingerprint, expected.results[i].fingerprint) << walk.results[i].path;
            EXPECT_EQ(walk.results[i].fullFingerprint, expected.results[i].fullFingerprint) << walk.results[i].path;
            EXPECT_EQ(walk.results[i].subdirectories.size(), expected.results[i].subdirectories.size());
        }
    }
}

TEST(TreeWalkerLinks, HardLinksCountOncePerName) {
    TempDirectory temp;
    TreeRecord tree(temp / "hard");
    tree.Directory("a");
    tree.File("a/original", 10000);
    ASSERT_EQ(::link((tree.Root() + "/a/original").c_str(), (tree.Root() + "/second").c_str()), 0);
    ASSERT_EQ(::link((tree.Root() + "/a/original").c_str(), (tree.Root() + "/a/third").c_str()), 0);
    TreeWalker walker(tree.Root(), WalkOptions());
    ConsumedWalk walk = Consume(walker);
    EXPECT_EQ(walk.rootTotal, 3 * 12288u);
}

TEST(TreeWalkerNames, AwkwardNamesArriveByteForByte) {
    TempDirectory temp;
    TreeRecord tree(temp / "names");
    std::vector<std::string> names = {"it's",        "say \"hi\"", "blank name", "100%",   "under_score",
                                      "back\\slash", "new\nline", "Ünïcödé",    "日本語", "  lead and trail  ",
                                      std::string("\xff\xfe latin1")};
    for (const std::string& name : names) {
        tree.Directory(name);
        tree.File(name + "/" + name + ".dat", 10);
    }
    for (bool ahead : {false, true}) {
        TreeWalker walker(tree.Root(), mode(ahead));
        ConsumedWalk walk = Consume(walker);
        ASSERT_EQ(walk.enterOrder.size(), names.size() + 1);
        for (const std::string& name : names) {
            EXPECT_EQ(walk.totals[tree.Root() + "/" + name], 4096u) << name;
            const DirectoryResult* directory = find(walk, tree.Root() + "/" + name);
            ASSERT_NE(directory, nullptr) << name;
            ASSERT_EQ(directory->extensions.size(), 1u);
            EXPECT_EQ(directory->extensions[0].key, ".DAT");
        }
    }
}

TEST(TreeWalkerDepth, ThreeHundredLevelsWithFewDescriptors) {
    TempDirectory temp;
    TreeRecord tree(temp / "deep");
    std::string relative;
    for (int level = 0; level < 300; ++level) {
        relative += (relative.empty() ? "" : "/") + std::string("n") + std::to_string(level);
        tree.Directory(relative);
        tree.File(relative + "/f", 1);
        if (level % 50 == 0) {
            tree.Directory(relative + "/side");
            tree.File(relative + "/side/g", 5000);
        }
    }
    for (WalkOptions::Order order : {WalkOptions::Order::kDepthFirst, WalkOptions::Order::kBreadthFirst}) {
        for (bool ahead : {false, true}) {
            WalkOptions options = mode(ahead);
            options.order = order;
            options.maxOpenDirectories = 3;
            TreeWalker walker(tree.Root(), options);
            ConsumedWalk walk = Consume(walker);
            EXPECT_TRUE(walk.balanced || order == WalkOptions::Order::kBreadthFirst);
            ASSERT_EQ(walk.results.size(), tree.Directories().size());
            int deepest = 0;
            for (const DirectoryResult& directory : walk.results) {
                EXPECT_EQ(directory.status, DirectoryStatus::kRead) << directory.path;
                deepest = std::max(deepest, directory.depth);
            }
            EXPECT_EQ(deepest, 300);
            if (order == WalkOptions::Order::kDepthFirst) {
                EXPECT_EQ(walk.rootTotal, tree.ExpectedTotal(""));
                EXPECT_EQ(walk.rootTotal, 300 * 4096u + 6 * 8192u);
            }
        }
    }
}

TEST(TreeWalkerDepth, PathsLongerThanTheKernelTakesAtOnce) {
    TempDirectory temp;
    std::string root = temp / "long";
    MakeDirectory(root);
    const std::string name(200, 'x');
    const int levels = 30; // about 6000 bytes below the root
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    std::vector<int> chain{fd};
    for (int level = 0; level < levels; ++level) {
        ASSERT_EQ(::mkdirat(chain.back(), name.c_str(), 0755), 0);
        int next = ::openat(chain.back(), name.c_str(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(next, 0);
        chain.push_back(next);
    }
    int file = ::openat(chain.back(), "bottom.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::write(file, "x", 1), 1);
    ::close(file);

    for (WalkOptions::Order order : {WalkOptions::Order::kDepthFirst, WalkOptions::Order::kBreadthFirst}) {
        WalkOptions options;
        options.order = order;
        options.maxOpenDirectories = 2;
        TreeWalker walker(root, options);
        ConsumedWalk walk = Consume(walker);
        ASSERT_EQ(walk.results.size(), static_cast<std::size_t>(levels + 1));
        const DirectoryResult& bottom = walk.results.back();
        EXPECT_GT(bottom.path.size(), 6000u);
        EXPECT_EQ(bottom.status, DirectoryStatus::kRead);
        EXPECT_EQ(bottom.fileCount, 1u);
    }

    // Removed here: the path is too long for the test support's removal.
    ASSERT_EQ(::unlinkat(chain.back(), "bottom.txt", 0), 0);
    for (int level = levels; level > 0; --level) {
        ::close(chain[level]);
        ASSERT_EQ(::unlinkat(chain[level - 1], name.c_str(), AT_REMOVEDIR), 0);
    }
    ::close(chain[0]);
}

TEST(TreeWalkerProblems, UnreadableDirectoriesAreSkippedNotFatal) {
    TempDirectory temp;
    ::chmod(temp.Path().c_str(), 0755); // reachable by the unprivileged user
    TreeRecord tree(temp / "perm");
    tree.Directory("open");
    tree.File("open/file", 10);
    tree.Directory("locked");
    tree.File("locked/file", 10);
    tree.Directory("listonly");
    tree.File("listonly/file", 10);
    tree.Directory("listonly/sub");
    ::chmod((tree.Root() + "/locked").c_str(), 0);
    ::chmod((tree.Root() + "/listonly").c_str(), 0644); // may list, may not look inside
    int status = RunAsNobody([&] {
        for (bool ahead : {false, true}) {
            TreeWalker walker(tree.Root(), mode(ahead));
            ConsumedWalk walk = Consume(walker);
            const DirectoryResult* locked = find(walk, tree.Root() + "/locked");
            const DirectoryResult* listOnly = find(walk, tree.Root() + "/listonly");
            const DirectoryResult* below = find(walk, tree.Root() + "/listonly/sub");
            if (!walk.balanced || locked == nullptr || listOnly == nullptr || below == nullptr) {
                return 1;
            }
            if (locked->status != DirectoryStatus::kOpenFailed || locked->error != EACCES) {
                return 2;
            }
            // Names listed (the listing's type tells the subdirectory), but the file cannot be
            // sized and the subdirectory cannot be opened.
            if (listOnly->status != DirectoryStatus::kRead || listOnly->problems.size() != 1 ||
                listOnly->problems[0].name != "file" || listOnly->problems[0].error != EACCES ||
                listOnly->fileCount != 0 || below->status != DirectoryStatus::kOpenFailed || below->error != EACCES) {
                return 3;
            }
            if (walk.rootTotal != 4096) {
                return 4;
            }
        }
        return 0;
    });
    EXPECT_EQ(status, 0) << "1 walk incomplete, 2 locked directory, 3 list-only directory, 4 totals, 98 no user";
}

TEST(TreeWalkerProblems, ADirectoryRemovedBeforeItIsReadIsReportedAndSkipped) {
    IsolatedEnvironment env;
    app::EnableDebugLog();
    TempDirectory temp;
    TreeRecord tree(temp / "removal");
    for (int i = 0; i < 30; ++i) {
        std::string top = "t" + std::to_string(i);
        tree.Directory(top);
        for (int k = 0; k < 5; ++k) {
            tree.Directory(top + "/s" + std::to_string(k));
            tree.File(top + "/s" + std::to_string(k) + "/f", 100);
        }
    }
    for (bool ahead : {false, true}) {
        std::string removed;
        TreeWalker walker(tree.Root(), mode(ahead));
        ConsumedWalk walk = Consume(walker, [&](TreeWalker&, const DirectoryResult& directory) {
            if (directory.path == tree.Root()) {
                // The last one listed: the walk cannot have reached it yet.
                removed = tree.Root() + "/" + directory.subdirectories.back().name;
                testsupport::RemoveTree(removed);
            }
            return Decision::kGoOn;
        });
        ASSERT_FALSE(removed.empty());
        const DirectoryResult* gone = find(walk, removed);
        ASSERT_NE(gone, nullptr);
        EXPECT_EQ(gone->status, DirectoryStatus::kOpenFailed);
        EXPECT_EQ(gone->error, ENOENT);
        EXPECT_TRUE(walk.balanced);
        EXPECT_EQ(walk.rootTotal, 29 * 5 * 4096u);
        EXPECT_NE(testsupport::ReadFile(env.LogFile()).find("Skipping directory " + removed + ": No such file or directory"),
                  std::string::npos);
        MakeDirectory(removed); // rebuilt for the next mode
        for (int k = 0; k < 5; ++k) {
            MakeDirectory(removed + "/s" + std::to_string(k));
            MakeFile(removed + "/s" + std::to_string(k) + "/f", 100);
        }
    }
}

TEST(TreeWalkerProblems, AFileVanishingBetweenListingAndSizingIsLeftOut) {
    IsolatedEnvironment env;
    app::EnableDebugLog();
    TempDirectory temp;
    TreeRecord tree(temp / "vanish");
    tree.Directory("d");
    tree.File("d/stays", 100);
    for (bool ahead : {false, true}) {
        MakeFile(tree.Root() + "/d/victim.tmp", 100);
        WalkOptions options = mode(ahead);
        options.onListed = [&](const std::string& path) {
            if (path == tree.Root() + "/d") {
                ::unlink((path + "/victim.tmp").c_str());
            }
        };
        TreeWalker walker(tree.Root(), options);
        ConsumedWalk walk = Consume(walker);
        const DirectoryResult* directory = find(walk, tree.Root() + "/d");
        ASSERT_NE(directory, nullptr);
        ASSERT_EQ(directory->problems.size(), 1u);
        EXPECT_EQ(directory->problems[0].name, "victim.tmp");
        EXPECT_EQ(directory->problems[0].error, ENOENT);
        EXPECT_EQ(directory->fileCount, 1u);
        EXPECT_EQ(walk.rootTotal, 4096u);
        EXPECT_NE(testsupport::ReadFile(env.LogFile())
                      .find("Skipping " + tree.Root() + "/d/victim.tmp: it vanished while its directory was read"),
                  std::string::npos);
    }
}

TEST(TreeWalkerMounts, WalkingTheRootSkipsProcAndSys) {
    // Which of them are pseudo file systems here, asked of the kernel directly.
    auto magic = [](const char* path) {
        struct statfs volume {};
        return ::statfs(path, &volume) == 0 ? static_cast<unsigned long>(volume.f_type) : 0UL;
    };
    std::map<std::string, bool> expected = {{"proc", magic("/proc") == PROC_SUPER_MAGIC},
                                            {"sys", magic("/sys") == SYSFS_MAGIC}};
    ASSERT_TRUE(expected["proc"]) << "/proc is not mounted";
    TreeWalker walker("/", WalkOptions());
    scan::WalkEvent event;
    ASSERT_TRUE(walker.Next(event));
    ASSERT_EQ(event.kind, scan::WalkEventKind::kEnter);
    std::map<std::string, bool> seen;
    for (const scan::SubdirectoryEntry& subdirectory : event.directory->subdirectories) {
        if (expected.count(subdirectory.name) != 0) {
            seen[subdirectory.name] = subdirectory.kind == SubdirectoryKind::kPseudoFileSystem;
        }
    }
    EXPECT_EQ(seen, expected);
    walker.Cancel();
}

TEST(TreeWalkerMounts, APseudoFileSystemAsTheRootGivesAnEmptyResultAndALogLine) {
    IsolatedEnvironment env;
    app::EnableDebugLog();
    for (bool ahead : {false, true}) {
        TreeWalker walker("/proc/self", mode(ahead));
        ConsumedWalk walk = Consume(walker);
        ASSERT_EQ(walk.results.size(), 1u);
        EXPECT_EQ(walk.results[0].status, DirectoryStatus::kPseudoFileSystem);
        EXPECT_EQ(walk.rootTotal, 0u);
        EXPECT_TRUE(walk.balanced);
    }
    EXPECT_NE(testsupport::ReadFile(env.LogFile()).find("Skipping directory /proc/self: it is on a pseudo file system"),
              std::string::npos);
}

// Mounts are made in a child process with its own mount namespace, so nothing outlives the test.
TEST(TreeWalkerMounts, MountsBelowTheTreeArePseudoSkippedRealEnteredAndBindCyclesCut) {
    TempDirectory temp;
    TreeRecord tree(temp / "mounts");
    tree.Directory("proc");
    tree.Directory("scratch");
    tree.Directory("again");
    tree.File("file", 100);
    int status = RunInChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            return 77;
        }
        std::string root = tree.Root();
        if (::mount("/proc", (root + "/proc").c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0 ||
            ::mount("tmpfs", (root + "/scratch").c_str(), "tmpfs", 0, "size=1m") != 0 ||
            ::mount(root.c_str(), (root + "/again").c_str(), nullptr, MS_BIND, nullptr) != 0) {
            return 77;
        }
        MakeFile(root + "/scratch/inside", 5000);
        for (bool ahead : {false, true}) {
            TreeWalker walker(root, mode(ahead));
            ConsumedWalk walk = Consume(walker);
            const DirectoryResult* top = find(walk, root);
            const DirectoryResult* again = find(walk, root + "/again");
            if (top == nullptr || again == nullptr || !walk.balanced) {
                return 1;
            }
            for (const scan::SubdirectoryEntry& subdirectory : top->subdirectories) {
                bool pseudo = subdirectory.kind == SubdirectoryKind::kPseudoFileSystem;
                if (pseudo != (subdirectory.name == "proc")) {
                    return 2;
                }
            }
            if (contains(walk.enterOrder, root + "/proc") || again->status != DirectoryStatus::kAncestorCycle) {
                return 3;
            }
            if (walk.rootTotal != 4096 + 8192) {
                return 4;
            }
        }
        return 0;
    });
    if (status == 77) {
        GTEST_SKIP() << "mounting needs CAP_SYS_ADMIN, which this test process lacks";
    }
    EXPECT_EQ(status, 0) << "1 walk incomplete, 2 pseudo mount not recognised, 3 entered what it must not, 4 totals";
}
