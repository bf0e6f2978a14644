#include "SmtpTestClient.h"

#include <stdexcept>

namespace netkittest {

int RecordingSink::OnEndTransfer() {
    events.push_back({"EndTransfer", 0, {}});
    return 0;
}

int RecordingSink::OnError(int* code, const char** description) {
    events.push_back({"Error", *code, *description});
    return 0;
}

int RecordingSink::OnExpand(const char** text) {
    events.push_back({"Expand", 0, *text});
    return 0;
}

int RecordingSink::OnTrace(int* direction, const char** text) {
    events.push_back({"Trace", *direction, *text});
    if (onTrace) {
        onTrace(*direction, *text);
    }
    return 0;
}

int RecordingSink::OnStartTransfer() {
    events.push_back({"StartTransfer", 0, {}});
    return 0;
}

int RecordingSink::OnTransfer(int* bytesSent) {
    events.push_back({"Transfer", *bytesSent, {}});
    return 0;
}

std::vector<std::string> RecordingSink::Traces(int direction) const {
    std::vector<std::string> texts;
    for (const RecordedEvent& event : events) {
        if (event.name == "Trace" && event.number == direction) {
            texts.push_back(event.text);
        }
    }
    return texts;
}

std::vector<RecordedEvent> RecordingSink::Named(const std::string& name) const {
    std::vector<RecordedEvent> found;
    for (const RecordedEvent& event : events) {
        if (event.name == name) {
            found.push_back(event);
        }
    }
    return found;
}

WaitBound::WaitBound(std::chrono::milliseconds limit)
    : m_deadline(std::chrono::steady_clock::now() + limit),
      m_previous(Wirekit_GetEventPump(&m_previousContext)) {
    Wirekit_SetEventPump(&WaitBound::Pump, this);
}

WaitBound::~WaitBound() {
    Wirekit_SetEventPump(m_previous, m_previousContext);
}

int WaitBound::Pump(void* context) {
    auto* bound = static_cast<WaitBound*>(context);
    ++bound->m_calls;
    if (std::chrono::steady_clock::now() >= bound->m_deadline) {
        bound->m_expired = true;
        return WIREKIT_PUMP_QUIT;
    }
    return WIREKIT_PUMP_CONTINUE;
}

SmtpClient::SmtpClient()
    : m_smtp(static_cast<ISMTPComponent*>(
          Wirekit_CreateObject(WIREKIT_CLASS_SMTP, static_cast<SMTPEvts*>(&sink)))) {
    if (m_smtp == nullptr) {
        throw std::runtime_error("Wirekit_CreateObject(23) returned null");
    }
}

SmtpClient::~SmtpClient() {
    if (m_smtp != nullptr) {
        Wirekit_DeleteObject(WIREKIT_CLASS_SMTP, m_smtp);
    }
}

void SmtpClient::Target(unsigned short port) {
    if (m_smtp->SetRemoteHost("127.0.0.1") != 0 || m_smtp->SetRemotePort(port) != 0) {
        throw std::runtime_error("cannot aim the component at 127.0.0.1");
    }
}

std::string SmtpClient::LastError() const {
    const char* text = m_smtp->GetLastError();
    return text != nullptr ? text : "(null)";
}

} // namespace netkittest
