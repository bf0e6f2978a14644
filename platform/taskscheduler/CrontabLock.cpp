#include "platform/taskscheduler/CrontabLock.h"

#include "platform/system/StringPrintf.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace platform::taskscheduler {

using platform::system::StringPrintf;

namespace {

// Every process of an account must find the same file whatever its environment, hence /tmp
// (not $TMPDIR); tests move it with TALLYVOL_LOCK_DIR.
std::string privateDirectory(uid_t uid) {
    const char* base = std::getenv("TALLYVOL_LOCK_DIR");
    return StringPrintf("%s/tallyvol-%u", base != nullptr && *base != '\0' ? base : "/tmp",
                        static_cast<unsigned>(uid));
}

std::string errorText(const char* what, const std::string& path) {
    return StringPrintf("%s %s: %s", what, path.c_str(), std::strerror(errno));
}

// The account's private directory, opened without following a link. Root makes it for another
// account and hands it over, so the account can use it too.
int openPrivateDirectory(uid_t uid, std::string* problem) {
    std::string path = privateDirectory(uid);
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        *problem = errorText("Cannot create", path);
        return -1;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        *problem = errorText("Cannot open", path);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        *problem = errorText("Cannot read", path);
        ::close(fd);
        return -1;
    }
    if (st.st_uid != uid && st.st_uid == 0 && ::geteuid() == 0 &&
        ::fchown(fd, uid, static_cast<gid_t>(-1)) == 0) {
        st.st_uid = uid;
    }
    if (st.st_uid != uid || (st.st_mode & 077) != 0) {
        *problem = StringPrintf(
            "The lock directory %s belongs to another user or is open to others.", path.c_str());
        ::close(fd);
        errno = EACCES;
        return -1;
    }
    return fd;
}

} // namespace

CrontabLock::~CrontabLock() {
    if (m_fd >= 0) {
        ::close(m_fd); // closing releases the flock
    }
}

std::string CrontabLock::LockPath(uid_t uid) {
    return privateDirectory(uid) + "/crontab.lock";
}

HRESULT CrontabLock::Acquire(uid_t uid, int milliseconds, std::string* problem) {
    problem->clear();
    std::string path = LockPath(uid);
    int directory = openPrivateDirectory(uid, problem);
    if (directory < 0) {
        return errno == EACCES ? E_ACCESSDENIED : E_FAIL;
    }
    int fd = ::openat(directory, "crontab.lock", O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    ::close(directory);
    if (fd < 0) {
        *problem = errorText("Cannot open the lock file", path);
        return errno == EACCES ? E_ACCESSDENIED : E_FAIL;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_uid != uid && ::geteuid() == 0) {
        // Root created it for the account: hand it over so the account can lock it too.
        if (::fchown(fd, uid, static_cast<gid_t>(-1)) != 0) {
            *problem = errorText("Cannot hand over the lock file", path);
            ::close(fd);
            return E_FAIL;
        }
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_fd = fd;
            return S_OK;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            *problem = errorText("Cannot lock", path);
            ::close(fd);
            return E_FAIL;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            *problem = StringPrintf("Another program is changing the crontab (it holds %s).",
                                    path.c_str());
            ::close(fd);
            return E_TIMEOUT;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace platform::taskscheduler
