#include "tests/unit/scan/WalkTestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <deque>
#include <random>
#include <stdexcept>

namespace walktest {

std::uint64_t ExpectedOnDisk(std::uint64_t size) {
    return size == 0 ? 0 : (size / 4096 + 1) * 4096;
}

void MakeDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
        throw std::runtime_error("mkdir " + path + ": " + std::strerror(errno));
    }
}

void MakeFile(const std::string& path, std::uint64_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw std::runtime_error("create " + path + ": " + std::strerror(errno));
    }
    std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(size, 4096)), 'x');
    bool ok = ::write(fd, head.data(), head.size()) == static_cast<ssize_t>(head.size()) &&
              ::ftruncate(fd, static_cast<off_t>(size)) == 0;
    ::close(fd);
    if (!ok) {
        throw std::runtime_error("write " + path);
    }
}

void MakeSymlink(const std::string& target, const std::string& path) {
    if (::symlink(target.c_str(), path.c_str()) != 0) {
        throw std::runtime_error("symlink " + path + ": " + std::strerror(errno));
    }
}

TreeRecord::TreeRecord(std::string root) : m_root(std::move(root)) {
    MakeDirectory(m_root);
    m_directories.push_back("");
}

void TreeRecord::Directory(const std::string& relative) {
    MakeDirectory(m_root + "/" + relative);
    m_directories.push_back(relative);
}

void TreeRecord::File(const std::string& relative, std::uint64_t size) {
    MakeFile(m_root + "/" + relative, size);
    m_files[relative] = size;
}

std::uint64_t TreeRecord::ExpectedTotal(const std::string& relative,
                                        const std::function<bool(const std::string&)>& skip) const {
    auto skipped = [&](const std::string& file) {
        if (!skip) {
            return false;
        }
        // A file is skipped when any directory between the asked one and the file is.
        std::string directory = file.substr(0, file.rfind('/') == std::string::npos ? 0 : file.rfind('/'));
        while (directory.size() > relative.size()) {
            if (skip(directory)) {
                return true;
            }
            std::size_t slash = directory.rfind('/');
            directory = slash == std::string::npos ? std::string() : directory.substr(0, slash);
        }
        return false;
    };
    std::uint64_t total = 0;
    for (const auto& [path, size] : m_files) {
        bool below = relative.empty() || path.rfind(relative + "/", 0) == 0;
        if (below && !skipped(path)) {
            total += ExpectedOnDisk(size);
        }
    }
    return total;
}

TreeRecord MakeRandomTree(const std::string& root, int directories, int files, unsigned seed) {
    std::mt19937 random(seed);
    TreeRecord tree(root);
    std::vector<std::string> made{""};
    const char* extensions[] = {".txt", ".c", ".JPG", "", ".tar.gz", ".log", ".verylongextensionname1"};
    for (int i = 1; i < directories; ++i) {
        const std::string& parent = made[random() % made.size()];
        std::string name = "d" + std::to_string(i);
        std::string relative = parent.empty() ? name : parent + "/" + name;
        tree.Directory(relative);
        made.push_back(relative);
    }
    for (int i = 0; i < files; ++i) {
        const std::string& parent = made[random() % made.size()];
        std::string name = "f" + std::to_string(i) + extensions[random() % 7];
        std::uint64_t sizes[] = {0, 1, 4095, 4096, 4097, static_cast<std::uint64_t>(random() % 20000)};
        tree.File(parent.empty() ? name : parent + "/" + name, sizes[random() % 6]);
    }
    return tree;
}

namespace {

// Subdirectory names of a directory in readdir order (symbolic links are not directories).
std::vector<std::string> subdirectoriesOf(const std::string& path) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        struct stat st {};
        if (::lstat((path + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    return names;
}

void preorder(const std::string& path, std::vector<std::string>& out) {
    out.push_back(path);
    for (const std::string& name : subdirectoriesOf(path)) {
        preorder(path + "/" + name, out);
    }
}

} // namespace

std::vector<std::string> PreorderByReaddir(const std::string& root) {
    std::vector<std::string> out;
    preorder(root, out);
    return out;
}

std::vector<std::string> BreadthFirstByReaddir(const std::string& root) {
    std::vector<std::string> out;
    std::deque<std::string> queue{root};
    while (!queue.empty()) {
        std::string path = queue.front();
        queue.pop_front();
        out.push_back(path);
        for (const std::string& name : subdirectoriesOf(path)) {
            queue.push_back(path + "/" + name);
        }
    }
    return out;
}

ConsumedWalk Consume(scan::TreeWalker& walker,
                     const std::function<Decision(scan::TreeWalker&, const scan::DirectoryResult&)>& onEnter) {
    ConsumedWalk walk;
    struct Open {
        std::string path;
        int depth;
        std::uint64_t total;
        bool countsNothing;
    };
    std::vector<Open> stack;
    bool cancelled = false;
    scan::WalkEvent event;
    while (walker.Next(event)) {
        if (event.kind == scan::WalkEventKind::kEnter) {
            const scan::DirectoryResult& directory = *event.directory;
            walk.enterOrder.push_back(directory.path);
            walk.fileCounts[directory.path] = directory.fileCount;
            walk.results.push_back(directory);
            walk.balanced = walk.balanced && event.depth == static_cast<int>(stack.size()) &&
                            directory.depth == event.depth;
            Decision decision = onEnter ? onEnter(walker, directory) : Decision::kGoOn;
            stack.push_back({directory.path, event.depth, directory.filesSize, decision == Decision::kCountsNothing});
            if (decision == Decision::kCancel) {
                walker.Cancel();
                cancelled = true;
            }
            continue;
        }
        if (stack.empty() || stack.back().depth != event.depth) {
            walk.balanced = false;
            break;
        }
        Open closed = stack.back();
        stack.pop_back();
        std::uint64_t total = closed.countsNothing ? 0 : closed.total;
        walk.leaveOrder.push_back(closed.path);
        walk.totals[closed.path] = total;
        if (stack.empty()) {
            walk.rootTotal = total;
        } else {
            stack.back().total += total;
        }
    }
    walk.balanced = walk.balanced && (cancelled || stack.empty());
    return walk;
}

ConsumedWalk ConsumeWithLoopCheck(scan::TreeWalker& walker, scan::LoopDetector& loops) {
    return Consume(walker, [&](scan::TreeWalker& w, const scan::DirectoryResult& directory) {
        if (directory.hasFingerprint &&
            loops.AlreadyReached(directory.fingerprint, directory.fullFingerprint, directory.path,
                                                      {directory.device, directory.inode})) {
            w.SkipSubtree();
            return Decision::kCountsNothing;
        }
        return Decision::kGoOn;
    });
}

int RunInChild(const std::function<int()>& body) {
    pid_t child = ::fork();
    if (child < 0) {
        return -1;
    }
    if (child == 0) {
        int status = 99;
        try {
            status = body();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "child failed: %s\n", error.what());
        }
        std::fflush(nullptr);
        ::_exit(status);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunAsNobody(const std::function<int()>& body) {
    return RunInChild([&] {
        if (::getuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return 98;
        }
        return body();
    });
}

} // namespace walktest
