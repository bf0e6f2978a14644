#include "tests/support/PrivateMount.h"

#include "tests/support/TempDirectory.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace testsupport {

namespace {

bool g_privateNamespace = false;

bool enterPrivateNamespace(std::string* error) {
    if (g_privateNamespace) {
        return true;
    }
    if (::unshare(CLONE_NEWNS) != 0) {
        *error = std::string("unshare: ") + std::strerror(errno);
        return false;
    }
    // Mount events must not travel back to the machine's namespace.
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        *error = std::string("make-rprivate: ") + std::strerror(errno);
        return false;
    }
    g_privateNamespace = true;
    return true;
}

} // namespace

bool PrivateMountsAvailable() {
    TempDirectory directory("tallyvol-mount-probe");
    pid_t child = ::fork();
    if (child == 0) {
        std::string error;
        bool ok = MountPrivateTmpfs(directory.Path(), 64 * 1024, &error);
        if (ok) {
            ::umount(directory.Path().c_str());
        }
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) {
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool MountPrivateTmpfs(const std::string& directory, std::size_t bytes, std::string* error) {
    if (!enterPrivateNamespace(error)) {
        return false;
    }
    std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
    if (::mount("tmpfs", directory.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        *error = std::string("mount tmpfs: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool RemountReadOnly(const std::string& directory, std::string* error) {
    if (::mount(nullptr, directory.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
                nullptr) != 0) {
        *error = std::string("remount read-only: ") + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace testsupport
