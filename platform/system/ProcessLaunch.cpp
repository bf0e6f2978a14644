#include "platform/system/ProcessLaunch.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace platform::system {

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> arguments;
    std::string current;
    bool inQuotes = false;
    bool any = false;
    for (char c : line) {
        if (c == '"') {
            inQuotes = !inQuotes;
            any = true;
        } else if ((c == ' ' || c == '\t') && !inQuotes) {
            if (any) {
                arguments.push_back(current);
                current.clear();
                any = false;
            }
        } else {
            current += c;
            any = true;
        }
    }
    if (any) {
        arguments.push_back(current);
    }
    return arguments;
}

pid_t LaunchProcess(const std::vector<std::string>& arguments, const LaunchOptions& options,
                    int* error) {
    if (arguments.empty()) {
        if (error != nullptr) {
            *error = EINVAL;
        }
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.standardInput >= 0) {
        posix_spawn_file_actions_adddup2(&actions, options.standardInput, STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    if (options.standardOutput >= 0) {
        posix_spawn_file_actions_adddup2(&actions, options.standardOutput, STDOUT_FILENO);
    }
    if (options.standardError >= 0) {
        posix_spawn_file_actions_adddup2(&actions, options.standardError, STDERR_FILENO);
    }
    // Only the three standard handles reach the child, whatever else this process holds open.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    if (!options.workingDirectory.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        if (error != nullptr) {
            *error = rc;
        }
        return -1;
    }
    if (error != nullptr) {
        *error = 0;
    }
    return pid;
}

bool WaitForProcess(pid_t pid, int milliseconds, int* exitCode) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (true) {
        int status = 0;
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) {
            if (exitCode != nullptr) {
                *exitCode = done == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void ReapInBackground(pid_t pid) {
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

std::string ErrorText(int error) {
    char buffer[256];
    return ::strerror_r(error, buffer, sizeof buffer);
}

} // namespace platform::system
