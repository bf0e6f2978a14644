/*
 * A copy of sleep named "cron", running for the life of the object, so that windows which make
 * sure the cron daemon runs (the alert list) find one and never start the machine's own. It
 * is killed and collected when the object goes. GUI thread of a test.
 */
#ifndef TALLYVOL_TESTS_UI_SUPPORT_STANDINCRONDAEMON_H
#define TALLYVOL_TESTS_UI_SUPPORT_STANDINCRONDAEMON_H

#include "tests/support/TempDirectory.h"

#include <sys/types.h>

namespace uitest {

class StandInCronDaemon {
public:
    StandInCronDaemon();
    ~StandInCronDaemon();
    StandInCronDaemon(const StandInCronDaemon&) = delete;
    StandInCronDaemon& operator=(const StandInCronDaemon&) = delete;

private:
    testsupport::TempDirectory m_directory;
    pid_t m_pid = -1;
};

} // namespace uitest

#endif
