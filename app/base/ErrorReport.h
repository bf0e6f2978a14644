/*
 * The problem report: what the program was doing when an operation failed unexpectedly, the
 * error's details and a block of system information. Interactive runs show it in the error
 * window; while an automated run's scan executes it is delivered through every notification
 * profile instead, since nobody is there to read a window. Main thread only.
 */
#ifndef TALLYVOL_APP_BASE_ERRORREPORT_H
#define TALLYVOL_APP_BASE_ERRORREPORT_H

#include "platform/ado/ComError.h"

#include <functional>
#include <string>

namespace app {

// Where reports of unattended runs go besides standard error and the log: every notification
// profile. Start-up installs the alerts subsystem's delivery here (it sits above this layer);
// until then such reports reach standard error and the log only.
using ProfileNotifier = std::function<void(const std::string&)>;
void SetProfileNotifier(ProfileNotifier notifier);
// Delivers the text through the installed notifier; false when none is installed.
bool NotifyProfiles(const std::string& text);

// "An error occurred while: <activity>" followed by "\r\nDetails: DBG=%d" or "\r\nDetails: None".
std::string ErrorText(int debugCode, const std::string& activity);
// "An error occurred while: %s.\r\nDetails: Msg=%s, Desc=%s, HR=%0X" (+ "  DBG=%d").
std::string ComErrorText(const platform::ado::ComError& error, const std::string& activity, int debugCode);
// The text delivered in place of the window during an automated run's scan.
std::string UnattendedReportText(const std::string& errorText, int debugCode);

// How many problem reports this process made so far: an automated run that made one failed.
long ReportsMade();

// The program, its version, the platform and the database connection in use (its password
// masked).
std::string GetSystemInfoText();

void ReportError(int debugCode, const std::string& activity);
void ReportComError(const platform::ado::ComError& error, const std::string& activity, int debugCode = 0);

} // namespace app

#endif
