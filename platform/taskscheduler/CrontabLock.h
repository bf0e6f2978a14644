/*
 * The lock that serialises changes to one account's crontab: every read-modify-write of the
 * scheduler layer holds it, so two windows, or a window and a script, never lose each other's
 * change. It is an exclusive flock on a lock file keyed by the crontab's account, in a place
 * every process of that account finds whatever its environment: /tmp/tallyvol-<uid>/crontab.lock,
 * in a directory private to the account (created mode 0700, refused when it is a link, owned
 * by someone else or open to others); root working on another account's crontab uses (and if
 * need be creates, owned by that account) the same file. TALLYVOL_LOCK_DIR, when set, takes the
 * place of /tmp (tests). Released when the object goes. Any thread.
 */
#ifndef TALLYVOL_PLATFORM_TASKSCHEDULER_CRONTABLOCK_H
#define TALLYVOL_PLATFORM_TASKSCHEDULER_CRONTABLOCK_H

#include "platform/taskscheduler/TaskSchedulerErrors.h"

#include <sys/types.h>

#include <string>

namespace platform::taskscheduler {

class CrontabLock {
public:
    CrontabLock() = default;
    ~CrontabLock();
    CrontabLock(const CrontabLock&) = delete;
    CrontabLock& operator=(const CrontabLock&) = delete;

    // Takes the lock of account `uid`, waiting up to `milliseconds`. E_TIMEOUT when another
    // process held it all that time; E_ACCESSDENIED or E_FAIL (with *problem) when the lock
    // file cannot be used.
    HRESULT Acquire(uid_t uid, int milliseconds, std::string* problem);

    // Where the lock file of the account is.
    static std::string LockPath(uid_t uid);

private:
    int m_fd = -1;
};

} // namespace platform::taskscheduler

#endif
