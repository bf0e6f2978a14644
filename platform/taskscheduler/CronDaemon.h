/*
 * The scheduler service of this platform is the cron daemon. StartTaskScheduler makes sure it
 * runs, starting it when it does not and the caller is root (on machines without an init
 * system that starts it, such as containers), and says what happened on the given stream.
 * Main thread (it prints); the check itself is safe anywhere.
 */
#ifndef TALLYVOL_PLATFORM_TASKSCHEDULER_CRONDAEMON_H
#define TALLYVOL_PLATFORM_TASKSCHEDULER_CRONDAEMON_H

#include <sys/types.h>

#include <cstdio>

namespace platform::taskscheduler {

// The process identifier of a running cron daemon (a process named "cron" or "crond" that has
// not ended), or 0 when there is none. Where /proc hides other users' processes, the daemon's
// PID file stands in.
pid_t FindCronDaemon();

// Writes "cron is already running.\n", "cron has been started.\n" or "Could not start cron.\n"
// to `out` and returns 0 when cron runs or was started, else an errno value (EPERM when the
// caller may not start it, ENOENT when it is not installed, ESRCH when it did not stay up).
int StartTaskScheduler(std::FILE* out = stdout);

} // namespace platform::taskscheduler

#endif
