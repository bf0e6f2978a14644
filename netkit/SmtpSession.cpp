#include "netkit/SmtpSession.h"

#include "netkit/ErrorTexts.h"
#include "netkit/SmtpText.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace netkit {

namespace {

constexpr std::size_t kTracedCommand = 512;
constexpr std::size_t kMaxHeloDomain = 100;
constexpr std::size_t kBodyBlock = 8192;
constexpr std::size_t kFileBlock = 2048;
constexpr int kFlushCycles = 100;
// A reply line is kept up to this size; the rest of a longer one is dropped, so that a server
// that never ends its line cannot make the component grow.
constexpr std::size_t kMaxReplyLine = 8192;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string FromFifthCharacter(const std::string& line) {
    return line.size() > 4 ? line.substr(4) : std::string();
}

} // namespace

int SmtpSession::Perform(int action) {
    switch (action) {
    case 1:
        return Connect();
    case 2:
        return Disconnect();
    case 3:
        return SendMessage("MAIL");
    case 4:
        ClearMessage();
        return 0;
    case 5:
        return Expand();
    case 6:
        return Verify();
    case 7:
        return SendMessage("SAML");
    case 8:
        return SendMessage("SOML");
    case 9:
        return SendMessage("SEND");
    case 10:
        return RawCommand();
    default:
        return 0;
    }
}

void SmtpSession::OnLinePiece(const char* data, std::size_t size, bool complete) {
    std::string& line = m_properties.replyLine;
    if (line.size() < kMaxReplyLine) {
        line.append(data, std::min(size, kMaxReplyLine - line.size()));
    }
    if (complete) {
        m_engine.LineTaken();
    }
}

int SmtpSession::Command(const std::string* command, bool expand) {
    m_error.Clear();
    m_properties.replyLine.clear();
    if (command != nullptr) {
        std::string line = SingleLine(*command);
        m_events.Trace(0, line.substr(0, kTracedCommand));
        line += "\r\n";
        if (int result = m_engine.Send(line.data(), line.size())) {
            return result;
        }
    }
    for (;;) {
        m_properties.replyLine.clear();
        if (int result = m_engine.WaitForLine()) {
            return result;
        }
        const std::string line = m_properties.replyLine;
        m_events.Trace(1, line);
        if (line.size() >= 4 && line[3] == '-') {
            if (expand) {
                m_events.Expand(FromFifthCharacter(line));
            }
            continue;
        }
        if (!line.empty() && line[0] == '1') {
            continue;
        }
        if (!line.empty() && (line[0] == '2' || line[0] == '3')) {
            if (expand) {
                m_events.Expand(FromFifthCharacter(line));
            }
            return 0;
        }
        m_error.Set(line);
        return kErrServerReply;
    }
}

int SmtpSession::Connect() {
    if (!m_engine.Connected()) {
        m_events.Trace(2, "Connecting to mail server.");
        if (int result = m_engine.Connect()) {
            return result;
        }
        if (int result = Command(nullptr)) {
            return result;
        }
    }
    std::string& domain = m_properties.heloDomain;
    if (domain.empty()) {
        domain = m_engine.LocalHostName().substr(0, kMaxHeloDomain);
    }
    if (m_properties.allowEhlo != 0) {
        int result = Command("EHLO " + domain);
        // Only a server that refuses EHLO is greeted again; an interrupted or lost
        // connection ends the action.
        if (result != kErrServerReply) {
            return result;
        }
    }
    return Command("HELO " + domain);
}

int SmtpSession::Disconnect() {
    int result = 0;
    if (m_engine.Connected()) {
        result = Command(std::string("QUIT"));
        if (result != 0) {
            m_events.Trace(2, "Forcing disconnection from mail server.");
        }
    }
    m_engine.Close();
    for (int cycle = 0; cycle < kFlushCycles; ++cycle) {
        m_engine.DoEvents(0);
    }
    return result;
}

int SmtpSession::SendRecipients(const std::string& list, bool rejectionEndsAction) {
    for (const std::string& address : ParseRecipients(list)) {
        int result = Command("RCPT TO:<" + address + ">");
        if (result == kErrServerReply && !rejectionEndsAction) {
            m_events.Error(kErrServerReply, m_properties.replyLine);
            continue;
        }
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

int SmtpSession::SendData(std::string_view data) {
    return m_engine.Send(data.data(), data.size());
}

int SmtpSession::SendBody() {
    // A handler may rewrite the property while the body goes out.
    const std::string body = m_properties.body;
    m_events.StartTransfer();
    long long sent = 0;
    for (std::size_t offset = 0; offset < body.size(); offset += kBodyBlock) {
        std::string_view block = std::string_view(body).substr(offset, kBodyBlock);
        if (int result = SendData(block)) {
            return result;
        }
        sent += static_cast<long long>(block.size());
        m_events.Transfer(sent);
    }
    m_events.EndTransfer();
    return 0;
}

int SmtpSession::SendMessageFile() {
    m_events.StartTransfer();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(m_properties.messageFile.c_str(), "rb"));
    if (!file) {
        m_error.Set(kTextCannotOpenFile);
        return kErrCannotOpenFile;
    }
    char block[kFileBlock];
    std::string stuffed;
    // The file goes on where the body stopped: its first byte starts a line only when the body
    // ended with one (a dot doubled in mid-line would reach the recipient doubled).
    const std::string& body = m_properties.body;
    bool atLineStart = body.empty() || body.back() == '\n';
    long long sent = 0;
    for (;;) {
        std::size_t read = std::fread(block, 1, sizeof block, file.get());
        if (read == 0) {
            break;
        }
        stuffed.clear();
        DotStuffBlock(std::string_view(block, read), atLineStart, stuffed);
        if (int result = SendData(stuffed)) {
            return result;
        }
        sent += static_cast<long long>(stuffed.size());
        m_events.Transfer(sent);
    }
    if (std::ferror(file.get())) {
        return kErrReadFault;
    }
    m_events.EndTransfer();
    return 0;
}

int SmtpSession::SendMessage(const char* word) {
    if (!m_engine.Connected()) {
        if (int result = Connect()) {
            return result;
        }
    }
    const SmtpProperties& p = m_properties;
    if (p.from.empty()) {
        m_error.Set(kTextNoSender);
        return kErrNoSender;
    }
    if (p.to.empty()) {
        m_error.Set(kTextNoRecipient);
        return kErrNoRecipient;
    }
    int result = Command(std::string("RSET"));
    if (result == 0) {
        result = Command(SenderCommand(word, p.from));
    }
    // Copies: handlers run during every command and may rewrite the properties.
    const std::string to = p.to;
    const std::string cc = p.cc;
    const std::string bcc = p.bcc;
    if (result == 0) {
        result = SendRecipients(to, true);
    }
    if (result == 0) {
        result = SendRecipients(cc, true);
    }
    if (result == 0) {
        result = SendRecipients(bcc, false);
    }
    if (result == 0) {
        result = Command(std::string("DATA"));
    }
    if (result != 0) {
        return result;
    }

    std::string headers = "To: " + p.to + "\r\nFrom: " + p.from;
    auto optional = [&headers](const char* name, const std::string& value) {
        if (!value.empty()) {
            headers += "\r\n";
            headers += name;
            headers += value;
        }
    };
    optional("Subject: ", p.subject);
    optional("Reply-To: ", p.replyTo);
    optional("Date: ", p.date);
    optional("Cc: ", p.cc);
    headers += "\r\n";
    if (!m_properties.extraHeaders.empty()) {
        NormaliseExtraHeaders(m_properties.extraHeaders);
        // Raw lines, but a line holding only "." must not end the data early.
        headers += DotStuff(m_properties.extraHeaders);
    }
    headers += "\r\n";
    if ((result = SendData(headers)) != 0) {
        return result;
    }
    if (!p.body.empty() && (result = SendBody()) != 0) {
        return result;
    }
    if (!p.messageFile.empty() && (result = SendMessageFile()) != 0) {
        return result;
    }
    if ((result = SendData("\r\n")) != 0) {
        return result;
    }
    return Command(std::string("."));
}

int SmtpSession::Expand() {
    if (!m_engine.Connected()) {
        if (int result = Connect()) {
            return result;
        }
    }
    return Command("EXPN " + m_properties.to, true);
}

int SmtpSession::Verify() {
    if (!m_engine.Connected()) {
        if (int result = Connect()) {
            return result;
        }
    }
    int result = Command("VRFY " + m_properties.to);
    if (result == 0) {
        m_properties.to = FromFifthCharacter(m_properties.replyLine);
    }
    return result;
}

int SmtpSession::RawCommand() {
    if (!m_engine.Connected()) {
        if (int result = Connect()) {
            return result;
        }
    }
    return Command(m_properties.rawCommand);
}

void SmtpSession::ClearMessage() {
    SmtpProperties& p = m_properties;
    for (std::string* property : {&p.from, &p.to, &p.cc, &p.bcc, &p.replyTo, &p.date, &p.subject,
                                  &p.extraHeaders, &p.body, &p.messageFile}) {
        property->clear();
    }
}

} // namespace netkit
