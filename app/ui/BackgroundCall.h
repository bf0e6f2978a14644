/*
 * Work that may block for seconds (a request to a web server) run on a thread of its own while
 * the GUI thread keeps handling events, so the windows stay responsive and can be redrawn,
 * moved and cancelled meanwhile. The caller disables what must not be pressed twice. Called on
 * the GUI thread; `work` runs on the helper thread and must not touch widgets.
 */
#ifndef TALLYVOL_APP_UI_BACKGROUNDCALL_H
#define TALLYVOL_APP_UI_BACKGROUNDCALL_H

#include <functional>

namespace app::ui {

// Runs `work` on a new thread and handles the GUI thread's events until it has returned. An
// exception of `work` is caught and logged. False when no thread could be started (`work` then
// runs on the calling thread).
bool RunWhileResponsive(const std::function<void()>& work);

} // namespace app::ui

#endif
