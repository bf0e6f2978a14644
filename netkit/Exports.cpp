// The library's exported C functions: creation and deletion by class identifier, the host
// event pump, and the SMTP family's flat binding.
#include "netkit/EventLoop.h"
#include "netkit/Smtp.h"
#include "netkit/SmtpComponent.h"
#include "netkit/Wirekit.h"

using netkit::SmtpComponent;

namespace {

// Identifiers of the class table; 20 does not exist.
bool IsListedClass(int classId) {
    return classId >= WIREKIT_CLASS_IPPORT && classId <= WIREKIT_CLASS_LDAP && classId != 20;
}

intptr_t TextValue(const char* text) {
    return reinterpret_cast<intptr_t>(text);
}

const char* TextArgument(intptr_t value) {
    return reinterpret_cast<const char*>(value);
}

unsigned short ShortArgument(intptr_t value) {
    return static_cast<unsigned short>(value);
}

} // namespace

extern "C" {

WIREKIT_API void* Wirekit_CreateObject(int classId, void* eventSink) {
    if (classId != WIREKIT_CLASS_SMTP) {
        return nullptr; // the only family this library builds
    }
    SmtpComponent* component = SmtpComponent::Create(static_cast<SMTPEvts*>(eventSink), nullptr);
    return component != nullptr ? component->Object() : nullptr;
}

WIREKIT_API void* _Wirekit_CreateObject(int classId, void* eventSink) {
    return Wirekit_CreateObject(classId, eventSink);
}

WIREKIT_API int Wirekit_DeleteObject(int classId, void* object) {
    if (!IsListedClass(classId) || classId != WIREKIT_CLASS_SMTP) {
        return -1; // no object of such a class can exist
    }
    if (object != nullptr) {
        SmtpComponent::FromObject(object)->Delete();
    }
    return 0;
}

WIREKIT_API int _Wirekit_DeleteObject(int classId, void* object) {
    return Wirekit_DeleteObject(classId, object);
}

WIREKIT_API void Wirekit_SetEventPump(Wirekit_EventPump pump, void* context) {
    netkit::EventLoop::ForThisThread().SetPump(pump, context);
}

WIREKIT_API Wirekit_EventPump Wirekit_GetEventPump(void** context) {
    return netkit::EventLoop::ForThisThread().Pump(context);
}

WIREKIT_API void* SMTP_Init(SMTP_EventCallback callback, intptr_t /*reserved*/) {
    SmtpComponent* component = SmtpComponent::Create(nullptr, callback);
    return component != nullptr ? component->Object() : nullptr;
}

WIREKIT_API int SMTP_Close(void* object) {
    Wirekit_DeleteObject(WIREKIT_CLASS_SMTP, object);
    return 0;
}

WIREKIT_API intptr_t SMTP_Get(void* object, int property, int /*arrayIndex*/, int* /*length*/) {
    if (object == nullptr) {
        return 0;
    }
    ISMTPComponent& smtp = *static_cast<ISMTPComponent*>(object);
    switch (property) {
    case SMTP_PROP_ACTION: return smtp.GetAction();
    case SMTP_PROP_ALLOW_EHLO: return smtp.GetAllowEhlo();
    case SMTP_PROP_MESSAGE_FILE: return TextValue(smtp.GetMessageFile());
    case SMTP_PROP_BCC: return TextValue(smtp.GetBcc());
    case SMTP_PROP_CC: return TextValue(smtp.GetCc());
    case SMTP_PROP_DATE: return TextValue(smtp.GetDate());
    case SMTP_PROP_FROM: return TextValue(smtp.GetFrom());
    case SMTP_PROP_HELO_DOMAIN: return TextValue(smtp.GetHeloDomain());
    case SMTP_PROP_REPLY_LINE: return TextValue(smtp.GetReplyLine());
    case SMTP_PROP_LOCAL_ADDRESS: return TextValue(smtp.GetLocalAddress());
    case SMTP_PROP_REMOTE_PORT: return smtp.GetRemotePort();
    case SMTP_PROP_REMOTE_HOST: return TextValue(smtp.GetRemoteHost());
    case SMTP_PROP_FOLD_WIDTH: return smtp.GetFoldWidth();
    case SMTP_PROP_BODY: return TextValue(smtp.GetBody());
    case SMTP_PROP_EXTRA_HEADERS: return TextValue(smtp.GetExtraHeaders());
    case SMTP_PROP_REPLY_TO: return TextValue(smtp.GetReplyTo());
    case SMTP_PROP_SOCKET_HANDLE: return smtp.GetSocketHandle();
    case SMTP_PROP_SUBJECT: return TextValue(smtp.GetSubject());
    case SMTP_PROP_TO: return TextValue(smtp.GetTo());
    case SMTP_PROP_WINSOCK_DESCRIPTION: return TextValue(smtp.GetWinsockDescription());
    case SMTP_PROP_WINSOCK_LOADED: return smtp.GetWinsockLoaded();
    case SMTP_PROP_WINSOCK_MAX_DATAGRAM: return smtp.GetWinsockMaxDatagram();
    case SMTP_PROP_WINSOCK_MAX_SOCKETS: return smtp.GetWinsockMaxSockets();
    case SMTP_PROP_WINSOCK_PATH: return TextValue(smtp.GetWinsockPath());
    case SMTP_PROP_WINSOCK_STATUS: return TextValue(smtp.GetWinsockStatus());
    default: return 0; // RawCommand is write-only; other indices do not exist
    }
}

WIREKIT_API int SMTP_Set(void* object, int property, int /*arrayIndex*/, intptr_t value,
                         int /*length*/) {
    if (object == nullptr) {
        return -1;
    }
    ISMTPComponent& smtp = *static_cast<ISMTPComponent*>(object);
    switch (property) {
    case SMTP_PROP_ACTION: return smtp.SetAction(static_cast<int>(value));
    case SMTP_PROP_ALLOW_EHLO: return smtp.SetAllowEhlo(ShortArgument(value));
    case SMTP_PROP_MESSAGE_FILE: return smtp.SetMessageFile(TextArgument(value));
    case SMTP_PROP_BCC: return smtp.SetBcc(TextArgument(value));
    case SMTP_PROP_CC: return smtp.SetCc(TextArgument(value));
    case SMTP_PROP_RAW_COMMAND: return smtp.SetRawCommand(TextArgument(value));
    case SMTP_PROP_DATE: return smtp.SetDate(TextArgument(value));
    case SMTP_PROP_FROM: return smtp.SetFrom(TextArgument(value));
    case SMTP_PROP_HELO_DOMAIN: return smtp.SetHeloDomain(TextArgument(value));
    case SMTP_PROP_REMOTE_PORT: return smtp.SetRemotePort(ShortArgument(value));
    case SMTP_PROP_REMOTE_HOST: return smtp.SetRemoteHost(TextArgument(value));
    case SMTP_PROP_FOLD_WIDTH: return smtp.SetFoldWidth(ShortArgument(value));
    case SMTP_PROP_BODY: return smtp.SetBody(TextArgument(value));
    case SMTP_PROP_EXTRA_HEADERS: return smtp.SetExtraHeaders(TextArgument(value));
    case SMTP_PROP_REPLY_TO: return smtp.SetReplyTo(TextArgument(value));
    case SMTP_PROP_SUBJECT: return smtp.SetSubject(TextArgument(value));
    case SMTP_PROP_TO: return smtp.SetTo(TextArgument(value));
    case SMTP_PROP_WINSOCK_LOADED: return smtp.SetWinsockLoaded(static_cast<int>(value));
    case SMTP_PROP_WINSOCK_PATH: return smtp.SetWinsockPath(TextArgument(value));
    default: return -1; // read-only or no such index
    }
}

WIREKIT_API int SMTP_DoEvents(void* object) {
    return object != nullptr ? static_cast<ISMTPComponent*>(object)->DoEvents() : 0;
}

WIREKIT_API const char* SMTP_GetLastError(void* object) {
    return object != nullptr ? static_cast<ISMTPComponent*>(object)->GetLastError() : nullptr;
}

} // extern "C"
