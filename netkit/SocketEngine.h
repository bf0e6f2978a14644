/*
 * The socket transport under a TCP component: the component's Winsock reference, resolving
 * the server name, a non-blocking connect, sending, receiving into a fixed 2048-byte buffer
 * cut into lines, waiting synchronously in 10 ms event cycles, and closing. Owned by one
 * component and used only on the thread that created it; it reports to the component through
 * ISocketClient, from inside the component's own calls or from a message dispatched while
 * some wait on this thread pumps the loop.
 */
#ifndef NETKIT_SOCKETENGINE_H
#define NETKIT_SOCKETENGINE_H

#include "netkit/EventLoop.h"
#include "netkit/WinsockLibrary.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace netkit {

class ISocketClient {
public:
    // A whole line without its terminator (complete), or a part of one: the buffer filled up
    // before the terminator came, or the connection closed in the middle of it.
    virtual void OnLinePiece(const char* data, std::size_t size, bool complete) = 0;
    // "Connected." and "Disconnected.".
    virtual void OnSocketStatus(const char* text) = 0;
    // A failed connect or a connection lost with an error (code 162).
    virtual void OnSocketError(int code, const std::string& text) = 0;
    // Records the component's error text for the failure being returned.
    virtual void SetErrorText(const char* text) = 0;
    virtual void HoldForDispatch() = 0;
    virtual void ReleaseAfterDispatch() = 0;

protected:
    ~ISocketClient() = default;
};

class SocketEngine final : private IWindowProcedure {
public:
    static constexpr std::size_t kBufferSize = 2048;

    SocketEngine(ISocketClient& client, unsigned short defaultPort, std::string terminator);
    ~SocketEngine();
    SocketEngine(const SocketEngine&) = delete;
    SocketEngine& operator=(const SocketEngine&) = delete;

    int TakeWinsock();
    void ReleaseWinsock();
    bool HoldsWinsock() const { return m_functions != nullptr; }

    // Stores and resolves the server; returns 0 or the failure (101, resolver codes).
    int SetRemoteHost(const std::string& host);
    // The resolved address in dotted form, empty when there is none.
    std::string RemoteAddressText() const;
    int SetRemotePort(unsigned short port);
    unsigned short RemotePort() const { return m_remotePort; }

    // Opens the connection and waits for its outcome: 0, a Winsock code, or 301.
    int Connect();
    // Sends all of the block: 0, a Winsock code, or 301.
    int Send(const char* data, std::size_t size);
    // Waits for the next complete line: 0, or 301 when the wait had to end.
    int WaitForLine();
    // Line delivery (one complete line per wait): the consumer calls LineTaken.
    void EnableLineDelivery();
    void LineTaken();
    // Closes the connection at the component's request (no protocol exchange).
    void Close();
    // Resets an open connection and ends everything; the engine stays inert afterwards.
    void Destroy();
    void Interrupt() { m_interrupt = true; }
    // One event cycle; `waitMilliseconds` 0 never waits. Returns 0 when waiting must stop.
    int DoEvents(int waitMilliseconds);

    bool Connected() const { return m_connected; }
    int Socket() const { return m_socket; }
    std::string LocalAddress() const;
    std::string LocalHostName() const;

private:
    void OnWindowMessage(unsigned message, int socket, unsigned tag, long event,
                         int error) override;
    void HoldForDispatch() override { m_client.HoldForDispatch(); }
    void ReleaseAfterDispatch() override { m_client.ReleaseAfterDispatch(); }

    int Receive();
    void CutLines();
    void OnConnectNotification(int error);
    void HandleClose(bool notified, int error);
    void CloseSocket();
    int ApplySocketOptions(int socket);

    ISocketClient& m_client;
    EventLoop& m_loop;
    const SocketFunctions* m_functions = nullptr;
    int m_window = 0;
    int m_socket = -1;
    unsigned m_socketTag = 0;
    std::uint32_t m_remoteAddress = 0;
    std::string m_remoteHost;
    unsigned short m_remotePort;
    unsigned short m_localPort = 0;
    bool m_connected = false;
    bool m_connectNotified = false;
    int m_connectResult = 0;
    char m_buffer[kBufferSize];
    std::size_t m_used = 0;
    std::string m_terminator;
    bool m_deliveryEnabled = true;
    bool m_waitingForLine = false;
    bool m_reading = false;
    std::uint64_t m_deadline = 0;
    bool m_interrupt = false;
    bool m_alive = true;
    bool m_destroyed = false;
};

} // namespace netkit

#endif
