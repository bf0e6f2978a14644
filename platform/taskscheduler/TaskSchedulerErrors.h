/*
 * The HRESULT-style results of the scheduler layer (platform/taskscheduler), numbered like the
 * codes the Task Scheduler calls return, so callers test and print them as designed ("HR=%0X").
 * A failure also leaves a text of its own (crontab's message, the refused text) with the
 * TaskScheduler object; SystemMessage gives the system's text for a bare code. Pure; any thread.
 */
#ifndef TALLYVOL_PLATFORM_TASKSCHEDULER_TASKSCHEDULERERRORS_H
#define TALLYVOL_PLATFORM_TASKSCHEDULER_TASKSCHEDULERERRORS_H

#include <cstdint>
#include <string>

namespace platform::taskscheduler {

using HRESULT = std::int32_t;

constexpr HRESULT MakeResult(std::uint32_t value) {
    return static_cast<HRESULT>(value);
}
constexpr bool Failed(HRESULT result) {
    return result < 0;
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = MakeResult(0x80004005);         // crontab failed
inline constexpr HRESULT E_ACCESSDENIED = MakeResult(0x80070005); // not allowed to use that crontab
inline constexpr HRESULT E_INVALIDARG = MakeResult(0x80070057); // a text a crontab line cannot hold
inline constexpr HRESULT E_FILENOTFOUND = MakeResult(0x80070002); // no task of that name
inline constexpr HRESULT E_FILEEXISTS = MakeResult(0x80070050);   // HRESULT of ERROR_FILE_EXISTS
inline constexpr HRESULT E_TIMEOUT =
    MakeResult(0x800705B4); // the crontab lock was not free in time
inline constexpr HRESULT E_NONEMAPPED = MakeResult(0x80070534); // no such user account
inline constexpr HRESULT SCHED_E_SERVICE_NOT_INSTALLED =
    MakeResult(0x8004130C); // no crontab program

// The system's text for a code ("The file exists."); "Unknown error 0x%0X" for others.
std::string SystemMessage(HRESULT result);

} // namespace platform::taskscheduler

#endif
