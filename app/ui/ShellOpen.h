/*
 * Opening a document or an address with the desktop's preferred program (the "open" verb):
 * xdg-open runs as a child process, so the window never waits for a browser to start, and
 * `done` learns from its exit status whether the open succeeded. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_SHELLOPEN_H
#define TALLYVOL_APP_UI_SHELLOPEN_H

#include <QString>

#include <functional>

namespace app::ui {

// Starts `xdg-open target` (found on PATH); `done(true)` once it exits with status 0, else
// `done(false)` (not found, failed, or no program for the target). `done` may be empty.
void ShellOpen(const QString& target, std::function<void(bool opened)> done = {});

} // namespace app::ui

#endif
