#include "platform/system/StagedFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace platform::system {

namespace {

std::string directoryOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

int syncFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return errno;
    }
    int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

// Renames without ever replacing: the kernel's no-replace rename, or a hard link where the file
// system lacks it.
int renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    if (::link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    ::unlink(from.c_str());
    return 0;
}

} // namespace

StagedFile::StagedFile(const std::string& finalPath) : m_finalPath(finalPath) {
    std::size_t slash = finalPath.find_last_of('/');
    std::string baseName = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    if (baseName.empty() || baseName == "." || baseName == "..") {
        m_error = EISDIR;
        return;
    }
    std::string pattern = directoryOf(finalPath);
    pattern += pattern.back() == '/' ? ".tallyvol-XXXXXX" : "/.tallyvol-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        m_error = errno;
        return;
    }
    m_directory = buffer.data();
    m_stagingPath = m_directory + "/" + baseName;
}

StagedFile::~StagedFile() {
    discard();
}

void StagedFile::discard() {
    if (!m_stagingPath.empty()) {
        ::unlink(m_stagingPath.c_str());
    }
    if (!m_directory.empty()) {
        ::rmdir(m_directory.c_str());
        m_directory.clear();
    }
}

int StagedFile::Commit(Existing existing) {
    if (m_error != 0) {
        return m_error;
    }
    int error = syncFile(m_stagingPath);
    if (error == 0 && existing == Existing::kReplace) {
        struct stat old {};
        if (::stat(m_finalPath.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
            ::chmod(m_stagingPath.c_str(), old.st_mode & 07777);
        }
        if (::rename(m_stagingPath.c_str(), m_finalPath.c_str()) != 0) {
            error = errno;
        }
    } else if (error == 0) {
        error = renameNoReplace(m_stagingPath, m_finalPath);
    }
    discard();
    return error;
}

} // namespace platform::system
