#include "tests/support/ScriptedUserInterface.h"

namespace testsupport {

ScriptedUserInterface::ScriptedUserInterface() : m_previous(platform::ui::SetUI(this)) {}

ScriptedUserInterface::~ScriptedUserInterface() {
    platform::ui::SetUI(m_previous);
}

int ScriptedUserInterface::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    messageBoxes.push_back({text, caption, flags});
    if (messageBoxAnswers.empty()) {
        return platform::ui::DefaultButtonResult(flags);
    }
    int answer = messageBoxAnswers.front();
    messageBoxAnswers.pop_front();
    return answer;
}

void ScriptedUserInterface::ShowErrorReport(const std::string& errorText, const std::string&) {
    errorReports.push_back(errorText);
}

int ScriptedUserInterface::ShowSmartWarning(const std::string& text, bool* dontShowAgain) {
    smartWarnings.push_back(text);
    bool dontShow = false;
    if (!smartWarningDontShow.empty()) {
        dontShow = smartWarningDontShow.front();
        smartWarningDontShow.pop_front();
    }
    if (dontShowAgain != nullptr) {
        *dontShowAgain = dontShow;
    }
    if (smartWarningAnswers.empty()) {
        return platform::ui::IDOK;
    }
    int answer = smartWarningAnswers.front();
    smartWarningAnswers.pop_front();
    return answer;
}

bool ScriptedUserInterface::ConfirmMissingDirectory(const std::string& path, bool* dontAskAgain) {
    missingDirectoryQuestions.push_back(path);
    if (dontAskAgain != nullptr) {
        *dontAskAgain = !missingDirectoryDontAsk.empty() && missingDirectoryDontAsk.front();
    }
    if (!missingDirectoryDontAsk.empty()) {
        missingDirectoryDontAsk.pop_front();
    }
    if (missingDirectoryAnswers.empty()) {
        return false;
    }
    bool answer = missingDirectoryAnswers.front();
    missingDirectoryAnswers.pop_front();
    return answer;
}

bool ScriptedUserInterface::RunDatabaseWizard() {
    ++wizardRuns;
    if (wizardAnswers.empty()) {
        return false;
    }
    bool answer = wizardAnswers.front();
    wizardAnswers.pop_front();
    return answer;
}

bool ScriptedUserInterface::ProgressOpen(int) {
    ++progressOpens;
    return true;
}

void ScriptedUserInterface::ProgressSetRange(int, int high) {
    progressHigh = high;
}

void ScriptedUserInterface::ProgressShowCounts(const std::string& directories, const std::string& files,
                                               const std::string& text, const std::string&) {
    progressCounts.push_back(directories + "/" + files + " " + text);
}

bool ScriptedUserInterface::ProgressCancelRequested() {
    ++cancelQueries;
    return cancelAfterQueries >= 0 && cancelQueries > cancelAfterQueries;
}

} // namespace testsupport
