/*
 * Runs a program the way a user or cron would and collects what it printed: standard output,
 * standard error and the exit status. Used for black-box tests of the tallyvol binary.
 */
#ifndef TALLYVOL_TESTS_SUPPORT_PROCESSRUNNER_H
#define TALLYVOL_TESTS_SUPPORT_PROCESSRUNNER_H

#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct ProcessResult {
    int exitCode = -1;   // the exit status, or -1 when the process did not exit normally
    int signal = 0;      // the signal that ended it, if any
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Runs `program` with `arguments`; `environment` entries are added to (or replace) the current
// environment. The process is killed after `timeoutSeconds`.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment = {},
                         int timeoutSeconds = 120, const std::string& standardInput = {});

// RunProcess for the tallyvol binary of this build.
ProcessResult RunTallyvol(const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& environment = {},
                          int timeoutSeconds = 120);

} // namespace testsupport

#endif
