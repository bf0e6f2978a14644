/*
 * Opening a document or an address from a window without waiting for it: the platform's
 * opener (xdg-open) polled from a timer, so the window goes on painting while the desktop
 * starts the program, and `done` learns the outcome from the event loop. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_SHELLOPEN_H
#define TALLYVOL_APP_UI_SHELLOPEN_H

#include <QString>

#include <functional>

namespace app::ui {

// `done(true)` once the opener succeeded (or still runs when its wait is over), `done(false)`
// when it could not start or failed. `done` may be empty.
void ShellOpen(const QString& target, std::function<void(bool opened)> done = {});

} // namespace app::ui

#endif
