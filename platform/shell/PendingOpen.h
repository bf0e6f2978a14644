/*
 * One xdg-open under way: started by the constructor and asked for its outcome later, so that
 * a window can go on painting while the desktop starts the application (Poll from a timer)
 * and core code can simply wait (Wait). An opener still running when the wait is over counts
 * as opened (some openers stay until the application closes); it, and one dropped before it
 * ended, is reaped in the background. Owned by the caller; the thread that made it.
 */
#ifndef TALLYVOL_PLATFORM_SHELL_PENDINGOPEN_H
#define TALLYVOL_PLATFORM_SHELL_PENDINGOPEN_H

#include "platform/shell/ShellOpen.h"

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>

namespace platform::shell {

class PendingOpen {
public:
    PendingOpen(const std::string& file, int waitMilliseconds = kOpenWaitMilliseconds);
    ~PendingOpen();
    PendingOpen(const PendingOpen&) = delete;
    PendingOpen& operator=(const PendingOpen&) = delete;

    // The outcome once xdg-open has ended, could not start, or the wait is over; nothing while
    // it still runs within the wait. Once given, the same outcome every time.
    std::optional<OpenResult> Poll();
    // Blocks until Poll has an outcome.
    OpenResult Wait();

private:
    // Waits up to `milliseconds` for xdg-open to end and keeps its outcome when it did.
    void collect(int milliseconds);

    pid_t m_pid = -1;
    std::chrono::steady_clock::time_point m_deadline;
    std::optional<OpenResult> m_result;
};

} // namespace platform::shell

#endif
