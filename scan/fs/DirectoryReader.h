/*
 * The one way the program reads a directory from disk: open it relative to its parent's
 * descriptor, list its entries in the order the file system returns them (getdents64 into a
 * buffer of the thread's), and find out what each entry is with as few system calls as the
 * question needs (the listing's type field for directories; a stat relative to the directory
 * for files; statx with creation times only when the loop check needs them). The tree walk, the
 * directory fingerprint and the subdirectory count are built on it.
 *
 * A handle belongs to one thread at a time; reading and examining are thread-safe across
 * different handles.
 */
#ifndef TALLYVOL_SCAN_FS_DIRECTORYREADER_H
#define TALLYVOL_SCAN_FS_DIRECTORYREADER_H

#include <dirent.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scan {

// The path of an entry of the directory (no doubled "/" below the root directory).
std::string ChildPath(const std::string& directory, std::string_view name);

// Entry names of one directory, packed in one buffer (no allocation per entry).
struct DirectoryListing {
    struct Entry {
        std::uint32_t nameOffset;
        std::uint32_t nameLength;
        unsigned char type; // DT_* of the listing
    };
    std::vector<Entry> entries;
    std::string names; // each name followed by '\0'

    const char* Name(std::size_t index) const { return names.data() + entries[index].nameOffset; }
    std::string_view NameView(std::size_t index) const {
        return {names.data() + entries[index].nameOffset, entries[index].nameLength};
    }
    void Clear() {
        entries.clear();
        names.clear();
    }
};

class DirectoryHandle {
public:
    DirectoryHandle() = default;
    ~DirectoryHandle();
    DirectoryHandle(DirectoryHandle&& other) noexcept;
    DirectoryHandle& operator=(DirectoryHandle&& other) noexcept;
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;

    // Opens name below the directory parentFd (AT_FDCWD with an absolute or relative path for
    // a walk's root). A symbolic link as the last component fails unless followLink. Returns 0
    // or the errno of the failure.
    int Open(int parentFd, const char* name, bool followLink);
    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const;
    // Appends every entry except "." and ".."; returns 0, or the errno that ended the listing
    // early (the entries read before it stay).
    int ReadEntries(DirectoryListing& listing);
    void Close();

private:
    int m_fd = -1;
};

// What one listed entry is. Directories come from the listing's type field without a system
// call unless times are wanted; files are sized later unless their type had to be looked up.
struct EntryInfo {
    bool isDirectory = false;
    bool viaLink = false;     // a symbolic link to a directory (only when links are followed)
    bool automount = false;   // an automount trigger (known only with times)
    bool sized = false;       // size (and time, when asked) are known
    std::uint64_t size = 0;   // bytes, for a file
    std::uint64_t time = 0;   // file time (100 ns since 1601) for the loop check, else 0
    int error = 0;            // errno when the entry could not be examined (vanished: ENOENT)
};

// Examines the entry name of the directory dirFd. withTimes (loop check) reads every entry with
// statx and treats a symbolic link to a directory as a directory (viaLink); without it a
// symbolic link is a file of its own size.
EntryInfo ExamineEntry(int dirFd, const char* name, unsigned char listingType, bool withTimes);

// Size of a file entry (never following a link); 0 or errno.
int SizeEntry(int dirFd, const char* name, std::uint64_t& size);

// The entry's time for the loop check: creation time, or last-write time where the file system
// keeps no creation time; as a file time. Of the directory itself for an empty name.
int EntryTime(int dirFd, const char* name, std::uint64_t& fileTime);

// The number of subdirectories of the directory, "." and ".." included (a symbolic link is not a
// subdirectory); 0 when it cannot be read. Catches everything ("** Exception in GetNumSubDirs\n").
int GetNumSubDirs(const std::string& path);

} // namespace scan

#endif
