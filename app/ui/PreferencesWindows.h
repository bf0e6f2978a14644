/*
 * Plugs the preferences, the update check and the problem report into the main window and
 * the about box through WindowHooks: the Prefs button opens the preferences, the window's
 * opening (and OK in the preferences with the option ticked) starts the automatic update
 * check, the about box's button runs its forced check, and problem reports of interactive runs
 * open the error window. Called once before the main window opens. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_PREFERENCESWINDOWS_H
#define TALLYVOL_APP_UI_PREFERENCESWINDOWS_H

namespace app::ui {

void InstallPreferencesWindows();

} // namespace app::ui

#endif
