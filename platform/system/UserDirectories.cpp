#include "platform/system/UserDirectories.h"

#include "platform/system/AtomicFile.h"
#include "platform/system/Paths.h"

#include <cstdlib>
#include <sstream>

namespace platform::system {

namespace {

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string configHome(const std::string& home) {
    const char* value = std::getenv("XDG_CONFIG_HOME");
    if (value != nullptr && value[0] == '/') {
        return value;
    }
    return home + "/.config";
}

} // namespace

std::string UserDirectoryEntry(const std::string& fileText, const std::string& name,
                               const std::string& home) {
    std::istringstream lines(fileText);
    std::string line;
    std::string found;
    while (std::getline(lines, line)) {
        std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, name.size() + 1, name + "=") != 0) {
            continue;
        }
        std::string value = line.substr(start + name.size() + 1);
        std::size_t last = value.find_last_not_of(" \t\r");
        value = last == std::string::npos ? std::string() : value.substr(0, last + 1);
        if (value.size() < 2 || value.front() != '"' || value.back() != '"') {
            continue;
        }
        value = value.substr(1, value.size() - 2);
        // The file's own escapes are a backslash before a quote, a backslash or a dollar sign.
        std::string unescaped;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) {
                ++i;
            }
            unescaped += value[i];
        }
        if (unescaped.rfind("$HOME", 0) == 0 && (unescaped.size() == 5 || unescaped[5] == '/')) {
            found = home + unescaped.substr(5);
        } else if (!unescaped.empty() && unescaped[0] == '/') {
            found = unescaped;
        }
        // The last assignment counts, as when the shell sources the file.
    }
    return found.empty() ? found : withoutTrailingSlash(found);
}

std::string DocumentsDirectory() {
    std::string home = withoutTrailingSlash(HomeDirectory());
    std::string text;
    if (ReadWholeFile(configHome(home) + "/user-dirs.dirs", &text)) {
        std::string configured = UserDirectoryEntry(text, "XDG_DOCUMENTS_DIR", home);
        if (!configured.empty() && IsDirectory(configured)) {
            return configured;
        }
    }
    std::string fallback = home + "/Documents";
    return !home.empty() && IsDirectory(fallback) ? fallback : std::string();
}

} // namespace platform::system
