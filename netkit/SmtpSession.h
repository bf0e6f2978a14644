/*
 * The SMTP dialogue of one component: the properties it works from and the actions that
 * connect, send a message, disconnect, expand, verify and send raw commands, each as a series
 * of commands and replies over the component's socket engine. Owned by the SMTP component and
 * run on its thread, one action at a time (the component turns a second one away).
 */
#ifndef NETKIT_SMTPSESSION_H
#define NETKIT_SMTPSESSION_H

#include "netkit/LastError.h"
#include "netkit/SmtpEvents.h"
#include "netkit/SocketEngine.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace netkit {

struct SmtpProperties {
    unsigned short allowEhlo = 1;
    unsigned short foldWidth = 72;
    std::string messageFile;
    std::string bcc;
    std::string cc;
    std::string rawCommand;
    std::string date;
    std::string from;
    std::string heloDomain;
    std::string replyLine;
    std::string body;
    std::string extraHeaders;
    std::string replyTo;
    std::string subject;
    std::string to;
};

class SmtpSession {
public:
    SmtpSession(SocketEngine& engine, SmtpEvents& events, LastError& error,
                SmtpProperties& properties)
        : m_engine(engine), m_events(events), m_error(error), m_properties(properties) {}

    // Performs action 1 to 10 and returns its result; other values do nothing.
    int Perform(int action);
    // The line consumer: pieces are appended to the reply line, a complete one ends the wait.
    void OnLinePiece(const char* data, std::size_t size, bool complete);

private:
    int Connect();
    int Disconnect();
    int SendMessage(const char* word);
    int SendRecipients(const std::string& list, bool rejectionEndsAction);
    int SendData(std::string_view data);
    int SendBody();
    int SendMessageFile();
    int Expand();
    int Verify();
    int RawCommand();
    void ClearMessage();
    // Sends the command (none: the greeting) and reads the reply, line by line.
    int Command(const std::string* command, bool expand = false);
    int Command(const std::string& command, bool expand = false) { return Command(&command, expand); }

    SocketEngine& m_engine;
    SmtpEvents& m_events;
    LastError& m_error;
    SmtpProperties& m_properties;
};

} // namespace netkit

#endif
