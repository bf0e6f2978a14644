/*
 * Delivery of one alert through one notification profile, with the fallbacks that make sure
 * somebody hears of it: a program that cannot be started, or an e-mail that cannot be sent,
 * falls back to the system log, and a failed system-log write to a message box; each fallback
 * appends a note to the text saying why. A page profile delivers nothing. Also the report of
 * an internal error of an unattended run to every profile. Nothing is thrown to the caller.
 *
 * Main thread. Delivery blocks while an e-mail is being sent (bounded by the setting
 * SMTPTimeoutSeconds) and while a message box is open (the unattended interface never waits).
 */
#ifndef TALLYVOL_ALERTS_DELIVERALERT_H
#define TALLYVOL_ALERTS_DELIVERALERT_H

#include "alerts/Notification.h"

#include <cstdint>
#include <functional>
#include <string>

namespace alerts {

// The notes appended to the alert text when a means fails.
inline constexpr const char* kProgramFailedNote =
    "   [This alert is being delivered via an alternate means because the following executable failed to run: %s]";
inline constexpr const char* kMailFailedNote = "     [This alert is being delivered via an alternate means because %s]";
inline constexpr const char* kEventLogFailedNote = "     [This alert could not be sent via the NT Event Log]";

// Text added after the message in the body of an alert's e-mail, and nowhere else (not in a
// fallback's text). Made only when an e-mail is about to go out; a failure to make it leaves
// the mail as it would have been.
using MailAppendix = std::function<std::string()>;

// `directory` is the "$DIR$" macro of a program's command line, `message` "$MSG$" and `size`
// (bytes, shown in the user's preferred units) "$SIZE$".
void DeliverAlert(const Notification& profile, const std::string& directory, const std::string& message,
                  std::int64_t size, const MailAppendix& mailAppendix = {});

// How many alerts of this process did not go out by their profile's own means (a program that
// did not start, a mail not sent, no system log): the fallback still
// carries them, but an unattended run must not call that success.
long FailedDeliveries();

// Reports an internal error to every stored profile except those that run a program:
// "INTERNAL ERROR: <text>", directory "{no dir}", size 0.
void NotifyAllProfiles(const std::string& text);

// The command line with "$SIZE$", then "$DIR$", then "$MSG$" replaced (case-sensitive, plain
// text, every occurrence).
std::string SubstituteMacros(const std::string& commandLine, const std::string& sizeText,
                             const std::string& directory, const std::string& message);

// "<product> Alert": the caption of the alert's message box.
std::string AlertCaption();

} // namespace alerts

#endif
