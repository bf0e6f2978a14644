/*
 * The one formatter of sizes, used by the grid, alert messages and reports.
 */
#ifndef TALLYVOL_APP_BASE_FORMATBYTES_H
#define TALLYVOL_APP_BASE_FORMATBYTES_H

#include <cstdint>
#include <string>

namespace app {

enum Units { kUnitBytes = 1, kUnitK = 2, kUnitMB = 3, kUnitGB = 4, kUnitSmart = 5 };

// Formats a byte count in the unit (1 bytes, 2 K, 3 MB, 4 GB, 5 smart: the unit is chosen by
// decimal thresholds, the division is by 1024). With units on, digits are grouped with ","
// and the unit name follows; a non-zero value that shows as 0 reads "<1". -1 gives "".
std::string FormatBytes(std::int64_t value, bool withUnits, int units);

} // namespace app

#endif
