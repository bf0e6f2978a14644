#include "app/base/ErrorReport.h"

#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "platform/ado/ConnectionString.h"
#include "platform/system/Paths.h"
#include "platform/system/StringPrintf.h"
#include "platform/system/SystemInfo.h"
#include "platform/ui/IUserInterface.h"

#include <cstdio>
#include <vector>

namespace app {

namespace {

using platform::system::StringPrintf;

std::string debugSuffix(int debugCode) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "  DBG=%d", debugCode);
    return buffer;
}

long g_reportsMade = 0;

ProfileNotifier& profileNotifier() {
    static ProfileNotifier notifier;
    return notifier;
}

// Where an internal error goes while nobody watches the run: every notification profile, and
// the unattended interface, which writes it to standard error (cron mails that to the job's
// owner) and to the log, so it is not lost on a machine that has no profiles.
void deliverUnattended(const std::string& text) {
    NotifyProfiles(text);
    platform::ui::UI().ShowErrorReport(text, std::string());
}

// Reports leave the process (windows, e-mails, standard error, the log): a connection string
// in the activity text keeps its password to itself.
void report(const std::string& rawErrorText, int debugCode) {
    ++g_reportsMade;
    std::string errorText = platform::ado::MaskConnectionPasswords(rawErrorText);
    if (AutomatedScanInProgress) {
        deliverUnattended(UnattendedReportText(errorText, debugCode));
        return;
    }
    platform::ui::UI().ShowErrorReport(errorText, GetSystemInfoText());
}

} // namespace

long ReportsMade() {
    return g_reportsMade;
}

void SetProfileNotifier(ProfileNotifier notifier) {
    profileNotifier() = std::move(notifier);
}

bool NotifyProfiles(const std::string& text) {
    if (!profileNotifier()) {
        return false;
    }
    profileNotifier()(text);
    return true;
}

std::string ErrorText(int debugCode, const std::string& activity) {
    std::string text = StringPrintf("An error occurred while: %s", activity.c_str());
    if (debugCode != 0) {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "\r\nDetails: DBG=%d", debugCode);
        text += buffer;
    } else {
        text += "\r\nDetails: None";
    }
    return text;
}

std::string ComErrorText(const platform::ado::ComError& error, const std::string& activity, int debugCode) {
    std::string message = error.ErrorMessage();
    const std::string& description = error.Description();
    std::vector<char> buffer(activity.size() + message.size() + description.size() + 128);
    std::snprintf(buffer.data(), buffer.size(), "An error occurred while: %s.\r\nDetails: Msg=%s, Desc=%s, HR=%0X",
                  activity.c_str(), message.c_str(), description.c_str(), error.Code());
    std::string text = buffer.data();
    if (debugCode != 0) {
        text += debugSuffix(debugCode);
    }
    return text;
}

std::string UnattendedReportText(const std::string& errorText, int debugCode) {
    std::string text = errorText;
    if (debugCode != 0) {
        text += debugSuffix(debugCode);
    }
    text += "\r\n";
    text += GetSystemInfoText();
    text += StringPrintf("Please send this to %s", GetSetting(settings::EMailAddr).c_str());
    return text;
}

std::string GetSystemInfoText() {
    platform::system::ProgramVersion version = platform::system::GetProgramVersion();
    std::string program = platform::system::ProgramPath();
    std::string platformText = platform::system::PlatformText();
    std::string spec = GetSetting(settings::ConnectionStringSpec);
    std::string connection = platform::ado::MaskConnectionPasswords(GetSetting(settings::ConnectionString));
    std::vector<char> buffer(program.size() + platformText.size() + spec.size() + connection.size() + 128);
    std::snprintf(buffer.data(), buffer.size(),
                  "Program: %s\r\nVersion: %d.%d.%d\r\nPlatform:%s\r\nDB:%s\r\nConnection String:%s",
                  program.c_str(), version.major, version.minor, version.release, platformText.c_str(), spec.c_str(),
                  connection.c_str());
    return buffer.data();
}

void ReportError(int debugCode, const std::string& activity) {
    report(ErrorText(debugCode, activity), debugCode);
}

void ReportComError(const platform::ado::ComError& error, const std::string& activity, int debugCode) {
    // The COM form carries the debug code already; the unattended text adds it once more.
    report(ComErrorText(error, activity, debugCode), debugCode);
}

} // namespace app
