#include "app/ConsoleUserInterface.h"

#include "app/base/DiagnosticLog.h"
#include "dbconfig/WizardConnectionStrings.h"

#include <cstdio>

namespace app {

namespace ui = platform::ui;

namespace {

// The boxes' "\r\n" line ends as the terminal's.
std::string terminalText(std::string text) {
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
        text.erase(at, 1);
    }
    return text;
}

} // namespace

ConsoleUserInterface::ConsoleUserInterface(std::map<std::string, int> answers,
                                           std::vector<std::string> secrets)
    : m_answers(std::move(answers)), m_secrets(std::move(secrets)), m_previous(ui::SetUI(this)) {}

ConsoleUserInterface::~ConsoleUserInterface() {
    ui::SetUI(m_previous);
}

int ConsoleUserInterface::MessageBox(const std::string& text, const std::string& caption,
                                     unsigned flags) {
    Print(caption + ": " + text);
    auto answer = m_answers.find(caption);
    if (answer != m_answers.end()) {
        return answer->second;
    }
    switch (flags & ui::MB_TYPEMASK) {
    case ui::MB_YESNO:
    case ui::MB_YESNOCANCEL:
        return ui::IDNO;
    case ui::MB_OKCANCEL:
        return ui::IDCANCEL;
    default:
        return ui::IDOK;
    }
}

void ConsoleUserInterface::ShowErrorReport(const std::string& errorText,
                                           const std::string& /*systemInfo*/) {
    Print(errorText);
}

void ConsoleUserInterface::Print(const std::string& text) {
    std::string shown = dbconfig::HideSecrets(text, m_secrets);
    WriteLogLine(shown);
    std::fprintf(stderr, "%s\n", terminalText(shown).c_str());
    std::fflush(stderr);
}

} // namespace app
