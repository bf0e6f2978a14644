/*
 * Multi-statement SQL scripts (the table scripts of the database configuration, the database
 * copy): how a script text is cut into statements, and running them one by one on a
 * connection. Statements end at lines beginning with "#"; a statement marked
 * "%IGNOREERRORS%" may fail silently, any other failure is reported and the script goes on.
 * Main thread (RunScript reports through the error window).
 */
#ifndef TALLYVOL_SCAN_RUNSCRIPT_H
#define TALLYVOL_SCAN_RUNSCRIPT_H

#include <memory>
#include <string>
#include <vector>

namespace platform::ado {
class Connection;
}

namespace scan {

struct ScriptStatement {
    std::string text;          // lines joined, each followed by "\r\n"
    bool ignoreErrors = false; // the statement carried "%IGNOREERRORS%" (now removed)
};

// The statements of a script in order. Lines split at carriage returns and line feeds, empty
// lines vanish; statements of 5 characters or fewer are dropped.
std::vector<ScriptStatement> SplitScript(const std::string& scriptText);

// Runs every statement with options 129; always true.
bool RunScript(platform::ado::Connection& connection, const std::string& scriptText);

} // namespace scan

#endif
