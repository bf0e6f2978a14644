// The e-mail step's calls into the network library's SMTP component (class 23): create it
// with an event sink whose six handlers do nothing, write To, From, Subject, Body, RemoteHost
// and Date in that order, connect (action 1), send (action 3) and disconnect (action 2). A
// failed connect is kMailConnectFailure and a failed send kMailSendFailure (followed by the
// disconnect), each with the component's last error text; the component is deleted on every
// path. mail.waitSeconds bounds the dialogue: once it has passed, the library's event pump
// ends the wait in progress, which then fails like any other.
#include "alerts/AlertMail.h"

#include "app/base/DiagnosticLog.h"
#include "platform/system/StringPrintf.h"
#include "netkit/Smtp.h"
#include "netkit/Wirekit.h"

#include <chrono>

namespace alerts {

namespace {

std::string silentServerText(int seconds) {
    return platform::system::StringPrintf("the server did not answer within %d seconds", seconds);
}

// The event sink: every handler of SMTPEvts returns 0 and does nothing.
class SMTPA : public SMTPEvts {
public:
    SMTPA()
        : m_component(static_cast<ISMTPComponent*>(
              Wirekit_CreateObject(WIREKIT_CLASS_SMTP, static_cast<SMTPEvts*>(this)))) {}
    ~SMTPA() override { Wirekit_DeleteObject(WIREKIT_CLASS_SMTP, m_component); }
    SMTPA(const SMTPA&) = delete;
    SMTPA& operator=(const SMTPA&) = delete;

    ISMTPComponent* Component() const { return m_component; }

private:
    ISMTPComponent* m_component;
};

class SMTP : public SMTPA {};

// Ends every wait of the dialogue once the deadline has passed (a server that accepts the
// connection and never answers must not hold a nightly run for ever). It chains to the pump
// that was registered before, so a window stays responsive.
class DeadlinePump {
public:
    explicit DeadlinePump(int seconds) : m_bounded(seconds > 0) {
        m_end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        m_previous = Wirekit_GetEventPump(&m_previousContext);
        Wirekit_SetEventPump(&DeadlinePump::pump, this);
    }
    ~DeadlinePump() { Wirekit_SetEventPump(m_previous, m_previousContext); }
    DeadlinePump(const DeadlinePump&) = delete;
    DeadlinePump& operator=(const DeadlinePump&) = delete;

    bool Expired() const { return m_expired; }

private:
    static int pump(void* context) {
        auto* self = static_cast<DeadlinePump*>(context);
        int answer = WIREKIT_PUMP_CONTINUE;
        if (self->m_previous != nullptr) {
            answer = self->m_previous(self->m_previousContext);
        }
        if (answer == WIREKIT_PUMP_CONTINUE && self->m_bounded &&
            std::chrono::steady_clock::now() >= self->m_end) {
            self->m_expired = true;
            answer = WIREKIT_PUMP_QUIT;
        }
        return answer;
    }

    bool m_bounded;
    bool m_expired = false;
    std::chrono::steady_clock::time_point m_end;
    Wirekit_EventPump m_previous = nullptr;
    void* m_previousContext = nullptr;
};

std::string lastError(ISMTPComponent* component) {
    const char* text = component->GetLastError();
    return text != nullptr ? std::string(text) : std::string();
}

} // namespace

bool SendAlertMail(const AlertMail& mail, std::string* reason) {
    SMTP smtp;
    ISMTPComponent* component = smtp.Component();
    if (component == nullptr) {
        *reason = MailFailureReason(kMailConnectFailure, "the SMTP component could not be created");
        return false;
    }
    component->SetTo(mail.to.c_str());
    component->SetFrom(mail.from.c_str());
    component->SetSubject(mail.subject.c_str());
    component->SetBody(mail.body.c_str());
    if (mail.remotePort != 25) {
        component->SetRemotePort(mail.remotePort);
    }
    component->SetRemoteHost(mail.remoteHost.c_str());
    component->SetDate(mail.date.c_str());

    DeadlinePump deadline(mail.waitSeconds);
    if (component->SetAction(SMTP_ACTION_CONNECT) != 0) {
        std::string text = lastError(component);
        if (deadline.Expired()) {
            TV_DEBUG_LOG("No answer from the SMTP server %s within %d seconds", mail.remoteHost.c_str(),
                         mail.waitSeconds);
            // "Interrupted." would hide that the server took the connection and then said nothing.
            text = silentServerText(mail.waitSeconds);
        }
        *reason = MailFailureReason(kMailConnectFailure, text);
        return false;
    }
    if (component->SetAction(SMTP_ACTION_SEND) != 0) {
        std::string text = lastError(component);
        if (deadline.Expired()) {
            TV_DEBUG_LOG("No answer from the SMTP server %s within %d seconds", mail.remoteHost.c_str(),
                         mail.waitSeconds);
            text = silentServerText(mail.waitSeconds);
        }
        *reason = MailFailureReason(kMailSendFailure, text);
        component->SetAction(SMTP_ACTION_DISCONNECT);
        return false;
    }
    component->SetAction(SMTP_ACTION_DISCONNECT);
    return true;
}

} // namespace alerts
