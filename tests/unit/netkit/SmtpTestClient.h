/*
 * Client-side helpers of the netkit tests: an event sink that records every event, a bound on
 * every wait (through the host event pump) so that a fault never hangs a test, and a short way
 * to create the component the way the program does.
 */
#ifndef TALLYVOL_TESTS_NETKIT_SMTPTESTCLIENT_H
#define TALLYVOL_TESTS_NETKIT_SMTPTESTCLIENT_H

#include "netkit/Smtp.h"
#include "netkit/Wirekit.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace netkittest {

struct RecordedEvent {
    std::string name; // EndTransfer, Error, Expand, Trace, StartTransfer, Transfer
    int number = 0;   // code, direction or byte count
    std::string text;
};

class RecordingSink : public SMTPEvts {
public:
    int OnEndTransfer() override;
    int OnError(int* code, const char** description) override;
    int OnExpand(const char** text) override;
    int OnTrace(int* direction, const char** text) override;
    int OnStartTransfer() override;
    int OnTransfer(int* bytesSent) override;

    // Texts of the trace events of one direction (0 sent, 1 received, 2 status).
    std::vector<std::string> Traces(int direction) const;
    std::vector<RecordedEvent> Named(const std::string& name) const;

    std::vector<RecordedEvent> events;
    // Runs inside OnTrace, after recording, when set.
    std::function<void(int direction, const std::string& text)> onTrace;
};

// Ends every wait on this thread with a quit once the time has passed; restores the previous
// pump when it goes.
class WaitBound {
public:
    explicit WaitBound(std::chrono::milliseconds limit);
    ~WaitBound();
    WaitBound(const WaitBound&) = delete;
    WaitBound& operator=(const WaitBound&) = delete;
    bool Expired() const { return m_expired; }
    int Calls() const { return m_calls; }

private:
    static int Pump(void* context);
    std::chrono::steady_clock::time_point m_deadline;
    Wirekit_EventPump m_previous;
    void* m_previousContext = nullptr;
    bool m_expired = false;
    int m_calls = 0;
};

// Owns a component created through the class binding, as the program holds one.
class SmtpClient {
public:
    SmtpClient();
    ~SmtpClient();
    SmtpClient(const SmtpClient&) = delete;
    SmtpClient& operator=(const SmtpClient&) = delete;

    ISMTPComponent* operator->() const { return m_smtp; }
    ISMTPComponent* get() const { return m_smtp; }
    // Forgets the component (the test deleted it itself).
    void Release() { m_smtp = nullptr; }
    // RemoteHost 127.0.0.1 and the port.
    void Target(unsigned short port);
    std::string LastError() const;

    RecordingSink sink;

private:
    ISMTPComponent* m_smtp = nullptr;
};

} // namespace netkittest

#endif
