#include "logsink/LogSink.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr const char* kDefaultSocket = "/dev/log";
constexpr const char* kTag = "Tallyvol";
constexpr int kFacilityUser = 1;
constexpr int kSeverityError = 3;
// The record size RFC 3164 allows; used only when the socket refuses a longer one.
constexpr std::size_t kShortRecordBytes = 1024;
constexpr int kSendTimeoutSeconds = 5;

class Socket {
public:
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

std::string header() {
    // Month names are the protocol's, never the locale's.
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "<%d>%s %2d %02d:%02d:%02d %s[%d]: ", kFacilityUser * 8 + kSeverityError,
                  kMonths[local.tm_mon % 12], local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, kTag,
                  static_cast<int>(::getpid()));
    return buffer;
}

// Cuts the record to `bytes` without splitting a UTF-8 sequence.
std::string shortened(const std::string& record, std::size_t bytes) {
    if (record.size() <= bytes) return record;
    std::size_t cut = bytes;
    while (cut > 0 && (static_cast<unsigned char>(record[cut]) & 0xC0) == 0x80) --cut;
    return record.substr(0, cut);
}

bool sendAll(int fd, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

int connectTo(const sockaddr_un& address, int type) {
    int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    timeval timeout {kSendTimeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

bool logError(const char* text) {
    const char* path = std::getenv("LOGSINK_SOCKET");
    if (path == nullptr || *path == '\0') path = kDefaultSocket;
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (std::strlen(path) >= sizeof address.sun_path) return false;
    std::strcpy(address.sun_path, path);

    std::string record = header() + (text != nullptr ? text : "");

    // Syslog daemons listen on a datagram socket; a few listen on a stream socket, where a NUL
    // ends each record.
    Socket datagram(connectTo(address, SOCK_DGRAM));
    if (datagram.fd() >= 0) {
        if (::send(datagram.fd(), record.data(), record.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(record.size())) {
            return true;
        }
        if (errno != EMSGSIZE) return false;
        std::string shortRecord = shortened(record, kShortRecordBytes);
        return ::send(datagram.fd(), shortRecord.data(), shortRecord.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(shortRecord.size());
    }
    if (errno != EPROTOTYPE) return false;
    Socket stream(connectTo(address, SOCK_STREAM));
    if (stream.fd() < 0) return false;
    record += '\0';
    return sendAll(stream.fd(), record);
}

} // namespace

extern "C" __attribute__((visibility("default"))) bool LogError(const char* text) {
    try {
        return logError(text);
    } catch (...) {
        return false; // nothing crosses the library's boundary
    }
}
