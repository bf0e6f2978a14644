/*
 * Connects the report windows to the main window: "Export ..." opens the export dialog and
 * "Reports ..." the spreadsheet report dialog, each over the scans the main window shows.
 * Called once before the main window opens. GUI thread.
 */
#ifndef TALLYVOL_REPORTS_UI_REPORTWINDOWS_H
#define TALLYVOL_REPORTS_UI_REPORTWINDOWS_H

namespace reports::ui {

void InstallReportWindows();

} // namespace reports::ui

#endif
