#include "tests/ui/support/StandInCronDaemon.h"

#include "platform/process/Process.h"
#include "platform/taskscheduler/CronDaemon.h"
#include "tests/ui/support/UiTestSupport.h"

#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>

namespace uitest {

StandInCronDaemon::StandInCronDaemon() {
    std::string program = m_directory / "cron";
    if (std::system(("cp /bin/sleep '" + program + "'").c_str()) == 0) {
        m_pid = platform::process::LaunchProcess({program, "3600"}, {});
    }
    WaitFor([] { return platform::taskscheduler::FindCronDaemon() != 0; });
}

StandInCronDaemon::~StandInCronDaemon() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

} // namespace uitest
