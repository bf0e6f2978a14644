#include "platform/taskscheduler/CrontabAccess.h"

#include "platform/process/Process.h"
#include "platform/system/AtomicFile.h"
#include "platform/system/StringPrintf.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace platform::taskscheduler {

using platform::system::StringPrintf;

namespace {

constexpr int kCrontabMilliseconds = 30000;

// An anonymous in-memory file: the child's standard streams, with no file on disk to clean up
// and no pipe to fill up while we wait.
class MemoryFile {
public:
    MemoryFile() : m_fd(::memfd_create("tallyvol-crontab", MFD_CLOEXEC)) {}
    ~MemoryFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    int Get() const { return m_fd; }
    bool Fill(const std::string& text) {
        return platform::system::WriteAll(m_fd, text) && ::lseek(m_fd, 0, SEEK_SET) == 0;
    }
    std::string Contents() const {
        std::string text;
        char buffer[4096];
        for (off_t offset = 0;;) {
            ssize_t count = ::pread(m_fd, buffer, sizeof buffer, offset);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                return text;
            }
            text.append(buffer, static_cast<std::size_t>(count));
            offset += count;
        }
    }

private:
    int m_fd;
};

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

} // namespace

HRESULT CrontabAccess::run(const char* operation, const std::string& input, std::string* output,
                           std::string* problem) const {
    MemoryFile in, out, err;
    if (in.Get() < 0 || out.Get() < 0 || err.Get() < 0 || !in.Fill(input)) {
        *problem = StringPrintf("Cannot prepare the crontab program's input: %s",
                                platform::process::ErrorText(errno).c_str());
        return E_FAIL;
    }
    std::vector<std::string> arguments{"crontab"};
    if (!m_user.empty()) {
        arguments.insert(arguments.end(), {"-u", m_user});
    }
    arguments.emplace_back(operation);

    platform::process::LaunchOptions options;
    options.standardInput = in.Get();
    options.standardOutput = out.Get();
    options.standardError = err.Get();
    options.environment = {"LC_ALL=C"};
    int spawnError = 0;
    pid_t pid = platform::process::LaunchProcess(arguments, options, &spawnError);
    if (pid < 0) {
        *problem = StringPrintf("The crontab program could not be started: %s",
                                platform::process::ErrorText(spawnError).c_str());
        return spawnError == ENOENT ? SCHED_E_SERVICE_NOT_INSTALLED : E_FAIL;
    }
    int exitCode = -1;
    if (!platform::process::WaitForProcess(pid, kCrontabMilliseconds, &exitCode)) {
        ::kill(pid, SIGKILL);
        platform::process::WaitForProcess(pid, kCrontabMilliseconds, &exitCode);
        *problem = "The crontab program did not finish within 30 seconds.";
        return E_FAIL;
    }
    *output = out.Contents();
    std::string message = trimmed(err.Contents());
    if (exitCode == 0) {
        return S_OK;
    }
    // An account without a crontab: "no crontab for USER", the only failure that is not one.
    if (std::string(operation) == "-l" && message.rfind("no crontab for ", 0) == 0) {
        output->clear();
        return S_OK;
    }
    *problem = message.empty()
                   ? StringPrintf("crontab %s failed with exit status %d.", operation, exitCode)
                   : message;
    if (message.find("not allowed") != std::string::npos ||
        message.find("must be privileged") != std::string::npos) {
        return E_ACCESSDENIED;
    }
    return E_FAIL;
}

HRESULT CrontabAccess::Read(std::string* text, std::string* problem) const {
    return run("-l", std::string(), text, problem);
}

HRESULT CrontabAccess::Write(const std::string& text, std::string* problem) const {
    std::string ignored;
    return run("-", text, &ignored, problem);
}

} // namespace platform::taskscheduler
