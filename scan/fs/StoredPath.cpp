#include "scan/fs/StoredPath.h"

#include "app/base/DiagnosticLog.h"
#include "platform/system/Paths.h"
#include "platform/system/SystemInfo.h"
#include "scan/fs/NameBytes.h"

#include <pwd.h>
#include <unistd.h>

#include <strings.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <vector>

namespace scan {

namespace {

std::mutex g_cacheMutex;
std::shared_ptr<const MountTable> g_cachedTable;

std::string homeOf(const std::string& user) {
    if (user.empty()) {
        return platform::system::HomeDirectory();
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwnam_r(user.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr) {
        return {};
    }
    return found->pw_dir;
}

std::string expandHome(std::string path) {
    std::size_t slash = path.find('/');
    std::string user = path.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
    std::string home = homeOf(user);
    if (home.empty()) {
        return path;
    }
    return home + (slash == std::string::npos ? std::string() : path.substr(slash));
}

std::string currentDirectory() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// Joins the components that are not empty and not ".".
std::string collapse(std::string_view path) {
    std::string out;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        std::string_view component = path.substr(start, end - start);
        if (!component.empty() && component != ".") {
            out += '/';
            out += component;
        }
        start = end + 1;
    }
    return out.empty() ? "/" : out;
}

// The mount table to resolve against; null when it cannot be read.
std::shared_ptr<const MountTable> readTable(bool useCache, bool& fromCache) {
    fromCache = false;
    if (useCache) {
        std::lock_guard<std::mutex> lock(g_cacheMutex);
        if (g_cachedTable) {
            fromCache = true;
            return g_cachedTable;
        }
    }
    auto table = std::make_shared<MountTable>();
    int error = 0;
    if (!MountTable::ReadCurrent(*table, error)) {
        TV_DEBUG_LOG("GetUniversalName End reading mountinfo returns 0X%lX",
                     static_cast<unsigned long>(error));
        return nullptr;
    }
    if (useCache) {
        std::lock_guard<std::mutex> lock(g_cacheMutex);
        g_cachedTable = table;
    }
    return table;
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 2 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace

std::string NormalizePath(std::string_view text) {
    try {
        if (text.empty()) {
            return {};
        }
        std::string path(text);
        if (path[0] == '~') {
            path = expandHome(path);
        }
        if (path[0] != '/') {
            std::string cwd = currentDirectory();
            if (cwd.empty()) {
                return std::string(text);
            }
            path = cwd + "/" + path;
        }
        return collapse(path);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in NormalizePath\n");
        return std::string(text);
    }
}

std::string ParentDirectory(std::string_view path) {
    std::string normalized = NormalizePath(path);
    std::size_t slash = normalized.rfind('/');
    if (slash == std::string::npos) {
        return normalized;
    }
    return slash == 0 ? "/" : normalized.substr(0, slash);
}

std::string UniversalNameFromTable(const std::string& path, const MountTable& table) {
    const MountEntry* mount = table.MountHolding(path);
    if (mount == nullptr || !IsNetworkFileSystem(mount->fileSystemType)) {
        return path;
    }
    std::string rest = path.substr(mount->mountPoint == "/" ? 0 : mount->mountPoint.size());
    std::string universal = UniversalSource(mount->source);
    return rest == "/" ? universal : universal + rest;
}

std::string GetUniversalName(const std::string& path, bool useCache) {
    try {
        if (path.rfind("//", 0) == 0) {
            return path;
        }
        if (path.empty() || path[0] != '/') {
            TV_DEBUG_LOG("GetUniversalName End missing /");
            return path;
        }
        bool fromCache = false;
        std::shared_ptr<const MountTable> table = readTable(useCache, fromCache);
        if (!table) {
            return path;
        }
        std::string universal = UniversalNameFromTable(path, *table);
        if (fromCache && universal != path) {
            TV_DEBUG_LOG("GetUniversalName short-cutting out with %s", universal.c_str());
        }
        return universal;
    } catch (...) {
        TV_DEBUG_LOG("** Exception in GetUniversalName\n");
        return path;
    }
}

std::string MakeStoredPath(const std::string& path, bool useCache) {
    try {
        if (path.empty()) {
            return path;
        }
        if (path.rfind("//", 0) == 0) {
            return withoutTrailingSlashes(path);
        }
        std::string local = NormalizePath(path);
        std::string universal = GetUniversalName(local, useCache);
        if (universal.rfind("//", 0) == 0) {
            return EncodeNonUtf8(withoutTrailingSlashes(universal));
        }
        return "//" + platform::system::ComputerName() +
               (local == "/" ? std::string() : EncodeNonUtf8(local));
    } catch (...) {
        TV_DEBUG_LOG("** Exception in MakeStoredPath\n");
        return path;
    }
}

std::string StoredPathBelow(const std::string& storedRoot, const std::string& localRoot,
                            const std::string& localPath) {
    if (localPath.size() < localRoot.size() ||
        localPath.compare(0, localRoot.size(), localRoot) != 0) {
        return MakeStoredPath(localPath, false); // not below the root after all
    }
    std::string relative = localPath.substr(localRoot.size());
    if (!relative.empty() && relative.front() != '/') {
        relative.insert(relative.begin(), '/'); // the root "/" ends with its separator
    }
    return storedRoot + EncodeNonUtf8(relative);
}

std::string LocalPathFromStoredWith(const std::string& storedPath, const MountTable& table,
                                    const std::string& host) {
    if (storedPath.rfind("//", 0) != 0) {
        return storedPath;
    }
    std::size_t hostEnd = storedPath.find('/', 2);
    std::string storedHost =
        storedPath.substr(2, hostEnd == std::string::npos ? std::string::npos : hostEnd - 2);
    if (!host.empty() && ::strcasecmp(storedHost.c_str(), host.c_str()) == 0) {
        return hostEnd == std::string::npos ? "/" : DecodeNonUtf8(storedPath.substr(hostEnd));
    }
    const MountEntry* mount = table.NetworkMountFor(storedPath);
    if (mount == nullptr) {
        return storedPath;
    }
    std::string rest = DecodeNonUtf8(storedPath.substr(UniversalSource(mount->source).size()));
    if (mount->mountPoint == "/") {
        return rest.empty() ? "/" : rest;
    }
    return mount->mountPoint + rest;
}

std::string LocalPathFromStored(const std::string& storedPath) {
    try {
        MountTable table;
        int error = 0;
        MountTable::ReadCurrent(table, error); // without a table only this host's paths convert
        return LocalPathFromStoredWith(storedPath, table, platform::system::ComputerName());
    } catch (...) {
        TV_DEBUG_LOG("** Exception in LocalPathFromStored\n");
        return storedPath;
    }
}

std::string ConvertDriveLetterPath(const std::string& oldPath) {
    try {
        if (oldPath.size() < 2 || oldPath[1] != ':') {
            return MakeStoredPath(oldPath, true);
        }
        std::string rest = oldPath.substr(2);
        for (char& c : rest) {
            if (c == '\\') {
                c = '/';
            }
        }
        std::string tail = collapse(rest);
        return "//" + platform::system::ComputerName() + "/" + oldPath.substr(0, 2) +
               (tail == "/" ? "" : tail);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in ConvertDriveLetterPath\n");
        return oldPath;
    }
}

void ClearUniversalNameCache() {
    std::lock_guard<std::mutex> lock(g_cacheMutex);
    g_cachedTable.reset();
}

} // namespace scan
