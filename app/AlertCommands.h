/*
 * The alert commands of the command line, for machines without a display and for scripts:
 *
 *     tallyvol --alert-add "TRIGGER" OPTION...   schedule an alert task, print its name
 *     tallyvol --alerts                          list the alert tasks and their triggers
 *     tallyvol --alert-remove NAME               delete an alert task
 *
 * each optionally with "--run-as USER" (root: that account's crontab). They use the same
 * scheduler layer and texts as the alert dialogs: the task of --alert-add carries the
 * automated-run options given, with the comment and name built as the dialog builds them for
 * the alert type those options form (the custom type when they form none). Exit status 0 when
 * done, 1 when nothing was done (the reason on standard error), 2 for a usage error.
 * Main thread.
 */
#ifndef TALLYVOL_APP_ALERTCOMMANDS_H
#define TALLYVOL_APP_ALERTCOMMANDS_H

#include <optional>
#include <string>
#include <vector>

namespace app {

// Runs the alert command the arguments hold and returns its exit status; nothing when they
// hold none (the program then goes on as usual).
std::optional<int> RunAlertCommand(const std::vector<std::string>& arguments);

} // namespace app

#endif
