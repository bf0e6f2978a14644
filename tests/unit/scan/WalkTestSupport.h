/*
 * Helpers of the walk tests: building trees on disk (files of chosen sizes, links, names of any
 * bytes), the tests' own reading of a tree to compare the walk against, a reference consumer
 * that turns walk events into per-directory totals, and running a check in a child process
 * (as an unprivileged user, or in a private mount namespace).
 */
#ifndef TALLYVOL_TESTS_UNIT_SCAN_WALKTESTSUPPORT_H
#define TALLYVOL_TESTS_UNIT_SCAN_WALKTESTSUPPORT_H

#include "scan/fs/DirFingerprint.h"
#include "scan/fs/TreeWalker.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace walktest {

// The space the counting rules give a file, written out independently of the product code.
std::uint64_t ExpectedOnDisk(std::uint64_t size);

void MakeDirectory(const std::string& path);
// A file of exactly this size; sparse beyond the first 4096 bytes.
void MakeFile(const std::string& path, std::uint64_t size);
void MakeSymlink(const std::string& target, const std::string& path);

// A tree written to disk and remembered: every directory and every file with its size.
class TreeRecord {
public:
    explicit TreeRecord(std::string root);
    const std::string& Root() const { return m_root; }
    void Directory(const std::string& relative);
    void File(const std::string& relative, std::uint64_t size);
    // Total on disk of everything at or below the directory, skipping directories for which
    // skip(path) is true.
    std::uint64_t ExpectedTotal(const std::string& relative,
                                const std::function<bool(const std::string&)>& skip = {}) const;
    const std::vector<std::string>& Directories() const { return m_directories; }

private:
    std::string m_root;
    std::vector<std::string> m_directories; // relative, "" for the root
    std::map<std::string, std::uint64_t> m_files;
};

// A reproducible tree of about `directories` directories and `files` files.
TreeRecord MakeRandomTree(const std::string& root, int directories, int files, unsigned seed);

// The tree's directories in the order a recursive walk over readdir meets them, read by the
// test itself (symbolic links are not followed).
std::vector<std::string> PreorderByReaddir(const std::string& root);
std::vector<std::string> BreadthFirstByReaddir(const std::string& root);

// What a consumer makes of a walk: the totals of every delivered directory (its files plus
// every entered subdirectory) and the order of the events.
struct ConsumedWalk {
    std::map<std::string, std::uint64_t> totals;
    std::map<std::string, std::uint32_t> fileCounts;
    std::vector<std::string> enterOrder;
    std::vector<std::string> leaveOrder;
    std::vector<scan::DirectoryResult> results; // every kEnter's result, in order
    std::uint64_t rootTotal = 0;
    bool balanced = true; // every kEnter matched by one kLeave at its depth
};

// What the consumer decides on a kEnter.
enum class Decision { kGoOn, kCountsNothing, kCancel };

// Walks to the end. onEnter may act on each kEnter (change the tree, skip its subtree, cancel);
// a directory that counts nothing adds 0 to its parent, as one reached again through a loop.
ConsumedWalk Consume(scan::TreeWalker& walker,
                     const std::function<Decision(scan::TreeWalker&, const scan::DirectoryResult&)>& onEnter = {});

// The same with the loop check's decisions made by a LoopDetector.
ConsumedWalk ConsumeWithLoopCheck(scan::TreeWalker& walker, scan::LoopDetector& loops);

// Runs body in a child process and returns its exit status (-1 when it did not exit normally).
int RunInChild(const std::function<int()>& body);
// The same after switching the child to the unprivileged user "nobody" (65534).
int RunAsNobody(const std::function<int()>& body);

} // namespace walktest

#endif
