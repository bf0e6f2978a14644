/*
 * Process-wide state that several subsystems consult: whether an automated run's scan is
 * executing (no window, message box or control may be touched then), the database kind in use,
 * and the date-label choice of the grid and reports. Main thread only.
 */
#ifndef TALLYVOL_APP_BASE_RUNSTATE_H
#define TALLYVOL_APP_BASE_RUNSTATE_H

namespace app {

// True only while the automated run's scan executes.
extern bool AutomatedScanInProgress;

// The database kind (0 none yet, 1 the included SQLite file, 2 SQL Server, 3 MySQL/MariaDB),
// read when the program starts and changed by the database configuration.
int CurrentDBSource();
void SetCurrentDBSource(int kind);

// A user declined to go on (no store, no upgrade, off to install drivers): the operation that
// asked returns a failure and sets this; start-up closes the window and ends the program, so
// every destructor runs. Nothing in the core ends the process itself.
void RequestProgramEnd();
bool ProgramEndRequested();
void ResetProgramEndRequestForTesting();

// Dates in the grid and reports use the locale's format ("%c") when true.
bool UseSystemTimeFormatFlag();
void SetUseSystemTimeFormatFlag(bool on);

} // namespace app

#endif
