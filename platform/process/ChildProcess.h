/*
 * Runs a helper program to completion: the print command, the HTML-to-PDF converter. The child
 * is started without a shell, its diagnostics are collected, and it is killed when it overruns
 * its time. Used by the print stand-in on the main thread; safe on any thread.
 */
#ifndef TALLYVOL_PLATFORM_PROCESS_CHILDPROCESS_H
#define TALLYVOL_PLATFORM_PROCESS_CHILDPROCESS_H

#include <string>
#include <vector>

namespace platform::process {

struct ChildResult {
    int spawnError = 0;    // errno of a start that failed (ENOENT: no such program); 0 once started
    bool timedOut = false; // killed after the time limit
    int exitCode = -1;     // exit status; -1 when it did not exit normally
    int signal = 0;        // the signal that ended it
    std::string output;    // what it wrote to standard error (and standard output unless redirected)

    bool Succeeded() const { return spawnError == 0 && !timedOut && exitCode == 0; }
};

struct ChildOptions {
    // NAME=VALUE entries added to (or replacing those of) this process's environment.
    std::vector<std::string> environment;
    // The child's standard output goes here when >= 0 (the descriptor stays the caller's);
    // otherwise it is collected with standard error.
    int standardOutput = -1;
    int timeoutSeconds = 120;
};

// arguments[0] is the program: a path, or a name looked up in PATH.
ChildResult RunChildProcess(const std::vector<std::string>& arguments, const ChildOptions& options = {});

} // namespace platform::process

#endif
