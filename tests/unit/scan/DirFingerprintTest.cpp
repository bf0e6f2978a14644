// Directory fingerprints for the loop check: the checksum over entry hashes against a
// bit-by-bit reckoning of our own, what enters it, the look into small directories, the same
// directory through a link, and the comparison with its retries.
#include "scan/fs/DirFingerprint.h"
#include "scan/fs/FileTime.h"
#include "scan/fs/TreeWalker.h"
#include "tests/support/TempDirectory.h"
#include "tests/unit/scan/WalkTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

using scan::ComputeFingerprint;
using scan::FingerprintEntry;
using testsupport::TempDirectory;

namespace {

// CRC-64/WE one bit at a time: polynomial 0x42F0E1EBA9EA3693, all ones in and out.
std::uint64_t referenceCrc(const std::string& bytes) {
    std::uint64_t crc = ~0ULL;
    for (unsigned char byte : bytes) {
        crc ^= static_cast<std::uint64_t>(byte) << 56;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 63) != 0 ? (crc << 1) ^ 0x42F0E1EBA9EA3693ULL : crc << 1;
        }
    }
    return ~crc;
}

std::string littleEndian(std::uint64_t value) {
    std::string out;
    for (int i = 0; i < 8; ++i) {
        out += static_cast<char>(value >> (8 * i));
    }
    return out;
}

// Hash of an ASCII (or Latin-1 as code points) name: UTF-16LE, then the time.
std::uint64_t referenceHash(const std::u16string& name, std::uint64_t time) {
    std::string bytes;
    for (char16_t unit : name) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return referenceCrc(bytes + littleEndian(time));
}

const scan::SubdirectoryFingerprint kNeverLookInto = [](std::string_view, int&) -> std::uint64_t {
    ADD_FAILURE() << "looked into a directory that is not small";
    return 0;
};

} // namespace

TEST(DirFingerprint, IsTheChecksumOfOwnThenSubdirectoryThenFileHashesOldestFirst) {
    const std::uint64_t cutoff = 1000;
    std::vector<FingerprintEntry> entries = {{"b", 5, true}, {"x", 9, false}, {"a", 3, true},
                                             {"y", 1, false}, {"w", 7, false}, {"v", 8, false}};
    int counter = 0;
    std::uint64_t value = ComputeFingerprint(500, entries, cutoff, false, counter, kNeverLookInto);
    std::string expected = littleEndian(referenceHash(u".", 500)) + littleEndian(referenceHash(u"a", 3)) +
                           littleEndian(referenceHash(u"b", 5)) + littleEndian(referenceHash(u"y", 1)) +
                           littleEndian(referenceHash(u"w", 7)) + littleEndian(referenceHash(u"v", 8)) +
                           littleEndian(referenceHash(u"x", 9));
    EXPECT_EQ(value, referenceCrc(expected));
    EXPECT_EQ(counter, 0);
    EXPECT_EQ(scan::EntryHash("é", 42), referenceHash(u"é", 42));
    EXPECT_NE(scan::EntryHash("\xff", 1), scan::EntryHash("\xfe", 1)); // not UTF-8, still distinct
    std::reverse(entries.begin(), entries.end());
    EXPECT_EQ(ComputeFingerprint(500, entries, cutoff, false, counter, kNeverLookInto), value);
}

TEST(DirFingerprint, YoungEntriesAndAllButTheTwentyOldestDoNotCount) {
    std::vector<FingerprintEntry> entries;
    std::vector<std::string> names;
    for (int i = 0; i < 30; ++i) {
        names.push_back("f" + std::to_string(i));
    }
    for (int i = 0; i < 30; ++i) {
        entries.push_back({names[i], static_cast<std::uint64_t>(100 + i), false});
    }
    int counter = 0;
    std::uint64_t base = ComputeFingerprint(1, entries, 1000, false, counter, kNeverLookInto);
    auto with = [&](FingerprintEntry extra) {
        std::vector<FingerprintEntry> more = entries;
        more.push_back(extra);
        return ComputeFingerprint(1, more, 1000, false, counter, kNeverLookInto);
    };
    EXPECT_EQ(with({"young", 1000, false}), base);   // not older than the cut-off
    EXPECT_EQ(with({"late", 500, false}), base);     // older, but not among the twenty oldest
    EXPECT_NE(with({"early", 50, false}), base);     // among them
    EXPECT_NE(ComputeFingerprint(1, entries, 1000, true, counter, kNeverLookInto), base); // all entries
    EXPECT_NE(ComputeFingerprint(2, entries, 1000, false, counter, kNeverLookInto), base); // own time
    std::vector<FingerprintEntry> none;
    EXPECT_EQ(ComputeFingerprint(77, entries, 0, false, counter, kNeverLookInto),
              ComputeFingerprint(77, none, 0, false, counter, kNeverLookInto));
}

TEST(DirFingerprint, SmallDirectoriesAreLookedIntoAtMostFourDeep) {
    int calls = 0;
    // Every level holds one old subdirectory "s" and one old file: small all the way down.
    scan::SubdirectoryFingerprint lookInto = [&](std::string_view name, int& counter) -> std::uint64_t {
        EXPECT_EQ(name, "s");
        ++calls;
        std::vector<FingerprintEntry> level = {{"s", 10, true}, {"f", 11, false}};
        return ComputeFingerprint(5, level, 1000, false, counter, lookInto);
    };
    std::vector<FingerprintEntry> top = {{"s", 10, true}, {"f", 11, false}};
    int counter = 0;
    std::uint64_t value = ComputeFingerprint(5, top, 1000, false, counter, lookInto);
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(counter, 4);
    // The subdirectory's own fingerprint is mixed into its hash.
    int fresh = 4; // no deeper
    calls = 0;
    std::uint64_t inner = ComputeFingerprint(5, top, 1000, false, fresh, kNeverLookInto);
    fresh = 3;
    std::uint64_t shallow = ComputeFingerprint(5, top, 1000, false, fresh, [&](std::string_view, int&) { return inner; });
    std::string expected = littleEndian(referenceHash(u".", 5)) + littleEndian(referenceHash(u"s", 10) ^ inner) +
                           littleEndian(referenceHash(u"f", 11));
    EXPECT_EQ(shallow, referenceCrc(expected));
    EXPECT_NE(value, 0u);
    // Four old files make a directory big: nothing is looked into.
    std::vector<FingerprintEntry> big = {{"s", 10, true}, {"1", 1, false}, {"2", 2, false}, {"3", 3, false}, {"4", 4, false}};
    counter = 0;
    ComputeFingerprint(5, big, 1000, false, counter, kNeverLookInto);
    EXPECT_EQ(counter, 0);
}

TEST(DirFingerprint, TheSameDirectoryThroughALinkGivesTheSameValueAndTheWalkAgrees) {
    TempDirectory temp;
    walktest::TreeRecord tree(temp / "fp");
    tree.Directory("dir");
    tree.Directory("dir/sub");
    tree.File("dir/a.txt", 10);
    tree.File("dir/sub/b.txt", 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(30)); // a later clock tick for the copy
    tree.Directory("copy");
    tree.Directory("copy/sub");
    tree.File("copy/a.txt", 10);
    tree.File("copy/sub/b.txt", 10);
    walktest::MakeSymlink("dir", tree.Root() + "/link");
    const std::uint64_t everything = scan::CurrentFileTime() + (1ULL << 40); // every entry counts
    for (std::uint64_t cutoff : {scan::ScanAgeCutoff(), everything}) {
        EXPECT_EQ(scan::DirFingerprint(tree.Root() + "/dir", cutoff, false),
                  scan::DirFingerprint(tree.Root() + "/link", cutoff, false));
    }
    EXPECT_NE(scan::DirFingerprint(tree.Root() + "/dir", 0, true), scan::DirFingerprint(tree.Root() + "/copy", 0, true));
    EXPECT_EQ(scan::DirFingerprint(tree.Root() + "/missing", 0, true), 0u);

    scan::WalkOptions options;
    options.loopCheck = true;
    options.fingerprintCutoff = everything;
    scan::TreeWalker walker(tree.Root(), options);
    walktest::ConsumedWalk walk = walktest::Consume(walker);
    ASSERT_EQ(walk.results.size(), 7u); // root, dir, dir/sub, copy, copy/sub, link, link/sub
    for (const scan::DirectoryResult& directory : walk.results) {
        ASSERT_TRUE(directory.hasFingerprint);
        EXPECT_EQ(directory.fingerprint, scan::DirFingerprint(directory.path, everything, false)) << directory.path;
        EXPECT_EQ(directory.fullFingerprint, scan::DirFingerprint(directory.path, 0, true)) << directory.path;
    }
}

TEST(SameDirectory, SettledDirectoriesAreComparedWithoutWaiting) {
    TempDirectory temp;
    walktest::TreeRecord tree(temp / "same");
    tree.Directory("a");
    tree.File("a/f", 1);
    tree.Directory("b");
    tree.File("b/g", 1);
    // Made in the same clock tick with the same names: equal fingerprints, different directories.
    tree.Directory("twin1");
    tree.Directory("twin2");
    walktest::MakeSymlink("a", tree.Root() + "/link");
    int waits = 0;
    auto wait = [&](std::chrono::milliseconds pause) {
        EXPECT_EQ(pause, std::chrono::milliseconds(1000));
        ++waits;
    };
    EXPECT_TRUE(scan::SameDirectory(tree.Root() + "/a", tree.Root() + "/link", wait));
    EXPECT_FALSE(scan::SameDirectory(tree.Root() + "/a", tree.Root() + "/b", wait));
    EXPECT_FALSE(scan::SameDirectory(tree.Root() + "/twin1", tree.Root() + "/twin2", wait));
    EXPECT_EQ(waits, 0);
}

TEST(SameDirectory, ChangingDirectoriesAreReadAgainUpToFiveTimes) {
    int waits = 0;
    auto wait = [&](std::chrono::milliseconds) { ++waits; };
    std::map<std::string, std::uint64_t> readings;
    auto alwaysChanging = [&](const std::string& path) { return ++readings[path] * (path == "a" ? 1 : 1000); };
    EXPECT_TRUE(scan::SameDirectory("a", "b", wait, alwaysChanging));
    EXPECT_EQ(waits, 5);
    EXPECT_EQ(readings["a"], 6u);

    waits = 0;
    readings.clear();
    auto aSettles = [&](const std::string& path) -> std::uint64_t {
        std::uint64_t n = ++readings[path];
        return path == "a" ? std::min<std::uint64_t>(n, 3) : 1000 + n;
    };
    EXPECT_FALSE(scan::SameDirectory("a", "b", wait, aSettles)); // a reads 1, 2, 3, 3
    EXPECT_EQ(waits, 2);

    waits = 0;
    readings.clear();
    auto meet = [&](const std::string& path) -> std::uint64_t {
        std::uint64_t n = ++readings[path];
        return path == "a" ? 10 + n : 20 - n; // 11/19, 12/18, ... equal at the fifth reading
    };
    EXPECT_TRUE(scan::SameDirectory("a", "b", wait, meet));
    EXPECT_EQ(waits, 4);
}

TEST(LoopDetector, OnlyTheSameDirectoryIsReachedAgain) {
    TempDirectory temp;
    walktest::TreeRecord tree(temp / "loops");
    tree.Directory("a");
    tree.File("a/f", 1);
    tree.Directory("b");
    tree.File("b/g", 1);
    walktest::MakeSymlink("a", tree.Root() + "/link");
    auto full = [&](const std::string& name) { return scan::DirFingerprint(tree.Root() + "/" + name, 0, true); };
    scan::LoopDetector loops([](std::chrono::milliseconds) {});
    // The same (shared) fingerprint for all three, as for directories made in one burst.
    EXPECT_FALSE(loops.AlreadyReached(42, full("a"), tree.Root() + "/a"));
    EXPECT_FALSE(loops.AlreadyReached(42, full("b"), tree.Root() + "/b"));
    EXPECT_TRUE(loops.AlreadyReached(42, full("link"), tree.Root() + "/link"));
    EXPECT_FALSE(loops.AlreadyReached(43, full("link"), tree.Root() + "/link")); // a fingerprint not seen
    loops.Clear();
    EXPECT_FALSE(loops.AlreadyReached(42, full("link"), tree.Root() + "/link"));
}

TEST(FileTime, UnixTimesCountFrom1601InTenthsOfMicroseconds) {
    EXPECT_EQ(scan::FileTimeFromUnix(0, 0), 116444736000000000ULL);
    EXPECT_EQ(scan::FileTimeFromUnix(1, 150), 116444736010000001ULL);
    EXPECT_EQ(scan::FileTimeFromUnix(-11644473600LL, 0), 0u);
    EXPECT_EQ(scan::FileTimeFromUnix(-11644473601LL, 0), 0u);
    std::uint64_t before = scan::CurrentFileTime();
    std::uint64_t cutoff = scan::ScanAgeCutoff();
    std::uint64_t after = scan::CurrentFileTime();
    EXPECT_LE(before - scan::kFingerprintAgeMargin, cutoff);
    EXPECT_LE(cutoff, after - scan::kFingerprintAgeMargin);
    EXPECT_LT(after - before, 10000000ULL); // within a second
    timespec wall{};
    ::clock_gettime(CLOCK_REALTIME, &wall);
    EXPECT_NEAR(static_cast<double>(after) / 1e7 - 11644473600.0, static_cast<double>(wall.tv_sec), 2.0);
}
