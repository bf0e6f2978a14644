#include "platform/system/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace platform::system {

namespace {

std::string lockDirectory() {
    const char* directory = std::getenv("TALLYVOL_LOCK_DIR");
    return directory != nullptr && *directory != '\0' ? std::string(directory) : std::string("/tmp");
}

} // namespace

NamedMutex::NamedMutex(const std::string& name) : m_path(lockDirectory() + "/" + name + ".lock") {
    mode_t previous = ::umask(0);
    m_fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    ::umask(previous);
    if (m_fd < 0) {
        // Another account created it without write permission for us: a read-only descriptor
        // still takes an flock.
        m_fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    }
}

NamedMutex::~NamedMutex() {
    Release();
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool NamedMutex::Wait(int milliseconds) {
    if (m_fd < 0) {
        return false;
    }
    if (m_owned) {
        return true;
    }
    if (milliseconds < 0) {
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                return false;
            }
        }
        m_owned = true;
        return true;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_owned = true;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void NamedMutex::Release() {
    if (m_owned) {
        ::flock(m_fd, LOCK_UN);
        m_owned = false;
    }
}

} // namespace platform::system
