#include "platform/process/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>
#include <thread>

extern char** environ;

namespace platform::process {

namespace {

// Dispositions a started program must not inherit: an ignored SIGPIPE or SIGCHLD would change
// how ordinary programs behave.
void defaultSignals(sigset_t* set) {
    sigemptyset(set);
    for (int signal : {SIGPIPE, SIGCHLD, SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGALRM, SIGUSR1, SIGUSR2}) {
        sigaddset(set, signal);
    }
}

std::vector<std::string> childEnvironment(const std::vector<std::string>& overrides) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string text = *entry;
        std::string name = text.substr(0, text.find('=') + 1);
        bool replaced = false;
        for (const std::string& extra : overrides) {
            replaced = replaced || extra.compare(0, name.size(), name) == 0;
        }
        if (!replaced) {
            result.push_back(std::move(text));
        }
    }
    result.insert(result.end(), overrides.begin(), overrides.end());
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    result.reserve(texts.size() + 1);
    for (std::string& text : texts) {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

void setStream(posix_spawn_file_actions_t* actions, int source, int target, int openFlags) {
    if (source == kNullStream) {
        posix_spawn_file_actions_addopen(actions, target, "/dev/null", openFlags, 0);
    } else if (source >= 0) {
        posix_spawn_file_actions_adddup2(actions, source, target);
    }
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> arguments;
    std::string current;
    bool inToken = false;
    bool quoted = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inToken = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inToken) {
                arguments.push_back(std::move(current));
                current.clear();
                inToken = false;
            }
        } else {
            current += c;
            inToken = true;
        }
    }
    if (inToken) {
        arguments.push_back(std::move(current));
    }
    return arguments;
}

pid_t LaunchProcess(const std::vector<std::string>& arguments, const LaunchOptions& options, int* errorNumber) {
    auto fail = [errorNumber](int error) {
        if (errorNumber != nullptr) *errorNumber = error;
        return static_cast<pid_t>(-1);
    };
    if (arguments.empty() || arguments.front().empty()) {
        return fail(ENOENT);
    }
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (int rc = posix_spawn_file_actions_init(&actions); rc != 0) {
        return fail(rc);
    }
    if (int rc = posix_spawnattr_init(&attributes); rc != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return fail(rc);
    }
    setStream(&actions, options.standardInput, STDIN_FILENO, O_RDONLY);
    setStream(&actions, options.standardOutput, STDOUT_FILENO, O_WRONLY);
    setStream(&actions, options.standardError, STDERR_FILENO, O_WRONLY);
    // No handle of ours leaks into the program, whether or not it was opened close-on-exec.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    if (!options.workingDirectory.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());
    }
    sigset_t mask;
    sigemptyset(&mask);
    sigset_t defaults;
    defaultSignals(&defaults);
    posix_spawnattr_setsigmask(&attributes, &mask);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> argv = arguments;
    std::vector<char*> argvPointers = pointers(argv);
    std::vector<std::string> environment;
    std::vector<char*> environmentPointers;
    char** envp = environ;
    if (!options.environment.empty()) {
        environment = childEnvironment(options.environment);
        environmentPointers = pointers(environment);
        envp = environmentPointers.data();
    }
    pid_t pid = -1;
    int rc = ::posix_spawnp(&pid, argvPointers[0], &actions, &attributes, argvPointers.data(), envp);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        return fail(rc);
    }
    if (errorNumber != nullptr) {
        *errorNumber = 0;
    }
    return pid;
}

bool WaitForProcess(pid_t pid, int milliseconds, int* exitCode) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
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
    try {
        std::thread([pid] {
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: collect the status now if the program has ended. A zombie may
        // remain until this process ends; the program itself runs regardless.
        ::waitpid(pid, nullptr, WNOHANG);
    }
}

int StartDetachedProcess(const std::vector<std::string>& argv, int* errorNumber) {
    pid_t pid = LaunchProcess(argv, LaunchOptions{}, errorNumber);
    if (pid > 0) {
        ReapInBackground(pid);
    }
    return pid;
}

int StartCommandLine(const std::string& commandLine, int* errorNumber) {
    return StartDetachedProcess(SplitCommandLine(commandLine), errorNumber);
}

std::string ErrorText(int errorNumber) {
    char buffer[256];
    return ::strerror_r(errorNumber, buffer, sizeof buffer);
}

} // namespace platform::process
