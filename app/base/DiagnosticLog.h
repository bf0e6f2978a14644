/*
 * The diagnostic log: <LogDir>/TallyvolLog.txt, one time-stamped line per event, CR LF line
 * ends. WriteLogLine always writes; DebugLog writes only while debug logging is on (the
 * DebugLogs setting or /DEBUG=). A new file starts with four header lines. Failures are
 * silent: a log that cannot be opened loses its lines.
 *
 * Any thread may log. Each line goes to the file in one append, so lines from several threads
 * or processes never tear; the thread and process identifiers tell them apart.
 */
#ifndef TALLYVOL_APP_BASE_DIAGNOSTICLOG_H
#define TALLYVOL_APP_BASE_DIAGNOSTICLOG_H

#include <string>

namespace app {

bool IsDebugLogOn();
// Turns debug logging on and keeps the log file open for the rest of the process.
void EnableDebugLog();
// Formats the message (printf rules) and appends "  (source, line)"; only while debug logging
// is on. Every caller passes an empty source and line 0.
void DebugLog(const char* source, int line, const char* format, ...) __attribute__((format(printf, 3, 4)));
// Appends one line, whether or not debug logging is on.
void WriteLogLine(const std::string& text);
// <LogDir> with a "/" appended when missing, then "<product name>Log.txt".
std::string LogFilePath();

// Closes the log and turns debug logging off, as at process start (tests only).
void ResetDiagnosticLogForTesting();

} // namespace app

// The form every diagnostic line takes; the flag is tested before arguments are built.
#define TV_DEBUG_LOG(...)                                                                          \
    do {                                                                                           \
        if (::app::IsDebugLogOn()) {                                                               \
            ::app::DebugLog("", 0, __VA_ARGS__);                                                   \
        }                                                                                          \
    } while (0)

#endif
