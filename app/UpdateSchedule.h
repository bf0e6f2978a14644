/*
 * When the automatic update check is due. The time of the last check is kept as an automation
 * date (days since 30 December 1899, the time of day as the fraction) whose eight bytes are
 * stored as two 32-bit settings, LastUpdateCheck0 (low half) and LastUpdateCheck1 (high half);
 * both 0 means never. Pure functions plus the clock; any thread.
 */
#ifndef TALLYVOL_APP_UPDATESCHEDULE_H
#define TALLYVOL_APP_UPDATESCHEDULE_H

#include <cstdint>
#include <ctime>

namespace app {

// The automation date of a moment given as seconds since 1970 (UTC counted, no zone applied).
double AutomationDateFromUnixSeconds(double seconds);

// Now, as the check stamps it: the local standard time (local time with the daylight saving
// shift taken off, so the stamp does not jump twice a year).
double UpdateCheckClock();
double UpdateCheckClockAt(std::time_t moment);

struct StampHalves {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
};
StampHalves SplitStamp(double stamp);
double JoinStamp(StampHalves halves);

// Due when never checked (both halves 0), when the stored stamp is no number at all, or when
// `now` is later than the last check plus `daysBetweenChecks` days.
bool IsUpdateCheckDue(StampHalves last, int daysBetweenChecks, double now);

} // namespace app

#endif
