/*
 * The command line of automated runs. Each argument is one token (the shell has already split
 * the line at blanks outside quotes). Keywords match case-insensitively and only at the start of
 * a token, so a path such as /srv/save never switches an option on; values keep their case.
 * The line is parsed twice: before the main dialog object exists (only /DEBUG=, /SAVE and /SCAN
 * take effect) and with it.
 */
#ifndef TALLYVOL_APP_COMMANDLINE_H
#define TALLYVOL_APP_COMMANDLINE_H

#include <string>
#include <vector>

namespace app {

class CTallyvol32App;
class CTallyvol32Dlg;

// The run-request flags; each is 0 or 1.
struct RunRequest {
    int Automated = 0;
    int Scan = 0;
    int Print = 0;
    int Save = 0;
    int SaveSubdirs = 0;
    int AlertSize = 0;
    int AlertPercent = 0;
    int FreeAlert = 0;
    int MaxSize = 0;
    int FreePercent = 0;
    // What the second pass could not take (a threshold that is no whole number in its range):
    // each said on standard error and in the log; the run goes on without that check and
    // ends with exit status 1.
    std::vector<std::string> Problems;
};

// One pass over the command line; `dialog` is null in the first pass. Always true.
bool ParseCommandLine(CTallyvol32Dlg* dialog, CTallyvol32App& application);

// Says on standard error and in the log what the command line holds that the program ignores:
// options it does not know, words that are no option, profiles of /PID= that do not exist.
// These change nothing else.
void WarnAboutIgnoredArguments(const CTallyvol32App& application, const std::string& profileList);

// The text of --help.
std::string HelpText();

} // namespace app

#endif
