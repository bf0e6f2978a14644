/*
 * The shell's "open" verb: shows a file in the application the desktop associates with its
 * type, through xdg-open. The call waits a moment for xdg-open to finish, so that a missing
 * opener or a type no application takes can be told to the user; an opener still running
 * after that (some wait for the application to close) is left to run and reaped in the
 * background. Main thread; blocks for at most the wait (a window that must keep painting
 * starts a PendingOpen and polls it instead).
 */
#ifndef TALLYVOL_PLATFORM_SHELL_SHELLOPEN_H
#define TALLYVOL_PLATFORM_SHELL_SHELLOPEN_H

#include <string>

namespace platform::shell {

inline constexpr const char* kOpenCommand = "xdg-open";
inline constexpr int kOpenWaitMilliseconds = 3000;

enum class OpenStatus {
    kOpened,        // xdg-open succeeded, or still runs after the wait
    kOpenerMissing, // xdg-open could not be started
    kOpenerFailed,  // xdg-open ended with a failure status
};

struct OpenResult {
    OpenStatus status = OpenStatus::kOpened;
    std::string detail; // the system's text for `code`, or xdg-open's meaning of its status
    int code = 0;       // errno value (kOpenerMissing) or xdg-open's exit status (-1: a signal)
};

OpenResult ShellOpen(const std::string& file, int waitMilliseconds = kOpenWaitMilliseconds);

// What xdg-open's exit status means, as its manual puts it.
std::string OpenerStatusText(int status);

} // namespace platform::shell

#endif
