/*
 * File times as the loop check counts them: 100-nanosecond units since 1 January 1601 (UTC).
 * Pure functions, any thread.
 */
#ifndef TALLYVOL_SCAN_FS_FILETIME_H
#define TALLYVOL_SCAN_FS_FILETIME_H

#include <cstdint>

namespace scan {

// Seconds from 1601-01-01 to 1970-01-01.
inline constexpr std::int64_t kFileTimeEpochOffset = 11644473600LL;

// A Unix time as a file time; times before 1601 give 0.
constexpr std::uint64_t FileTimeFromUnix(std::int64_t seconds, std::uint32_t nanoseconds) {
    if (seconds < -kFileTimeEpochOffset) {
        return 0;
    }
    return static_cast<std::uint64_t>(seconds + kFileTimeEpochOffset) * 10000000ULL + nanoseconds / 100;
}

// The current UTC time as a file time.
std::uint64_t CurrentFileTime();

// Entries younger than this many units before a scan's start do not enter directory
// fingerprints (about 24 hours 7 minutes).
inline constexpr std::uint64_t kFingerprintAgeMargin = 868294967296ULL;

// The age cut-off of a scan starting now.
std::uint64_t ScanAgeCutoff();

} // namespace scan

#endif
