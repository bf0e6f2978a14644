#include "scan/fs/CompressedVolume.h"

#include "app/base/DiagnosticLog.h"

#include <climits>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace scan {

namespace {

bool hasOption(std::string_view options, std::string_view name) {
    std::size_t start = 0;
    while (start <= options.size()) {
        std::size_t end = options.find(',', start);
        std::string_view option = options.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        std::string_view key = option.substr(0, option.find('='));
        if (key == name) {
            // "compress=no" is the explicit absence of compression.
            return option.size() == key.size() || option.substr(key.size() + 1) != "no";
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return false;
}

} // namespace

bool IsCompressedMount(const MountEntry& mount) {
    if (mount.fileSystemType == "btrfs") {
        return hasOption(mount.superOptions, "compress") || hasOption(mount.superOptions, "compress-force");
    }
    if (mount.fileSystemType == "f2fs") {
        return hasOption(mount.superOptions, "compress_algorithm");
    }
    return false;
}

bool IsVolumeCompressed(const std::string& path) {
    try {
        std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
        if (!resolved) {
            return false;
        }
        MountTable table;
        int error = 0;
        if (!MountTable::ReadCurrent(table, error)) {
            return false;
        }
        const MountEntry* mount = table.MountHolding(resolved.get());
        return mount != nullptr && IsCompressedMount(*mount);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in IsVolumeCompressed\n");
        return false;
    }
}

} // namespace scan
