// The e-mail step's calls into the network library's SMTP component (class 23): create it
// with an event sink whose six handlers do nothing, write To, From, Subject, Body, RemoteHost
// and Date in that order, connect (action 1), send (action 3) and disconnect (action 2). A
// failed connect is kMailConnectFailure and a failed send kMailSendFailure (followed by the
// disconnect), each with the component's last error text; the component is deleted on every
// path. mail.waitSeconds bounds the dialogue: once it has passed, the action in progress is
// interrupted (action 0) and fails like any other.
#include "alerts/AlertMail.h"

namespace alerts {

// The network library is not part of this build yet: every e-mail fails as an unreachable
// server would, and delivery falls back to the system log.
bool SendAlertMail(const AlertMail& /*mail*/, std::string* reason) {
    *reason = MailFailureReason(kMailConnectFailure, "e-mail delivery is not part of this build");
    return false;
}

} // namespace alerts
