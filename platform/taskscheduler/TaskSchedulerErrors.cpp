#include "platform/taskscheduler/TaskSchedulerErrors.h"

#include "platform/system/StringPrintf.h"

namespace platform::taskscheduler {

std::string SystemMessage(HRESULT result) {
    switch (static_cast<std::uint32_t>(result)) {
    case 0x00000000:
        return "The operation completed successfully.";
    case 0x80004005:
        return "Unspecified error";
    case 0x80070005:
        return "Access is denied.";
    case 0x80070057:
        return "The parameter is incorrect.";
    case 0x80070002:
        return "The system cannot find the file specified.";
    case 0x80070050:
        return "The file exists.";
    case 0x800705B4:
        return "This operation returned because the timeout period expired.";
    case 0x80070534:
        return "No mapping between account names and security IDs was done.";
    case 0x8004130C:
        return "The crontab program (package cron) is not installed on this computer.";
    default:
        return platform::system::StringPrintf("Unknown error 0x%0X", static_cast<unsigned>(result));
    }
}

} // namespace platform::taskscheduler
