#include "platform/process/ChildProcess.h"

#include "platform/process/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace platform::process {

namespace {

// Enough for any diagnostic; a child that writes more is not telling us anything useful.
constexpr std::size_t kMaxOutput = 64 * 1024;

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    void Reset(int fd) {
        Close();
        m_fd = fd;
    }
    void Close() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    int m_fd;
};

// Reads the child's diagnostics until it closes them or the deadline passes.
bool collectOutput(int fd, std::chrono::steady_clock::time_point deadline, std::string& output) {
    char buffer[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        struct pollfd entry = {fd, POLLIN, 0};
        int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return true;
        }
        if (ready == 0) {
            continue;
        }
        ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return true;
        }
        if (output.size() < kMaxOutput) {
            output.append(buffer, std::min(static_cast<std::size_t>(count), kMaxOutput - output.size()));
        }
    }
}

} // namespace

ChildResult RunChildProcess(const std::vector<std::string>& arguments, const ChildOptions& options) {
    ChildResult result;
    if (arguments.empty()) {
        result.spawnError = EINVAL;
        return result;
    }
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        result.spawnError = errno;
        return result;
    }
    Descriptor readEnd(pipeEnds[0]);
    Descriptor writeEnd(pipeEnds[1]);

    LaunchOptions launch;
    launch.standardInput = kNullStream;
    launch.standardOutput = options.standardOutput >= 0 ? options.standardOutput : writeEnd.Get();
    launch.standardError = writeEnd.Get();
    launch.environment = options.environment;
    int spawnError = 0;
    pid_t pid = LaunchProcess(arguments, launch, &spawnError);
    writeEnd.Close();
    if (pid < 0) {
        result.spawnError = spawnError;
        return result;
    }

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
    if (!collectOutput(readEnd.Get(), deadline, result.output)) {
        result.timedOut = true;
        ::kill(pid, SIGKILL);
    }
    readEnd.Close();

    // A child may close its diagnostics and linger; it gets what is left of its time.
    int status = 0;
    for (;;) {
        pid_t done = ::waitpid(pid, &status, result.timedOut ? 0 : WNOHANG);
        if (done == pid) {
            break;
        }
        if (done < 0 && errno != EINTR) {
            return result;
        }
        if (done == 0 && std::chrono::steady_clock::now() >= deadline) {
            result.timedOut = true;
            ::kill(pid, SIGKILL);
        } else if (done == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

} // namespace platform::process
