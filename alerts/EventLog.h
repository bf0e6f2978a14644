/*
 * Event-log delivery: hands an alert's text to LogError of the logsink library (the system
 * log), loading the library on first use. The library is looked for, in order, at the path in
 * $TALLYVOL_LOGSINK_LIBRARY, in the lib directories beside the program's bin directory (the
 * build tree's lib/ and the installed library directory) and by its soname through the
 * dynamic linker's search. A library that cannot be loaded, or lacks LogError, makes every
 * write fail. Main thread.
 */
#ifndef TALLYVOL_ALERTS_EVENTLOG_H
#define TALLYVOL_ALERTS_EVENTLOG_H

#include <string>

namespace alerts {

// True when the record was written.
bool WriteEventLogError(const std::string& text);

// Forgets the loaded library, so the next write looks for it again (tests only).
void ResetEventLogForTesting();

} // namespace alerts

#endif
