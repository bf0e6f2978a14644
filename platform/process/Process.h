/*
 * Starting other programs the way the program's design starts them with CreateProcess: a
 * command line whose first token names the program, split at blanks (spaces and tabs) outside
 * double quotes, the quotes removed, with no shell in between, so blanks, quotes and shell
 * metacharacters in a path or an argument reach the program exactly as written. The program
 * is found through PATH when its name holds no "/", inherits the caller's environment (plus
 * any overrides) and gets no descriptor beyond the three standard ones; signal dispositions
 * and the signal mask are reset to their defaults.
 *
 * A program that is not waited for leaves no zombie: a small detached thread waits for that
 * one process, so its status is collected as soon as it ends, without a SIGCHLD handler that
 * would steal the statuses other code waits for. Any thread.
 */
#ifndef TALLYVOL_PLATFORM_PROCESS_PROCESS_H
#define TALLYVOL_PLATFORM_PROCESS_PROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform::process {

// The arguments of a command line: blanks outside double quotes separate them, every double
// quote toggles the quoted state and is removed ("" gives an empty argument).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Where a standard stream of a started program comes from or goes to: a descriptor of the
// caller (duplicated into the child), or one of these.
inline constexpr int kInheritStream = -1; // the caller's own stream
inline constexpr int kNullStream = -2;    // /dev/null

struct LaunchOptions {
    int standardInput = kInheritStream;
    int standardOutput = kInheritStream;
    int standardError = kInheritStream;
    std::string workingDirectory;         // empty: the caller's
    std::vector<std::string> environment; // NAME=VALUE entries added to or replacing the caller's
};

// Starts arguments[0] (a path, or a name looked up in PATH). Returns the process identifier, or
// -1 with *errorNumber set (errno value) when it could not be started: an empty argument list,
// a program that does not exist or cannot be executed.
pid_t LaunchProcess(const std::vector<std::string>& arguments, const LaunchOptions& options,
                    int* errorNumber = nullptr);

// Waits up to `milliseconds` for the process to end. True when it ended (*exitCode then holds
// its exit status, or -1 when a signal ended it); false while it still runs.
bool WaitForProcess(pid_t pid, int milliseconds, int* exitCode = nullptr);

// Collects the process's exit status whenever it ends, without blocking the caller.
void ReapInBackground(pid_t pid);

// Starts the program with the caller's standard streams and does not wait for it.
int StartDetachedProcess(const std::vector<std::string>& argv, int* errorNumber = nullptr);

// SplitCommandLine, then StartDetachedProcess.
int StartCommandLine(const std::string& commandLine, int* errorNumber = nullptr);

// The system's text for an errno value.
std::string ErrorText(int errorNumber);

} // namespace platform::process

#endif
