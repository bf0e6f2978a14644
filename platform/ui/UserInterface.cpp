#include "platform/ui/IUserInterface.h"
#include "platform/ui/UnattendedUserInterface.h"

#include "platform/ado/ConnectionString.h"
#include "platform/process/Process.h"
#include "platform/system/Paths.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace platform::ui {

namespace {

UnattendedUserInterface& defaultInterface() {
    static UnattendedUserInterface instance;
    return instance;
}

IUserInterface* g_current = nullptr;

bool desktopAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

const char* iconName(unsigned flags) {
    switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: return "error";
    case MB_ICONQUESTION: return "question";
    case MB_ICONINFORMATION: return "information";
    default: return "exclamation";
    }
}

} // namespace

int DefaultButtonResult(unsigned flags) {
    unsigned type = flags & MB_TYPEMASK;
    unsigned defaultButton = (flags & MB_DEFMASK) >> 8; // 0 first, 1 second, 2 third
    switch (type) {
    case MB_OKCANCEL:
        return defaultButton == 1 ? IDCANCEL : IDOK;
    case MB_YESNO:
        return defaultButton == 1 ? IDNO : IDYES;
    case MB_YESNOCANCEL:
        return defaultButton == 2 ? IDCANCEL : (defaultButton == 1 ? IDNO : IDYES);
    default:
        return IDOK;
    }
}

IUserInterface& UI() {
    return g_current != nullptr ? *g_current : defaultInterface();
}

IUserInterface* SetUI(IUserInterface* ui) {
    IUserInterface* previous = g_current;
    g_current = ui;
    return previous;
}

void UnattendedUserInterface::report(const std::string& rawText) {
    // Cron mails standard error: no password of a connection string goes with it.
    std::string text = platform::ado::MaskConnectionPasswords(rawText);
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    if (m_logSink) {
        m_logSink(text);
    }
}

void UnattendedUserInterface::showOnDesktop(const std::string& text, const std::string& caption, unsigned flags) {
    std::string helper = m_notifyHelper;
    if (helper.empty()) {
        helper = platform::system::ProgramDirectory() + "/tallyvol-notify";
    }
    if (::access(helper.c_str(), X_OK) != 0) {
        return; // no helper installed: standard error and the log carry the alert
    }
    platform::process::StartDetachedProcess({helper, "--caption", caption, "--text", text, "--icon", iconName(flags)});
}

int UnattendedUserInterface::MessageBox(const std::string& text, const std::string& caption,
                                        unsigned flags) {
    int result = DefaultButtonResult(flags);
    // The text is always recorded, so an alert survives a desktop nobody looks at.
    report(caption + ": " + text);
    if ((flags & MB_SERVICE_NOTIFICATION) != 0 && desktopAvailable()) {
        showOnDesktop(text, caption, flags);
    }
    return result;
}

void UnattendedUserInterface::ShowErrorReport(const std::string& errorText,
                                              const std::string& systemInfo) {
    report(errorText + "\r\n" + systemInfo);
}

int UnattendedUserInterface::ShowSmartWarning(const std::string& text, bool* dontShowAgain) {
    if (dontShowAgain != nullptr) {
        *dontShowAgain = false;
    }
    report(text);
    return IDOK;
}

bool UnattendedUserInterface::ConfirmMissingDirectory(const std::string& path, bool* dontAskAgain) {
    if (dontAskAgain != nullptr) {
        *dontAskAgain = false;
    }
    report("The directory " + path + " does not exist.");
    return false;
}

bool UnattendedUserInterface::RunDatabaseWizard() {
    report("The database configuration wizard cannot run without a display.");
    return false;
}

} // namespace platform::ui
