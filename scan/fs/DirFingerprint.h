/*
 * The loop check's view of a directory: a 64-bit fingerprint made from the names and times of
 * its older entries, so that one directory reached by two paths (a symbolic link, a bind mount,
 * a second network mount) gives the same value while it is not being changed; the careful
 * comparison of two paths that share a fingerprint; and the tables of one scan that remember
 * the paths seen with each fingerprint.
 *
 * Fingerprint: CRC-64/WE over the directory's own entry hash, then the hashes of up to 20 of
 * its oldest subdirectories and of up to 20 of its oldest files (oldest first), each 8 bytes
 * little-endian. An entry hash is CRC-64/WE over the name in UTF-16LE and the entry's file time
 * (8 bytes, low double word first). Only entries older than the cut-off count, unless all
 * entries are asked for. Small directories are looked into: the fingerprints of their listed
 * subdirectories are mixed into those subdirectories' hashes, at most four deep in total.
 *
 * Called on the scan's thread; nothing here is shared between threads.
 */
#ifndef TALLYVOL_SCAN_FS_DIRFINGERPRINT_H
#define TALLYVOL_SCAN_FS_DIRFINGERPRINT_H

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace scan {

struct FingerprintEntry {
    std::string_view name;
    std::uint64_t time = 0; // file time
    bool isDirectory = false;
    bool hashed = false;    // hash already holds EntryHash(name, time)
    std::uint64_t hash = 0;
};

// Computes the fingerprint of a listed subdirectory (counter already raised for it).
using SubdirectoryFingerprint = std::function<std::uint64_t(std::string_view name, int& counter)>;

// Hash of one entry: name as UTF-16LE (bytes that are not UTF-8 become U+DC00 plus the byte, so
// every name has its own text), then the time.
std::uint64_t EntryHash(std::string_view name, std::uint64_t time);

// The fingerprint from a directory's own time and entries ("." and ".." not among them).
// counter is shared by one whole computation: 0 for the top-level directory, raised whenever a
// subdirectory's fingerprint is started; subdirectories are looked into only while it is
// below 4 and the directory is small (1 to 3 subdirectories and at most 3 files entered, fewer
// than 6 entries listed).
std::uint64_t ComputeFingerprint(std::uint64_t ownTime, const std::vector<FingerprintEntry>& entries,
                                 std::uint64_t cutoff, bool allEntries, int& counter,
                                 const SubdirectoryFingerprint& subdirectory);

// Reads the directory name below parentFd (a symbolic link is followed) and fingerprints it;
// 0 when it cannot be opened.
std::uint64_t FingerprintAt(int parentFd, const char* name, std::uint64_t cutoff, bool allEntries,
                            int& counter);

std::uint64_t DirFingerprint(const std::string& path, std::uint64_t cutoff, bool allEntries);

using WaitFunction = std::function<void(std::chrono::milliseconds)>;

// Whether two paths name the same directory: equal fingerprints over all entries (cut-off 0).
// When they differ and a path's fingerprint changes between two readings, it is read again after
// a pause of a second, up to five times; still unsettled, the two count as the same. The pause
// is `wait` (a sleep when empty). Two different directories of one file system (same device,
// different inodes) are never the same, whatever their fingerprints.
bool SameDirectory(const std::string& pathA, const std::string& pathB, const WaitFunction& wait = {});

// The same rule with the directories read by `read` (the tests' way to change a directory between
// two readings).
using FingerprintReader = std::function<std::uint64_t(const std::string& path)>;
bool SameDirectory(const std::string& pathA, const std::string& pathB, const WaitFunction& wait,
                   const FingerprintReader& read);

// Where a directory lives on its file system (device and inode numbers); zeros when unknown.
struct DirectoryIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// The loop-detection tables of one scan: the first path seen with each fingerprint, and the
// paths compared for it since, each with the fingerprint of all its entries when it was seen.
class LoopDetector {
public:
    explicit LoopDetector(WaitFunction wait = {}) : m_wait(std::move(wait)) {}

    void Clear();
    // Remembers the directory; true when a directory seen before with the same fingerprint is
    // the same directory (the walk must not count or enter it again). Of the paths remembered
    // for the fingerprint, SameDirectory is asked only about those that can be the same: whose
    // full fingerprint (all entries, cut-off 0) was the current one's when they were seen, and
    // that are not another inode of the same file system. Directories made in one burst share
    // their fingerprints (nothing in them is old enough to count), and comparing each with all
    // the others would read every one of them again and again.
    bool AlreadyReached(std::uint64_t fingerprint, std::uint64_t fullFingerprint, const std::string& path,
                        DirectoryIdentity identity = {});

private:
    struct Member {
        std::string path;
        DirectoryIdentity identity;
    };
    struct Seen {
        Member first;
        std::uint64_t firstFull = 0;
        std::unordered_set<std::string> members;
        std::unordered_map<std::uint64_t, std::vector<Member>> byFull;
    };

    WaitFunction m_wait;
    std::unordered_map<std::uint64_t, Seen> m_seen;
};

} // namespace scan

#endif
