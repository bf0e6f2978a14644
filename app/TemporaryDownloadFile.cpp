#include "app/TemporaryDownloadFile.h"

#include "platform/system/Paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace app {

TemporaryDownloadFile::~TemporaryDownloadFile() {
    Remove();
}

bool TemporaryDownloadFile::Create(std::string* error) {
    Remove();
    std::string pattern = platform::system::TempDirectory() + "tallyvol-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        *error = "mkdtemp " + pattern + ": " + std::strerror(errno);
        return false;
    }
    m_directory = buffer.data();
    m_path = m_directory + "/" + kFileName;
    m_fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        *error = "open " + m_path + ": " + std::strerror(errno);
        Remove();
        return false;
    }
    return true;
}

bool TemporaryDownloadFile::ReadAll(std::size_t maxBytes, std::string* content) const {
    content->clear();
    if (m_fd < 0) {
        return false;
    }
    char chunk[65536];
    off_t offset = 0;
    for (;;) {
        ssize_t count = ::pread(m_fd, chunk, sizeof chunk, offset);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return false;
        }
        if (count == 0) {
            return true;
        }
        if (content->size() + static_cast<std::size_t>(count) > maxBytes) {
            return false;
        }
        content->append(chunk, static_cast<std::size_t>(count));
        offset += count;
    }
}

void TemporaryDownloadFile::Remove() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_path.empty()) {
        ::unlink(m_path.c_str());
        m_path.clear();
    }
    if (!m_directory.empty()) {
        ::rmdir(m_directory.c_str());
        m_directory.clear();
    }
}

} // namespace app
