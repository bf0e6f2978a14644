/*
 * The e-mail form of an alert: who gets it, from whom, its subject, body, server and Date
 * header, the bound on how long a nightly run waits for the server, and the texts that explain
 * a failure in the fallback note. SendAlertMail (MailDelivery.cpp) hands it to the SMTP
 * component of the network library. Main thread.
 */
#ifndef TALLYVOL_ALERTS_ALERTMAIL_H
#define TALLYVOL_ALERTS_ALERTMAIL_H

#include "alerts/Notification.h"

#include <ctime>
#include <string>

namespace alerts {

struct AlertMail {
    std::string to;
    std::string from;
    std::string subject;
    std::string body;
    std::string remoteHost;
    unsigned short remotePort = 25; // from a "server:port" profile; the SMTP port otherwise
    std::string date;
    // The longest the whole SMTP dialogue may take before it counts as failed (setting
    // SMTPTimeoutSeconds); 0 waits without bound.
    int waitSeconds = 0;
};

// Reasons, each filled with the component's last error text. Each begins with a blank.
inline constexpr const char* kMailConnectFailure = " the SMTP server could not be contacted (%s)";
inline constexpr const char* kMailSendFailure = " there was an error trying to send the message (%s)";

// The mail for an e-mail profile: Str1 split at "|" (empty pieces skipped) into recipient and
// sender (the recipient again when there is no second piece), the subject, the body, Str2 as
// the server ("name" or "name:port") and the current local time as the Date header.
AlertMail ComposeAlertMail(const Notification& profile, const std::string& message);

// "<product> Alert from <computer name>".
std::string AlertMailSubject();

// "Sun, 5 Mar 2006 14:03:09 +0100": English names, the day without padding, the zone's offset
// from UTC in hours and minutes (RFC 5322).
std::string FormatMailDate(const std::tm& local, long utcOffsetSeconds);
// The same for a moment, in the local time zone.
std::string FormatMailDate(std::time_t when);

// A reason text with the last error text in place of %s.
std::string MailFailureReason(const char* pattern, const std::string& lastError);

// Sends the mail through the SMTP component (connect, send, disconnect). True when it was
// delivered; otherwise *reason holds the failure's reason text, formed from one of the two
// patterns above.
bool SendAlertMail(const AlertMail& mail, std::string* reason);

} // namespace alerts

#endif
