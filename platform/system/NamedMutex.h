/*
 * A machine-wide named mutex, in the manner of the Windows named mutex the program was
 * designed around: an flock on /tmp/<name>.lock, a file created mode 0666 so that every account
 * (interactive users and the cron jobs of others) meets the same lock. The lock is released
 * when the object goes or the process ends, whatever way it ends. Any thread.
 *
 * TALLYVOL_LOCK_DIR names another directory for the lock files: test runs use it so that
 * concurrent tests (and a program running on the same machine) do not wait for each other.
 */
#ifndef TALLYVOL_PLATFORM_SYSTEM_NAMEDMUTEX_H
#define TALLYVOL_PLATFORM_SYSTEM_NAMEDMUTEX_H

#include <string>

namespace platform::system {

class NamedMutex {
public:
    // Opens (or creates) the lock file; the mutex is not owned yet.
    explicit NamedMutex(const std::string& name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Waits for ownership: milliseconds < 0 waits without limit. False when the time ran out
    // or the lock file could not be opened.
    bool Wait(int milliseconds);
    void Release();
    bool Owned() const { return m_owned; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
    bool m_owned = false;
};

} // namespace platform::system

#endif
