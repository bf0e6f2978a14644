#include "alerts/DeliverAlert.h"

#include "alerts/AlertMail.h"
#include "alerts/EventLog.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/FormatBytes.h"
#include "app/base/Settings.h"
#include "brand/Brand.h"
#include "platform/process/Process.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

namespace alerts {

namespace {

std::string withNote(const char* pattern, const std::string& value) {
    return platform::system::StringPrintf(pattern, value.c_str());
}

// The state the steps hand on: the text so far, the means still to try, whether a fallback
// has already explained itself.
struct Delivery {
    std::string message;
    int kind = kMessageBox;
    bool alternate = false;
};

void runProgram(const Notification& profile, const std::string& directory, std::int64_t size, Delivery& d) {
    int units = app::GetSetting(app::settings::PreferredUnits);
    std::string command = SubstituteMacros(profile.Str1, app::FormatBytes(size, true, units), directory, d.message);
    int error = 0;
    if (platform::process::StartCommandLine(command, &error) < 0) {
        TV_DEBUG_LOG("Failed to run %s (%s)", command.c_str(), std::strerror(error));
        d.message += withNote(kProgramFailedNote, profile.Str1);
        d.kind = kEventLog;
        d.alternate = true;
    }
}

// The appendix, or nothing when making it fails: the alert goes out regardless.
std::string appendix(const MailAppendix& mailAppendix) {
    if (!mailAppendix) {
        return {};
    }
    try {
        return mailAppendix();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in making the e-mail's appendix\n");
        return {};
    }
}

void sendMail(const Notification& profile, const MailAppendix& mailAppendix, Delivery& d) {
    std::string reason;
    bool delivered = false;
    try {
        delivered = SendAlertMail(ComposeAlertMail(profile, d.message + appendix(mailAppendix)), &reason);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in sending an e-mail alert\n");
        delivered = false; // the reason stays as far as it was formed
    }
    if (!delivered) {
        d.message += withNote(kMailFailedNote, reason);
        d.kind = kEventLog;
        d.alternate = true;
    }
}

void showMessageBox(const std::string& message) {
    using namespace platform::ui;
    UI().MessageBox(message, AlertCaption(), MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_SERVICE_NOTIFICATION);
}

std::atomic<long> g_failedDeliveries{0};

void deliver(const Notification& profile, const std::string& directory, const std::string& message,
             std::int64_t size, const MailAppendix& mailAppendix) {
    Delivery d{message, profile.Type, false};
    if (d.kind == kRunProgram) {
        runProgram(profile, directory, size, d);
        if (d.kind == kRunProgram) return; // started
    }
    if (d.kind == kEMail) {
        sendMail(profile, mailAppendix, d);
        if (d.kind == kEMail) return; // sent
    }
    if (d.kind == kEventLog) {
        if (WriteEventLogError(d.message)) {
            if (d.alternate) {
                ++g_failedDeliveries; // the log holds it only because its own means failed
            }
            return;
        }
        if (!d.alternate) {
            d.message += kEventLogFailedNote;
        }
        d.kind = kMessageBox;
        d.alternate = true;
    }
    if (d.kind == kMessageBox) {
        showMessageBox(d.message);
        if (d.alternate) {
            ++g_failedDeliveries;
        }
        return;
    }
    // A page, or any other kind, has no means of delivery: that is what such a profile asks for.
}

} // namespace

std::string SubstituteMacros(const std::string& commandLine, const std::string& sizeText,
                             const std::string& directory, const std::string& message) {
    // One pass: a directory named "$MSG$" is the name it is, never expanded again.
    const std::pair<const char*, const std::string*> macros[] = {
        {"$SIZE$", &sizeText}, {"$DIR$", &directory}, {"$MSG$", &message}};
    std::string command;
    std::size_t at = 0;
    while (at < commandLine.size()) {
        bool replaced = false;
        for (const auto& [name, value] : macros) {
            std::size_t length = std::strlen(name);
            if (commandLine.compare(at, length, name) == 0) {
                command += *value;
                at += length;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            command += commandLine[at++];
        }
    }
    return command;
}

std::string AlertCaption() {
    return std::string(ProductName3218) + " Alert";
}

void DeliverAlert(const Notification& profile, const std::string& directory, const std::string& message,
                  std::int64_t size, const MailAppendix& mailAppendix) {
    try {
        deliver(profile, directory, message, size, mailAppendix);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in DeliverAlert\n");
    }
}

long FailedDeliveries() {
    return g_failedDeliveries.load();
}

void NotifyAllProfiles(const std::string& text) {
    try {
        std::vector<Notification> profiles;
        Notification::LoadAllProfiles(profiles);
        std::string message = "INTERNAL ERROR: " + text;
        for (const Notification& profile : profiles) {
            // Internal errors never start programs.
            if (profile.Type != kRunProgram) {
                DeliverAlert(profile, "{no dir}", message, 0);
            }
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in NotifyAllProfiles\n");
    }
}

} // namespace alerts
