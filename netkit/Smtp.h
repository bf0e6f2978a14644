/*
 * The SMTP client component of libnetkit (class 23): sends one message at a time to a mail
 * server over plain TCP. Each action returns when its dialogue step is finished; meanwhile the
 * calling thread keeps serving sockets and the host's event pump (Wirekit.h). The caller owns
 * the component and its event sink; all calls and events happen on the creating thread.
 *
 * Two bindings reach the same component:
 *  - the class binding (C++): Wirekit_CreateObject(WIREKIT_CLASS_SMTP, sink) returns an
 *    ISMTPComponent*; events arrive at the sink's SMTPEvts handlers;
 *  - the flat binding (C): SMTP_Init / SMTP_Get / SMTP_Set / ... with one event callback.
 * Texts are UTF-8; a text returned by the component stays valid until the next call on it.
 */
#ifndef NETKIT_SMTP_H
#define NETKIT_SMTP_H

#include "netkit/Wirekit.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Property indices (SMTP_Get / SMTP_Set). */
enum SMTPProperty {
    SMTP_PROP_ACTION = 1,
    SMTP_PROP_ALLOW_EHLO = 2,
    SMTP_PROP_MESSAGE_FILE = 3,
    SMTP_PROP_BCC = 4,
    SMTP_PROP_CC = 5,
    SMTP_PROP_RAW_COMMAND = 6,
    SMTP_PROP_DATE = 7,
    SMTP_PROP_FROM = 8,
    SMTP_PROP_HELO_DOMAIN = 9,
    SMTP_PROP_REPLY_LINE = 10,
    SMTP_PROP_LOCAL_ADDRESS = 11,
    SMTP_PROP_REMOTE_PORT = 12,
    SMTP_PROP_REMOTE_HOST = 13,
    SMTP_PROP_FOLD_WIDTH = 14,
    SMTP_PROP_BODY = 15,
    SMTP_PROP_EXTRA_HEADERS = 16,
    SMTP_PROP_REPLY_TO = 17,
    SMTP_PROP_SOCKET_HANDLE = 18,
    SMTP_PROP_SUBJECT = 19,
    SMTP_PROP_TO = 20,
    SMTP_PROP_WINSOCK_DESCRIPTION = 21,
    SMTP_PROP_WINSOCK_LOADED = 22,
    SMTP_PROP_WINSOCK_MAX_DATAGRAM = 23,
    SMTP_PROP_WINSOCK_MAX_SOCKETS = 24,
    SMTP_PROP_WINSOCK_PATH = 25,
    SMTP_PROP_WINSOCK_STATUS = 26
};

/* Values of the Action property. */
enum SMTPAction {
    SMTP_ACTION_INTERRUPT = 0,
    SMTP_ACTION_CONNECT = 1,
    SMTP_ACTION_DISCONNECT = 2,
    SMTP_ACTION_SEND = 3,       /* MAIL */
    SMTP_ACTION_RESET_MESSAGE = 4,
    SMTP_ACTION_EXPAND = 5,     /* EXPN */
    SMTP_ACTION_VERIFY = 6,     /* VRFY */
    SMTP_ACTION_SEND_SAML = 7,
    SMTP_ACTION_SEND_SOML = 8,
    SMTP_ACTION_SEND_SEND = 9,
    SMTP_ACTION_RAW_COMMAND = 10
};

/* Event identifiers of the flat binding's callback, with their parameters. */
enum SMTPEvent {
    SMTP_EVENT_END_TRANSFER = 1,   /* none */
    SMTP_EVENT_ERROR = 2,          /* code, text */
    SMTP_EVENT_EXPAND = 3,         /* text */
    SMTP_EVENT_TRACE = 4,          /* direction (0 sent, 1 received, 2 status), text */
    SMTP_EVENT_START_TRANSFER = 5, /* none */
    SMTP_EVENT_TRANSFER = 6        /* bytes sent so far in this part */
};

/*
 * The flat binding's event callback. `params` holds `count` values, integers widened and texts
 * as `const char*` pointers; `lengths` holds `count` zeros. The return value is ignored.
 */
typedef int (*SMTP_EventCallback)(void* object, int eventId, int count, intptr_t* params,
                                  int* lengths);

/* Creates a component whose events go to `callback` (none when null); null on failure. */
WIREKIT_API void* SMTP_Init(SMTP_EventCallback callback, intptr_t reserved);
/* As Wirekit_DeleteObject(WIREKIT_CLASS_SMTP, object); returns 0. */
WIREKIT_API int SMTP_Close(void* object);
/* The property as an integer or a `const char*` (never null for a text property); 0 when the
 * index cannot be read. `arrayIndex` and `length` are not used by this component. */
WIREKIT_API intptr_t SMTP_Get(void* object, int property, int arrayIndex, int* length);
/* Writes the property (`value` is the integer or the `const char*`); returns the error code,
 * or -1 when the index cannot be written. */
WIREKIT_API int SMTP_Set(void* object, int property, int arrayIndex, intptr_t value, int length);
/* One event cycle of at most 10 ms; non-zero while no interruption, quit, close or time-out
 * occurred. */
WIREKIT_API int SMTP_DoEvents(void* object);
/* The last error text, or null when there is none. */
WIREKIT_API const char* SMTP_GetLastError(void* object);

#ifdef __cplusplus
}

/*
 * The caller's event sink (class binding). The six handlers occupy the first six virtual slots
 * in this order; each parameter is passed by pointer. Return values are ignored. Handlers run
 * on the component's thread, nested inside the action that raised them.
 */
class SMTPEvts {
public:
    virtual int OnEndTransfer() { return 0; }
    virtual int OnError(int* /*code*/, const char** /*description*/) { return 0; }
    virtual int OnExpand(const char** /*text*/) { return 0; }
    virtual int OnTrace(int* /*direction*/, const char** /*text*/) { return 0; }
    virtual int OnStartTransfer() { return 0; }
    virtual int OnTransfer(int* /*bytesSent*/) { return 0; }
    // After the handlers, so that their slots stay 0 to 5.
    virtual ~SMTPEvts() = default;
};

/*
 * The SMTP component object returned by Wirekit_CreateObject(WIREKIT_CLASS_SMTP, ...). Slot 0
 * is the last error text, slot 1 one event cycle, then per property index a getter followed by
 * a setter; setters return the error code (0 for success). Delete it with
 * Wirekit_DeleteObject(WIREKIT_CLASS_SMTP, object), never with delete.
 */
class ISMTPComponent {
public:
    virtual const char* GetLastError() = 0;                          // 0
    virtual int DoEvents() = 0;                                      // 1
    virtual int GetAction() = 0;                                     // 2
    virtual int SetAction(int action) = 0;                           // 3
    virtual unsigned short GetAllowEhlo() = 0;                       // 4
    virtual int SetAllowEhlo(unsigned short allow) = 0;              // 5
    virtual const char* GetMessageFile() = 0;                        // 6
    virtual int SetMessageFile(const char* path) = 0;                // 7
    virtual const char* GetBcc() = 0;                                // 8
    virtual int SetBcc(const char* recipients) = 0;                  // 9
    virtual const char* GetCc() = 0;                                 // 10
    virtual int SetCc(const char* recipients) = 0;                   // 11
    virtual int SetRawCommand(const char* command) = 0;              // 12
    virtual const char* GetDate() = 0;                               // 13
    virtual int SetDate(const char* date) = 0;                       // 14
    virtual const char* GetFrom() = 0;                               // 15
    virtual int SetFrom(const char* sender) = 0;                     // 16
    virtual const char* GetHeloDomain() = 0;                         // 17
    virtual int SetHeloDomain(const char* domain) = 0;               // 18
    virtual const char* GetReplyLine() = 0;                          // 19
    virtual const char* GetLocalAddress() = 0;                       // 20
    virtual unsigned short GetRemotePort() = 0;                      // 21
    virtual int SetRemotePort(unsigned short port) = 0;              // 22
    virtual const char* GetRemoteHost() = 0;                         // 23
    virtual int SetRemoteHost(const char* host) = 0;                 // 24
    virtual unsigned short GetFoldWidth() = 0;                       // 25
    virtual int SetFoldWidth(unsigned short width) = 0;              // 26
    virtual const char* GetBody() = 0;                               // 27
    virtual int SetBody(const char* body) = 0;                       // 28
    virtual const char* GetExtraHeaders() = 0;                       // 29
    virtual int SetExtraHeaders(const char* headers) = 0;            // 30
    virtual const char* GetReplyTo() = 0;                            // 31
    virtual int SetReplyTo(const char* address) = 0;                 // 32
    virtual int GetSocketHandle() = 0;                               // 33
    virtual const char* GetSubject() = 0;                            // 34
    virtual int SetSubject(const char* subject) = 0;                 // 35
    virtual const char* GetTo() = 0;                                 // 36
    virtual int SetTo(const char* recipients) = 0;                   // 37
    virtual const char* GetWinsockDescription() = 0;                 // 38
    virtual int GetWinsockLoaded() = 0;                              // 39
    virtual int SetWinsockLoaded(int loaded) = 0;                    // 40
    virtual unsigned short GetWinsockMaxDatagram() = 0;              // 41
    virtual unsigned short GetWinsockMaxSockets() = 0;               // 42
    virtual const char* GetWinsockPath() = 0;                        // 43
    virtual int SetWinsockPath(const char* path) = 0;                // 44
    virtual const char* GetWinsockStatus() = 0;                      // 45

protected:
    ~ISMTPComponent() = default;
};

#endif /* __cplusplus */

#endif
