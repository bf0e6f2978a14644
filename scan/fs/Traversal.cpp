#include "scan/fs/Traversal.h"

#include "scan/fs/DirFingerprint.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <unordered_map>

namespace scan {

namespace {

// The extension tallies of one directory. Most directories hold a handful of extensions, so a
// linear search wins; an index takes over for the few with many.
class TallyBuilder {
public:
    explicit TallyBuilder(std::vector<ExtensionTally>& tallies) : m_tallies(tallies) {}

    void Add(std::string_view key, std::uint64_t bytes) {
        std::size_t index = find(key);
        if (index == m_tallies.size()) {
            m_tallies.push_back({std::string(key), 0, 0});
            if (!m_index.empty() || m_tallies.size() > kLinearLimit) {
                reindex();
            }
        }
        ++m_tallies[index].count;
        m_tallies[index].bytes += bytes;
    }

private:
    static constexpr std::size_t kLinearLimit = 16;

    std::size_t find(std::string_view key) const {
        if (!m_index.empty()) {
            auto found = m_index.find(std::string(key));
            return found != m_index.end() ? found->second : m_tallies.size();
        }
        for (std::size_t i = 0; i < m_tallies.size(); ++i) {
            if (m_tallies[i].key == key) {
                return i;
            }
        }
        return m_tallies.size();
    }

    void reindex() {
        m_index.emplace(m_tallies.back().key, m_tallies.size() - 1);
        if (m_index.size() < m_tallies.size()) {
            for (std::size_t i = 0; i < m_tallies.size(); ++i) {
                m_index.emplace(m_tallies[i].key, i);
            }
        }
    }

    std::vector<ExtensionTally>& m_tallies;
    std::unordered_map<std::string, std::size_t> m_index;
};

// Listing types that are never a directory, nor a link that could lead to one.
bool isPlainFileType(unsigned char type) {
    return type == DT_REG || type == DT_FIFO || type == DT_SOCK || type == DT_CHR || type == DT_BLK;
}

} // namespace

void DirectoryJob::Finish() {
    DirectoryResult& directory = *result;
    std::vector<SubdirectoryEntry>& subdirectories = directory.subdirectories;
    if (loopCheck) {
        for (File& file : files) {
            if (file.sized) {
                continue;
            }
            EntryInfo info = ExamineEntry(handle->Fd(), listing.Name(file.entry), DT_UNKNOWN, true);
            if (info.error != 0) {
                directory.problems.push_back({listing.Name(file.entry), info.error});
                file.failed = true;
                continue;
            }
            file.sized = true;
            file.size = info.size;
            file.time = info.time;
        }
    }
    if (countFiles) {
        TallyBuilder tallies(directory.extensions);
        std::size_t nextSubdirectory = 0;
        std::uint32_t counted = 0;
        char key[kMaxExtensionKeyBytes];
        for (std::size_t k = 0; k < files.size(); ++k) {
            while (nextSubdirectory < subdirectories.size() && subdirectories[nextSubdirectory].filesBefore <= k) {
                subdirectories[nextSubdirectory++].filesBefore = counted;
            }
            File& file = files[k];
            if (file.failed) {
                continue;
            }
            if (!file.sized) {
                int error = SizeEntry(handle->Fd(), listing.Name(file.entry), file.size);
                if (error != 0) {
                    directory.problems.push_back({listing.Name(file.entry), error});
                    continue;
                }
                file.sized = true;
            }
            std::uint64_t onDisk = SizeOnDisk(file.size);
            directory.filesSize += onDisk;
            ++counted;
            tallies.Add(std::string_view(key, ExtensionKeyInto(listing.NameView(file.entry), key)), onDisk);
        }
        while (nextSubdirectory < subdirectories.size()) {
            subdirectories[nextSubdirectory++].filesBefore = counted;
        }
        directory.fileCount = counted;
    }
    if (loopCheck && directory.status == DirectoryStatus::kRead) {
        std::vector<FingerprintEntry> entries;
        entries.reserve(files.size() + subdirectories.size());
        for (const File& file : files) {
            if (file.sized) {
                std::string_view name = listing.NameView(file.entry);
                entries.push_back({name, file.time, false, true, EntryHash(name, file.time)});
            }
        }
        for (std::size_t i = 0; i < subdirectories.size(); ++i) {
            const std::string& name = subdirectories[i].name;
            entries.push_back({name, subdirectoryTimes[i], true, true, EntryHash(name, subdirectoryTimes[i])});
        }
        auto lookInto = [this, &subdirectories](std::uint64_t subdirectoryCutoff) {
            return [this, &subdirectories, subdirectoryCutoff](std::string_view name, int& counter) -> std::uint64_t {
                for (const SubdirectoryEntry& subdirectory : subdirectories) {
                    if (subdirectory.name == name && subdirectory.kind == SubdirectoryKind::kPseudoFileSystem) {
                        return 0; // never opened
                    }
                }
                return FingerprintAt(handle->Fd(), std::string(name).c_str(), subdirectoryCutoff, false, counter);
            };
        };
        int counter = 0;
        directory.fingerprint = ComputeFingerprint(ownTime, entries, cutoff, false, counter, lookInto(cutoff));
        counter = 0;
        directory.fullFingerprint = ComputeFingerprint(ownTime, entries, 0, true, counter, lookInto(0));
        directory.hasFingerprint = true;
    }
    handle.reset();
    listing = DirectoryListing();
    files = std::vector<File>();
    subdirectoryTimes = std::vector<std::uint64_t>();
}

std::size_t DirectoryJob::EstimatedBytes() const {
    std::size_t bytes = sizeof(DirectoryJob) + sizeof(DirectoryResult) + result->path.size() +
                        listing.names.size() + listing.entries.size() * sizeof(DirectoryListing::Entry) +
                        files.size() * sizeof(File);
    for (const SubdirectoryEntry& subdirectory : result->subdirectories) {
        bytes += sizeof(SubdirectoryEntry) + subdirectory.name.size();
    }
    return bytes;
}

Traversal::Traversal(std::string root, const WalkOptions& options) : m_root(std::move(root)), m_options(options) {
    while (m_root.size() > 1 && m_root.back() == '/') {
        m_root.pop_back();
    }
    MountTable table;
    int error = 0;
    if (MountTable::ReadCurrent(table, error)) {
        m_pseudo = PseudoMounts(table);
    }
}

SubdirectoryKind Traversal::classify(int dirFd, const char* name, bool viaLink, const std::string& path) const {
    if (!m_options.filters.Empty() && m_options.filters.Excludes(ChildPath(path, name))) {
        return SubdirectoryKind::kExcluded;
    }
    if (!m_pseudo.Empty() && (viaLink || m_pseudo.MayBeMountPointName(name))) {
        struct stat st {};
        int flags = AT_NO_AUTOMOUNT | (viaLink ? 0 : AT_SYMLINK_NOFOLLOW);
        if (::fstatat(dirFd, name, &st, flags) == 0 && m_pseudo.TypeOfDevice(st.st_dev) != nullptr) {
            return SubdirectoryKind::kPseudoFileSystem;
        }
    }
    return SubdirectoryKind::kEntered;
}

bool Traversal::isPseudoRoot() const {
    struct stat st {};
    return !m_pseudo.Empty() && ::stat(m_root.c_str(), &st) == 0 && m_pseudo.TypeOfDevice(st.st_dev) != nullptr;
}

Traversal::Reading Traversal::readDirectory(std::shared_ptr<DirectoryHandle> handle, int openError, std::string path,
                                            int depth, const Ancestry& ancestry) {
    Reading reading;
    auto job = std::make_unique<DirectoryJob>();
    job->result = std::make_unique<DirectoryResult>();
    DirectoryResult& directory = *job->result;
    directory.path = std::move(path);
    directory.depth = depth;
    job->countFiles = m_options.countFiles;
    job->loopCheck = m_options.loopCheck;
    job->cutoff = m_options.fingerprintCutoff;
    if (openError != 0) {
        directory.status = DirectoryStatus::kOpenFailed;
        directory.error = openError;
        reading.job = std::move(job);
        return reading;
    }
    int fd = handle->Fd();
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        directory.device = st.st_dev;
        directory.inode = st.st_ino;
        if (!m_options.loopCheck) {
            for (const Ancestor* above = ancestry.get(); above != nullptr; above = above->parent.get()) {
                if (above->device == st.st_dev && above->inode == st.st_ino) {
                    directory.status = DirectoryStatus::kAncestorCycle;
                    reading.job = std::move(job);
                    return reading;
                }
            }
            reading.ancestry = std::make_shared<const Ancestor>(Ancestor{st.st_dev, st.st_ino, ancestry});
        }
    }
    DirectoryListing& listing = job->listing;
    int listError = handle->ReadEntries(listing);
    if (listError != 0) {
        directory.error = listError;
        directory.problems.push_back({std::string(), listError});
    }
    if (m_options.onListed) {
        m_options.onListed(directory.path);
    }
    if (m_options.loopCheck) {
        EntryTime(fd, "", job->ownTime);
    }
    bool unsizedFiles = false;
    for (std::size_t i = 0; i < listing.entries.size(); ++i) {
        const char* name = listing.Name(i);
        unsigned char type = listing.entries[i].type;
        if (m_options.loopCheck && isPlainFileType(type)) {
            // Nothing about it decides what is entered: examined with the other files, on a
            // counting thread when reading ahead.
            job->files.push_back({static_cast<std::uint32_t>(i), false, 0, 0});
            unsizedFiles = true;
            continue;
        }
        EntryInfo info = ExamineEntry(fd, name, type, m_options.loopCheck);
        if (info.error != 0) {
            directory.problems.push_back({name, info.error});
            continue;
        }
        if (info.isDirectory) {
            SubdirectoryEntry subdirectory;
            subdirectory.name = name;
            subdirectory.filesBefore = m_options.countFiles ? static_cast<std::uint32_t>(job->files.size()) : 0;
            subdirectory.viaLink = info.viaLink;
            subdirectory.kind = classify(fd, name, info.viaLink, directory.path);
            if (subdirectory.kind == SubdirectoryKind::kEntered) {
                reading.children.push_back({subdirectory.name, info.viaLink});
            }
            if (m_options.loopCheck) {
                job->subdirectoryTimes.push_back(info.time);
            }
            directory.subdirectories.push_back(std::move(subdirectory));
        } else if (m_options.countFiles || m_options.loopCheck) {
            job->files.push_back({static_cast<std::uint32_t>(i), info.sized, info.size, info.time});
            unsizedFiles = unsizedFiles || !info.sized;
        }
    }
    if ((m_options.countFiles && unsizedFiles) || m_options.loopCheck) {
        job->handle = handle;
    }
    if (job->files.empty()) {
        job->listing = DirectoryListing();
    }
    reading.handle = std::move(handle);
    reading.job = std::move(job);
    return reading;
}

void Traversal::enterRoot(ProducedEvent& out) {
    out.kind = WalkEventKind::kEnter;
    out.depth = 0;
    Reading reading;
    if (isPseudoRoot()) {
        reading.job = std::make_unique<DirectoryJob>();
        reading.job->result = std::make_unique<DirectoryResult>();
        reading.job->result->path = m_root;
        reading.job->result->status = DirectoryStatus::kPseudoFileSystem;
    } else {
        auto handle = std::make_shared<DirectoryHandle>();
        int error = handle->Open(AT_FDCWD, m_root.c_str(), true);
        reading = readDirectory(error == 0 ? handle : nullptr, error, m_root, 0, nullptr);
    }
    if (m_options.order == WalkOptions::Order::kDepthFirst) {
        Frame frame;
        frame.handle = reading.children.empty() ? nullptr : reading.handle;
        frame.path = m_root;
        frame.name = m_root;
        frame.children = std::move(reading.children);
        frame.ancestry = reading.ancestry;
        frame.enterNumber = ++m_enters;
        m_stack.push_back(std::move(frame));
        rememberRead(*reading.job->result);
    } else {
        m_rootHandle = reading.handle;
        for (Child& child : reading.children) {
            m_lastChildren.push_back({ChildPath(m_root, child.name), child.viaLink, 1, reading.ancestry});
        }
    }
    out.job = std::move(reading.job);
}

bool Traversal::Advance(ProducedEvent& out) {
    out.job.reset();
    out.readBefore = false;
    if (m_finished) {
        return false;
    }
    if (!m_started) {
        m_started = true;
        enterRoot(out);
        return true;
    }
    bool more = m_options.order == WalkOptions::Order::kDepthFirst ? advanceDepthFirst(out) : advanceBreadthFirst(out);
    m_finished = !more;
    return more;
}

bool Traversal::advanceDepthFirst(ProducedEvent& out) {
    if (m_stack.empty()) {
        return false;
    }
    std::size_t top = m_stack.size() - 1;
    if (m_stack[top].next >= m_stack[top].children.size()) {
        out.kind = WalkEventKind::kLeave;
        out.depth = m_stack[top].depth;
        m_stack.pop_back();
        return true;
    }
    int parentFd = parentDescriptor(top);
    Frame& parent = m_stack[top];
    Child child = std::move(parent.children[parent.next++]);
    auto handle = std::make_shared<DirectoryHandle>();
    int error = parentFd < 0 ? -parentFd : handle->Open(parentFd, child.name.c_str(), child.viaLink);
    std::string path = ChildPath(parent.path, child.name);
    int depth = parent.depth + 1;
    Ancestry ancestry = parent.ancestry;
    if (parent.next == parent.children.size()) {
        // Its last child is open: the parent's descriptor and list are no longer needed.
        parent.handle.reset();
        parent.children = std::vector<Child>();
        parent.next = 0;
    }
    Reading reading = readDirectory(error == 0 ? handle : nullptr, error, std::move(path), depth, ancestry);

    Frame frame;
    frame.handle = reading.children.empty() ? nullptr : reading.handle;
    frame.path = reading.job->result->path;
    frame.name = std::move(child.name);
    frame.viaLink = child.viaLink;
    frame.depth = depth;
    frame.children = std::move(reading.children);
    frame.ancestry = reading.ancestry;
    frame.enterNumber = ++m_enters;
    m_stack.push_back(std::move(frame));
    limitOpenFrames();

    out.kind = WalkEventKind::kEnter;
    out.depth = depth;
    out.job = std::move(reading.job);
    out.readBefore = !rememberRead(*out.job->result);
    return true;
}

int Traversal::parentDescriptor(std::size_t frameIndex) {
    Frame& frame = m_stack[frameIndex];
    if (frame.handle) {
        return frame.handle->Fd();
    }
    // Released to save descriptors: open it again from the nearest ancestor still open.
    std::size_t first = frameIndex;
    while (first > 0 && !m_stack[first - 1].handle) {
        --first;
    }
    std::shared_ptr<DirectoryHandle> current;
    std::size_t next = first;
    if (first == 0) {
        current = std::make_shared<DirectoryHandle>();
        int error = current->Open(AT_FDCWD, m_root.c_str(), true);
        if (error != 0) {
            return -error;
        }
        next = 1;
    } else {
        current = m_stack[first - 1].handle;
    }
    for (; next <= frameIndex; ++next) {
        auto opened = std::make_shared<DirectoryHandle>();
        int error = opened->Open(current->Fd(), m_stack[next].name.c_str(), m_stack[next].viaLink);
        if (error != 0) {
            return -error;
        }
        current = std::move(opened);
    }
    frame.handle = std::move(current);
    limitOpenFrames();
    return frame.handle->Fd();
}

void Traversal::limitOpenFrames() {
    std::size_t open = 0;
    for (const Frame& frame : m_stack) {
        open += frame.handle ? 1 : 0;
    }
    for (std::size_t i = 0; open > m_options.maxOpenDirectories && i + 1 < m_stack.size(); ++i) {
        if (m_stack[i].handle) {
            m_stack[i].handle.reset();
            --open;
        }
    }
}

int Traversal::openRelativeToRoot(const std::string& path, bool followLink, DirectoryHandle& handle) {
    if (!m_rootHandle) {
        return EBADF;
    }
    std::string relative = m_root == "/" ? path.substr(1) : path.substr(m_root.size() + 1);
    int error = handle.Open(m_rootHandle->Fd(), relative.c_str(), followLink);
    if (error != ENAMETOOLONG) {
        return error;
    }
    // Longer than the kernel takes in one call: one component at a time.
    DirectoryHandle current;
    int currentFd = m_rootHandle->Fd();
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t end = relative.find('/', start);
        bool last = end == std::string::npos;
        std::string component = relative.substr(start, last ? std::string::npos : end - start);
        DirectoryHandle opened;
        error = opened.Open(currentFd, component.c_str(), last ? followLink : true);
        if (error != 0) {
            return error;
        }
        current = std::move(opened);
        currentFd = current.Fd();
        start = last ? relative.size() : end + 1;
    }
    handle = std::move(current);
    return 0;
}

bool Traversal::advanceBreadthFirst(ProducedEvent& out) {
    for (Pending& child : m_lastChildren) {
        m_queue.push_back(std::move(child));
    }
    m_lastChildren.clear();
    if (m_queue.empty()) {
        return false;
    }
    Pending pending = std::move(m_queue.front());
    m_queue.pop_front();
    auto handle = std::make_shared<DirectoryHandle>();
    int error = openRelativeToRoot(pending.path, pending.viaLink, *handle);
    Reading reading = readDirectory(error == 0 ? handle : nullptr, error, std::move(pending.path), pending.depth,
                                    pending.ancestry);
    const std::string& path = reading.job->result->path;
    for (Child& child : reading.children) {
        m_lastChildren.push_back({ChildPath(path, child.name), child.viaLink, pending.depth + 1, reading.ancestry});
    }
    out.kind = WalkEventKind::kEnter;
    out.depth = pending.depth;
    out.job = std::move(reading.job);
    return true;
}

bool Traversal::rememberRead(const DirectoryResult& directory) {
    if (!m_options.loopCheck || directory.status != DirectoryStatus::kRead) {
        return true;
    }
    return m_read.emplace(directory.device, directory.inode).second;
}

void Traversal::CutSubtree(std::uint64_t enterNumber) {
    for (std::size_t i = 0; i < m_stack.size(); ++i) {
        if (m_stack[i].enterNumber != enterNumber) {
            continue;
        }
        for (std::size_t j = i; j < m_stack.size(); ++j) {
            m_stack[j].children = std::vector<Child>();
            m_stack[j].next = 0;
            m_stack[j].handle.reset();
        }
        return;
    }
}

void Traversal::SkipLastSubtree() {
    if (m_options.order == WalkOptions::Order::kDepthFirst) {
        if (!m_stack.empty()) {
            Frame& top = m_stack.back();
            top.children = std::vector<Child>();
            top.next = 0;
            top.handle.reset();
        }
    } else {
        m_lastChildren.clear();
    }
}

} // namespace scan
