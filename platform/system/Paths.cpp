#include "platform/system/Paths.h"

#include "platform/system/BuildConfig.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

namespace platform::system {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

bool isFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ProgramPath() {
    std::vector<char> buffer(4096);
    ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) {
        return {};
    }
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string ProgramDirectory() {
    std::string path = ProgramPath();
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string DataDirectory() {
    // An explicit choice wins: tests and programs started from outside the build's bin
    // directory name the data set they use.
    std::string chosen = environment("TALLYVOL_DATA_DIR");
    if (!chosen.empty()) {
        return withoutTrailingSlash(chosen);
    }
    // A build tree keeps the data next to the executable; the marker is one file every data set
    // holds.
    std::string programDirectory = ProgramDirectory();
    if (!programDirectory.empty() && isFile(programDirectory + "/" + kDataMarkerFile)) {
        return programDirectory;
    }
    std::string installed = kInstalledDataDirectory;
    if (!installed.empty() && installed.front() != '/') {
        // A relative install directory is relative to the prefix, which is the parent of bin/.
        std::size_t slash = programDirectory.rfind('/');
        std::string prefix = slash == std::string::npos ? std::string() : programDirectory.substr(0, slash);
        installed = prefix + "/" + installed;
    }
    return withoutTrailingSlash(installed);
}

std::string HomeDirectory() {
    std::string home = environment("HOME");
    if (!home.empty()) {
        return withoutTrailingSlash(home);
    }
    struct passwd* entry = ::getpwuid(::getuid());
    if (entry != nullptr && entry->pw_dir != nullptr) {
        return withoutTrailingSlash(entry->pw_dir);
    }
    return "/";
}

std::string TallyvolHome() {
    std::string home = environment("TALLYVOL_HOME");
    if (!home.empty()) {
        return withoutTrailingSlash(home);
    }
    if (::geteuid() == 0) {
        return "/var/lib/tallyvol";
    }
    std::string dataHome = environment("XDG_DATA_HOME");
    if (dataHome.empty()) {
        dataHome = HomeDirectory() + "/.local/share";
    }
    return withoutTrailingSlash(dataHome) + "/tallyvol";
}

std::string UserConfigDirectory() {
    std::string configHome = environment("XDG_CONFIG_HOME");
    if (configHome.empty()) {
        configHome = HomeDirectory() + "/.config";
    }
    return withoutTrailingSlash(configHome) + "/tallyvol";
}

std::string TempDirectory() {
    std::string temp = environment("TMPDIR");
    if (temp.empty() || !IsDirectory(temp)) {
        temp = "/tmp";
    }
    temp = withoutTrailingSlash(temp);
    if (temp != "/") {
        temp += "/";
    }
    return temp;
}

bool CreateDirectories(const std::string& path, unsigned mode) {
    if (path.empty()) {
        return false;
    }
    if (IsDirectory(path)) {
        return true;
    }
    std::size_t position = 0;
    while ((position = path.find('/', position + 1)) != std::string::npos) {
        std::string prefix = path.substr(0, position);
        if (::mkdir(prefix.c_str(), mode) != 0 && errno != EEXIST) {
            // An unreadable ancestor may still allow creating below it; keep going.
        }
    }
    if (::mkdir(path.c_str(), mode) != 0 && errno != EEXIST) {
        return false;
    }
    return IsDirectory(path);
}

} // namespace platform::system
