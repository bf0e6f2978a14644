/*
 * A user interface for tests: records every call and answers questions from queues the test
 * fills. An empty queue answers with the default button.
 */
#ifndef TALLYVOL_TESTS_SUPPORT_SCRIPTEDUSERINTERFACE_H
#define TALLYVOL_TESTS_SUPPORT_SCRIPTEDUSERINTERFACE_H

#include "platform/ui/IUserInterface.h"

#include <deque>
#include <string>
#include <vector>

namespace testsupport {

class ScriptedUserInterface : public platform::ui::IUserInterface {
public:
    struct MessageBoxCall {
        std::string text;
        std::string caption;
        unsigned flags;
    };

    // Installs itself as the program's interface; the previous one comes back on destruction.
    ScriptedUserInterface();
    ~ScriptedUserInterface() override;

    std::deque<int> messageBoxAnswers;
    std::deque<int> smartWarningAnswers;
    std::deque<bool> smartWarningDontShow;
    std::deque<bool> missingDirectoryAnswers;
    std::deque<bool> missingDirectoryDontAsk;
    std::deque<bool> wizardAnswers;
    int cancelAfterQueries = -1; // ProgressCancelRequested turns true after this many queries

    std::vector<MessageBoxCall> messageBoxes;
    std::vector<std::string> errorReports;
    std::vector<std::string> smartWarnings;
    std::vector<std::string> missingDirectoryQuestions;
    std::vector<std::string> progressTexts;
    std::vector<std::string> progressCounts;
    int wizardRuns = 0;
    int dispatches = 0;
    int progressOpens = 0;
    int progressCloses = 0;
    int progressPosition = 0;
    int progressHigh = 0;
    int cancelQueries = 0;

    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    void ShowErrorReport(const std::string& errorText, const std::string& systemInfo) override;
    int ShowSmartWarning(const std::string& text, bool* dontShowAgain) override;
    bool ConfirmMissingDirectory(const std::string& path, bool* dontAskAgain) override;
    bool RunDatabaseWizard() override;
    void ShowSplash() override {}
    void SetWaitCursor(bool) override {}
    void DispatchPendingMessages() override { ++dispatches; }

    bool ProgressOpen(int) override;
    void ProgressSetRange(int low, int high) override;
    void ProgressSetPosition(int position) override { progressPosition = position; }
    void ProgressShowCounts(const std::string& directories, const std::string& files,
                            const std::string& text, const std::string& currentDirectory) override;
    void ProgressShowCurrentDirectory(const std::string&) override {}
    void ProgressShowText(const std::string& text) override { progressTexts.push_back(text); }
    bool ProgressCancelRequested() override;
    void ProgressClose() override { ++progressCloses; }

private:
    platform::ui::IUserInterface* m_previous;
};

} // namespace testsupport

#endif
