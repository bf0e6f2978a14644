/*
 * Whether a newer version of the program is known, from the Latest... values that the update
 * check stores and the program's own version. The main window's title and the about box read
 * it. Any thread (each call reads the settings).
 */
#ifndef TALLYVOL_APP_UPDATESTATE_H
#define TALLYVOL_APP_UPDATESTATE_H

namespace app {

enum UpdateState { kNoUpdate = 0, kNewerVersion = 1, kMinorUpdate = 2, kUpdateUnknown = 3 };

// The state for a latest version against an own version.
int UpdateStateOf(int latestMajor, int latestMinor, int latestBuild, int ownMajor, int ownMinor, int ownBuild);

// The state for the stored Latest... values against this program.
int GetUpdateState();

} // namespace app

#endif
