/*
 * Starting outside programs the way the program was designed to start them (CreateProcess):
 * a command line split at blanks outside double quotes, no shell, standard handles chosen by
 * the caller. A started program that is not waited for is reaped in the background, so no
 * zombie stays behind. Any thread.
 */
#ifndef TALLYVOL_PLATFORM_SYSTEM_PROCESSLAUNCH_H
#define TALLYVOL_PLATFORM_SYSTEM_PROCESSLAUNCH_H

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform::system {

// Splits at blanks (spaces, tabs) outside double quotes; the quotes are removed.
std::vector<std::string> SplitCommandLine(const std::string& line);

struct LaunchOptions {
    int standardInput = -1;       // a descriptor for the child's standard input; -1: /dev/null
    int standardOutput = -1;      // -1: this process's own
    int standardError = -1;       // -1: this process's own
    std::string workingDirectory; // empty: this process's
};

// Starts arguments[0] (a path, or a name looked up in PATH). Returns the process id, or -1
// with *error set to the errno of the failed start.
pid_t LaunchProcess(const std::vector<std::string>& arguments, const LaunchOptions& options,
                    int* error);

// Waits up to `milliseconds` for the process to end. True when it ended (*exitCode then holds
// its exit status, or -1 when a signal ended it); false when it still runs.
bool WaitForProcess(pid_t pid, int milliseconds, int* exitCode = nullptr);

// Collects the process's exit status whenever it ends, without blocking the caller.
void ReapInBackground(pid_t pid);

// The system's text for an errno value.
std::string ErrorText(int error);

} // namespace platform::system

#endif
