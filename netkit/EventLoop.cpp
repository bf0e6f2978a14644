#include "netkit/EventLoop.h"

#include "netkit/ErrorTexts.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

namespace netkit {

EventLoop& EventLoop::ForThisThread() {
    thread_local EventLoop loop;
    return loop;
}

int EventLoop::CreateWindow(IWindowProcedure& procedure) {
    int window = m_nextWindow++;
    m_windows.emplace(window, &procedure);
    return window;
}

void EventLoop::DestroyWindow(int window) {
    m_windows.erase(window);
    std::erase_if(m_selections, [window](const Selection& s) { return s.window == window; });
    // Messages already queued for the window are dropped when they come up.
}

bool EventLoop::WindowExists(int window) const {
    return m_windows.count(window) != 0;
}

EventLoop::Selection* EventLoop::FindSelection(int socket) {
    auto it = std::find_if(m_selections.begin(), m_selections.end(),
                           [socket](const Selection& s) { return s.socket == socket; });
    return it == m_selections.end() ? nullptr : &*it;
}

void EventLoop::Select(int window, int socket, unsigned tag, unsigned message, long events) {
    std::erase_if(m_selections, [socket](const Selection& s) { return s.socket == socket; });
    if (events != 0) {
        m_selections.push_back(Selection{window, socket, tag, message, events});
    }
}

void EventLoop::ConnectStarted(int socket) {
    if (Selection* s = FindSelection(socket)) {
        s->connecting = true;
    }
}

void EventLoop::ReadCalled(int socket) {
    if (Selection* s = FindSelection(socket)) {
        s->readArmed = true;
    }
}

void EventLoop::WriteBlocked(int socket) {
    if (Selection* s = FindSelection(socket)) {
        s->writeArmed = true;
    }
}

void EventLoop::PostMessage(int window, unsigned message, int socket, unsigned tag, long event,
                            int error) {
    m_queue.push_back(Message{window, message, socket, tag, event, error});
}

void EventLoop::Notify(const Selection& selection, long event, int error) {
    if ((selection.events & event) != 0) {
        m_queue.push_back(Message{selection.window, selection.message, selection.socket,
                                  selection.tag, event, error});
    }
}

int EventLoop::SocketError(int socket) {
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
        error = errno;
    }
    return error == 0 ? 0 : WinsockCodeFromErrno(error);
}

void EventLoop::Poll(int timeoutMilliseconds) {
    std::vector<pollfd> fds;
    fds.reserve(m_selections.size());
    for (const Selection& s : m_selections) {
        short wanted = 0;
        if (s.dead) {
            wanted = 0;
        } else if (s.connecting) {
            wanted = POLLOUT;
        } else if (s.established) {
            // The close of the peer is looked for only while a read is armed, so that data not
            // yet read does not make every poll return at once.
            if (s.readArmed) {
                wanted |= POLLIN | POLLRDHUP;
            }
            if (s.writeArmed) {
                wanted |= POLLOUT;
            }
        }
        fds.push_back(pollfd{wanted != 0 ? s.socket : -1, wanted, 0});
    }
    int ready = poll(fds.data(), fds.size(), timeoutMilliseconds);
    if (ready <= 0) {
        return;
    }
    for (std::size_t i = 0; i < fds.size(); ++i) {
        short revents = fds[i].revents;
        if (fds[i].fd < 0 || revents == 0) {
            continue;
        }
        Selection& s = m_selections[i];
        if (s.connecting) {
            int error = SocketError(s.socket);
            s.connecting = false;
            s.established = error == 0;
            s.dead = error != 0;
            Notify(s, kFdConnect, error);
            continue;
        }
        std::size_t queuedBefore = m_queue.size();
        if ((revents & POLLERR) != 0 && s.closeArmed) {
            s.closeArmed = s.readArmed = s.writeArmed = false;
            Notify(s, kFdClose, SocketError(s.socket));
            continue;
        }
        if ((revents & POLLIN) != 0 && s.readArmed) {
            s.readArmed = false;
            Notify(s, kFdRead, 0);
        } else if ((revents & (POLLRDHUP | POLLHUP)) != 0 && s.readArmed && s.closeArmed) {
            s.closeArmed = false;
            Notify(s, kFdClose, 0);
        }
        if ((revents & POLLOUT) != 0 && s.writeArmed) {
            s.writeArmed = false;
            Notify(s, kFdWrite, 0);
        }
        if ((revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 && m_queue.size() == queuedBefore) {
            // Nothing left to report, and poll would keep returning at once.
            s.dead = true;
        }
    }
}

EventLoop::Taken EventLoop::TakeAndDispatch() {
    if (m_pump != nullptr) {
        int request = m_pump(m_pumpContext);
        if (request == WIREKIT_PUMP_QUIT) {
            return Taken::Quit;
        }
        if (request == WIREKIT_PUMP_CLOSE) {
            return Taken::Close;
        }
    }
    if (m_queue.empty()) {
        Poll(0);
    }
    if (m_queue.empty()) {
        return Taken::None;
    }
    Message message = m_queue.front();
    m_queue.pop_front();
    auto it = m_windows.find(message.window);
    if (it != m_windows.end()) {
        IWindowProcedure* procedure = it->second;
        procedure->HoldForDispatch();
        procedure->OnWindowMessage(message.message, message.socket, message.tag, message.event,
                                   message.error);
        procedure->ReleaseAfterDispatch();
    }
    return Taken::Dispatched;
}

void EventLoop::WaitForInput(int milliseconds) {
    if (m_queue.empty()) {
        Poll(milliseconds);
    }
}

void EventLoop::SetPump(Wirekit_EventPump pump, void* context) {
    m_pump = pump;
    m_pumpContext = pump != nullptr ? context : nullptr;
}

Wirekit_EventPump EventLoop::Pump(void** context) const {
    if (context != nullptr) {
        *context = m_pumpContext;
    }
    return m_pump;
}

} // namespace netkit

