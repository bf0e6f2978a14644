/*
 * Whether the vendor announces a newer version: the update state, computed on demand from the
 * Latest... settings (which the internet settings page writes) and the program's own version,
 * and the texts that show it: the window title's suffix and the about box's "Update Status"
 * box. Settings reads only; any thread.
 */
#ifndef TALLYVOL_APP_UPDATESTATUS_H
#define TALLYVOL_APP_UPDATESTATUS_H

#include <string>

namespace app {

struct ProgramVersion {
    int major = 0;
    int minor = 0;
    int build = 0;
};

// This program's major, minor and build numbers.
ProgramVersion OwnProgramVersion();

inline constexpr int kUpdateStateNone = 0;
inline constexpr int kUpdateStateNewerVersion = 1;
inline constexpr int kUpdateStateMinorUpdate = 2;
inline constexpr int kUpdateStateUnknown = 3; // the Latest... values are all 0

// The state for an announced version against our own; every number is compared as a 16-bit
// unsigned value.
int UpdateStateOf(const ProgramVersion& latest, const ProgramVersion& own);
// The state from the stored LatestMajor, LatestMinor and LatestBuild.
int GetUpdateState(const ProgramVersion& own = OwnProgramVersion());

// " - [ Update Available ]" for state 1, " - [ Minor Update Available ]" for 2, else "".
std::string UpdateTitleSuffix(int state);

inline constexpr const char* kUpdateStatusCaption = "Update Status";
// The about box's text for the state (product name filled in).
std::string UpdateStatusText(int state);

} // namespace app

#endif
