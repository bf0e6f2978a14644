#include "platform/process/Process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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

void reapWhenDone(pid_t pid) {
    try {
        std::thread([pid] {
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: collect the status later, whenever the program has ended. A
        // zombie may remain until then; the program itself runs regardless.
        ::waitpid(pid, nullptr, WNOHANG);
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

int StartDetachedProcess(const std::vector<std::string>& argv, int* errorNumber) {
    auto fail = [errorNumber](int error) {
        if (errorNumber != nullptr) *errorNumber = error;
        return -1;
    };
    if (argv.empty() || argv.front().empty()) {
        return fail(ENOENT);
    }
    std::vector<char*> pointers;
    for (const std::string& argument : argv) {
        pointers.push_back(const_cast<char*>(argument.c_str()));
    }
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (int rc = posix_spawn_file_actions_init(&actions); rc != 0) {
        return fail(rc);
    }
    if (int rc = posix_spawnattr_init(&attributes); rc != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return fail(rc);
    }
    // No handle of ours leaks into the program, whether or not it was opened close-on-exec.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    sigset_t mask;
    sigemptyset(&mask);
    sigset_t defaults;
    defaultSignals(&defaults);
    posix_spawnattr_setsigmask(&attributes, &mask);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    int rc = ::posix_spawnp(&pid, pointers[0], &actions, &attributes, pointers.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        return fail(rc);
    }
    reapWhenDone(pid);
    return pid;
}

int StartCommandLine(const std::string& commandLine, int* errorNumber) {
    return StartDetachedProcess(SplitCommandLine(commandLine), errorNumber);
}

} // namespace platform::process
