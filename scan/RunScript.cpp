#include "scan/RunScript.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "platform/ado/Connection.h"

#include <cstdio>
#include <vector>

namespace scan {

namespace {

std::string activityFor(const std::string& statement) {
    std::vector<char> buffer(statement.size() + 64);
    std::snprintf(buffer.data(), buffer.size(), "Running the following database script:\r\n%s",
                  statement.c_str());
    return buffer.data();
}

} // namespace

bool RunScript(platform::ado::Connection& connection, const std::string& scriptText) {
    for (const ScriptStatement& statement : SplitScript(scriptText)) {
        try {
            connection.Execute(statement.text,
                               platform::ado::adCmdText | platform::ado::adExecuteNoRecords);
        } catch (const platform::ado::ComError& error) {
            if (statement.ignoreErrors) {
                TV_DEBUG_LOG("Ignored script error: %s (%s)", error.Description().c_str(),
                             statement.text.c_str());
                continue;
            }
            TV_DEBUG_LOG("Script statement failed: Err=%s, Desc=%s, HR=%0X",
                         error.ErrorMessage().c_str(), error.Description().c_str(), error.Code());
            app::ReportComError(error, activityFor(statement.text));
        } catch (const std::exception& error) {
            if (!statement.ignoreErrors) {
                TV_DEBUG_LOG("Script statement failed: %s", error.what());
                app::ReportError(0, activityFor(statement.text));
            }
        }
    }
    return true;
}

} // namespace scan
