#include "app/base/DiagnosticLog.h"

#include "app/base/Settings.h"
#include "brand/Brand.h"
#include "platform/ado/ConnectionString.h"
#include "platform/system/AtomicFile.h"
#include "platform/system/Paths.h"
#include "platform/system/SystemInfo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <vector>

namespace app {

namespace {

constexpr std::size_t kBufferCharacters = 32768;
constexpr std::size_t kMessageLimit = 32668; // leaves room for the suffix
constexpr std::size_t kPathLimit = 32767;

std::atomic<bool> g_debugOn{false};
std::mutex g_mutex; // guards g_fd and the header check
int g_fd = -1;

std::string logDirectory() {
    std::string directory = GetSetting(settings::LogDir);
    if (directory.empty() || directory.back() != '/') {
        directory += '/';
    }
    return directory;
}

// The log may sit in a directory other users can write (LogDir is a setting): it is never
// reached through a link, never a file another user owns, made or linked, and readable by its
// owner only, since error reports can name the store.
int openLog(const std::string& path) {
    constexpr int kFlags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY;
    int fd = ::open(path.c_str(), kFlags, 0600);
    if (fd < 0 && errno == ENOENT) {
        // The private default directory may not exist yet on a new machine.
        platform::system::CreateDirectories(path.substr(0, path.rfind('/')), 0700);
        fd = ::open(path.c_str(), kFlags, 0600);
    }
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1) {
        ::close(fd);
        return -1;
    }
    if ((st.st_mode & 077) != 0) {
        ::fchmod(fd, st.st_mode & 0700);
    }
    return fd;
}

// Texts from outside (directory names, server answers) may hold line breaks: escaped, one
// event stays one line. A single line break ending the text is the line's own.
std::string escapeLineBreaks(const std::string& text) {
    std::size_t last = text.size();
    if (last > 0 && text[last - 1] == '\n') {
        --last;
    }
    if (text.find_first_of("\r\n") >= last) {
        return text;
    }
    std::string escaped;
    escaped.reserve(text.size() + 8);
    for (std::size_t i = 0; i < last; ++i) {
        if (text[i] == '\n') {
            escaped += "\\n";
        } else if (text[i] == '\r') {
            escaped += "\\r";
        } else {
            escaped += text[i];
        }
    }
    escaped.append(text, last, std::string::npos);
    return escaped;
}

void writeLine(const std::string& text);


std::string headerText() {
    platform::system::OsVersion os = platform::system::GetOsVersion();
    platform::system::ProgramVersion version = platform::system::GetProgramVersion();
    std::string path;
    if (const char* value = std::getenv("PATH")) {
        path = value;
        if (path.size() > kPathLimit) path.resize(kPathLimit);
    }
    std::vector<char> cwd(4096);
    if (::getcwd(cwd.data(), cwd.size()) == nullptr) {
        cwd[0] = '\0';
    }
    std::string header;
    std::vector<char> line(kPathLimit + 64);
    std::snprintf(line.data(), line.size(), "Platform:%d  %d.%d.%d  %s\r\n", os.platformId, os.major,
                  os.minor, os.build, os.servicePack.c_str());
    header += line.data();
    std::snprintf(line.data(), line.size(), "Path: %s\r\n", path.c_str());
    header += line.data();
    std::snprintf(line.data(), line.size(), "CWD: %s\r\n", cwd.data());
    header += line.data();
    std::snprintf(line.data(), line.size(), " Version: %d.%d.0 Build %d\r\n", version.major,
                  version.minor, version.build);
    header += line.data();
    return header;
}

std::string linePrefix() {
    struct timeval now {};
    ::gettimeofday(&now, nullptr);
    struct tm local {};
    ::localtime_r(&now.tv_sec, &local);
    char prefix[128];
    std::snprintf(prefix, sizeof prefix, "%02d/%02d/%04d %02d:%02d:%02d.%03d  TID:%04d  PID:%04d   ",
                  local.tm_mon + 1, local.tm_mday, local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(now.tv_usec / 1000),
                  platform::system::CurrentThreadId(), platform::system::CurrentProcessId());
    return prefix;
}

} // namespace

bool IsDebugLogOn() {
    return g_debugOn.load(std::memory_order_relaxed);
}

std::string LogFilePath() {
    return logDirectory() + ProductName3218 + "Log.txt";
}

void EnableDebugLog() {
    g_debugOn.store(true);
    std::string directory = logDirectory();
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_fd >= 0) {
        return;
    }
    g_fd = openLog(directory + ProductName3218 + "Log.txt");
}

void WriteLogLine(const std::string& text) {
    writeLine(escapeLineBreaks(platform::ado::MaskConnectionPasswords(text)));
}

namespace {

void writeLine(const std::string& text) {
    // The path comes from the settings, read outside the lock because reading them may log.
    bool haveHandle = false;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        haveHandle = g_fd >= 0;
    }
    std::string path = haveHandle ? std::string() : LogFilePath();

    std::string line = linePrefix() + text;
    if (text.empty() || text.back() != '\n') {
        line += "\r\n";
    }

    std::lock_guard<std::mutex> lock(g_mutex);
    int fd = g_fd;
    bool ownHandle = false;
    if (fd < 0) {
        if (path.empty()) {
            return; // the log was closed meanwhile
        }
        fd = openLog(path);
        ownHandle = true;
        if (fd < 0) {
            return;
        }
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size == 0) {
        line = headerText() + line;
    }
    platform::system::WriteAll(fd, line); // log failures are silent
    if (ownHandle) {
        ::close(fd);
    }
}

} // namespace

void DebugLog(const char* source, int line, const char* format, ...) {
    if (!IsDebugLogOn()) {
        return;
    }
    std::vector<char> buffer(kBufferCharacters, '\0');
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer.data(), kMessageLimit + 1, format, arguments);
    va_end(arguments);
    std::string message = escapeLineBreaks(platform::ado::MaskConnectionPasswords(buffer.data()));
    char suffix[128];
    std::snprintf(suffix, sizeof suffix, "  (%s, %d)", source != nullptr ? source : "", line);
    writeLine(message + suffix);
}

void ResetDiagnosticLogForTesting() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_fd >= 0) {
        ::close(g_fd);
        g_fd = -1;
    }
    g_debugOn.store(false);
}

} // namespace app
