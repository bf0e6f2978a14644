#include "scan/fs/DirectoryReader.h"

#include "app/base/DiagnosticLog.h"
#include "scan/fs/FileTime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace scan {

namespace {

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

std::uint64_t timeOf(const struct statx& info) {
    if ((info.stx_mask & STATX_BTIME) != 0) {
        std::uint64_t created = FileTimeFromUnix(info.stx_btime.tv_sec, info.stx_btime.tv_nsec);
        if (created != 0 && created != ~std::uint64_t{0}) {
            return created;
        }
    }
    return FileTimeFromUnix(info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec);
}

constexpr unsigned kStatxWanted = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME;
constexpr std::size_t kListingBufferBytes = 64 * 1024;

} // namespace

std::string ChildPath(const std::string& directory, std::string_view name) {
    std::string path;
    path.reserve(directory.size() + 1 + name.size());
    path = directory;
    if (directory != "/") {
        path += '/';
    }
    path += name;
    return path;
}

DirectoryHandle::~DirectoryHandle() {
    Close();
}

DirectoryHandle::DirectoryHandle(DirectoryHandle&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

DirectoryHandle& DirectoryHandle::operator=(DirectoryHandle&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

void DirectoryHandle::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

int DirectoryHandle::Open(int parentFd, const char* name, bool followLink) {
    Close();
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    int fd;
    do {
        fd = ::openat(parentFd, name, flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return errno;
    }
    m_fd = fd;
    return 0;
}

int DirectoryHandle::Fd() const {
    return m_fd;
}

int DirectoryHandle::ReadEntries(DirectoryListing& listing) {
    // One buffer per thread rather than a directory stream (its own buffer, an fstat and an
    // fcntl) per directory: in trees of small directories those cost as much as the listing.
    thread_local std::vector<char> buffer(kListingBufferBytes);
    for (;;) {
        ssize_t read = ::getdents64(m_fd, buffer.data(), buffer.size());
        if (read < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (read == 0) {
            return 0;
        }
        for (ssize_t offset = 0; offset < read;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer.data() + offset);
            offset += entry->d_reclen;
            if (isDotOrDotDot(entry->d_name)) {
                continue;
            }
            std::size_t length = std::strlen(entry->d_name);
            listing.entries.push_back({static_cast<std::uint32_t>(listing.names.size()),
                                       static_cast<std::uint32_t>(length), entry->d_type});
            listing.names.append(entry->d_name, length + 1);
        }
    }
}

EntryInfo ExamineEntry(int dirFd, const char* name, unsigned char listingType, bool withTimes) {
    EntryInfo info;
    if (withTimes) {
        struct statx own {};
        if (::statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatxWanted, &own) != 0) {
            info.error = errno;
            return info;
        }
        info.sized = true;
        info.size = own.stx_size;
        info.time = timeOf(own);
        info.isDirectory = S_ISDIR(own.stx_mode);
        info.automount = (own.stx_attributes & own.stx_attributes_mask & STATX_ATTR_AUTOMOUNT) != 0;
        if (S_ISLNK(own.stx_mode)) {
            struct statx target {};
            if (::statx(dirFd, name, AT_NO_AUTOMOUNT, STATX_TYPE, &target) == 0 && S_ISDIR(target.stx_mode)) {
                info.isDirectory = true;
                info.viaLink = true;
            }
        }
        return info;
    }
    if (listingType == DT_DIR) {
        info.isDirectory = true;
        return info;
    }
    if (listingType == DT_UNKNOWN) {
        struct stat st {};
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0) {
            info.error = errno;
            return info;
        }
        info.isDirectory = S_ISDIR(st.st_mode);
        info.sized = !info.isDirectory;
        info.size = info.sized ? static_cast<std::uint64_t>(st.st_size) : 0;
    }
    return info;
}

int SizeEntry(int dirFd, const char* name, std::uint64_t& size) {
    struct stat st {};
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno;
    }
    size = static_cast<std::uint64_t>(st.st_size);
    return 0;
}

int EntryTime(int dirFd, const char* name, std::uint64_t& fileTime) {
    struct statx info {};
    int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (name[0] == '\0' ? AT_EMPTY_PATH : 0);
    if (::statx(dirFd, name, flags, STATX_MTIME | STATX_BTIME, &info) != 0) {
        return errno;
    }
    fileTime = timeOf(info);
    return 0;
}

int GetNumSubDirs(const std::string& path) {
    try {
        DirectoryHandle handle;
        if (handle.Open(AT_FDCWD, path.c_str(), true) != 0) {
            return 0;
        }
        DirectoryListing listing;
        handle.ReadEntries(listing);
        int count = 2; // "." and ".."
        for (std::size_t i = 0; i < listing.entries.size(); ++i) {
            if (ExamineEntry(handle.Fd(), listing.Name(i), listing.entries[i].type, false).isDirectory) {
                ++count;
            }
        }
        return count;
    } catch (...) {
        TV_DEBUG_LOG("** Exception in GetNumSubDirs\n");
        return 0;
    }
}

} // namespace scan
