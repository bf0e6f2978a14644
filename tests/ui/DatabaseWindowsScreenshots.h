/*
 * The database configuration's windows for the screenshot program: each page of the wizard
 * filled as a person would fill it, the copy progress window in the middle of a table and the
 * path upgrade's window. GUI thread.
 */
#ifndef TALLYVOL_TESTS_UI_DATABASEWINDOWSSCREENSHOTS_H
#define TALLYVOL_TESTS_UI_DATABASEWINDOWSSCREENSHOTS_H

#include <functional>
#include <string>

class QWidget;

namespace uitest {

// `save` writes one picture; `scratch` is a directory for the store files the pages make.
void SaveDatabaseWindowScreenshots(const std::function<void(QWidget&, const char*)>& save,
                                   const std::string& scratch);

} // namespace uitest

#endif
