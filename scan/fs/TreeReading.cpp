#include "scan/fs/TreeReading.h"

namespace scan {

namespace {

// The subdirectories a walk delivers after this directory: those it entered.
std::uint32_t enteredChildren(const DirectoryResult& directory) {
    if (directory.status != DirectoryStatus::kRead) {
        return 0;
    }
    std::uint32_t count = 0;
    for (const SubdirectoryEntry& subdirectory : directory.subdirectories) {
        count += subdirectory.kind == SubdirectoryKind::kEntered ? 1 : 0;
    }
    return count;
}

} // namespace

void TreeReading::Start(const std::string& root) {
    Clear();
    m_root = root;
}

void TreeReading::Clear() {
    m_root.clear();
    m_nodes = std::vector<Node>();
    m_parent = 0;
    m_parentFilled = 0;
    m_started = false;
    m_stack.clear();
}

void TreeReading::Add(std::unique_ptr<DirectoryResult> directory) {
    Node node;
    node.children = enteredChildren(*directory);
    node.depth = directory->depth;
    node.result = std::move(directory);
    auto index = static_cast<std::uint32_t>(m_nodes.size());
    if (index != 0) {
        // Parents whose subdirectories are all in (or that have none) are done.
        while (m_parent < index && m_parentFilled == m_nodes[m_parent].children) {
            ++m_parent;
            m_parentFilled = 0;
        }
        if (m_parent >= index) {
            m_parent = index; // more directories than entered subdirectories: never Complete
            m_parentFilled = 0;
            m_nodes.push_back(std::move(node));
            m_nodes.back().children = 0;
            m_nodes.back().depth = -1;
            return;
        }
        if (m_parentFilled == 0) {
            m_nodes[m_parent].firstChild = index;
        }
        ++m_parentFilled;
    }
    m_nodes.push_back(std::move(node));
}

bool TreeReading::Complete() const {
    if (m_nodes.empty()) {
        return false;
    }
    std::uint64_t promised = 0;
    for (const Node& node : m_nodes) {
        if (node.depth < 0) {
            return false;
        }
        promised += node.children;
    }
    return promised + 1 == m_nodes.size();
}

bool TreeReading::Next(WalkEvent& event) {
    if (!m_started) {
        m_started = true;
        if (m_nodes.empty()) {
            return false;
        }
        m_stack.push_back({0, 0});
        event.kind = WalkEventKind::kEnter;
        event.depth = m_nodes[0].depth;
        event.directory = std::move(m_nodes[0].result);
        return true;
    }
    if (m_stack.empty()) {
        return false;
    }
    Open& top = m_stack.back();
    const Node& node = m_nodes[top.node];
    if (top.nextChild < node.children) {
        std::uint32_t child = node.firstChild + top.nextChild++;
        m_stack.push_back({child, 0});
        event.kind = WalkEventKind::kEnter;
        event.depth = m_nodes[child].depth;
        event.directory = std::move(m_nodes[child].result);
        return true;
    }
    event.kind = WalkEventKind::kLeave;
    event.depth = node.depth;
    event.directory.reset();
    m_stack.pop_back();
    return true;
}

void TreeReading::SkipSubtree() {
    if (!m_stack.empty()) {
        m_stack.back().nextChild = m_nodes[m_stack.back().node].children;
    }
}

} // namespace scan
