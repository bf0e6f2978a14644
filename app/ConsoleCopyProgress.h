/*
 * The database copy's progress on a terminal: each table's line, then its rows at every tenth
 * of the count. While it exists, Ctrl-C (SIGINT) or SIGTERM asks the copy to stop as the
 * progress window's Cancel does: the rows written so far stay and the command ends normally.
 * Made by --configure-database when its copy starts; main thread.
 */
#ifndef TALLYVOL_APP_CONSOLECOPYPROGRESS_H
#define TALLYVOL_APP_CONSOLECOPYPROGRESS_H

#include "dbconfig/ICopyProgress.h"

#include <signal.h>

#include <cstdint>
#include <string>

namespace app {

class ConsoleUserInterface;

class ConsoleCopyProgress : public dbconfig::ICopyProgress {
public:
    explicit ConsoleCopyProgress(ConsoleUserInterface& console);
    ~ConsoleCopyProgress() override;
    ConsoleCopyProgress(const ConsoleCopyProgress&) = delete;
    ConsoleCopyProgress& operator=(const ConsoleCopyProgress&) = delete;

    void ShowText(const std::string& text) override;
    void SetRange(std::int64_t rows) override;
    void StepIt() override;
    void ProcessMessages() override {}
    bool CancelRequested() override;

private:
    ConsoleUserInterface& m_console;
    std::int64_t m_rows = -1; // unknown
    std::int64_t m_done = 0;
    int m_tenthsShown = 0;
    bool m_cancelShown = false;
    struct sigaction m_previousInterrupt {};
    struct sigaction m_previousTerminate {};
};

} // namespace app

#endif
