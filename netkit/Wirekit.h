/*
 * The network component library (libnetkit.so): creating and deleting components by class
 * identifier, and the hook through which a host program takes part in the waits of blocking
 * actions. The library is single-threaded per component: every call on a component, and every
 * event it raises, happens on the thread that created it. Nothing is thrown across this
 * interface; results are integer codes (0 is success). Texts are UTF-8, zero-terminated.
 *
 * Only the SMTP client (class 23, Smtp.h) is built; see netkit/README.md.
 */
#ifndef NETKIT_WIREKIT_H
#define NETKIT_WIREKIT_H

#if defined(NETKIT_BUILDING)
#define WIREKIT_API __attribute__((visibility("default")))
#else
#define WIREKIT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Class identifiers of the component families (20 does not exist). */
enum WirekitClassId {
    WIREKIT_CLASS_IPPORT = 11,
    WIREKIT_CLASS_IPDAEMON = 12,
    WIREKIT_CLASS_UDPPORT = 13,
    WIREKIT_CLASS_NETCODE = 14,
    WIREKIT_CLASS_IPINFO = 15,
    WIREKIT_CLASS_ICMPPORT = 16,
    WIREKIT_CLASS_FTP = 17,
    WIREKIT_CLASS_HTTP = 18,
    WIREKIT_CLASS_TELNET = 19,
    WIREKIT_CLASS_RSHELL = 21,
    WIREKIT_CLASS_REXEC = 22,
    WIREKIT_CLASS_SMTP = 23,
    WIREKIT_CLASS_POP = 24,
    WIREKIT_CLASS_NNTP = 25,
    WIREKIT_CLASS_MCAST = 26,
    WIREKIT_CLASS_NETDIAL = 27,
    WIREKIT_CLASS_MIME = 28,
    WIREKIT_CLASS_MX = 29,
    WIREKIT_CLASS_SNMP = 30,
    WIREKIT_CLASS_IMAP = 31,
    WIREKIT_CLASS_SNPP = 32,
    WIREKIT_CLASS_LDAP = 33
};

/*
 * Creates the component of the class with its properties at their defaults and returns its
 * object (for class 23 an ISMTPComponent*, Smtp.h). eventSink is the caller's event sink (for
 * class 23 an SMTPEvts*) or null for no events. Returns null for an identifier this library
 * does not build, and when memory runs out. The caller owns the object until it hands it to
 * Wirekit_DeleteObject with the same class identifier.
 */
WIREKIT_API void* Wirekit_CreateObject(int classId, void* eventSink);
WIREKIT_API void* _Wirekit_CreateObject(int classId, void* eventSink);

/*
 * Destroys the component: a wait in progress is interrupted and an open connection is reset
 * without a protocol farewell; no event is raised any more. Returns 0, or non-zero (and frees
 * nothing) for an identifier this library does not build. Called from one of the component's
 * own event handlers, the object is freed once the outermost call into it has returned.
 */
WIREKIT_API int Wirekit_DeleteObject(int classId, void* object);
WIREKIT_API int _Wirekit_DeleteObject(int classId, void* object);

/*
 * Host event pump. While a component waits (connect, a server reply, a full send buffer) it
 * runs cycles of at most 10 ms on the calling thread; the pump registered for that thread is
 * called once per cycle, so the host can process its own events (a GUI keeps its windows
 * alive) and end the wait. The pump returns WIREKIT_PUMP_CONTINUE, or WIREKIT_PUMP_QUIT /
 * WIREKIT_PUMP_CLOSE to end the wait: the action in progress then fails with 301
 * ("Interrupted."). A quit is level-triggered: the pump keeps returning it for as long as the
 * host's quit stands, so nested and following waits end too. This is also how a caller bounds
 * an action on a server that never answers: return WIREKIT_PUMP_QUIT once a deadline passed.
 * The pump is per thread; null removes it.
 */
typedef int (*Wirekit_EventPump)(void* context);
#define WIREKIT_PUMP_CONTINUE 0
#define WIREKIT_PUMP_QUIT 1
#define WIREKIT_PUMP_CLOSE 2

WIREKIT_API void Wirekit_SetEventPump(Wirekit_EventPump pump, void* context);
/* The calling thread's pump (null when none), and its context through `context` if not null. */
WIREKIT_API Wirekit_EventPump Wirekit_GetEventPump(void** context);

#ifdef __cplusplus
}
#endif

#endif
