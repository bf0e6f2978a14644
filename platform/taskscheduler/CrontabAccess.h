/*
 * Reading and replacing one account's crontab through the crontab program, the only sanctioned
 * way (the spool files are cron's): "crontab -l" and "crontab -", with "-u USER" when root works
 * on another account's crontab. The program is found on PATH, started without a shell, with
 * LC_ALL=C so its messages can be told apart, and killed when it takes longer than 30 seconds.
 * Callers hold the account's CrontabLock around a read and the write that follows. Any thread.
 */
#ifndef TALLYVOL_PLATFORM_TASKSCHEDULER_CRONTABACCESS_H
#define TALLYVOL_PLATFORM_TASKSCHEDULER_CRONTABACCESS_H

#include "platform/taskscheduler/TaskSchedulerErrors.h"

#include <string>

namespace platform::taskscheduler {

class CrontabAccess {
public:
    // `user` is the account whose crontab is used; empty means the caller's own.
    explicit CrontabAccess(std::string user = {}) : m_user(std::move(user)) {}

    // The crontab's text; an account without a crontab has an empty one.
    HRESULT Read(std::string* text, std::string* problem) const;
    // Installs `text` as the whole crontab.
    HRESULT Write(const std::string& text, std::string* problem) const;

private:
    HRESULT run(const char* operation, const std::string& input, std::string* output,
                std::string* problem) const;

    std::string m_user;
};

} // namespace platform::taskscheduler

#endif
