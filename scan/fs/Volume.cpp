#include "scan/fs/Volume.h"

#include "app/base/DiagnosticLog.h"
#include "scan/fs/MountTable.h"
#include "scan/fs/StoredPath.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <climits>
#include <cstdlib>
#include <memory>

namespace scan {

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string realPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

} // namespace

std::string GetScanRoot(const std::string& path) {
    try {
        if (path.empty()) {
            return path;
        }
        std::string local = LocalPathFromStored(MakeStoredPath(path, false));
        if (!exists(local)) {
            return local;
        }
        MountTable table;
        int error = 0;
        if (!MountTable::ReadCurrent(table, error)) {
            return path;
        }
        const MountEntry* mount = table.MountHolding(realPath(local));
        return mount != nullptr ? mount->mountPoint : path;
    } catch (...) {
        TV_DEBUG_LOG("** Exception in GetScanRoot\n");
        return path;
    }
}

bool FENGetFreeSpace(const std::string& path, std::uint64_t& totalFree, std::uint64_t& freeToCaller,
                     std::uint64_t& totalBytes) {
    try {
        std::string local = path.rfind("//", 0) == 0 ? LocalPathFromStored(path) : path;
        while (local.size() > 1 && local.back() == '/') {
            local.pop_back();
        }
        if (local.empty() || !exists(local)) {
            TV_DEBUG_LOG("FenGetFreeSpace returning failure because %s (orig=%s) does not exist", local.c_str(),
                         path.c_str());
            return false;
        }
        struct statvfs volume {};
        if (::statvfs(local.c_str(), &volume) != 0) {
            return false;
        }
        std::uint64_t unit = volume.f_frsize != 0 ? volume.f_frsize : volume.f_bsize;
        // Blocks reserved for root are not free for the data an alert protects: free is what
        // df shows as available, for every caller.
        totalFree = static_cast<std::uint64_t>(volume.f_bavail) * unit;
        freeToCaller = totalFree;
        totalBytes = static_cast<std::uint64_t>(volume.f_blocks) * unit;
        return true;
    } catch (...) {
        TV_DEBUG_LOG("** Exception in FENGetFreeSpace\n");
        return false;
    }
}

} // namespace scan
