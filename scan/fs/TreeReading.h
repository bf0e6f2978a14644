/*
 * A tree read once and walked again from memory. The first scan of a tree never seen walks it
 * breadth first to give every directory its row (the tree preparation); when that walk reads the
 * files too, it keeps each directory's reading here, and the scan then takes the depth-first
 * events from this copy instead of reading every directory a second time. The events and their
 * order are exactly those of a depth-first TreeWalker over the same readings.
 *
 * Breadth first, the entered subdirectories of a directory are delivered one after the other,
 * the directories' groups in the order of their parents; that is how each reading finds its
 * parent. A reading that ends any other way (a walk cut short, subtrees skipped) is not
 * Complete() and must not be walked. Filled and walked by one thread, the scan's.
 */
#ifndef TALLYVOL_SCAN_FS_TREEREADING_H
#define TALLYVOL_SCAN_FS_TREEREADING_H

#include "scan/fs/TreeWalker.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace scan {

class TreeReading {
public:
    // The walk's root (local path), to tell whether the reading is of the tree a scan wants.
    void Start(const std::string& root);
    const std::string& Root() const { return m_root; }
    // The next directory in breadth-first order, as the walk delivered it.
    void Add(std::unique_ptr<DirectoryResult> directory);
    // Every directory delivered and nothing skipped: each entered subdirectory has its reading.
    bool Complete() const;
    // Forgets everything (a reading that will not be used).
    void Clear();

    // The depth-first events over the readings (each reading is handed out once); false after
    // the root's kLeave.
    bool Next(WalkEvent& event);
    // The depth-first walker's call: the readings below the last kEnter are not walked.
    void SkipSubtree();

private:
    struct Node {
        std::unique_ptr<DirectoryResult> result;
        std::uint32_t firstChild = 0;
        std::uint32_t children = 0; // entered subdirectories, each delivered after this one
        int depth = 0;
    };
    struct Open {
        std::uint32_t node;
        std::uint32_t nextChild;
    };

    std::string m_root;
    std::vector<Node> m_nodes;
    std::uint32_t m_parent = 0;       // the directory whose subdirectories are being delivered
    std::uint32_t m_parentFilled = 0; // of them, delivered so far
    bool m_started = false;
    std::vector<Open> m_stack;
};

} // namespace scan

#endif
