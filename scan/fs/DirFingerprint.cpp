#include "scan/fs/DirFingerprint.h"

#include "scan/fs/Crc64.h"
#include "scan/fs/DirectoryReader.h"
#include "scan/fs/FileTime.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <thread>

namespace scan {

namespace {

constexpr std::size_t kOldestKept = 20;

char* putUnit(char* out, std::uint32_t unit) {
    out[0] = static_cast<char>(unit & 0xFF);
    out[1] = static_cast<char>((unit >> 8) & 0xFF);
    return out + 2;
}

// UTF-16LE of the name followed by room for the time; never more than two bytes per byte.
std::size_t utf16le(std::string_view text, std::string& out) {
    out.resize(text.size() * 2 + 8);
    char* next = out.data();
    std::size_t i = 0;
    while (i < text.size()) {
        auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            next = putUnit(next, lead);
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t point = 0;
        std::uint32_t minimum = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            point = lead & 0x1F;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            point = lead & 0x0F;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            point = lead & 0x07;
            minimum = 0x10000;
        }
        bool valid = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            auto following = static_cast<unsigned char>(text[i + k]);
            valid = (following & 0xC0) == 0x80;
            point = (point << 6) | (following & 0x3F);
        }
        valid = valid && point >= minimum && point <= 0x10FFFF && (point < 0xD800 || point > 0xDFFF);
        if (!valid) {
            next = putUnit(next, 0xDC00 | lead);
            ++i;
        } else if (point < 0x10000) {
            next = putUnit(next, point);
            i += length;
        } else {
            point -= 0x10000;
            next = putUnit(next, 0xD800 | (point >> 10));
            next = putUnit(next, 0xDC00 | (point & 0x3FF));
            i += length;
        }
    }
    return static_cast<std::size_t>(next - out.data());
}

void appendLittleEndian(std::string& out, std::uint64_t value) {
    for (int byte = 0; byte < 8; ++byte) {
        out += static_cast<char>((value >> (8 * byte)) & 0xFF);
    }
}

struct Item {
    std::uint64_t time;
    std::uint64_t hash;
    std::string_view name;
};

void keepOldest(std::vector<Item>& items, bool allEntries) {
    // Ties are broken by hash so the order never depends on the listing order.
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        return a.time != b.time ? a.time < b.time : a.hash < b.hash;
    });
    if (!allEntries && items.size() > kOldestKept) {
        items.resize(kOldestKept);
    }
}

} // namespace

std::uint64_t CurrentFileTime() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return FileTimeFromUnix(now.tv_sec, static_cast<std::uint32_t>(now.tv_nsec));
}

std::uint64_t ScanAgeCutoff() {
    std::uint64_t now = CurrentFileTime();
    return now > kFingerprintAgeMargin ? now - kFingerprintAgeMargin : 0;
}

std::uint64_t EntryHash(std::string_view name, std::uint64_t time) {
    thread_local std::string bytes;
    std::size_t length = utf16le(name, bytes);
    for (int byte = 0; byte < 8; ++byte) {
        bytes[length++] = static_cast<char>((time >> (8 * byte)) & 0xFF);
    }
    return Crc64(bytes.data(), length);
}

std::uint64_t ComputeFingerprint(std::uint64_t ownTime, const std::vector<FingerprintEntry>& entries,
                                 std::uint64_t cutoff, bool allEntries, int& counter,
                                 const SubdirectoryFingerprint& subdirectory) {
    std::vector<Item> directories;
    std::vector<Item> files;
    for (const FingerprintEntry& entry : entries) {
        if (allEntries || entry.time < cutoff) {
            std::uint64_t hash = entry.hashed ? entry.hash : EntryHash(entry.name, entry.time);
            (entry.isDirectory ? directories : files).push_back({entry.time, hash, entry.name});
        }
    }
    std::size_t directoriesEntered = directories.size();
    std::size_t filesEntered = files.size();
    keepOldest(directories, allEntries);
    keepOldest(files, allEntries);

    bool small = !directories.empty() && filesEntered < 4 && directoriesEntered < 4 &&
                 directories.size() + files.size() < 6 && counter < 4;
    if (small && subdirectory) {
        for (Item& item : directories) {
            ++counter;
            item.hash ^= subdirectory(item.name, counter);
        }
    }

    std::string bytes;
    bytes.reserve(8 * (1 + directories.size() + files.size()));
    appendLittleEndian(bytes, EntryHash(".", ownTime));
    for (const Item& item : directories) {
        appendLittleEndian(bytes, item.hash);
    }
    for (const Item& item : files) {
        appendLittleEndian(bytes, item.hash);
    }
    return Crc64(bytes.data(), bytes.size());
}

std::uint64_t FingerprintAt(int parentFd, const char* name, std::uint64_t cutoff, bool allEntries,
                            int& counter) {
    DirectoryHandle handle;
    if (handle.Open(parentFd, name, true) != 0) {
        return 0;
    }
    std::uint64_t ownTime = 0;
    EntryTime(handle.Fd(), "", ownTime);
    if (!allEntries && cutoff == 0) {
        return ComputeFingerprint(ownTime, {}, cutoff, allEntries, counter, {}); // no entry is older than 0
    }
    DirectoryListing listing;
    handle.ReadEntries(listing);
    std::vector<FingerprintEntry> entries;
    std::vector<bool> automount;
    entries.reserve(listing.entries.size());
    for (std::size_t i = 0; i < listing.entries.size(); ++i) {
        EntryInfo info = ExamineEntry(handle.Fd(), listing.Name(i), listing.entries[i].type, true);
        if (info.error == 0) {
            entries.push_back({listing.NameView(i), info.time, info.isDirectory});
            automount.push_back(info.automount);
        }
    }
    auto lookInto = [&](std::string_view child, int& sharedCounter) -> std::uint64_t {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].name == child && automount[i]) {
                return 0; // reading it would mount it
            }
        }
        return FingerprintAt(handle.Fd(), std::string(child).c_str(), cutoff, false, sharedCounter);
    };
    return ComputeFingerprint(ownTime, entries, cutoff, allEntries, counter, lookInto);
}

std::uint64_t DirFingerprint(const std::string& path, std::uint64_t cutoff, bool allEntries) {
    int counter = 0;
    return FingerprintAt(AT_FDCWD, path.c_str(), cutoff, allEntries, counter);
}

bool SameDirectory(const std::string& pathA, const std::string& pathB, const WaitFunction& wait) {
    // Directories made in one clock tick with the same names share even their full fingerprints;
    // on one file system its own identity tells them apart. Across mounts (one share mounted
    // twice) only the fingerprint can.
    struct stat a {};
    struct stat b {};
    if (::stat(pathA.c_str(), &a) == 0 && ::stat(pathB.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
        a.st_ino != b.st_ino) {
        return false;
    }
    return SameDirectory(pathA, pathB, wait, [](const std::string& path) { return DirFingerprint(path, 0, true); });
}

bool SameDirectory(const std::string& pathA, const std::string& pathB, const WaitFunction& wait,
                   const FingerprintReader& read) {
    constexpr int kRetries = 5;
    std::uint64_t a = read(pathA);
    std::uint64_t b = read(pathB);
    for (int retry = 0;; ++retry) {
        if (a == b || retry == kRetries) {
            return true;
        }
        std::uint64_t againA = read(pathA);
        if (againA == a) {
            return false;
        }
        std::uint64_t againB = read(pathB);
        if (againB == b) {
            return false;
        }
        if (wait) {
            wait(std::chrono::milliseconds(1000));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        }
        a = againA;
        b = againB;
    }
}

void LoopDetector::Clear() {
    m_seen.clear();
}

namespace {

bool mayBeSame(const DirectoryIdentity& a, const DirectoryIdentity& b) {
    bool known = (a.device | a.inode) != 0 && (b.device | b.inode) != 0;
    return !known || a.device != b.device || a.inode == b.inode;
}

} // namespace

bool LoopDetector::AlreadyReached(std::uint64_t fingerprint, std::uint64_t fullFingerprint, const std::string& path,
                                  DirectoryIdentity identity) {
    auto found = m_seen.find(fingerprint);
    if (found == m_seen.end()) {
        Seen& seen = m_seen[fingerprint];
        seen.first = {path, identity};
        seen.firstFull = fullFingerprint;
        return false;
    }
    Seen& seen = found->second;
    std::vector<const std::string*> candidates;
    if (seen.firstFull == fullFingerprint && mayBeSame(seen.first.identity, identity)) {
        candidates.push_back(&seen.first.path);
    }
    auto sameContents = seen.byFull.find(fullFingerprint);
    if (sameContents != seen.byFull.end()) {
        for (const Member& other : sameContents->second) {
            if (other.path != seen.first.path && mayBeSame(other.identity, identity)) {
                candidates.push_back(&other.path);
            }
        }
    }
    for (const std::string* candidate : candidates) {
        if (SameDirectory(*candidate, path, m_wait)) {
            return true;
        }
    }
    if (seen.members.insert(path).second) {
        seen.byFull[fullFingerprint].push_back({path, identity});
    }
    if (seen.members.insert(seen.first.path).second) {
        seen.byFull[seen.firstFull].push_back(seen.first);
    }
    return false;
}

} // namespace scan
