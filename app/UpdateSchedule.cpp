#include "app/UpdateSchedule.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

namespace app {

namespace {
constexpr double kSecondsPerDay = 86400.0;
// 1 January 1970 as an automation date.
constexpr double kUnixEpochDate = 25569.0;
} // namespace

double AutomationDateFromUnixSeconds(double seconds) {
    return kUnixEpochDate + seconds / kSecondsPerDay;
}

double UpdateCheckClockAt(std::time_t moment) {
    std::tm local{};
    if (::localtime_r(&moment, &local) == nullptr) {
        return AutomationDateFromUnixSeconds(static_cast<double>(moment));
    }
    long offset = local.tm_gmtoff; // seconds east of UTC, daylight saving included
    if (local.tm_isdst > 0) {
        // The standard offset is the one half a year away, outside daylight saving time.
        for (std::time_t other : {moment - 182 * 86400L, moment + 182 * 86400L}) {
            std::tm probe{};
            if (::localtime_r(&other, &probe) != nullptr && probe.tm_isdst == 0) {
                offset = probe.tm_gmtoff;
                break;
            }
        }
    }
    return AutomationDateFromUnixSeconds(static_cast<double>(moment) + static_cast<double>(offset));
}

double UpdateCheckClock() {
    return UpdateCheckClockAt(std::time(nullptr));
}

StampHalves SplitStamp(double stamp) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &stamp, sizeof bits);
    return {static_cast<std::uint32_t>(bits), static_cast<std::uint32_t>(bits >> 32)};
}

double JoinStamp(StampHalves halves) {
    std::uint64_t bits = (static_cast<std::uint64_t>(halves.high) << 32) | halves.low;
    double stamp = 0;
    std::memcpy(&stamp, &bits, sizeof stamp);
    return stamp;
}

bool IsUpdateCheckDue(StampHalves last, int daysBetweenChecks, double now) {
    if (last.low == 0 && last.high == 0) {
        return true;
    }
    double lastCheck = JoinStamp(last);
    // Halves that make no number (edited by hand, written by something else) would otherwise
    // never compare as due, and the check would never run again.
    if (!std::isfinite(lastCheck)) {
        return true;
    }
    return now > lastCheck + daysBetweenChecks;
}

} // namespace app
