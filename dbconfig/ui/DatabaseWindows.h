/*
 * Where the database configuration's windows join the program: the wizard becomes the window
 * library's database wizard (first start without a store, Preferences' "Configure Database
 * Connectivity"). Called once before the main window opens. GUI thread.
 */
#ifndef TALLYVOL_DBCONFIG_UI_DATABASEWINDOWS_H
#define TALLYVOL_DBCONFIG_UI_DATABASEWINDOWS_H

namespace dbconfig::ui {

void InstallDatabaseWindows();

} // namespace dbconfig::ui

#endif
