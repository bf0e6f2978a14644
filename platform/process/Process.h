/*
 * Starting other programs the way the program's design starts them with CreateProcess: a
 * command line whose first token names the program, split at blanks (spaces and tabs) outside
 * double quotes, the quotes removed, with no shell in between, so blanks, quotes and shell
 * metacharacters in a path or an argument reach the program exactly as written. The program
 * is found through PATH when its name holds no "/", inherits the caller's environment, current
 * directory and standard streams (no other descriptor), and is not waited for.
 *
 * No zombie is left behind: each started program gets a small detached thread that does
 * nothing but wait for that one process, so its exit status is collected as soon as it ends,
 * without a SIGCHLD handler that would steal the statuses other code waits for. If this
 * process ends first, the program is handed to init, which collects it. Any thread.
 */
#ifndef TALLYVOL_PLATFORM_PROCESS_PROCESS_H
#define TALLYVOL_PLATFORM_PROCESS_PROCESS_H

#include <string>
#include <vector>

namespace platform::process {

// The arguments of a command line: blanks outside double quotes separate them, every double
// quote toggles the quoted state and is removed ("" gives an empty argument).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Starts the program named by argv[0] with the arguments. Returns the process identifier, or
// -1 with *errorNumber set (errno value) when it could not be started: an empty argument list,
// a program that does not exist or cannot be executed.
int StartDetachedProcess(const std::vector<std::string>& argv, int* errorNumber = nullptr);

// SplitCommandLine, then StartDetachedProcess.
int StartCommandLine(const std::string& commandLine, int* errorNumber = nullptr);

} // namespace platform::process

#endif
