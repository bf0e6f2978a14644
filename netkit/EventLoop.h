/*
 * The per-thread message loop that stands where the hidden socket windows and the thread's
 * message queue stood. Each component owns one "window" here (an identifier and a procedure);
 * its socket reports through that window in the manner of an asynchronous select: FD_CONNECT
 * once a started connect completes, FD_READ when data waits (again only after the next read),
 * FD_WRITE when the socket can take data (again only after a send would have blocked), FD_CLOSE
 * when the peer closes or resets. Components may also post messages to their own window.
 * The host's event pump (Wirekit.h) runs once per cycle and can end a wait with quit or close.
 *
 * One loop per thread, used only by that thread; nothing here is locked.
 */
#ifndef NETKIT_EVENTLOOP_H
#define NETKIT_EVENTLOOP_H

#include "netkit/Wirekit.h"

#include <deque>
#include <map>
#include <vector>

namespace netkit {

// The message that carries socket notifications (WM_USER + 101).
constexpr unsigned kSocketMessage = 1125;

constexpr long kFdRead = 1;
constexpr long kFdWrite = 2;
constexpr long kFdConnect = 16;
constexpr long kFdClose = 32;

class IWindowProcedure {
public:
    // `tag` is the one given with the socket's selection, so that notifications left over from
    // a closed socket are told apart from those of a new socket with the same descriptor.
    virtual void OnWindowMessage(unsigned message, int socket, unsigned tag, long event,
                                 int error) = 0;
    // Bracket a dispatch so that the owner is not freed under it.
    virtual void HoldForDispatch() = 0;
    // May free the owner: nothing touches the procedure afterwards.
    virtual void ReleaseAfterDispatch() = 0;

protected:
    ~IWindowProcedure() = default;
};

class EventLoop {
public:
    static EventLoop& ForThisThread();

    int CreateWindow(IWindowProcedure& procedure);
    void DestroyWindow(int window);
    bool WindowExists(int window) const;

    // Asks for the events (kFd* combined) of the socket as `message` to `window`; 0 cancels.
    void Select(int window, int socket, unsigned tag, unsigned message, long events);
    void ConnectStarted(int socket);
    void ReadCalled(int socket);
    void WriteBlocked(int socket);

    void PostMessage(int window, unsigned message, int socket, unsigned tag, long event, int error);

    enum class Taken { None, Dispatched, Quit, Close };
    // Runs the host pump, then takes one message and dispatches it.
    Taken TakeAndDispatch();
    // Waits up to `milliseconds` for socket input when no message is queued.
    void WaitForInput(int milliseconds);

    void SetPump(Wirekit_EventPump pump, void* context);
    Wirekit_EventPump Pump(void** context) const;

private:
    struct Message {
        int window;
        unsigned message;
        int socket;
        unsigned tag;
        long event;
        int error;
    };
    struct Selection {
        int window;
        int socket;
        unsigned tag;
        unsigned message;
        long events;
        bool connecting = false;
        bool established = false;
        bool readArmed = true;
        bool writeArmed = true;
        bool closeArmed = true;
        bool dead = false;
    };

    Selection* FindSelection(int socket);
    void Poll(int timeoutMilliseconds);
    void Notify(const Selection& selection, long event, int error);
    static int SocketError(int socket);

    std::map<int, IWindowProcedure*> m_windows;
    int m_nextWindow = 1;
    std::vector<Selection> m_selections;
    std::deque<Message> m_queue;
    Wirekit_EventPump m_pump = nullptr;
    void* m_pumpContext = nullptr;
};

} // namespace netkit

#endif
