#include "platform/system/PrivateDirectory.h"

#include "platform/system/Paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace platform::system {

namespace {

// Removes the files directly in the directory, then the directory (it holds no subdirectories).
void removeDirectory(const std::string& path) {
    if (DIR* directory = ::opendir(path.c_str())) {
        while (struct dirent* entry = ::readdir(directory)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") {
                ::unlink((path + "/" + name).c_str());
            }
        }
        ::closedir(directory);
    }
    ::rmdir(path.c_str());
}

} // namespace

PrivateDirectory::PrivateDirectory(const std::string& prefix) {
    std::string temporary = TempDirectory();
    std::string withoutSlash = temporary.size() > 1 ? temporary.substr(0, temporary.size() - 1) : temporary;
    if (!DirectoryWritableByOthers(withoutSlash) && IsDirectory(withoutSlash)) {
        m_path = withoutSlash;
        return;
    }
    std::string pattern = temporary + prefix + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        m_error = errno;
        return;
    }
    m_path = buffer.data();
    m_made = true;
}

PrivateDirectory::~PrivateDirectory() {
    if (m_made && !m_keep) {
        removeDirectory(m_path);
    }
}

bool DirectoryWritableByOthers(const std::string& directory) {
    struct stat st {};
    if (::stat(directory.empty() ? "." : directory.c_str(), &st) != 0) {
        return false;
    }
    return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0 || st.st_uid != ::geteuid();
}

int OpenForWriting(const std::string& path, int flags, mode_t mode) {
    std::size_t slash = path.rfind('/');
    std::string directory = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    bool shared = DirectoryWritableByOthers(directory);
    int fd = ::open(path.c_str(), flags | O_CREAT | O_CLOEXEC | (shared ? O_NOFOLLOW : 0), mode);
    if (fd < 0 || !shared) {
        return fd;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || (S_ISREG(st.st_mode) && (st.st_uid != ::geteuid() || st.st_nlink != 1))) {
        ::close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
}

} // namespace platform::system
