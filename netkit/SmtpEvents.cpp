#include "netkit/SmtpEvents.h"

#include <climits>

namespace netkit {

// A handler that throws must not unwind through the component, which would be left mid-action;
// its result is ignored anyway.
#define NETKIT_HANDLER(call)                                                                       \
    do {                                                                                           \
        try {                                                                                      \
            call;                                                                                  \
        } catch (...) {                                                                            \
        }                                                                                          \
    } while (false)

void SmtpEvents::Callback(int event, int count, intptr_t* params) {
    int lengths[2] = {0, 0};
    intptr_t none[1] = {0};
    NETKIT_HANDLER(m_callback(m_object, event, count, params != nullptr ? params : none, lengths));
}

void SmtpEvents::EndTransfer() {
    if (m_sink != nullptr) {
        NETKIT_HANDLER(m_sink->OnEndTransfer());
    } else if (m_callback != nullptr) {
        Callback(SMTP_EVENT_END_TRANSFER, 0, nullptr);
    }
}

void SmtpEvents::Error(int code, const std::string& text) {
    int codeParam = code;
    const char* textParam = text.c_str();
    if (m_sink != nullptr) {
        NETKIT_HANDLER(m_sink->OnError(&codeParam, &textParam));
    } else if (m_callback != nullptr) {
        intptr_t params[2] = {codeParam, reinterpret_cast<intptr_t>(textParam)};
        Callback(SMTP_EVENT_ERROR, 2, params);
    }
}

void SmtpEvents::Expand(const std::string& text) {
    const char* textParam = text.c_str();
    if (m_sink != nullptr) {
        NETKIT_HANDLER(m_sink->OnExpand(&textParam));
    } else if (m_callback != nullptr) {
        intptr_t params[1] = {reinterpret_cast<intptr_t>(textParam)};
        Callback(SMTP_EVENT_EXPAND, 1, params);
    }
}

void SmtpEvents::Trace(int direction, const std::string& text) {
    int directionParam = direction;
    const char* textParam = text.c_str();
    if (m_sink != nullptr) {
        NETKIT_HANDLER(m_sink->OnTrace(&directionParam, &textParam));
    } else if (m_callback != nullptr) {
        intptr_t params[2] = {directionParam, reinterpret_cast<intptr_t>(textParam)};
        Callback(SMTP_EVENT_TRACE, 2, params);
    }
}

void SmtpEvents::StartTransfer() {
    if (m_sink != nullptr) {
        NETKIT_HANDLER(m_sink->OnStartTransfer());
    } else if (m_callback != nullptr) {
        Callback(SMTP_EVENT_START_TRANSFER, 0, nullptr);
    }
}

void SmtpEvents::Transfer(long long bytesSent) {
    int count = bytesSent > INT_MAX ? INT_MAX : static_cast<int>(bytesSent);
    if (m_sink != nullptr) {
        NETKIT_HANDLER(m_sink->OnTransfer(&count));
    } else if (m_callback != nullptr) {
        intptr_t params[1] = {count};
        Callback(SMTP_EVENT_TRANSFER, 1, params);
    }
}

void SmtpEvents::Detach() {
    m_sink = nullptr;
    m_callback = nullptr;
}

} // namespace netkit
