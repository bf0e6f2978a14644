/*
 * Files that must go where other users can write: the temporary directory above all. Such a
 * place is an attack surface for a program that cron runs as root (a link or a file planted
 * under a fixed name), so temporary files go into a private directory made with mkdtemp
 * (mode 0700, ours alone), and a file the user names in a shared directory is opened without
 * following a link and refused when another user owns it. Any thread.
 */
#ifndef TALLYVOL_PLATFORM_SYSTEM_PRIVATEDIRECTORY_H
#define TALLYVOL_PLATFORM_SYSTEM_PRIVATEDIRECTORY_H

#include <sys/types.h>

#include <string>

namespace platform::system {

// A directory for temporary files that only we can write: $TMPDIR itself when it is ours alone
// (a private TMPDIR), else a new directory made below it (or /tmp), which is removed with
// everything in it when the object goes, unless kept.
class PrivateDirectory {
public:
    // `prefix` names a new directory ("tallyvol-print" gives /tmp/tallyvol-print-XXXXXX).
    explicit PrivateDirectory(const std::string& prefix);
    ~PrivateDirectory();
    PrivateDirectory(const PrivateDirectory&) = delete;
    PrivateDirectory& operator=(const PrivateDirectory&) = delete;

    // 0 when the directory exists, else the errno of mkdtemp.
    int Error() const { return m_error; }
    // The directory's path without a trailing "/"; empty after a failure.
    const std::string& Path() const { return m_path; }
    // The path of a file of that name in the directory.
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    // Leaves the directory in place when the object goes.
    void Keep() { m_keep = true; }
    // True when the directory was made for this object (and goes with it).
    bool Made() const { return m_made; }

private:
    std::string m_path;
    int m_error = 0;
    bool m_made = false;
    bool m_keep = false;
};

// True when users other than the caller may create, replace or remove entries of the directory
// (group or other write permission, as /tmp has).
bool DirectoryWritableByOthers(const std::string& directory);

// Opens `path` for writing with `flags` (O_CREAT added) and `mode`. In a directory other users
// can write, a symbolic link under the name is not followed and a file another user owns (or
// one with more than one link) is refused with EPERM. Returns the descriptor, or -1 with errno.
int OpenForWriting(const std::string& path, int flags, mode_t mode);

} // namespace platform::system

#endif
