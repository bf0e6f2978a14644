#include "scan/fs/TreeWalker.h"

#include "app/base/DiagnosticLog.h"
#include "scan/fs/DirectoryReader.h"
#include "scan/fs/ReadAhead.h"
#include "scan/fs/Traversal.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace scan {

namespace {

std::string errorText(int error) {
    char buffer[256];
    return ::strerror_r(error, buffer, sizeof buffer);
}

// The debug lines for what the walk left out of one directory.
void logSkipped(const DirectoryResult& directory) {
    if (!app::IsDebugLogOn()) {
        return;
    }
    const char* path = directory.path.c_str();
    switch (directory.status) {
    case DirectoryStatus::kOpenFailed:
        TV_DEBUG_LOG("Skipping directory %s: %s", path, errorText(directory.error).c_str());
        break;
    case DirectoryStatus::kPseudoFileSystem:
        TV_DEBUG_LOG("Skipping directory %s: it is on a pseudo file system", path);
        break;
    case DirectoryStatus::kAncestorCycle:
        TV_DEBUG_LOG("Skipping directory %s: it is the same directory as one of its parents", path);
        break;
    case DirectoryStatus::kRead:
        break;
    }
    for (const SubdirectoryEntry& subdirectory : directory.subdirectories) {
        if (subdirectory.kind == SubdirectoryKind::kPseudoFileSystem) {
            TV_DEBUG_LOG("Skipping directory %s: it is on a pseudo file system",
                         ChildPath(directory.path, subdirectory.name).c_str());
        }
    }
    for (const EntryProblem& problem : directory.problems) {
        if (problem.name.empty()) {
            TV_DEBUG_LOG("Reading directory %s stopped early: %s", path, errorText(problem.error).c_str());
        } else if (problem.error == ENOENT) {
            TV_DEBUG_LOG("Skipping %s: it vanished while its directory was read",
                         ChildPath(directory.path, problem.name).c_str());
        } else {
            TV_DEBUG_LOG("Skipping %s: %s", ChildPath(directory.path, problem.name).c_str(),
                         errorText(problem.error).c_str());
        }
    }
}

} // namespace

TreeWalker::TreeWalker(const std::string& root, WalkOptions options) : m_options(std::move(options)) {
    // Breadth first, a skipped directory's descendants would be scattered through the queue.
    if (m_options.loopCheck && m_options.order == WalkOptions::Order::kBreadthFirst) {
        m_options.readAhead = false;
    }
    m_traversal = std::make_unique<Traversal>(root, m_options);
    if (m_options.readAhead) {
        m_readAhead = std::make_unique<ReadAhead>(*m_traversal, m_options);
    }
}

TreeWalker::~TreeWalker() = default;

bool TreeWalker::Next(WalkEvent& event) {
    return deliver(event, nullptr) == WaitResult::kEvent;
}

TreeWalker::WaitResult TreeWalker::WaitNext(WalkEvent& event, std::chrono::milliseconds maxWait) {
    return deliver(event, &maxWait);
}

TreeWalker::WaitResult TreeWalker::deliver(WalkEvent& event, const std::chrono::milliseconds* maxWait) {
    m_lastWasEnter = false;
    if (m_cancelled) {
        return WaitResult::kFinished;
    }
    WaitResult result = WaitResult::kFinished;
    if (m_readAhead) {
        for (;;) {
            m_readAhead->Decided(m_entersReceived);
            result = m_readAhead->Next(event, maxWait);
            if (result != WaitResult::kEvent) {
                break;
            }
            if (event.kind == WalkEventKind::kEnter) {
                ++m_entersReceived;
            }
            if (m_skipDepth < 0) {
                break;
            }
            // Read ahead below a skipped directory: left out up to that directory's own kLeave.
            if (event.kind == WalkEventKind::kLeave && event.depth == m_skipDepth) {
                m_skipDepth = -1;
                break;
            }
        }
    } else {
        ProducedEvent produced;
        if (m_traversal->Advance(produced)) {
            if (produced.job) {
                produced.job->Finish();
                event.directory = std::move(produced.job->result);
            } else {
                event.directory.reset();
            }
            event.kind = produced.kind;
            event.depth = produced.depth;
            result = WaitResult::kEvent;
        }
    }
    if (result == WaitResult::kEvent) {
        m_lastWasEnter = event.kind == WalkEventKind::kEnter;
        m_lastDepth = event.depth;
        if (event.directory) {
            logSkipped(*event.directory);
        }
    }
    return result;
}

void TreeWalker::SkipSubtree() {
    if (!m_lastWasEnter) {
        throw std::logic_error("SkipSubtree must follow a kEnter event");
    }
    if (m_readAhead) {
        m_readAhead->Cut(m_entersReceived);
        m_skipDepth = m_lastDepth;
    } else {
        m_traversal->SkipLastSubtree();
    }
    m_lastWasEnter = false;
}

void TreeWalker::Cancel() {
    m_cancelled = true;
    if (m_readAhead) {
        m_readAhead->Cancel();
    }
}

} // namespace scan
