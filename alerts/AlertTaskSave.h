/*
 * What "Create &Alert and Set Run Schedule ..." does once the alert editor's checks passed:
 * builds the task's texts, updates the edited task or creates a new one (after the "Run as"
 * warning), then has the user set the schedule until the task has a trigger or the user leaves
 * it unscheduled. The window supplies the schedule step (EditAlertSchedule: its Schedule dialog
 * on the task); messages, warnings and error reports go through the program's user interface.
 * Main thread.
 */
#ifndef TALLYVOL_ALERTS_ALERTTASKSAVE_H
#define TALLYVOL_ALERTS_ALERTTASKSAVE_H

#include "alerts/AlertTaskText.h"
#include "platform/taskscheduler/TaskScheduler.h"

#include <functional>
#include <string>

namespace alerts {

// How the alert editor goes on: closed as confirmed, closed as cancelled, or left open (the
// texts could not be scheduled and the user was told why, or an unexpected failure was
// reported).
enum class AlertEditorOutcome { Confirmed, Cancelled, KeepOpen };

struct AlertTaskSaveResult {
    AlertEditorOutcome outcome = AlertEditorOutcome::KeepOpen;
    std::string taskName; // the task created or updated; empty when there is none
};

// Opens the schedule of the named task for the user; returns the HRESULT of doing so.
using EditAlertScheduleFunction =
    std::function<platform::taskscheduler::HRESULT(const std::string& taskName)>;

// `existingTaskName` is the task being edited, empty for a new alert. The task runs the
// running program (its own path).
AlertTaskSaveResult SaveAlertTask(const AlertDefinition& alert, const std::string& existingTaskName,
                                  platform::taskscheduler::TaskScheduler& scheduler,
                                  const EditAlertScheduleFunction& editAlertSchedule);

} // namespace alerts

#endif
