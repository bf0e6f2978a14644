/*
 * The directory walk: the one traversal of the program, used by the scan, by the preparation of
 * a tree seen for the first time and (through the same directory reader) by the subdirectory
 * count and the loop check's fingerprints. It reads the disk and nothing else: no store, no
 * window. The consumer (the scan driver on its own thread) pulls events and does the rest.
 *
 * Events, depth-first (the scan):
 *   kEnter(D) comes before anything below D and carries D's whole reading: its files counted
 *   and sized, its extension tallies, every subdirectory entry in listing order. Then come the
 *   subtrees of D's entered subdirectories, one after the other in listing order, then
 *   kLeave(D). Every kEnter is matched by exactly one kLeave at the same depth, so kEnter is the
 *   place for preorder work (directory identifiers, progress, the loop check) and kLeave for
 *   postorder work (size rows, adding a total into the parent's). This is exactly the order of a
 *   recursive walk that reads a directory and then recurses into its subdirectories.
 * Events, breadth-first (the tree preparation): kEnter only; the root, then every directory of
 *   depth 1 in the order their parents were delivered and, within a parent, in listing order,
 *   then depth 2, and so on.
 *
 * What is entered: every subdirectory entry except those an exclusion filter matches (the root
 * itself is not tested: the caller tests it before walking), mount points of pseudo file
 * systems (proc, sysfs, devtmpfs, ... autofs: never opened, so no automount is triggered) and
 * directories that are one of their own ancestors (bind mounts; only without the loop check,
 * which has its own guard). A symbolic link is a file of its own size unless the loop check is
 * on; then a link to a directory is entered like a directory. Such skipped subdirectories are
 * still listed in their parent's result, with their kind. A subdirectory that cannot be opened
 * (permission denied, removed since it was listed) is delivered with status kOpenFailed and
 * nothing in it; an entry that vanishes before it could be sized is left out and listed among
 * the problems. Nothing ends a walk early except Cancel. Next() writes a debug log line for
 * each skipped directory and entry of the directory it delivers.
 *
 * Modes:
 * - synchronous (default, and always breadth first with the loop check): each Next() reads the
 *   next directory on the calling thread. After a kEnter the consumer may call SkipSubtree():
 *   nothing below that directory is read or delivered (depth-first: its kLeave comes next).
 * - read-ahead (readAhead, depth first or without the loop check): a walker thread lists
 *   directories in the same order and counting threads size their files (and, with the loop
 *   check, take their times and the fingerprints) while the consumer works; finished
 *   directories wait in a queue bounded by count and bytes, so memory stays flat however big
 *   the tree. The events and their order are exactly those of the synchronous mode. SkipSubtree()
 *   stops the walker thread below that directory; what it had read there already is left out,
 *   so the consumer sees what a synchronous walk would deliver. The bounded queue also bounds
 *   how far it reads into a loop before the consumer, which detects loops, cuts it off.
 *
 * Threads: one consumer thread calls every member. Cancel() (or destroying the walker) stops
 * the walk: the walker's threads end promptly and are joined; later Next() calls return false.
 * Exceptions of the walker's threads (out of memory) are thrown from Next().
 *
 * A scan drives it as a loop over the events, keeping a stack of the open directories:
 *   kEnter(D): D's identifier (parent: the directory below it on the stack); progress replayed
 *     from the summary: for each subdirectory entry, files counted so far = before + its
 *     filesBefore, one more directory seen, then Cancelled(); the files and tallies of D added;
 *     with the loop check, LoopDetector::AlreadyReached(fingerprint, fullFingerprint, path,
 *     {device, inode}) and SkipSubtree() when D was reached before. Push D.
 *   kLeave(D): pop D; write its size row; add its total to its parent's (nothing for a directory
 *     reached again); a direct subdirectory of the root advances the progress bar.
 *   Cancel(): the consumer stops; Cancel() (or leaving the scope) ends the walker.
 * Subdirectories listed as kExcluded or kPseudoFileSystem are never delivered and count 0 in
 * their parent, as do directories delivered with a status other than kRead (they hold nothing).
 */
#ifndef TALLYVOL_SCAN_FS_TREEWALKER_H
#define TALLYVOL_SCAN_FS_TREEWALKER_H

#include "scan/fs/ScanRules.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace scan {

struct WalkOptions {
    enum class Order { kDepthFirst, kBreadthFirst };
    Order order = Order::kDepthFirst;
    // False for the tree preparation: files are neither sized nor counted.
    bool countFiles = true;
    // Enter links to directories and fingerprint every directory (breadth first: synchronous).
    bool loopCheck = false;
    std::uint64_t fingerprintCutoff = 0; // the scan's age cut-off (ScanAgeCutoff)
    ExclusionFilters filters;

    bool readAhead = false;
    int countingThreads = 0;                  // read-ahead: 0 means one per processor but one, 1 to 4
    // Read-ahead: directories read but not delivered. Deep enough to keep reading while the
    // consumer loads the store's directory cache (tens of milliseconds); the bytes bound below
    // keeps the memory in check.
    std::size_t maxQueuedDirectories = 8192;
    std::size_t maxQueuedBytes = 16u << 20;   // read-ahead: their approximate size
    std::size_t maxOpenDirectories = 128;     // descriptors the depth-first walk keeps open

    // Called on the reading thread after a directory's names are read and before its entries
    // are examined (tests use it to change the tree at that moment).
    std::function<void(const std::string& path)> onListed;
};

enum class DirectoryStatus : std::uint8_t {
    kRead,             // read (error may still say the listing ended early)
    kOpenFailed,       // could not be opened: error holds errno
    kPseudoFileSystem, // only for the root: it is on a pseudo file system and was not read
    kAncestorCycle,    // the same directory as one of its ancestors: not read
};

enum class SubdirectoryKind : std::uint8_t {
    kEntered,          // delivered with its own kEnter/kLeave
    kExcluded,         // an exclusion filter matches it: not entered
    kPseudoFileSystem, // mount point of a pseudo file system: not entered
};

struct SubdirectoryEntry {
    std::string name;
    std::uint32_t filesBefore = 0; // files of this directory counted before this entry was listed
    SubdirectoryKind kind = SubdirectoryKind::kEntered;
    bool viaLink = false;          // a symbolic link to a directory (loop check only)
};

struct ExtensionTally {
    std::string key;          // ExtensionKey
    std::uint32_t count = 0;  // files
    std::uint64_t bytes = 0;  // their size on disk
};

struct EntryProblem {
    std::string name; // empty when the listing itself failed part-way
    int error = 0;    // errno; ENOENT when the entry vanished
};

struct DirectoryResult {
    std::string path; // the walk's root followed by the names below it, "/"-separated
    int depth = 0;    // 0 for the root
    DirectoryStatus status = DirectoryStatus::kRead;
    int error = 0;
    std::uint64_t filesSize = 0; // size on disk of the files counted
    std::uint32_t fileCount = 0;
    std::vector<ExtensionTally> extensions;        // first-seen order
    std::vector<SubdirectoryEntry> subdirectories; // every subdirectory entry, listing order
    std::vector<EntryProblem> problems;            // entries left out
    bool hasFingerprint = false;                   // loop check, for a directory read
    std::uint64_t fingerprint = 0;                 // with the scan's age cut-off
    std::uint64_t fullFingerprint = 0;             // over all entries (cut-off 0)
    std::uint64_t device = 0;                      // st_dev and st_ino of a directory read
    std::uint64_t inode = 0;
};

enum class WalkEventKind { kEnter, kLeave };

struct WalkEvent {
    WalkEventKind kind = WalkEventKind::kEnter;
    int depth = 0;
    std::unique_ptr<DirectoryResult> directory; // kEnter only; the consumer's from now on
};

class Traversal;
class ReadAhead;

class TreeWalker {
public:
    // Starts walking the root (a local path; a symbolic link as the root is followed).
    TreeWalker(const std::string& root, WalkOptions options);
    ~TreeWalker();
    TreeWalker(const TreeWalker&) = delete;
    TreeWalker& operator=(const TreeWalker&) = delete;

    // The next event; false when the walk is over or was cancelled.
    bool Next(WalkEvent& event);

    enum class WaitResult { kEvent, kTimeout, kFinished };
    // Like Next, but gives up after maxWait when the next directory is not read yet (read-ahead;
    // a synchronous walk always reads it), so a window can be kept alive meanwhile.
    WaitResult WaitNext(WalkEvent& event, std::chrono::milliseconds maxWait);

    // Right after a kEnter: do not read (any further) or deliver anything below it.
    void SkipSubtree();
    void Cancel();

    bool IsReadAhead() const { return m_readAhead != nullptr; }

private:
    WaitResult deliver(WalkEvent& event, const std::chrono::milliseconds* maxWait);

    WalkOptions m_options;
    std::unique_ptr<Traversal> m_traversal;
    std::unique_ptr<ReadAhead> m_readAhead;
    bool m_cancelled = false;
    bool m_lastWasEnter = false;
    int m_lastDepth = 0;
    std::uint64_t m_entersReceived = 0; // read-ahead: kEnter events taken, delivered or not
    int m_skipDepth = -1;               // read-ahead: leaving out events until a kLeave at this depth
};

} // namespace scan

#endif
