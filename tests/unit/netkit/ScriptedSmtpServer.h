/*
 * A scripted mail server for the cases a real server will not produce: it listens on
 * 127.0.0.1 at a free port and plays one script against the first connection, on its own
 * thread, recording every line it reads. The client under test runs on the test thread.
 */
#ifndef TALLYVOL_TESTS_NETKIT_SCRIPTEDSMTPSERVER_H
#define TALLYVOL_TESTS_NETKIT_SCRIPTEDSMTPSERVER_H

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace netkittest {

class ScriptedSmtpServer;

// The server's side of the one connection, for the script.
class ScriptedConnection {
public:
    void Send(std::string_view bytes);
    // The next line without its CR LF; the script fails when none comes within 10 s.
    std::string ReadLine();
    // Reads the next line and fails the script unless it begins with `prefix`.
    std::string Expect(std::string_view prefix);
    // Message data up to the line "." as it came over the wire (dots still doubled), without
    // the final ".\r\n".
    std::string ReadData();
    // Reads up to `size` bytes of whatever comes.
    std::string ReadSome(std::size_t size);
    void Pause(int milliseconds);
    // Ends the connection with a reset instead of a close.
    void Reset();
    void Close();
    // Waits until the client ends the connection: "closed" or "reset".
    std::string WaitForClientEnd();
    // Bytes handed to the client so far by SendForever.
    std::size_t SendForever(char fill);

private:
    friend class ScriptedSmtpServer;
    ScriptedConnection(ScriptedSmtpServer& server, int socket) : m_server(server), m_socket(socket) {}
    bool WaitReadable(int milliseconds);
    ScriptedSmtpServer& m_server;
    int m_socket;
    std::string m_pending;
};

class ScriptedSmtpServer {
public:
    using Script = std::function<void(ScriptedConnection&)>;
    // Answers like a mail server that accepts everything; keeps each message's data.
    static Script Lenient(std::vector<std::string>& messages);
    explicit ScriptedSmtpServer(Script script);
    ~ScriptedSmtpServer();
    ScriptedSmtpServer(const ScriptedSmtpServer&) = delete;
    ScriptedSmtpServer& operator=(const ScriptedSmtpServer&) = delete;

    unsigned short Port() const { return m_port; }
    // Waits for the script to end.
    void Finish();
    // Every line the script read, in order.
    std::vector<std::string> Lines() const;
    // Why the script stopped early; empty when it ran through.
    std::string Failure() const;
    bool Stopping() const { return m_stop; }

private:
    friend class ScriptedConnection;
    void Run(Script script);
    void Record(const std::string& line);

    int m_listener = -1;
    unsigned short m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::string m_failure;
    std::thread m_thread;
};

} // namespace netkittest

#endif
