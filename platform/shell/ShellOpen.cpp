#include "platform/shell/ShellOpen.h"

#include "platform/shell/PendingOpen.h"
#include "platform/system/StringPrintf.h"

namespace platform::shell {

std::string OpenerStatusText(int status) {
    switch (status) {
    case 1:
        return "Error in command line syntax.";
    case 2:
        return "One of the files passed on the command line did not exist.";
    case 3:
        return "A required tool could not be found.";
    case 4:
        return "The action failed.";
    case -1:
        return "xdg-open was ended by a signal.";
    default:
        return system::StringPrintf("xdg-open ended with status %d.", status);
    }
}

OpenResult ShellOpen(const std::string& file, int waitMilliseconds) {
    return PendingOpen(file, waitMilliseconds).Wait();
}

} // namespace platform::shell
