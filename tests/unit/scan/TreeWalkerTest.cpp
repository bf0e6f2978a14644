// The directory walk against trees built on disk: totals, event order, the counting rules as the
// walk applies them, filters, both orders, and the read-ahead mode's equivalence, cancellation
// and bounds.
#include "scan/fs/DirectoryReader.h"
#include "scan/fs/TreeReading.h"
#include "scan/fs/TreeWalker.h"
#include "tests/support/TempDirectory.h"
#include "tests/unit/scan/WalkTestSupport.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <stdexcept>
#include <thread>

using namespace walktest;
using scan::DirectoryResult;
using scan::SubdirectoryKind;
using scan::TreeWalker;
using scan::WalkOptions;
using testsupport::TempDirectory;

namespace {

WalkOptions readAhead(std::size_t maxQueued = 1024, int threads = 0) {
    WalkOptions options;
    options.readAhead = true;
    options.maxQueuedDirectories = maxQueued;
    options.countingThreads = threads;
    return options;
}

std::string pathOf(const TreeRecord& tree, const std::string& relative) {
    return relative.empty() ? tree.Root() : tree.Root() + "/" + relative;
}

// Everything the consumer can see of one directory, as text, so results compare in one line.
std::string describe(const DirectoryResult& directory) {
    std::string text = directory.path + " depth=" + std::to_string(directory.depth) +
                       " status=" + std::to_string(static_cast<int>(directory.status)) +
                       " error=" + std::to_string(directory.error) + " size=" + std::to_string(directory.filesSize) +
                       " files=" + std::to_string(directory.fileCount) + " ext:";
    for (const scan::ExtensionTally& tally : directory.extensions) {
        text += " " + tally.key + "/" + std::to_string(tally.count) + "/" + std::to_string(tally.bytes);
    }
    text += " dirs:";
    for (const scan::SubdirectoryEntry& subdirectory : directory.subdirectories) {
        text += " " + subdirectory.name + "@" + std::to_string(subdirectory.filesBefore) + "k" +
                std::to_string(static_cast<int>(subdirectory.kind)) + (subdirectory.viaLink ? "L" : "");
    }
    text += " problems:";
    for (const scan::EntryProblem& problem : directory.problems) {
        text += " " + problem.name + "=" + std::to_string(problem.error);
    }
    return text;
}

std::vector<std::string> describeAll(const ConsumedWalk& walk) {
    std::vector<std::string> lines;
    for (const DirectoryResult& directory : walk.results) {
        lines.push_back(describe(directory));
    }
    return lines;
}

} // namespace

TEST(TreeWalker, TotalsAndOrderMatchTheTreeInBothModes) {
    TempDirectory temp;
    TreeRecord tree = MakeRandomTree(temp / "tree", 150, 1500, 7);
    std::vector<std::string> preorder = PreorderByReaddir(tree.Root());
    for (bool ahead : {false, true}) {
        SCOPED_TRACE(ahead ? "read-ahead" : "synchronous");
        TreeWalker walker(tree.Root(), ahead ? readAhead() : WalkOptions());
        ConsumedWalk walk = Consume(walker);
        EXPECT_TRUE(walk.balanced);
        EXPECT_EQ(walk.enterOrder, preorder);
        ASSERT_EQ(walk.totals.size(), tree.Directories().size());
        for (const std::string& relative : tree.Directories()) {
            EXPECT_EQ(walk.totals[pathOf(tree, relative)], tree.ExpectedTotal(relative)) << relative;
        }
        std::uint32_t files = 0;
        for (const auto& [path, count] : walk.fileCounts) {
            files += count;
        }
        EXPECT_EQ(files, 1500u);
        // Postorder: a directory leaves only after everything below it.
        std::map<std::string, std::size_t> left;
        for (std::size_t i = 0; i < walk.leaveOrder.size(); ++i) {
            left[walk.leaveOrder[i]] = i;
        }
        for (const auto& [path, index] : left) {
            std::size_t slash = path.rfind('/');
            if (path != tree.Root()) {
                EXPECT_LT(index, left[path.substr(0, slash)]) << path;
            }
        }
    }
}

TEST(TreeWalker, ReadAheadDeliversExactlyTheSynchronousEvents) {
    TempDirectory temp;
    TreeRecord tree = MakeRandomTree(temp / "tree", 300, 3000, 11);
    TreeWalker synchronous(tree.Root(), WalkOptions());
    ConsumedWalk expected = Consume(synchronous);
    for (WalkOptions options : {readAhead(), readAhead(1, 1), readAhead(3, 3)}) {
        TreeWalker walker(tree.Root(), options);
        ConsumedWalk walk = Consume(walker);
        EXPECT_EQ(describeAll(walk), describeAll(expected));
        EXPECT_EQ(walk.leaveOrder, expected.leaveOrder);
    }
}

TEST(TreeWalker, FileSizesCountByTheDiskRule) {
    TempDirectory temp;
    TreeRecord tree(temp / "sizes");
    const std::uint64_t sparse = 5ULL * 1024 * 1024 * 1024 + 1;
    tree.File("zero", 0);
    tree.File("one", 1);
    tree.File("below", 4095);
    tree.File("exact", 4096);
    tree.File("above", 4097);
    tree.File("sparse", sparse);
    TreeWalker walker(tree.Root(), WalkOptions());
    ConsumedWalk walk = Consume(walker);
    ASSERT_EQ(walk.results.size(), 1u);
    EXPECT_EQ(walk.results[0].fileCount, 6u);
    EXPECT_EQ(walk.rootTotal, 0u + 4096 + 4096 + 8192 + 8192 + (5ULL * 1024 * 1024 * 1024 + 4096));
}

TEST(TreeWalker, ExtensionsAreTalliedPerDirectory) {
    TempDirectory temp;
    TreeRecord tree(temp / "ext");
    for (const char* name : {"a.txt", "B.TXT", "archive.TAR.gz", "README", ".profile",
                             "x.verylongextension_abcdefgh", "trail.doc  "}) {
        tree.File(name, 100);
    }
    tree.File("big.txt", 10000);
    TreeWalker walker(tree.Root(), WalkOptions());
    ConsumedWalk walk = Consume(walker);
    ASSERT_EQ(walk.results.size(), 1u);
    std::map<std::string, std::pair<std::uint32_t, std::uint64_t>> tallies;
    for (const scan::ExtensionTally& tally : walk.results[0].extensions) {
        EXPECT_TRUE(tallies.emplace(tally.key, std::make_pair(tally.count, tally.bytes)).second) << tally.key;
    }
    std::map<std::string, std::pair<std::uint32_t, std::uint64_t>> expected = {
        {".TXT", {3, 4096 + 4096 + 12288}}, {".GZ", {1, 4096}},     {"<NONE>", {1, 4096}},
        {".PROFILE", {1, 4096}},           {".VERYLONGEXTENSION_*", {1, 4096}}, {".DOC", {1, 4096}}};
    EXPECT_EQ(tallies, expected);
}

TEST(TreeWalker, SubdirectoriesKnowHowManyFilesWereListedBeforeThem) {
    TempDirectory temp;
    TreeRecord tree(temp / "mixed");
    for (int i = 0; i < 12; ++i) {
        if (i % 3 == 0) {
            tree.Directory("d" + std::to_string(i));
        } else {
            tree.File("f" + std::to_string(i), 10);
        }
    }
    // The test's own reading of the listing order.
    std::map<std::string, std::uint32_t> expected;
    std::uint32_t files = 0;
    DIR* dir = ::opendir(tree.Root().c_str());
    ASSERT_NE(dir, nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name[0] == 'd') {
            expected[name] = files;
        } else if (name[0] == 'f') {
            ++files;
        }
    }
    ::closedir(dir);
    for (bool ahead : {false, true}) {
        TreeWalker walker(tree.Root(), ahead ? readAhead() : WalkOptions());
        ConsumedWalk walk = Consume(walker);
        std::map<std::string, std::uint32_t> seen;
        for (const scan::SubdirectoryEntry& subdirectory : walk.results.at(0).subdirectories) {
            seen[subdirectory.name] = subdirectory.filesBefore;
        }
        EXPECT_EQ(seen, expected);
    }
}

TEST(TreeWalker, FiltersSkipMatchingDirectoriesAndEverythingBelow) {
    TempDirectory temp;
    if (scan::LowerCaseAscii(temp.Path()).find("temp") != std::string::npos) {
        GTEST_SKIP() << "the temporary directory's own path holds the filter text: " << temp.Path();
    }
    TreeRecord tree(temp / "Filtered");
    for (const char* directory : {"temp", "data", "data/temporary", "mytemp", "keep", "keep/Temp"}) {
        tree.Directory(directory);
        tree.File(std::string(directory) + "/file", 10);
    }
    tree.File("data/temporary/deeper", 10);
    struct Case {
        const char* filters;
        std::vector<std::string> skipped;
    };
    for (const Case& c : {Case{"temp", {"temp", "data/temporary", "mytemp", "keep/Temp"}},
                          Case{"/TEMP/", {"temp", "keep/Temp"}}, Case{"\r\n\r\n", {}}}) {
        SCOPED_TRACE(c.filters);
        auto skip = [&](const std::string& relative) {
            return std::find(c.skipped.begin(), c.skipped.end(), relative) != c.skipped.end();
        };
        for (bool ahead : {false, true}) {
            WalkOptions options = ahead ? readAhead() : WalkOptions();
            options.filters = scan::ExclusionFilters::FromText(c.filters);
            TreeWalker walker(tree.Root(), options);
            ConsumedWalk walk = Consume(walker);
            EXPECT_EQ(walk.rootTotal, tree.ExpectedTotal("", skip));
            for (const DirectoryResult& directory : walk.results) {
                for (const scan::SubdirectoryEntry& subdirectory : directory.subdirectories) {
                    std::string relative = directory.path.substr(tree.Root().size()) + "/" + subdirectory.name;
                    relative.erase(0, 1);
                    EXPECT_EQ(subdirectory.kind == SubdirectoryKind::kExcluded, skip(relative)) << relative;
                    EXPECT_EQ(walk.totals.count(tree.Root() + "/" + relative) == 0, skip(relative)) << relative;
                }
            }
        }
        WalkOptions preparation;
        preparation.order = WalkOptions::Order::kBreadthFirst;
        preparation.countFiles = false;
        preparation.filters = scan::ExclusionFilters::FromText(c.filters);
        TreeWalker walker(tree.Root(), preparation);
        ConsumedWalk walk = Consume(walker);
        EXPECT_EQ(walk.enterOrder.size(), tree.Directories().size() - c.skipped.size());
    }
}

TEST(TreeWalker, BreadthFirstDeliversDirectoriesLevelByLevelWithoutCountingFiles) {
    TempDirectory temp;
    TreeRecord tree = MakeRandomTree(temp / "tree", 200, 500, 3);
    std::vector<std::string> expected = BreadthFirstByReaddir(tree.Root());
    for (bool ahead : {false, true}) {
        WalkOptions options = ahead ? readAhead(4) : WalkOptions();
        options.order = WalkOptions::Order::kBreadthFirst;
        options.countFiles = false;
        TreeWalker walker(tree.Root(), options);
        ConsumedWalk walk = Consume(walker);
        EXPECT_EQ(walk.enterOrder, expected);
        EXPECT_TRUE(walk.leaveOrder.empty());
        for (const DirectoryResult& directory : walk.results) {
            EXPECT_EQ(directory.fileCount, 0u);
            EXPECT_EQ(directory.filesSize, 0u);
            EXPECT_TRUE(directory.extensions.empty());
        }
    }
}

TEST(TreeWalker, ASkippedSubtreeIsNeitherReadNorDelivered) {
    TempDirectory temp;
    TreeRecord tree = MakeRandomTree(temp / "tree", 80, 100, 5);
    std::vector<std::string> preorder = PreorderByReaddir(tree.Root());
    const std::string skipped = preorder.at(1);
    for (WalkOptions::Order order : {WalkOptions::Order::kDepthFirst, WalkOptions::Order::kBreadthFirst}) {
        WalkOptions options;
        options.order = order;
        std::atomic<int> readBelow{0};
        options.onListed = [&](const std::string& path) {
            if (path.rfind(skipped + "/", 0) == 0) {
                ++readBelow;
            }
        };
        TreeWalker walker(tree.Root(), options);
        ConsumedWalk walk = Consume(walker, [&](TreeWalker& w, const DirectoryResult& directory) {
            if (directory.path == skipped) {
                w.SkipSubtree();
                EXPECT_THROW(w.SkipSubtree(), std::logic_error);
            }
            return Decision::kGoOn;
        });
        EXPECT_TRUE(walk.balanced || order == WalkOptions::Order::kBreadthFirst);
        EXPECT_EQ(readBelow.load(), 0);
        for (const std::string& path : walk.enterOrder) {
            EXPECT_NE(path.rfind(skipped + "/", 0), 0u) << path;
        }
        EXPECT_NE(std::find(walk.enterOrder.begin(), walk.enterOrder.end(), skipped), walk.enterOrder.end());
    }
    // Reading ahead, the walker thread may have read below it already: none of that is
    // delivered, and the events are the synchronous walk's.
    ConsumedWalk expected;
    for (std::size_t queued : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{1024}}) {
        SCOPED_TRACE(queued == 0 ? std::string("synchronous") : "queue " + std::to_string(queued));
        TreeWalker walker(tree.Root(), queued == 0 ? WalkOptions() : readAhead(queued));
        ConsumedWalk walk = Consume(walker, [&](TreeWalker& w, const DirectoryResult& directory) {
            if (directory.path == skipped || directory.path == preorder.at(preorder.size() / 2)) {
                w.SkipSubtree();
                EXPECT_THROW(w.SkipSubtree(), std::logic_error);
            }
            return Decision::kGoOn;
        });
        EXPECT_TRUE(walk.balanced);
        if (queued == 0) {
            expected = walk;
            continue;
        }
        EXPECT_EQ(walk.enterOrder, expected.enterOrder);
        EXPECT_EQ(walk.leaveOrder, expected.leaveOrder);
        EXPECT_EQ(walk.totals, expected.totals);
        EXPECT_EQ(describeAll(walk), describeAll(expected));
    }
}

TEST(TreeWalker, CancellingStopsTheWalkPromptlyInEveryState) {
    TempDirectory temp;
    TreeRecord tree = MakeRandomTree(temp / "tree", 400, 2000, 9);
    for (int stopAfter : {1, 10, 200}) {
        auto started = std::chrono::steady_clock::now();
        {
            TreeWalker walker(tree.Root(), readAhead(4, 2));
            scan::WalkEvent event;
            for (int i = 0; i < stopAfter && walker.Next(event); ++i) {
            }
            walker.Cancel();
            EXPECT_FALSE(walker.Next(event));
            EXPECT_EQ(walker.WaitNext(event, std::chrono::milliseconds(10)), TreeWalker::WaitResult::kFinished);
        }
        {
            TreeWalker abandoned(tree.Root(), readAhead(4, 2)); // destroyed mid-walk, never cancelled
            scan::WalkEvent event;
            for (int i = 0; i < stopAfter && abandoned.Next(event); ++i) {
            }
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    }
}

TEST(TreeWalker, ReadAheadStaysWithinItsQueueBound) {
    TempDirectory temp;
    TreeRecord tree = MakeRandomTree(temp / "tree", 400, 400, 13);
    std::atomic<int> listed{0};
    WalkOptions options = readAhead(4, 2);
    options.onListed = [&](const std::string&) { ++listed; };
    TreeWalker walker(tree.Root(), options);
    int entered = 0;
    int furthestAhead = 0;
    scan::WalkEvent event;
    while (walker.Next(event)) {
        if (event.kind == scan::WalkEventKind::kEnter) {
            ++entered;
            std::this_thread::sleep_for(std::chrono::microseconds(500));
            furthestAhead = std::max(furthestAhead, listed.load() - entered);
        }
    }
    EXPECT_EQ(entered, 400);
    EXPECT_GT(furthestAhead, 0);   // it did read ahead
    EXPECT_LE(furthestAhead, 40);  // but only within the bound (queue, batches, the consumer's run)
}

TEST(TreeWalker, WaitNextTimesOutOnlyWhileNothingIsReady) {
    TempDirectory temp;
    TreeRecord tree(temp / "slow");
    tree.Directory("a");
    WalkOptions options = readAhead();
    options.onListed = [](const std::string& path) {
        if (path.size() > 2 && path.compare(path.size() - 2, 2, "/a") == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
    };
    TreeWalker walker(tree.Root(), options);
    scan::WalkEvent event;
    ASSERT_EQ(walker.WaitNext(event, std::chrono::seconds(5)), TreeWalker::WaitResult::kEvent);
    EXPECT_EQ(event.directory->path, tree.Root());
    EXPECT_EQ(walker.WaitNext(event, std::chrono::milliseconds(20)), TreeWalker::WaitResult::kTimeout);
    ASSERT_EQ(walker.WaitNext(event, std::chrono::seconds(5)), TreeWalker::WaitResult::kEvent);
    EXPECT_EQ(event.directory->path, tree.Root() + "/a");
}

TEST(TreeWalker, SubdirectoryCountIncludesDotAndDotDotButNotLinks) {
    TempDirectory temp;
    TreeRecord tree(temp / "count");
    tree.Directory("a");
    tree.Directory("b");
    tree.Directory("c");
    tree.File("file", 1);
    MakeSymlink("a", tree.Root() + "/link");
    EXPECT_EQ(scan::GetNumSubDirs(tree.Root()), 5);
    EXPECT_EQ(scan::GetNumSubDirs(tree.Root() + "/a"), 2);
    EXPECT_EQ(scan::GetNumSubDirs(tree.Root() + "/missing"), 0);
}

// The first scan walks the breadth-first reading of its preparation instead of the disk: the
// events must be exactly those of a depth-first walk of the same tree.
TEST(TreeWalker, ABreadthFirstReadingWalksLikeTheDepthFirstWalk) {
    TempDirectory temp;
    TreeRecord tree = MakeRandomTree(temp / "tree", 300, 3000, 13);
    MakeSymlink(tree.Root(), tree.Root() + "/link");
    MakeDirectory(tree.Root() + "/skipme");
    MakeDirectory(tree.Root() + "/skipme/inner");
    MakeFile(tree.Root() + "/skipme/inner/f", 5000);
    WalkOptions depthFirst;
    depthFirst.filters = scan::ExclusionFilters::FromText("skipme/");
    TreeWalker synchronous(tree.Root(), depthFirst);
    ConsumedWalk expected = Consume(synchronous);
    for (bool ahead : {false, true}) {
        SCOPED_TRACE(ahead ? "read-ahead" : "synchronous");
        WalkOptions breadthFirst = ahead ? readAhead() : WalkOptions();
        breadthFirst.order = WalkOptions::Order::kBreadthFirst;
        breadthFirst.filters = depthFirst.filters;
        scan::TreeReading reading;
        reading.Start(tree.Root());
        TreeWalker walker(tree.Root(), breadthFirst);
        scan::WalkEvent event;
        while (walker.Next(event)) {
            reading.Add(std::move(event.directory));
        }
        ASSERT_TRUE(reading.Complete());
        std::vector<std::string> lines;
        std::vector<std::string> leaveOrder;
        std::vector<std::string> open;
        while (reading.Next(event)) {
            if (event.kind == scan::WalkEventKind::kEnter) {
                lines.push_back(describe(*event.directory));
                open.push_back(event.directory->path);
            } else {
                leaveOrder.push_back(open.back());
                open.pop_back();
            }
        }
        EXPECT_EQ(lines, describeAll(expected));
        EXPECT_EQ(leaveOrder, expected.leaveOrder);
    }

    // A reading with a subtree left out is no reading of the tree.
    WalkOptions breadthFirst;
    breadthFirst.order = WalkOptions::Order::kBreadthFirst;
    scan::TreeReading partial;
    partial.Start(tree.Root());
    TreeWalker walker(tree.Root(), breadthFirst);
    scan::WalkEvent event;
    for (int delivered = 0; walker.Next(event); ++delivered) {
        if (delivered == 3) {
            walker.SkipSubtree();
        }
        partial.Add(std::move(event.directory));
    }
    EXPECT_FALSE(partial.Complete());
}
