/*
 * The walk's order and its reading of each directory, without any threads: the depth-first and
 * breadth-first state machines behind TreeWalker. Each Advance() opens and lists the next
 * directory and hands it out as a job whose files may still have to be sized (Finish), which
 * the read-ahead mode does on other threads. Internal to the walker; one thread at a time.
 */
#ifndef TALLYVOL_SCAN_FS_TRAVERSAL_H
#define TALLYVOL_SCAN_FS_TRAVERSAL_H

#include "scan/fs/DirectoryReader.h"
#include "scan/fs/MountTable.h"
#include "scan/fs/TreeWalker.h"

#include <sys/types.h>

#include <deque>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace scan {

// One directory on its way to the consumer.
struct DirectoryJob {
    struct File {
        std::uint32_t entry; // index into the listing
        bool sized;
        std::uint64_t size;
        std::uint64_t time;
        bool failed = false; // could not be examined (listed among the problems)
    };

    std::unique_ptr<DirectoryResult> result;
    std::shared_ptr<DirectoryHandle> handle; // kept while Finish still needs it
    DirectoryListing listing;
    std::vector<File> files;                        // listing order
    std::vector<std::uint64_t> subdirectoryTimes;  // loop check: one per subdirectory entry
    std::uint64_t ownTime = 0;
    bool countFiles = true;
    bool loopCheck = false;
    std::uint64_t cutoff = 0;
    bool ready = false; // read-ahead bookkeeping, guarded by its queue

    bool NeedsFinishing() const { return handle != nullptr || !files.empty(); }
    // Sizes and counts the files (subdirectories' filesBefore become counts of files counted)
    // and, with the loop check, examines the plain files (their times) and computes the
    // fingerprint. Releases the handle.
    void Finish();
    std::size_t EstimatedBytes() const;
};

struct ProducedEvent {
    WalkEventKind kind = WalkEventKind::kEnter;
    int depth = 0;
    std::unique_ptr<DirectoryJob> job; // kEnter only
    // Depth-first with the loop check: a directory this walk has read before (a link or a bind
    // mount back into the tree), which the consumer will most likely skip.
    bool readBefore = false;
};

// Depth-first, the kEnter events are numbered from 1 (the root) in the order they are produced;
// a consumer that counts them names a directory to CutSubtree by its number.

class Traversal {
public:
    Traversal(std::string root, const WalkOptions& options);

    // Reads the next directory (or closes one); false when the walk is over.
    bool Advance(ProducedEvent& out);
    // The directory of the last kEnter is not to be entered.
    void SkipLastSubtree();
    // Depth-first: nothing more is read below the directory of the given kEnter number; the
    // directories open below it and then it are closed (their kLeave events follow). Nothing
    // happens when that directory was closed already.
    void CutSubtree(std::uint64_t enterNumber);

private:
    struct Ancestor {
        dev_t device;
        ino_t inode;
        std::shared_ptr<const Ancestor> parent;
    };
    using Ancestry = std::shared_ptr<const Ancestor>;

    struct Child {
        std::string name;
        bool viaLink;
    };

    struct Frame {
        std::shared_ptr<DirectoryHandle> handle; // null for a leaf, or released to save descriptors
        std::string path;
        std::string name;
        bool viaLink = false;
        int depth = 0;
        std::vector<Child> children;
        std::size_t next = 0;
        Ancestry ancestry;
        std::uint64_t enterNumber = 0;
    };

    struct Pending {
        std::string path;
        bool viaLink;
        int depth;
        Ancestry ancestry;
    };

    struct Reading {
        std::unique_ptr<DirectoryJob> job;
        std::shared_ptr<DirectoryHandle> handle;
        std::vector<Child> children;
        Ancestry ancestry;
    };

    Reading readDirectory(std::shared_ptr<DirectoryHandle> handle, int openError, std::string path,
                          int depth, const Ancestry& ancestry);
    SubdirectoryKind classify(int dirFd, const char* name, bool viaLink, const std::string& path) const;
    bool isPseudoRoot() const;
    // Loop check, depth first: notes a directory read; false when it was read before.
    bool rememberRead(const DirectoryResult& directory);

    bool advanceDepthFirst(ProducedEvent& out);
    bool advanceBreadthFirst(ProducedEvent& out);
    void enterRoot(ProducedEvent& out);
    int parentDescriptor(std::size_t frameIndex);
    void limitOpenFrames();
    int openRelativeToRoot(const std::string& path, bool followLink, DirectoryHandle& handle);

    std::string m_root;
    WalkOptions m_options;
    PseudoMounts m_pseudo;
    bool m_started = false;
    bool m_finished = false;

    std::vector<Frame> m_stack;                  // depth-first
    std::uint64_t m_enters = 0;                  // depth-first: kEnter events produced
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_read; // loop check: device and inode of every directory read
    std::deque<Pending> m_queue;                 // breadth-first
    std::shared_ptr<DirectoryHandle> m_rootHandle;
    std::vector<Pending> m_lastChildren;         // breadth-first: children of the last kEnter
};

} // namespace scan

#endif
