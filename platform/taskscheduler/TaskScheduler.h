/*
 * The scheduler layer: the system's alerts as scheduled tasks, each a block in one account's
 * crontab (CrontabDocument), with the operations the alert dialogs and the command line use.
 * Every operation reads the crontab through the crontab program; every change is one
 * read-modify-write under the account's CrontabLock, so concurrent changes are never lost.
 * Results are HRESULT-style codes (TaskSchedulerErrors.h); after a failure LastErrorText() says
 * why in the words of the system or of crontab (nothing is thrown: an unexpected exception
 * becomes E_FAIL). A new task gets no trigger unless given one:
 * a task without triggers exists but is not scheduled.
 *
 * One object per operation or dialog, used on one thread.
 */
#ifndef TALLYVOL_PLATFORM_TASKSCHEDULER_TASKSCHEDULER_H
#define TALLYVOL_PLATFORM_TASKSCHEDULER_TASKSCHEDULER_H

#include "platform/taskscheduler/CronTrigger.h"
#include "platform/taskscheduler/CrontabDocument.h"
#include "platform/taskscheduler/TaskSchedulerErrors.h"

#include <functional>
#include <string>
#include <vector>

namespace platform::taskscheduler {

struct AlertTask {
    std::string name;
    std::string comment;
    std::string creator;
    std::string application;
    std::string parameters;
    std::vector<CronTrigger> triggers;
    EnvironmentEntries environment; // what the cron lines set before the program

    bool Scheduled() const { return !triggers.empty(); }
};

class TaskScheduler {
public:
    // `runAsUser` names the account whose crontab holds the tasks (root only, unless it is the
    // caller's own); empty means the caller's own crontab.
    explicit TaskScheduler(std::string runAsUser = {});

    // The tasks whose creator equals `creator` without regard to case, in crontab order.
    HRESULT ListAlertTasks(const std::string& creator, std::vector<AlertTask>* tasks);

    // Creates a task with the next free name: `name`, else "%s [%d].%s" with the stem before its
    // last "." and N = 2 ... 999 (E_FILEEXISTS when none is free or the name has no ".").
    // *createdName receives the name used. The environment the scheduled run needs is taken
    // from this process (CarriedEnvironment). Nothing is written when any text cannot be put
    // into a crontab (E_INVALIDARG).
    HRESULT CreateAlertTask(const std::string& creator, const std::string& name,
                            const std::string& application, const std::string& parameters,
                            const std::string& comment, std::string* createdName,
                            const std::vector<CronTrigger>& triggers = {});

    // Rewrites an existing task's application, parameters and comment (and the carried
    // environment, from this process); its name, creator and triggers stay.
    HRESULT UpdateAlertTask(const std::string& name, const std::string& application,
                            const std::string& parameters, const std::string& comment);

    HRESULT IsScheduled(const std::string& name, bool* scheduled);
    HRESULT ReadAlertParameters(const std::string& name, std::string* parameters);
    HRESULT DeleteAlertTask(const std::string& name);

    // Everything about one task, for the Schedule dialog.
    HRESULT ReadAlertTask(const std::string& name, AlertTask* task);
    // The triggers of a task, for the Schedule dialog, and their replacement.
    HRESULT ReadAlertTriggers(const std::string& name, std::vector<CronTrigger>* triggers);
    HRESULT WriteAlertTriggers(const std::string& name, const std::vector<CronTrigger>& triggers);

    // Moves the task, with `triggers` in place of its own, into the crontab of `account` (empty:
    // the caller's own); its name, texts and carried environment stay. Another account's
    // crontab is root's to use. E_FILEEXISTS when that crontab holds a task of the name. Both
    // crontabs change under their locks; when the old one cannot be written the new one is
    // restored, so the task is never lost nor left twice. Within one crontab this is
    // WriteAlertTriggers.
    HRESULT MoveAlertTask(const std::string& name, const std::string& account,
                          const std::vector<CronTrigger>& triggers);

    // Why the last operation failed; empty after a success.
    const std::string& LastErrorText() const { return m_lastError; }
    const std::string& RunAsUser() const { return m_runAsUser; }

private:
    // Resolves the account and, for another account, checks that the caller is root.
    HRESULT prepare();
    HRESULT read(CrontabDocument* document);
    HRESULT change(const std::function<HRESULT(CrontabDocument&)>& edit);
    HRESULT moveBetweenCrontabs(const std::string& name, TaskScheduler& target,
                                const std::vector<CronTrigger>& triggers);
    HRESULT readTask(const std::string& name, TaskBlock* block);
    HRESULT fail(HRESULT result, std::string text);
    // Runs an operation; an exception inside it becomes E_FAIL with its text.
    HRESULT guarded(const std::function<HRESULT()>& operation);

    std::string m_runAsUser;
    std::string m_crontabUser; // passed to crontab -u; empty for the caller's own crontab
    unsigned m_uid = 0;
    std::string m_lastError;
};

} // namespace platform::taskscheduler

#endif
