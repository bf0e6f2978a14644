/*
 * Plugs the alert windows into the main window: its "Alerts ..." button opens the alert list
 * for the directory the window shows. Called once by the window library's entry before the
 * main window opens. GUI thread.
 */
#ifndef TALLYVOL_ALERTS_UI_WINDOWS_ALERTWINDOWS_H
#define TALLYVOL_ALERTS_UI_WINDOWS_ALERTWINDOWS_H

namespace alerts::ui {

void InstallAlertWindows();

} // namespace alerts::ui

#endif
