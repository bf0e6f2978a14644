#include "netkit/SmtpComponent.h"

#include "netkit/ErrorTexts.h"
#include "netkit/SmtpText.h"
#include "netkit/WinsockLibrary.h"

#include <new>
#include <utility>

namespace netkit {

namespace {

constexpr unsigned short kSmtpPort = 25;
constexpr int kCycleMilliseconds = 10;

std::string Text(const char* value) {
    return value != nullptr ? std::string(value) : std::string();
}

} // namespace

// Counts the calls into the component that are running; the last one to return frees a
// component that was deleted meanwhile.
class SmtpComponent::CallScope {
public:
    explicit CallScope(SmtpComponent& component) : m_component(component) {
        ++m_component.m_callDepth;
    }
    ~CallScope() { m_component.ReleaseAfterDispatch(); }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

private:
    SmtpComponent& m_component;
};

SmtpComponent::SmtpComponent(SMTPEvts* sink, SMTP_EventCallback callback)
    : m_engine(*this, kSmtpPort, "\r\n"), m_events(Object(), sink, callback),
      m_session(m_engine, m_events, m_error, m_properties) {
    // Without the socket library the component still exists; its connect reports the failure.
    m_engine.TakeWinsock();
}

SmtpComponent::~SmtpComponent() = default;

SmtpComponent* SmtpComponent::Create(SMTPEvts* sink, SMTP_EventCallback callback) noexcept {
    try {
        return new SmtpComponent(sink, callback);
    } catch (...) {
        return nullptr;
    }
}

void SmtpComponent::Delete() noexcept {
    if (m_deletePending) {
        return;
    }
    // No event may reach the caller's sink any more: it is being destroyed.
    m_events.Detach();
    m_engine.Destroy();
    if (m_callDepth > 0) {
        m_deletePending = true;
        return;
    }
    delete this;
}

void SmtpComponent::HoldForDispatch() {
    ++m_callDepth;
}

void SmtpComponent::ReleaseAfterDispatch() {
    if (--m_callDepth == 0 && m_deletePending) {
        delete this;
    }
}

template <typename Body> int SmtpComponent::Operation(bool clearsError, Body&& body) noexcept {
    unsigned mark = m_error.Mark();
    if (clearsError) {
        m_error.Clear();
    }
    int result;
    try {
        result = body();
    } catch (...) {
        // Only allocations throw inside the component.
        result = kErrOutOfMemory;
    }
    return m_error.Record(result, mark);
}

int SmtpComponent::SetFolded(std::string& property, const char* value) {
    return Operation(false, [&] {
        property = FoldHeader(Text(value), m_properties.foldWidth);
        return 0;
    });
}

template <typename Produce>
const char* SmtpComponent::Computed(std::string& slot, Produce&& produce) noexcept {
    try {
        // An unchanged value keeps its storage, so an earlier pointer to it stays good.
        std::string value = produce();
        if (value != slot) {
            slot = std::move(value);
        }
    } catch (...) {
        slot.clear();
    }
    return slot.c_str();
}

// ---- Actions ----

int SmtpComponent::PerformAction(int action) {
    if (action == 0) {
        // Only a running action can be interrupted; a flag left behind would fail the next one.
        if (m_action != 0) {
            m_engine.Interrupt();
        }
        return 0;
    }
    if (m_action != 0) {
        m_error.Set(kTextBusy);
        return kErrBusy;
    }
    if (action < 0 || action > 10) {
        return 0;
    }
    m_action = action;
    int result;
    try {
        result = m_session.Perform(action);
    } catch (...) {
        m_action = 0;
        throw;
    }
    m_action = 0;
    return result;
}

const char* SmtpComponent::GetLastError() {
    CallScope scope(*this);
    return m_error.Text();
}

int SmtpComponent::DoEvents() {
    CallScope scope(*this);
    try {
        return m_engine.DoEvents(kCycleMilliseconds);
    } catch (...) {
        return 0; // out of memory while queueing notifications
    }
}

int SmtpComponent::GetAction() {
    CallScope scope(*this);
    return m_action;
}

int SmtpComponent::SetAction(int action) {
    CallScope scope(*this);
    return Operation(true, [&] { return PerformAction(action); });
}

int SmtpComponent::SetRawCommand(const char* command) {
    CallScope scope(*this);
    return Operation(true, [&] {
        if (m_action != 0) {
            m_error.Set(kTextBusy);
            return kErrBusy;
        }
        m_properties.rawCommand = Text(command);
        return PerformAction(10);
    });
}

// ---- Message properties ----

unsigned short SmtpComponent::GetAllowEhlo() {
    CallScope scope(*this);
    return m_properties.allowEhlo;
}

int SmtpComponent::SetAllowEhlo(unsigned short allow) {
    CallScope scope(*this);
    m_properties.allowEhlo = allow;
    return 0;
}

const char* SmtpComponent::GetMessageFile() {
    CallScope scope(*this);
    return m_properties.messageFile.c_str();
}

int SmtpComponent::SetMessageFile(const char* path) {
    CallScope scope(*this);
    return Operation(false, [&] {
        m_properties.messageFile = Text(path);
        return 0;
    });
}

const char* SmtpComponent::GetBcc() {
    CallScope scope(*this);
    return m_properties.bcc.c_str();
}

int SmtpComponent::SetBcc(const char* recipients) {
    CallScope scope(*this);
    return SetFolded(m_properties.bcc, recipients);
}

const char* SmtpComponent::GetCc() {
    CallScope scope(*this);
    return m_properties.cc.c_str();
}

int SmtpComponent::SetCc(const char* recipients) {
    CallScope scope(*this);
    return SetFolded(m_properties.cc, recipients);
}

const char* SmtpComponent::GetDate() {
    CallScope scope(*this);
    return m_properties.date.c_str();
}

int SmtpComponent::SetDate(const char* date) {
    CallScope scope(*this);
    return SetFolded(m_properties.date, date);
}

const char* SmtpComponent::GetFrom() {
    CallScope scope(*this);
    return m_properties.from.c_str();
}

int SmtpComponent::SetFrom(const char* sender) {
    CallScope scope(*this);
    return SetFolded(m_properties.from, sender);
}

const char* SmtpComponent::GetHeloDomain() {
    CallScope scope(*this);
    return m_properties.heloDomain.c_str();
}

int SmtpComponent::SetHeloDomain(const char* domain) {
    CallScope scope(*this);
    return Operation(false, [&] {
        m_properties.heloDomain = Text(domain);
        return 0;
    });
}

const char* SmtpComponent::GetReplyLine() {
    CallScope scope(*this);
    return m_properties.replyLine.c_str();
}

unsigned short SmtpComponent::GetFoldWidth() {
    CallScope scope(*this);
    return m_properties.foldWidth;
}

int SmtpComponent::SetFoldWidth(unsigned short width) {
    CallScope scope(*this);
    m_properties.foldWidth = width;
    return 0;
}

const char* SmtpComponent::GetBody() {
    CallScope scope(*this);
    return m_properties.body.c_str();
}

int SmtpComponent::SetBody(const char* body) {
    CallScope scope(*this);
    return Operation(false, [&] {
        m_properties.body = DotStuff(Text(body));
        return 0;
    });
}

const char* SmtpComponent::GetExtraHeaders() {
    CallScope scope(*this);
    return m_properties.extraHeaders.c_str();
}

int SmtpComponent::SetExtraHeaders(const char* headers) {
    CallScope scope(*this);
    return Operation(false, [&] {
        m_properties.extraHeaders = Text(headers);
        return 0;
    });
}

const char* SmtpComponent::GetReplyTo() {
    CallScope scope(*this);
    return m_properties.replyTo.c_str();
}

int SmtpComponent::SetReplyTo(const char* address) {
    CallScope scope(*this);
    return SetFolded(m_properties.replyTo, address);
}

const char* SmtpComponent::GetSubject() {
    CallScope scope(*this);
    return m_properties.subject.c_str();
}

int SmtpComponent::SetSubject(const char* subject) {
    CallScope scope(*this);
    return SetFolded(m_properties.subject, subject);
}

const char* SmtpComponent::GetTo() {
    CallScope scope(*this);
    return m_properties.to.c_str();
}

int SmtpComponent::SetTo(const char* recipients) {
    CallScope scope(*this);
    return SetFolded(m_properties.to, recipients);
}

// ---- Connection properties ----

const char* SmtpComponent::GetLocalAddress() {
    CallScope scope(*this);
    return Computed(m_localAddressText, [&] { return m_engine.LocalAddress(); });
}

unsigned short SmtpComponent::GetRemotePort() {
    CallScope scope(*this);
    return m_engine.RemotePort();
}

int SmtpComponent::SetRemotePort(unsigned short port) {
    CallScope scope(*this);
    return Operation(true, [&] { return m_engine.SetRemotePort(port); });
}

const char* SmtpComponent::GetRemoteHost() {
    CallScope scope(*this);
    return Computed(m_remoteHostText, [&] { return m_engine.RemoteAddressText(); });
}

int SmtpComponent::SetRemoteHost(const char* host) {
    CallScope scope(*this);
    return Operation(true, [&] { return m_engine.SetRemoteHost(Text(host)); });
}

int SmtpComponent::GetSocketHandle() {
    CallScope scope(*this);
    return m_engine.Socket();
}

// ---- Socket library properties ----

const char* SmtpComponent::GetWinsockDescription() {
    CallScope scope(*this);
    return Computed(m_winsockDescriptionText, [] { return WinsockLibrary::Info().description; });
}

int SmtpComponent::GetWinsockLoaded() {
    CallScope scope(*this);
    return m_engine.HoldsWinsock() ? 1 : 0;
}

int SmtpComponent::SetWinsockLoaded(int loaded) {
    CallScope scope(*this);
    return Operation(false, [&] {
        if (loaded != 0) {
            return m_engine.TakeWinsock();
        }
        m_engine.ReleaseWinsock();
        return 0;
    });
}

unsigned short SmtpComponent::GetWinsockMaxDatagram() {
    CallScope scope(*this);
    return WinsockLibrary::Info().maxDatagram;
}

unsigned short SmtpComponent::GetWinsockMaxSockets() {
    CallScope scope(*this);
    return WinsockLibrary::Info().maxSockets;
}

const char* SmtpComponent::GetWinsockPath() {
    CallScope scope(*this);
    return Computed(m_winsockPathText, [] { return WinsockLibrary::Path(); });
}

int SmtpComponent::SetWinsockPath(const char* path) {
    CallScope scope(*this);
    return Operation(false, [&] {
        WinsockLibrary::SetPath(Text(path));
        return 0;
    });
}

const char* SmtpComponent::GetWinsockStatus() {
    CallScope scope(*this);
    return Computed(m_winsockStatusText, [] { return WinsockLibrary::Info().status; });
}

// ---- Reports of the socket engine ----

void SmtpComponent::OnLinePiece(const char* data, std::size_t size, bool complete) {
    m_session.OnLinePiece(data, size, complete);
}

void SmtpComponent::OnSocketStatus(const char* text) {
    m_events.Trace(2, text);
}

void SmtpComponent::OnSocketError(int code, const std::string& text) {
    m_events.Error(code, text);
}

void SmtpComponent::SetErrorText(const char* text) {
    m_error.Set(text);
}

} // namespace netkit
