#include "netkit/SocketEngine.h"

#include "netkit/ErrorTexts.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace netkit {

namespace {

constexpr int kCycleMilliseconds = 10;
// While a line is awaited the socket is also read every this many cycles, in case a
// notification was missed.
constexpr int kSafetyPollCycles = 1000;
constexpr int kSocketBufferSize = 2048;
// Reads done for one notification before the event cycle gets its turn again.
constexpr int kReadsPerNotification = 16;

std::string ComposedText(int code) {
    char buffer[80];
    ComposeErrorText(code, buffer);
    return buffer;
}

std::uint64_t TickCount() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

SocketEngine::SocketEngine(ISocketClient& client, unsigned short defaultPort, std::string terminator)
    : m_client(client), m_loop(EventLoop::ForThisThread()), m_remotePort(defaultPort),
      m_terminator(std::move(terminator)) {
    m_window = m_loop.CreateWindow(*this);
}

SocketEngine::~SocketEngine() {
    Destroy();
}

int SocketEngine::TakeWinsock() {
    if (m_functions != nullptr) {
        return 0;
    }
    int result = WinsockLibrary::Reference();
    if (result == 0) {
        m_functions = WinsockLibrary::Functions();
    }
    return result;
}

void SocketEngine::ReleaseWinsock() {
    if (m_functions == nullptr) {
        return;
    }
    // The socket cannot outlive the functions that serve it.
    Close();
    m_functions = nullptr;
    WinsockLibrary::Release();
}

int SocketEngine::SetRemoteHost(const std::string& host) {
    if (m_socket >= 0) {
        m_client.SetErrorText(kTextHostBusy);
        return kErrHostBusy;
    }
    m_remoteHost = host;
    m_remoteAddress = 0;
    if (host.empty() || m_functions == nullptr) {
        // Without the socket library nothing can be resolved; the connect reports it.
        return 0;
    }
    in_addr_t dotted = m_functions->inet_addr(host.c_str());
    if (dotted != INADDR_NONE) {
        m_remoteAddress = dotted;
        return 0;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int result = m_functions->getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (result != 0) {
        return WinsockCodeFromResolver(result, errno);
    }
    for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addr != nullptr) {
            m_remoteAddress = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
            break;
        }
    }
    m_functions->freeaddrinfo(found);
    return 0;
}

std::string SocketEngine::RemoteAddressText() const {
    if (m_remoteAddress == 0) {
        return {};
    }
    char text[INET_ADDRSTRLEN] = {};
    in_addr address{};
    address.s_addr = m_remoteAddress;
    return inet_ntop(AF_INET, &address, text, sizeof text) != nullptr ? text : "";
}

int SocketEngine::SetRemotePort(unsigned short port) {
    if (m_socket >= 0) {
        m_client.SetErrorText(kTextPortBusy);
        return kErrPortBusy;
    }
    m_remotePort = port;
    return 0;
}

int SocketEngine::ApplySocketOptions(int socket) {
    const SocketFunctions& f = *m_functions;
    int off = 0;
    int on = 1;
    int size = kSocketBufferSize;
    linger noLinger{0, 0};
    if (f.setsockopt(socket, SOL_SOCKET, SO_KEEPALIVE, &off, sizeof off) != 0 ||
        f.setsockopt(socket, SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger) != 0 ||
        f.setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size) != 0 ||
        f.setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &size, sizeof size) != 0 ||
        f.setsockopt(socket, SOL_SOCKET, SO_OOBINLINE, &on, sizeof on) != 0) {
        return WinsockCodeFromErrno(errno);
    }
    int flags = f.fcntl(socket, F_GETFL, 0);
    if (flags < 0 || f.fcntl(socket, F_SETFL, flags | O_NONBLOCK) != 0) {
        return WinsockCodeFromErrno(errno);
    }
    return 0;
}

int SocketEngine::Connect() {
    if (m_socket >= 0) {
        m_client.SetErrorText(kTextAlreadyConnected);
        return kErrAlreadyConnected;
    }
    if (m_remoteAddress == 0) {
        m_client.SetErrorText(kTextNoAddress);
        return kErrNoAddress;
    }
    if (m_remotePort == 0) {
        m_client.SetErrorText(kTextZeroPort);
        return kErrZeroPort;
    }
    if (m_destroyed) {
        return kErrInterrupted;
    }
    if (m_functions == nullptr) {
        return kWsaNotInitialised;
    }
    const SocketFunctions& f = *m_functions;
    int socket = f.socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        return WinsockCodeFromErrno(errno);
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(m_localPort);
    int result = 0;
    if (f.bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        result = WinsockCodeFromErrno(errno);
    } else {
        result = ApplySocketOptions(socket);
    }
    if (result != 0) {
        f.close(socket);
        return result;
    }
    m_socket = socket;
    m_used = 0;
    m_connected = false;
    m_connectNotified = false;
    m_connectResult = 0;
    ++m_socketTag;
    m_loop.Select(m_window, socket, m_socketTag, kSocketMessage,
                  kFdRead | kFdWrite | kFdConnect | kFdClose);

    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = m_remoteAddress;
    remote.sin_port = htons(m_remotePort);
    if (f.connect(socket, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0 &&
        errno != EINPROGRESS && errno != EAGAIN) {
        result = WinsockCodeFromErrno(errno);
        m_loop.Select(m_window, socket, m_socketTag, 0, 0);
        f.close(socket);
        m_socket = -1;
        return result;
    }
    m_loop.ConnectStarted(socket);
    while (!m_connectNotified) {
        if (DoEvents(kCycleMilliseconds) == 0) {
            return kErrInterrupted;
        }
    }
    EnableLineDelivery();
    return m_connectResult;
}

void SocketEngine::OnConnectNotification(int error) {
    if (m_connectNotified) {
        return;
    }
    m_connectNotified = true;
    m_connectResult = error;
    if (error == 0) {
        m_connected = true;
        int on = 1;
        m_functions->setsockopt(m_socket, SOL_SOCKET, SO_OOBINLINE, &on, sizeof on);
        m_client.OnSocketStatus("Connected.");
        return;
    }
    // Not connected, so the close reports nothing more.
    CloseSocket();
    m_client.OnSocketError(kErrConnection, "Failed to connect: " + ComposedText(error));
}

int SocketEngine::Send(const char* data, std::size_t size) {
    if (m_destroyed) {
        return kErrInterrupted; // deleted by an event handler of the running action
    }
    while (size > 0) {
        if (!m_connected || m_socket < 0) {
            return kWsaNotConnected;
        }
        ssize_t sent = m_functions->send(m_socket, data, size, MSG_NOSIGNAL);
        if (sent < 0) {
            int code = WinsockCodeFromErrno(errno);
            if (code != kWsaWouldBlock) {
                return code;
            }
            sent = 0;
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
        if (size == 0) {
            break;
        }
        m_loop.WriteBlocked(m_socket);
        if (DoEvents(kCycleMilliseconds) == 0) {
            return kErrInterrupted;
        }
    }
    return 0;
}

void SocketEngine::EnableLineDelivery() {
    m_deliveryEnabled = true;
    if (m_connected) {
        // Lines may already wait in the buffer, where no socket notification would find them.
        m_loop.PostMessage(m_window, kSocketMessage, m_socket, m_socketTag, kFdRead, 0);
    }
}

void SocketEngine::LineTaken() {
    m_waitingForLine = false;
    m_deliveryEnabled = false;
}

int SocketEngine::WaitForLine() {
    m_waitingForLine = true;
    EnableLineDelivery();
    for (int cycle = 1;; ++cycle) {
        if (!m_waitingForLine) {
            return 0;
        }
        if (!m_connected || m_socket < 0 || DoEvents(kCycleMilliseconds) == 0) {
            m_waitingForLine = false;
            return kErrInterrupted;
        }
        if (cycle % kSafetyPollCycles == 0) {
            Receive();
        }
    }
}

void SocketEngine::CutLines() {
    const std::size_t terminatorSize = m_terminator.size();
    while (m_deliveryEnabled && m_used > 0) {
        const char* end = static_cast<const char*>(
            memmem(m_buffer, m_used, m_terminator.data(), terminatorSize));
        if (end != nullptr) {
            std::size_t lineSize = static_cast<std::size_t>(end - m_buffer);
            std::size_t consumed = lineSize + terminatorSize;
            m_client.OnLinePiece(m_buffer, lineSize, true);
            std::memmove(m_buffer, m_buffer + consumed, m_used - consumed);
            m_used -= consumed;
            continue;
        }
        if (m_used < kBufferSize) {
            return;
        }
        // A full buffer without a terminator goes out as a piece; a trailing first byte of the
        // terminator stays, or a terminator split across two reads would never be found.
        std::size_t keep = 0;
        if (terminatorSize > 1 && m_buffer[m_used - 1] == m_terminator[0]) {
            keep = 1;
        }
        m_client.OnLinePiece(m_buffer, m_used - keep, false);
        std::memmove(m_buffer, m_buffer + m_used - keep, keep);
        m_used = keep;
    }
}

int SocketEngine::Receive() {
    if (m_socket < 0 || !m_deliveryEnabled || m_reading) {
        return 0;
    }
    m_reading = true;
    int result = 0;
    CutLines();
    for (int reads = 0; m_socket >= 0 && m_deliveryEnabled; ++reads) {
        if (reads == kReadsPerNotification) {
            // The read is armed again, so the next cycle goes on; meanwhile the wait can be
            // interrupted even when the data never ends.
            break;
        }
        ssize_t received = m_functions->recv(m_socket, m_buffer + m_used, kBufferSize - m_used, 0);
        int error = errno;
        m_loop.ReadCalled(m_socket);
        if (received == 0) {
            CutLines();
            if (m_deliveryEnabled && m_used > 0) {
                m_client.OnLinePiece(m_buffer, m_used, false);
            }
            m_used = 0;
            HandleClose(false, 0);
            break;
        }
        if (received < 0) {
            int code = WinsockCodeFromErrno(error);
            if (code != kWsaWouldBlock && code != kWsaNotSocket) {
                m_client.SetErrorText("Winsock error in recv()");
                result = code;
            }
            break;
        }
        m_used += static_cast<std::size_t>(received);
        CutLines();
    }
    m_reading = false;
    return result;
}

void SocketEngine::CloseSocket() {
    if (m_socket < 0) {
        return;
    }
    m_loop.Select(m_window, m_socket, m_socketTag, 0, 0);
    m_functions->close(m_socket);
    m_socket = -1;
    m_connected = false;
    m_used = 0;
    m_deliveryEnabled = true;
}

void SocketEngine::HandleClose(bool notified, int error) {
    if (m_socket < 0) {
        return;
    }
    m_loop.Select(m_window, m_socket, m_socketTag, 0, 0);
    if (notified) {
        Receive();
        if (m_socket < 0) {
            return; // the read found the end and closed already
        }
    }
    bool wasConnected = m_connected;
    CloseSocket();
    if (!wasConnected) {
        return;
    }
    if (error == 0) {
        m_client.OnSocketStatus("Disconnected.");
    } else {
        m_client.OnSocketError(kErrConnection, "Disconnected " + ComposedText(error));
    }
}

void SocketEngine::Close() {
    HandleClose(false, 0);
}

void SocketEngine::Destroy() {
    if (m_destroyed) {
        return;
    }
    m_destroyed = true;
    m_interrupt = true;
    m_alive = false;
    if (m_socket >= 0) {
        // A reset, not a graceful close: the peer learns at once that nobody is there.
        linger reset{1, 0};
        m_functions->setsockopt(m_socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        m_loop.Select(m_window, m_socket, m_socketTag, 0, 0);
        m_functions->close(m_socket);
        m_socket = -1;
        m_connected = false;
    }
    m_used = 0;
    if (m_functions != nullptr) {
        m_functions = nullptr;
        WinsockLibrary::Release();
    }
    m_loop.DestroyWindow(m_window);
}

int SocketEngine::DoEvents(int waitMilliseconds) {
    for (;;) {
        if (m_interrupt && !m_destroyed) {
            m_interrupt = false;
            m_client.SetErrorText("Interrupted");
            return 0;
        }
        if (m_destroyed) {
            return 0;
        }
        EventLoop::Taken taken = m_loop.TakeAndDispatch();
        if (taken == EventLoop::Taken::Quit || taken == EventLoop::Taken::Close) {
            return 0;
        }
        if (taken == EventLoop::Taken::Dispatched) {
            if (!m_loop.WindowExists(m_window)) {
                return 0;
            }
            if (!m_alive) {
                m_client.SetErrorText("Interrupted");
                return 0;
            }
        } else if (waitMilliseconds > 0) {
            m_loop.WaitForInput(waitMilliseconds);
        }
        if (m_interrupt) {
            continue;
        }
        if (m_deadline != 0 && TickCount() > m_deadline) {
            m_client.SetErrorText("Timeout");
            return 0;
        }
        return m_loop.WindowExists(m_window) ? 1 : 0;
    }
}

void SocketEngine::OnWindowMessage(unsigned message, int socket, unsigned tag, long event,
                                   int error) {
    if (message != kSocketMessage || socket != m_socket || tag != m_socketTag || m_socket < 0) {
        return; // a notification left over from an earlier socket
    }
    // Dispatched from whichever wait pumps the loop: nothing may escape into it. The only
    // failure is running out of memory for an event's text, which loses that event.
    try {
        switch (event) {
        case kFdConnect:
            OnConnectNotification(error);
            break;
        case kFdRead:
            if (!m_connectNotified) {
                OnConnectNotification(0);
            }
            if (m_connected) {
                Receive();
            }
            break;
        case kFdClose:
            HandleClose(true, error);
            break;
        default:
            break;
        }
    } catch (...) {
        m_reading = false;
    }
}

std::string SocketEngine::LocalAddress() const {
    if (m_connected && m_socket >= 0 && m_functions != nullptr) {
        sockaddr_in local{};
        socklen_t size = sizeof local;
        if (m_functions->getsockname(m_socket, reinterpret_cast<sockaddr*>(&local), &size) == 0) {
            char text[INET_ADDRSTRLEN] = {};
            if (inet_ntop(AF_INET, &local.sin_addr, text, sizeof text) != nullptr) {
                return text;
            }
        }
    }
    return LocalHostName();
}

std::string SocketEngine::LocalHostName() const {
    char name[256] = {};
    int result = m_functions != nullptr ? m_functions->gethostname(name, sizeof name - 1)
                                        : gethostname(name, sizeof name - 1);
    return result == 0 ? std::string(name) : std::string();
}

} // namespace netkit
