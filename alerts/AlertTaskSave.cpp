#include "alerts/AlertTaskSave.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/SmartWarning.h"
#include "brand/Brand.h"
#include "platform/system/Paths.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"

namespace alerts {

namespace ts = platform::taskscheduler;
using platform::system::StringPrintf;

namespace {

// The system's words for a failure, without the full stop the report's format adds.
std::string failureMessage(const ts::TaskScheduler& scheduler, ts::HRESULT result) {
    std::string message =
        scheduler.LastErrorText().empty() ? ts::SystemMessage(result) : scheduler.LastErrorText();
    while (!message.empty() && (message.back() == '.' || message.back() == ' ')) {
        message.pop_back();
    }
    return message;
}

AlertTaskSaveResult save(const AlertDefinition& alert, const std::string& existingTaskName,
                         ts::TaskScheduler& scheduler,
                         const EditAlertScheduleFunction& editAlertSchedule) {
    std::string problem = AlertDefinitionProblem(alert);
    if (!problem.empty()) {
        platform::ui::UI().MessageBox(problem, "Create New Alert",
                                      platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION);
        return {AlertEditorOutcome::KeepOpen, {}};
    }
    std::string parameters = AlertParameters(alert);
    std::string comment = AlertComment(alert);
    std::string application = platform::system::ProgramPath();

    std::string taskName = existingTaskName;
    ts::HRESULT result = ts::S_OK;
    if (!existingTaskName.empty()) {
        result = scheduler.UpdateAlertTask(existingTaskName, application, parameters, comment);
    } else {
        app::SmartWarning(kAlertRunAsWarning, kAlertRunAsWarningKey).DoModal();
        result = scheduler.CreateAlertTask(TALLYVOLTASKCREATOR, AlertTaskName(comment), application,
                                           parameters, comment, &taskName);
    }
    if (ts::Failed(result)) {
        app::ReportError(0, StringPrintf(kCreateAlertFailedFormat,
                                         failureMessage(scheduler, result).c_str(),
                                         static_cast<unsigned>(result)));
        return {AlertEditorOutcome::Cancelled, {}};
    }

    for (;;) {
        result = editAlertSchedule(taskName);
        if (ts::Failed(result)) {
            app::ReportError(
                0, StringPrintf(kEditScheduleFailedFormat, static_cast<unsigned>(result)));
            return {AlertEditorOutcome::Cancelled, taskName};
        }
        bool scheduled = false;
        result = scheduler.IsScheduled(taskName, &scheduled);
        if (ts::Failed(result) || scheduled) {
            return {AlertEditorOutcome::Confirmed, taskName};
        }
        if (platform::ui::UI().MessageBox(kNoScheduleSetText, kNoScheduleSetCaption,
                                          platform::ui::MB_OKCANCEL) != platform::ui::IDOK) {
            return {AlertEditorOutcome::Confirmed, taskName};
        }
    }
}

} // namespace

AlertTaskSaveResult SaveAlertTask(const AlertDefinition& alert, const std::string& existingTaskName,
                                  ts::TaskScheduler& scheduler,
                                  const EditAlertScheduleFunction& editAlertSchedule) {
    try {
        return save(alert, existingTaskName, scheduler, editAlertSchedule);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnNewAlert\n");
        app::ReportError(0, "Creating the new alert");
        return {AlertEditorOutcome::KeepOpen, {}};
    }
}

} // namespace alerts
