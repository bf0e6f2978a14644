#include "platform/shell/ShellOpen.h"

#include "platform/process/Process.h"
#include "platform/system/StringPrintf.h"

namespace platform::shell {

std::string OpenerStatusText(int status) {
    switch (status) {
    case 1:
        return "Error in command line syntax.";
    case 2:
        return "One of the files passed on the command line did not exist.";
    case 3:
        return "A required tool could not be found.";
    case 4:
        return "The action failed.";
    case -1:
        return "xdg-open was ended by a signal.";
    default:
        return system::StringPrintf("xdg-open ended with status %d.", status);
    }
}

OpenResult ShellOpen(const std::string& file, int waitMilliseconds) {
    process::LaunchOptions options;
    options.workingDirectory = std::string(1, '/'); // not a literal: GCC 12 with sanitizers warns falsely of an overlap
    options.standardInput = process::kNullStream;
    int error = 0;
    pid_t pid = process::LaunchProcess({kOpenCommand, file}, options, &error);
    OpenResult result;
    if (pid < 0) {
        result.status = OpenStatus::kOpenerMissing;
        result.code = error;
        result.detail = process::ErrorText(error);
        return result;
    }
    int status = 0;
    if (!process::WaitForProcess(pid, waitMilliseconds, &status)) {
        process::ReapInBackground(pid);
        return result;
    }
    if (status != 0) {
        result.status = OpenStatus::kOpenerFailed;
        result.code = status;
        result.detail = OpenerStatusText(status);
    }
    return result;
}

} // namespace platform::shell
