/*
 * The user interface of automated runs: nobody is there, so nothing may wait for a person.
 * Every message is written to standard error and to the sink the program sets (the diagnostic
 * log), and every question is answered with its default button. Questions whose default would
 * do something irreversible (scanning a missing directory, the database wizard) are declined.
 */
#ifndef TALLYVOL_PLATFORM_UI_UNATTENDEDUSERINTERFACE_H
#define TALLYVOL_PLATFORM_UI_UNATTENDEDUSERINTERFACE_H

#include "platform/ui/IUserInterface.h"

#include <functional>

namespace platform::ui {

class UnattendedUserInterface : public IUserInterface {
public:
    using LineSink = std::function<void(const std::string&)>;

    // `logSink` receives one text per message (may be empty: standard error only).
    explicit UnattendedUserInterface(LineSink logSink = {}) : m_logSink(std::move(logSink)) {}
    void SetLogSink(LineSink logSink) { m_logSink = std::move(logSink); }

    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    void ShowErrorReport(const std::string& errorText, const std::string& systemInfo) override;
    int ShowSmartWarning(const std::string& text, bool* dontShowAgain) override;
    bool ConfirmMissingDirectory(const std::string& path) override;
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

    LineSink m_logSink;
};

} // namespace platform::ui

#endif
