/*
 * The Schedule dialog (template 192): when cron runs one alert task. It stands where the task
 * scheduler's property sheet stood: it lists the task's triggers, adds, changes and removes
 * them (daily at a time, weekly on chosen days, monthly on a day, every few minutes or hours,
 * at start-up, or any cron time), shows the crontab lines they make, and lets root choose the
 * account whose crontab holds the task ("Run as"). OK writes the triggers, moving the task
 * when another account was chosen; Cancel writes nothing. The alert editor opens it through
 * EditAlertSchedule. GUI thread.
 */
#ifndef TALLYVOL_ALERTS_UI_WINDOWS_SCHEDULEDLG_H
#define TALLYVOL_ALERTS_UI_WINDOWS_SCHEDULEDLG_H

#include "app/ui/TemplateDialog.h"
#include "platform/taskscheduler/TaskScheduler.h"

#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QListWidget;

namespace alerts::ui {

class ScheduleDlg : public app::ui::TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 192;
    enum ControlId : int {
        kTask = 1301, kRunAsLabel = 1302, kRunAs = 1303, kRunAsNote = 1304, kTriggers = 1305,
        kAdd = 1306, kChange = 1307, kRemove = 1308, kWhen = 1309, kKind = 1310, kTime = 1311,
        kSunday = 1312, // to 1318, Saturday
        kDayOfMonth = 1319, kEvery = 1320, kEveryUnit = 1321, kLines = 1322, kCronTime = 1323,
    };
    // The entries of the "Run:" list.
    enum Kind : int { kDaily, kWeekly, kMonthly, kRepeatedly, kAtStartup, kCronTimeKind };

    // `scheduler` works on the crontab that holds `task`; after a move it works on the new one.
    ScheduleDlg(platform::taskscheduler::TaskScheduler& scheduler,
                platform::taskscheduler::AlertTask task, QWidget* parent);

    void readControls() override;
    void pushControls() override;

    std::vector<platform::taskscheduler::CronTrigger> m_triggers;
    std::string m_runAs; // the account whose crontab is to hold the task

public slots:
    void OnAdd();
    void OnChange();
    void OnRemove();
    void OnSelectTrigger();
    void OnKindChange();
    void OnUnitChange();

protected slots:
    void OnOK() override;

private:
    // The trigger the "When" fields describe; nothing (and the user told why) when they
    // describe none.
    std::optional<platform::taskscheduler::CronTrigger> editedTrigger();
    void showTrigger(const platform::taskscheduler::CronTrigger& trigger);
    void fillTriggers(int selectRow);
    void showLines();
    int selectedRow() const;
    QCheckBox* dayBox(int day) const;
    std::string currentAccount() const;

    platform::taskscheduler::TaskScheduler& m_scheduler;
    platform::taskscheduler::AlertTask m_task;
    QListWidget* m_list;
    QComboBox* m_kind;
};

// Opens the Schedule dialog on the task `name` of `scheduler`'s crontab, owned by `owner`. S_OK
// whether the user confirmed or cancelled; the failure when the task could not be read.
platform::taskscheduler::HRESULT EditAlertSchedule(platform::taskscheduler::TaskScheduler& scheduler,
                                                   const std::string& name, QWidget* owner);

} // namespace alerts::ui

#endif
