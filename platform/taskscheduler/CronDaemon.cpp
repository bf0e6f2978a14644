#include "platform/taskscheduler/CronDaemon.h"

#include "platform/process/Process.h"
#include "platform/system/AtomicFile.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace platform::taskscheduler {

namespace {

constexpr const char* kPidFiles[] = {"/run/crond.pid", "/var/run/crond.pid", "/run/cron.pid"};

enum class ProcessState { Gone, Hidden, Cron, Other };

// /proc/PID/stat reads "PID (NAME) STATE ..."; the name may itself hold ")" and blanks.
ProcessState stateOf(pid_t pid) {
    std::string text;
    std::string path = "/proc/" + std::to_string(pid) + "/stat";
    if (!platform::system::ReadWholeFile(path, &text)) {
        struct stat st {};
        return ::stat(("/proc/" + std::to_string(pid)).c_str(), &st) == 0 ? ProcessState::Hidden
                                                                          : ProcessState::Gone;
    }
    std::size_t open = text.find('(');
    std::size_t close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 2 >= text.size()) {
        return ProcessState::Other;
    }
    std::string name = text.substr(open + 1, close - open - 1);
    char state = text[close + 2];
    if (state == 'Z' || state == 'X') {
        return ProcessState::Gone; // ended, waiting to be collected
    }
    return name == "cron" || name == "crond" ? ProcessState::Cron : ProcessState::Other;
}

pid_t pidFromFiles() {
    for (const char* file : kPidFiles) {
        std::string text;
        if (platform::system::ReadWholeFile(file, &text)) {
            long pid = std::strtol(text.c_str(), nullptr, 10);
            if (pid > 0 && stateOf(static_cast<pid_t>(pid)) == ProcessState::Hidden) {
                return static_cast<pid_t>(pid);
            }
        }
    }
    return 0;
}

} // namespace

pid_t FindCronDaemon() {
    DIR* proc = ::opendir("/proc");
    if (proc != nullptr) {
        while (dirent* entry = ::readdir(proc)) {
            if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0]))) {
                continue;
            }
            auto pid = static_cast<pid_t>(std::strtol(entry->d_name, nullptr, 10));
            if (stateOf(pid) == ProcessState::Cron) {
                ::closedir(proc);
                return pid;
            }
        }
        ::closedir(proc);
    }
    return pidFromFiles();
}

int StartTaskScheduler(std::FILE* out) {
    if (FindCronDaemon() != 0) {
        std::fputs("cron is already running.\n", out);
        return 0;
    }
    int error = EPERM;
    if (::geteuid() == 0) {
        // The daemon detaches itself; what we wait for is the starter.
        platform::process::LaunchOptions options;
        options.standardInput = platform::process::kNullStream;
        options.standardOutput = platform::process::kNullStream;
        options.standardError = platform::process::kNullStream;
        options.workingDirectory = "/";
        error = 0;
        pid_t starter = platform::process::LaunchProcess({"cron"}, options, &error);
        if (starter < 0 && error == ENOENT) {
            starter = platform::process::LaunchProcess({"/usr/sbin/cron"}, options, &error);
        }
        int exitCode = -1;
        if (starter > 0 && platform::process::WaitForProcess(starter, 10000, &exitCode)) {
            error = ESRCH;
            for (int i = 0; i < 100 && FindCronDaemon() == 0; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            if (FindCronDaemon() != 0) {
                std::fputs("cron has been started.\n", out);
                return 0;
            }
        } else if (starter > 0) {
            platform::process::ReapInBackground(starter);
            error = ESRCH;
        }
    }
    std::fputs("Could not start cron.\n", out);
    return error;
}

} // namespace platform::taskscheduler
