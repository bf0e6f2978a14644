#include "ScriptedSmtpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace netkittest {

namespace {

constexpr int kLineTimeoutMilliseconds = 10000;

struct ScriptFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace

bool ScriptedConnection::WaitReadable(int milliseconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!m_server.Stopping()) {
        pollfd fd{m_socket, POLLIN, 0};
        if (poll(&fd, 1, 50) > 0) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
    }
    return false;
}

void ScriptedConnection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t sent = ::send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw ScriptFailure(std::string("send failed: ") + std::strerror(errno));
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
}

std::string ScriptedConnection::ReadLine() {
    for (;;) {
        std::size_t end = m_pending.find("\r\n");
        if (end != std::string::npos) {
            std::string line = m_pending.substr(0, end);
            m_pending.erase(0, end + 2);
            m_server.Record(line);
            return line;
        }
        if (!WaitReadable(kLineTimeoutMilliseconds)) {
            throw ScriptFailure("no line came; had \"" + m_pending.substr(0, 200) + "\"");
        }
        char buffer[4096];
        ssize_t got = ::recv(m_socket, buffer, sizeof buffer, 0);
        if (got <= 0) {
            throw ScriptFailure("the client ended the connection while a line was awaited");
        }
        m_pending.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string ScriptedConnection::Expect(std::string_view prefix) {
    std::string line = ReadLine();
    if (line.compare(0, prefix.size(), prefix) != 0) {
        throw ScriptFailure("expected \"" + std::string(prefix) + "\", got \"" + line + "\"");
    }
    return line;
}

std::string ScriptedConnection::ReadData() {
    for (;;) {
        // The client's data always holds headers, so it never is the bare terminator.
        std::size_t end = m_pending.find("\r\n.\r\n");
        if (end != std::string::npos) {
            std::string data = m_pending.substr(0, end + 2);
            m_pending.erase(0, end + 5);
            return data;
        }
        if (!WaitReadable(kLineTimeoutMilliseconds)) {
            throw ScriptFailure("the message data did not end");
        }
        char buffer[65536];
        ssize_t got = ::recv(m_socket, buffer, sizeof buffer, 0);
        if (got <= 0) {
            throw ScriptFailure("the client ended the connection during the data");
        }
        m_pending.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string ScriptedConnection::ReadSome(std::size_t size) {
    std::string data = m_pending.substr(0, size);
    m_pending.erase(0, data.size());
    while (data.size() < size) {
        if (!WaitReadable(kLineTimeoutMilliseconds)) {
            throw ScriptFailure("less data came than awaited");
        }
        char buffer[4096];
        ssize_t got = ::recv(m_socket, buffer, std::min(sizeof buffer, size - data.size()), 0);
        if (got <= 0) {
            throw ScriptFailure("the client ended the connection during the data");
        }
        data.append(buffer, static_cast<std::size_t>(got));
    }
    return data;
}

void ScriptedConnection::Pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void ScriptedConnection::Reset() {
    linger reset{1, 0};
    ::setsockopt(m_socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    Close();
}

void ScriptedConnection::Close() {
    if (m_socket >= 0) {
        ::close(m_socket);
        m_socket = -1;
    }
}

std::string ScriptedConnection::WaitForClientEnd() {
    for (;;) {
        if (!WaitReadable(kLineTimeoutMilliseconds)) {
            throw ScriptFailure("the client did not end the connection");
        }
        char buffer[4096];
        ssize_t got = ::recv(m_socket, buffer, sizeof buffer, 0);
        if (got == 0) {
            return "closed";
        }
        if (got < 0) {
            return errno == ECONNRESET ? "reset" : std::strerror(errno);
        }
        m_pending.append(buffer, static_cast<std::size_t>(got));
    }
}

std::size_t ScriptedConnection::SendForever(char fill) {
    const std::string block(65536, fill);
    std::size_t total = 0;
    while (!m_server.Stopping()) {
        pollfd fd{m_socket, POLLOUT, 0};
        if (poll(&fd, 1, 50) <= 0) {
            continue;
        }
        ssize_t sent = ::send(m_socket, block.data(), block.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                continue;
            }
            break; // the client went away
        }
        total += static_cast<std::size_t>(sent);
    }
    return total;
}

ScriptedSmtpServer::ScriptedSmtpServer(Script script) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(m_listener, 4) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw std::runtime_error(std::string("cannot listen: ") + std::strerror(errno));
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this, script = std::move(script)] { Run(script); });
}

ScriptedSmtpServer::~ScriptedSmtpServer() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    ::close(m_listener);
}

void ScriptedSmtpServer::Run(Script script) {
    int socket = -1;
    while (!m_stop && socket < 0) {
        pollfd fd{m_listener, POLLIN, 0};
        if (poll(&fd, 1, 50) > 0) {
            socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        }
    }
    if (socket < 0) {
        return;
    }
    ScriptedConnection connection(*this, socket);
    try {
        script(connection);
    } catch (const std::exception& failure) {
        std::lock_guard lock(m_mutex);
        m_failure = failure.what();
    }
    connection.Close();
}

void ScriptedSmtpServer::Finish() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void ScriptedSmtpServer::Record(const std::string& line) {
    std::lock_guard lock(m_mutex);
    m_lines.push_back(line);
}

std::vector<std::string> ScriptedSmtpServer::Lines() const {
    std::lock_guard lock(m_mutex);
    return m_lines;
}

std::string ScriptedSmtpServer::Failure() const {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

ScriptedSmtpServer::Script ScriptedSmtpServer::Lenient(std::vector<std::string>& messages) {
    return [&messages](ScriptedConnection& c) {
        c.Send("220 fake.test ESMTP\r\n");
        for (;;) {
            std::string line = c.ReadLine();
            if (line == "DATA") {
                c.Send("354 go ahead\r\n");
                messages.push_back(c.ReadData());
                c.Send("250 queued\r\n");
            } else if (line == "QUIT") {
                c.Send("221 bye\r\n");
                return;
            } else {
                c.Send("250 ok\r\n");
            }
        }
    };
}

} // namespace netkittest
