/*
 * Small text files that several processes share and rewrite (the settings hives, the
 * notification profiles): whole-file reads, an exclusive lock that every writer takes on a
 * lock file beside the data file, and replacement through a temporary file renamed into
 * place, so a reader never sees half a file and no concurrent change is lost. Any thread.
 */
#ifndef TALLYVOL_PLATFORM_SYSTEM_ATOMICFILE_H
#define TALLYVOL_PLATFORM_SYSTEM_ATOMICFILE_H

#include <string>

namespace platform::system {

// Writes all of `text` to the descriptor, going on after short writes and interruptions; false
// on an error.
bool WriteAll(int fd, const std::string& text);

// Reads the whole file; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string* out);

// An exclusive flock on `path` (created mode 0666 so every account can take it), held for the
// object's lifetime.
class FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Who may read a replaced file: kShared keeps the old file's permissions (a new one is 0644);
// kOwnerOnly makes it readable and writable by its owner alone (files that hold passwords).
enum class FileAccess { kShared, kOwnerOnly };

// Writes `text` to a temporary file beside `path`, flushes it and renames it over `path`.
// False (and `path` untouched) on any failure.
bool ReplaceFileContents(const std::string& path, const std::string& text, FileAccess access = FileAccess::kShared);

} // namespace platform::system

#endif
