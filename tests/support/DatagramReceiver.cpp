#include "tests/support/DatagramReceiver.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace testsupport {

DatagramReceiver::DatagramReceiver(const std::string& path, bool stream) : m_path(path), m_stream(stream) {
    m_fd = ::socket(AF_UNIX, (stream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (m_fd < 0 || path.size() >= sizeof address.sun_path) {
        throw std::runtime_error("cannot create a socket at " + path);
    }
    std::strcpy(address.sun_path, path.c_str());
    ::unlink(path.c_str());
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        (stream && ::listen(m_fd, 4) != 0)) {
        throw std::runtime_error("cannot bind " + path + ": " + std::strerror(errno));
    }
}

DatagramReceiver::~DatagramReceiver() {
    if (m_fd >= 0) ::close(m_fd);
    ::unlink(m_path.c_str());
}

std::optional<std::string> DatagramReceiver::Receive(double seconds) {
    pollfd ready {m_fd, POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(seconds * 1000)) <= 0) {
        return std::nullopt;
    }
    std::vector<char> buffer(1 << 20);
    if (!m_stream) {
        ssize_t n = ::recv(m_fd, buffer.data(), buffer.size(), 0);
        if (n < 0) return std::nullopt;
        return std::string(buffer.data(), static_cast<std::size_t>(n));
    }
    int connection = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) return std::nullopt;
    std::string all;
    while (true) {
        pollfd data {connection, POLLIN, 0};
        if (::poll(&data, 1, static_cast<int>(seconds * 1000)) <= 0) break;
        ssize_t n = ::recv(connection, buffer.data(), buffer.size(), 0);
        if (n <= 0) break;
        all.append(buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(connection);
    return all;
}

} // namespace testsupport
