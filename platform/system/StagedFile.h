/*
 * A file that appears under its name only when it is complete. The content is written to a
 * staging path inside a private directory (mode 0700, made beside the destination so the final
 * rename stays on one file system), then renamed into place; whatever fails, nothing
 * half-written ever sits under the final name and the staging directory is removed. Another
 * user sharing the destination directory (/tmp) cannot reach into the private directory.
 * Owned by one writer on one thread.
 */
#ifndef TALLYVOL_PLATFORM_SYSTEM_STAGEDFILE_H
#define TALLYVOL_PLATFORM_SYSTEM_STAGEDFILE_H

#include <string>

namespace platform::system {

class StagedFile {
public:
    enum class Existing { kReplace, kKeep };

    // Makes the private directory beside `finalPath`; Error() tells when that failed.
    explicit StagedFile(const std::string& finalPath);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // 0 when the staging path can be written, else the errno value of the failure.
    int Error() const { return m_error; }
    // Where to write the content (same base name as the final path).
    const std::string& StagingPath() const { return m_stagingPath; }

    // Flushes the staged file to disk and renames it to the final path. kReplace takes the place
    // of an existing file (keeping its permission bits); kKeep fails with EEXIST instead. Returns
    // 0 or an errno value; the staged file is gone either way.
    int Commit(Existing existing);

private:
    void discard();

    std::string m_finalPath;
    std::string m_directory;
    std::string m_stagingPath;
    int m_error = 0;
};

} // namespace platform::system

#endif
