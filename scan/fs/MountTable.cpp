#include "scan/fs/MountTable.h"

#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>

namespace scan {

namespace {

constexpr std::array<std::string_view, 10> kNetworkTypes = {
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "ceph", "glusterfs", "9p", "afs"};

constexpr std::array<std::string_view, 18> kPseudoTypes = {
    "proc",   "sysfs",     "devtmpfs", "devpts", "cgroup",      "cgroup2",
    "debugfs", "tracefs",  "securityfs", "bpf",  "pstore",      "configfs",
    "fusectl", "mqueue",   "hugetlbfs", "binfmt_misc", "efivarfs", "autofs"};

template <std::size_t N> bool contains(const std::array<std::string_view, N>& list, std::string_view value) {
    for (std::string_view item : list) {
        if (item == value) {
            return true;
        }
    }
    return false;
}

// mountinfo writes blanks, tabs, line feeds and backslashes as three octal digits.
std::string unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && field.size() - i >= 4) {
            int value = 0;
            bool octal = true;
            for (std::size_t k = 1; k <= 3; ++k) {
                char c = field[i + k];
                if (c < '0' || c > '7') {
                    octal = false;
                    break;
                }
                value = value * 8 + (c - '0');
            }
            if (octal) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start < line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        if (end > start) {
            fields.push_back(line.substr(start, end - start));
        }
        start = end + 1;
    }
    return fields;
}

bool parseLine(std::string_view line, MountEntry& entry) {
    std::vector<std::string_view> fields = splitFields(line);
    // id parent major:minor root mount-point options [optional...] - type source super-options
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-") {
        ++separator;
    }
    if (fields.size() < 6 || separator + 2 >= fields.size()) {
        return false;
    }
    std::string_view numbers = fields[2];
    std::size_t colon = numbers.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    unsigned long major = std::strtoul(std::string(numbers.substr(0, colon)).c_str(), nullptr, 10);
    unsigned long minor = std::strtoul(std::string(numbers.substr(colon + 1)).c_str(), nullptr, 10);
    entry.device = makedev(major, minor);
    entry.mountPoint = unescape(fields[4]);
    entry.fileSystemType = unescape(fields[separator + 1]);
    entry.source = unescape(fields[separator + 2]);
    if (separator + 3 < fields.size()) {
        entry.superOptions = unescape(fields[separator + 3]);
    }
    return !entry.mountPoint.empty() && entry.mountPoint[0] == '/';
}

// Drops repeated and trailing slashes after the leading "//".
std::string tidyUniversal(std::string text) {
    std::string out = "//";
    for (std::size_t i = 2; i < text.size(); ++i) {
        if (text[i] == '/' && out.back() == '/') {
            continue;
        }
        out += text[i];
    }
    while (out.size() > 2 && out.back() == '/') {
        out.pop_back();
    }
    return out;
}

} // namespace

bool IsNetworkFileSystem(std::string_view fileSystemType) {
    return contains(kNetworkTypes, fileSystemType);
}

bool IsPseudoFileSystem(std::string_view fileSystemType) {
    return contains(kPseudoTypes, fileSystemType);
}

std::string UniversalSource(std::string_view source) {
    std::string text(source);
    if (text.rfind("//", 0) == 0 || text.rfind("\\\\", 0) == 0) {
        for (char& c : text) {
            if (c == '\\') {
                c = '/';
            }
        }
        return tidyUniversal(text);
    }
    std::size_t split = text.find(":/");
    if (split != std::string::npos) {
        return tidyUniversal("//" + text.substr(0, split) + text.substr(split + 1));
    }
    split = text.rfind(':');
    if (split != std::string::npos) {
        return tidyUniversal("//" + text.substr(0, split) + "/" + text.substr(split + 1));
    }
    return tidyUniversal("//" + text);
}

bool IsSameOrBelow(std::string_view path, std::string_view ancestor) {
    if (ancestor.empty() || path.size() < ancestor.size() || path.substr(0, ancestor.size()) != ancestor) {
        return false;
    }
    return path.size() == ancestor.size() || ancestor.back() == '/' || path[ancestor.size()] == '/';
}

MountTable MountTable::Parse(std::string_view mountinfoText) {
    MountTable table;
    std::size_t start = 0;
    while (start < mountinfoText.size()) {
        std::size_t end = mountinfoText.find('\n', start);
        if (end == std::string_view::npos) {
            end = mountinfoText.size();
        }
        MountEntry entry;
        if (parseLine(mountinfoText.substr(start, end - start), entry)) {
            table.m_entries.push_back(std::move(entry));
        }
        start = end + 1;
    }
    return table;
}

bool MountTable::ReadCurrent(MountTable& table, int& error) {
    int fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    std::string text;
    char buffer[16384];
    for (;;) {
        ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            error = errno;
            ::close(fd);
            return false;
        }
        if (count == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(fd);
    table = Parse(text);
    return true;
}

const MountEntry* MountTable::MountHolding(std::string_view path) const {
    const MountEntry* best = nullptr;
    for (const MountEntry& entry : m_entries) {
        if (IsSameOrBelow(path, entry.mountPoint) &&
            (best == nullptr || entry.mountPoint.size() >= best->mountPoint.size())) {
            best = &entry;
        }
    }
    return best;
}

const MountEntry* MountTable::NetworkMountFor(std::string_view universalPath) const {
    const MountEntry* best = nullptr;
    std::size_t bestLength = 0;
    for (const MountEntry& entry : m_entries) {
        if (!IsNetworkFileSystem(entry.fileSystemType)) {
            continue;
        }
        std::string universal = UniversalSource(entry.source);
        if (IsSameOrBelow(universalPath, universal) && (best == nullptr || universal.size() > bestLength)) {
            best = &entry;
            bestLength = universal.size();
        }
    }
    return best;
}

PseudoMounts::PseudoMounts(const MountTable& table) {
    for (const MountEntry& entry : table.Entries()) {
        if (!IsPseudoFileSystem(entry.fileSystemType) || entry.mountPoint == "/") {
            continue;
        }
        m_names.insert(entry.mountPoint.substr(entry.mountPoint.rfind('/') + 1));
        m_devices.emplace(entry.device, entry.fileSystemType);
    }
}

const std::string* PseudoMounts::TypeOfDevice(dev_t device) const {
    auto found = m_devices.find(device);
    return found != m_devices.end() ? &found->second : nullptr;
}

} // namespace scan
