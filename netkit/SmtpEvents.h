/*
 * Raises the SMTP component's six events to whichever binding created it: the caller's
 * SMTPEvts sink (class binding, parameters by pointer) or the flat binding's callback (event
 * identifier and parameter array). Owned by the component; its thread only. Detach() stops all
 * events for good, once the caller has handed the component back.
 */
#ifndef NETKIT_SMTPEVENTS_H
#define NETKIT_SMTPEVENTS_H

#include "netkit/Smtp.h"

#include <string>

namespace netkit {

class SmtpEvents {
public:
    SmtpEvents(void* object, SMTPEvts* sink, SMTP_EventCallback callback)
        : m_object(object), m_sink(sink), m_callback(callback) {}

    void EndTransfer();
    void Error(int code, const std::string& text);
    void Expand(const std::string& text);
    void Trace(int direction, const std::string& text);
    void StartTransfer();
    void Transfer(long long bytesSent);
    void Detach();

private:
    void Callback(int event, int count, intptr_t* params);

    void* m_object;
    SMTPEvts* m_sink;
    SMTP_EventCallback m_callback;
};

} // namespace netkit

#endif
