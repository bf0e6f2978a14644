/*
 * The SMTP client component object: the class binding's slots over its 26 properties, the
 * action in progress (a second action is turned away, action 0 interrupts), the last error and
 * its lifetime; the dialogue itself is SmtpSession's. Created by Wirekit_CreateObject or SMTP_Init and owned by the caller until handed
 * back; used only on the creating thread. Every public call counts as a call into the
 * component, so that a deletion requested from inside one (an event handler) is carried out
 * when the outermost call returns.
 */
#ifndef NETKIT_SMTPCOMPONENT_H
#define NETKIT_SMTPCOMPONENT_H

#include "netkit/LastError.h"
#include "netkit/Smtp.h"
#include "netkit/SmtpEvents.h"
#include "netkit/SmtpSession.h"
#include "netkit/SocketEngine.h"

#include <string>

namespace netkit {

class SmtpComponent final : public ISMTPComponent, private ISocketClient {
public:
    // Null when memory runs out.
    static SmtpComponent* Create(SMTPEvts* sink, SMTP_EventCallback callback) noexcept;
    static SmtpComponent* FromObject(void* object) {
        return static_cast<SmtpComponent*>(static_cast<ISMTPComponent*>(object));
    }
    void* Object() { return static_cast<ISMTPComponent*>(this); }
    // Destroys the component now, or (called from inside one of its calls) stops it now and
    // frees it when the outermost call returns.
    void Delete() noexcept;

    const char* GetLastError() override;
    int DoEvents() override;
    int GetAction() override;
    int SetAction(int action) override;
    unsigned short GetAllowEhlo() override;
    int SetAllowEhlo(unsigned short allow) override;
    const char* GetMessageFile() override;
    int SetMessageFile(const char* path) override;
    const char* GetBcc() override;
    int SetBcc(const char* recipients) override;
    const char* GetCc() override;
    int SetCc(const char* recipients) override;
    int SetRawCommand(const char* command) override;
    const char* GetDate() override;
    int SetDate(const char* date) override;
    const char* GetFrom() override;
    int SetFrom(const char* sender) override;
    const char* GetHeloDomain() override;
    int SetHeloDomain(const char* domain) override;
    const char* GetReplyLine() override;
    const char* GetLocalAddress() override;
    unsigned short GetRemotePort() override;
    int SetRemotePort(unsigned short port) override;
    const char* GetRemoteHost() override;
    int SetRemoteHost(const char* host) override;
    unsigned short GetFoldWidth() override;
    int SetFoldWidth(unsigned short width) override;
    const char* GetBody() override;
    int SetBody(const char* body) override;
    const char* GetExtraHeaders() override;
    int SetExtraHeaders(const char* headers) override;
    const char* GetReplyTo() override;
    int SetReplyTo(const char* address) override;
    int GetSocketHandle() override;
    const char* GetSubject() override;
    int SetSubject(const char* subject) override;
    const char* GetTo() override;
    int SetTo(const char* recipients) override;
    const char* GetWinsockDescription() override;
    int GetWinsockLoaded() override;
    int SetWinsockLoaded(int loaded) override;
    unsigned short GetWinsockMaxDatagram() override;
    unsigned short GetWinsockMaxSockets() override;
    const char* GetWinsockPath() override;
    int SetWinsockPath(const char* path) override;
    const char* GetWinsockStatus() override;

private:
    class CallScope;

    SmtpComponent(SMTPEvts* sink, SMTP_EventCallback callback);
    ~SmtpComponent();

    template <typename Body> int Operation(bool clearsError, Body&& body) noexcept;
    int SetFolded(std::string& property, const char* value);
    template <typename Produce> const char* Computed(std::string& slot, Produce&& produce) noexcept;

    int PerformAction(int action);

    void OnLinePiece(const char* data, std::size_t size, bool complete) override;
    void OnSocketStatus(const char* text) override;
    void OnSocketError(int code, const std::string& text) override;
    void SetErrorText(const char* text) override;
    void HoldForDispatch() override;
    void ReleaseAfterDispatch() override;

    SocketEngine m_engine;
    SmtpEvents m_events;
    LastError m_error;
    int m_callDepth = 0;
    bool m_deletePending = false;

    int m_action = 0;
    SmtpProperties m_properties;
    SmtpSession m_session;
    // Computed texts handed out by the getters, one each so that they do not overwrite
    // one another.
    std::string m_localAddressText;
    std::string m_remoteHostText;
    std::string m_winsockDescriptionText;
    std::string m_winsockPathText;
    std::string m_winsockStatusText;
};

} // namespace netkit

#endif
