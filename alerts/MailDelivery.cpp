// The e-mail step's calls into the network library's SMTP component.
#include "alerts/AlertMail.h"

namespace alerts {

// The SMTP component is not part of this build yet: every e-mail fails as an unreachable
// server would, and delivery falls back to the system log.
bool SendAlertMail(const AlertMail& /*mail*/, std::string* reason) {
    *reason = MailFailureReason(kMailConnectFailure, "e-mail delivery is not part of this build");
    return false;
}

} // namespace alerts
