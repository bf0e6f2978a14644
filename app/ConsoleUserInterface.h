/*
 * The user interface of a command that runs in a terminal or a script (--configure-database):
 * every message box and error report is printed on standard error and written to the
 * diagnostic log, with the passwords the command was given replaced by "****". Questions are
 * answered from the command's own list by caption; any other question is declined (No,
 * Cancel), so nothing is done that the command line did not ask for. Everything else behaves
 * as in an automated run.
 *
 * Installed by the command for its duration; main thread.
 */
#ifndef TALLYVOL_APP_CONSOLEUSERINTERFACE_H
#define TALLYVOL_APP_CONSOLEUSERINTERFACE_H

#include "platform/ui/UnattendedUserInterface.h"

#include <map>
#include <string>
#include <vector>

namespace app {

class ConsoleUserInterface : public platform::ui::UnattendedUserInterface {
public:
    // `answers`: caption -> the result to give; `secrets`: texts never to print or log.
    ConsoleUserInterface(std::map<std::string, int> answers, std::vector<std::string> secrets);
    ~ConsoleUserInterface() override;
    ConsoleUserInterface(const ConsoleUserInterface&) = delete;
    ConsoleUserInterface& operator=(const ConsoleUserInterface&) = delete;

    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    // The text alone: the system information block carries the stored connection string.
    void ShowErrorReport(const std::string& errorText, const std::string& systemInfo) override;

    // Prints one line of the command's own (progress, results) the same way.
    void Print(const std::string& text);

private:
    std::map<std::string, int> m_answers;
    std::vector<std::string> m_secrets;
    platform::ui::IUserInterface* m_previous;
};

} // namespace app

#endif
