/*
 * The user interface of automated runs: nobody is there, so nothing may wait for a person.
 * Every message is written to standard error and to the sink the program sets (the diagnostic
 * log), and every question is answered with its default button. Questions whose default would
 * do something irreversible (scanning a missing directory, the database wizard) are declined.
 *
 * An alert's message box (flag MB_SERVICE_NOTIFICATION) is also shown on the desktop when there
 * is one (DISPLAY or WAYLAND_DISPLAY set): the helper program tallyvol-notify beside the
 * program shows it as a Qt message box; it is started and not waited for, so the run goes on
 * at once and this process never loads Qt.
 */
#ifndef TALLYVOL_PLATFORM_UI_UNATTENDEDUSERINTERFACE_H
#define TALLYVOL_PLATFORM_UI_UNATTENDEDUSERINTERFACE_H

#include "platform/ui/IUserInterface.h"

#include <functional>
#include <string>

namespace platform::ui {

class UnattendedUserInterface : public IUserInterface {
public:
    using LineSink = std::function<void(const std::string&)>;

    // `logSink` receives one text per message (may be empty: standard error only).
    explicit UnattendedUserInterface(LineSink logSink = {}) : m_logSink(std::move(logSink)) {}
    void SetLogSink(LineSink logSink) { m_logSink = std::move(logSink); }
    // The program that shows alert boxes; empty (the default) means tallyvol-notify beside
    // the running program.
    void SetNotifyHelper(std::string path) { m_notifyHelper = std::move(path); }

    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    void ShowErrorReport(const std::string& errorText, const std::string& systemInfo) override;
    int ShowSmartWarning(const std::string& text, bool* dontShowAgain) override;
    bool ConfirmMissingDirectory(const std::string& path, bool* dontAskAgain) override;
    bool RunDatabaseWizard() override;
    void ShowSplash() override {}
    void SetWaitCursor(bool) override {}
    void DispatchPendingMessages() override {}

    bool ProgressOpen(int) override { return true; }
    void ProgressSetRange(int, int) override {}
    void ProgressSetPosition(int) override {}
    void ProgressShowCounts(const std::string&, const std::string&, const std::string&,
                            const std::string&) override {}
    void ProgressShowCurrentDirectory(const std::string&) override {}
    void ProgressShowText(const std::string&) override {}
    bool ProgressCancelRequested() override { return false; }
    void ProgressClose() override {}

private:
    void report(const std::string& text);
    void showOnDesktop(const std::string& text, const std::string& caption, unsigned flags);

    LineSink m_logSink;
    std::string m_notifyHelper;
};

} // namespace platform::ui

#endif
