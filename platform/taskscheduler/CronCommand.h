/*
 * The command part of a task's cron lines. Cron hands it to /bin/sh, so every argument is
 * single-quoted (no expansion, substitution or word splitting whatever a directory or custom
 * text holds), and every "%" is written "\%" (cron turns an unescaped "%" into a line break
 * and feeds the rest to the job's standard input). The task's parameters are split into
 * arguments at blanks outside double quotes, the quotes kept, exactly as the program splits a
 * command line it is given whole; environment values the scheduled run needs come first as
 * shell assignments. Pure functions; any thread.
 */
#ifndef TALLYVOL_PLATFORM_TASKSCHEDULER_CRONCOMMAND_H
#define TALLYVOL_PLATFORM_TASKSCHEDULER_CRONCOMMAND_H

#include <string>
#include <utility>
#include <vector>

namespace platform::taskscheduler {

using EnvironmentEntries = std::vector<std::pair<std::string, std::string>>;

// Cron refuses a command longer than this (measured: crontab reports "command too long").
inline constexpr std::size_t kMaxCronCommandLength = 998;

// The variables a scheduled run must share with the program that scheduled it, so that it
// uses the same store, settings, profiles and locks: cron starts jobs with almost nothing.
inline constexpr const char* kCarriedVariables[] = {"TALLYVOL_HOME", "XDG_CONFIG_HOME",
                                                    "XDG_DATA_HOME", "TALLYVOL_LOCK_DIR"};

// The carried variables that are set in this process, in the order above.
EnvironmentEntries CarriedEnvironment();

// The arguments of a parameters text: blanks outside double quotes separate them; the quotes
// stay part of the argument; leading and repeated blanks give nothing.
std::vector<std::string> SplitParameters(const std::string& parameters);

// One word of a cron command for /bin/sh: single-quoted, "'" written as '\'' and "%" as "\%".
// Where a backslash would stand right before such a "\%" (cron would then take the backslashes
// as one escaped backslash and the "%" as a line break), the quote is closed and reopened
// between them ("''"), which the shell reads as nothing.
std::string QuoteForCron(const std::string& word);

// NAME='value' ... 'application' 'argument' ..., or an empty text and *problem set when no
// cron line can carry it: a line break in any part, an empty application, a variable name that
// is not a shell name, or a result longer than kMaxCronCommandLength.
std::string BuildCronCommand(const EnvironmentEntries& environment, const std::string& application,
                             const std::string& parameters, std::string* problem);

} // namespace platform::taskscheduler

#endif
