#include "alerts/ui/windows/ScheduleDlg.h"

#include "app/base/DiagnosticLog.h"
#include "platform/system/StringPrintf.h"
#include "platform/taskscheduler/CronCommand.h"
#include "platform/taskscheduler/CrontabAccounts.h"
#include "platform/ui/IUserInterface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTimeEdit>

namespace alerts::ui {

namespace ts = platform::taskscheduler;
namespace pui = platform::ui;
using platform::system::StringPrintf;

namespace {

constexpr const char* kCaption = "Schedule";
constexpr int kUnitMinutes = 0;
constexpr int kUnitHours = 1;
constexpr int kLastMinute = 59;
constexpr int kLastHour = 23;
// Monday to Friday: what a new weekly trigger proposes.
constexpr unsigned kWorkingDays = 0x3E;

void tell(const std::string& text) {
    pui::UI().MessageBox(text, kCaption, pui::MB_OK | pui::MB_ICONEXCLAMATION);
}

std::string trimmed(const QString& text) {
    return text.trimmed().toStdString();
}

} // namespace

ScheduleDlg::ScheduleDlg(ts::TaskScheduler& scheduler, ts::AlertTask task, QWidget* parent)
    : TemplateDialog(kTemplate, parent), m_scheduler(scheduler), m_task(std::move(task)),
      m_list(Control<QListWidget>(kTriggers)), m_kind(Control<QComboBox>(kKind)) {
    m_triggers = m_task.triggers;
    m_runAs = currentAccount();

    Control<QLabel>(kTask)->setText(QString::fromStdString(m_task.comment));
    bool root = ts::MayUseOtherCrontabs();
    for (int id : {kRunAsLabel, kRunAs, kRunAsNote}) {
        Control<QWidget>(id)->setVisible(root);
    }
    if (root) {
        auto* runAs = Control<QComboBox>(kRunAs);
        for (const std::string& account : ts::RunAsAccounts()) {
            runAs->addItem(QString::fromStdString(account));
        }
    }
    Control<QPlainTextEdit>(kLines)->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Control<QPlainTextEdit>(kLines)->setPlaceholderText(
        QStringLiteral("No lines: the alert is not scheduled."));

    // What the fields propose before a trigger is chosen.
    Control<QTimeEdit>(kTime)->setTime(QTime(2, 0));
    for (int day = 0; day < 7; ++day) {
        dayBox(day)->setChecked((kWorkingDays & (1u << day)) != 0);
    }

    connect(Control<QAbstractButton>(kAdd), &QAbstractButton::clicked, this, &ScheduleDlg::OnAdd);
    connect(Control<QAbstractButton>(kChange), &QAbstractButton::clicked, this, &ScheduleDlg::OnChange);
    connect(Control<QAbstractButton>(kRemove), &QAbstractButton::clicked, this, &ScheduleDlg::OnRemove);
    connect(m_list, &QListWidget::currentRowChanged, this, &ScheduleDlg::OnSelectTrigger);
    connect(m_kind, qOverload<int>(&QComboBox::currentIndexChanged), this, &ScheduleDlg::OnKindChange);
    connect(Control<QComboBox>(kEveryUnit), qOverload<int>(&QComboBox::currentIndexChanged), this,
            &ScheduleDlg::OnUnitChange);
    pushControls();
    OnKindChange();
}

std::string ScheduleDlg::currentAccount() const {
    return m_scheduler.RunAsUser().empty() ? ts::CurrentAccountName() : m_scheduler.RunAsUser();
}

QCheckBox* ScheduleDlg::dayBox(int day) const {
    return Control<QCheckBox>(kSunday + day);
}

void ScheduleDlg::readControls() {
    if (ts::MayUseOtherCrontabs()) {
        m_runAs = trimmed(Control<QComboBox>(kRunAs)->currentText());
    }
}

void ScheduleDlg::pushControls() {
    if (ts::MayUseOtherCrontabs()) {
        Control<QComboBox>(kRunAs)->setCurrentText(QString::fromStdString(m_runAs));
    }
    fillTriggers(m_triggers.empty() ? -1 : 0);
}

void ScheduleDlg::fillTriggers(int selectRow) {
    {
        QSignalBlocker blocker(m_list);
        m_list->clear();
        for (const ts::CronTrigger& trigger : m_triggers) {
            std::string description = trigger.Describe();
            if (trigger.GetKind() == ts::CronTrigger::Kind::Custom) {
                description = "At the cron time " + description;
            }
            m_list->addItem(QString::fromStdString(description));
        }
    }
    if (selectRow >= 0 && selectRow < m_list->count()) {
        m_list->setCurrentRow(selectRow);
    }
    showLines();
}

void ScheduleDlg::showLines() {
    std::string problem;
    std::string command = ts::BuildCronCommand(m_task.environment, m_task.application,
                                               m_task.parameters, &problem);
    QStringList lines;
    for (const ts::CronTrigger& trigger : m_triggers) {
        lines.append(QString::fromStdString(trigger.Specification() + " " + command));
    }
    Control<QPlainTextEdit>(kLines)->setPlainText(lines.join(QLatin1Char('\n')));
}

int ScheduleDlg::selectedRow() const {
    QList<QListWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->row(selected.first());
}

void ScheduleDlg::OnKindChange() {
    int kind = m_kind->currentIndex();
    bool timed = kind == kDaily || kind == kWeekly || kind == kMonthly;
    Control<QWidget>(kTime)->setEnabled(timed);
    for (int day = 0; day < 7; ++day) {
        dayBox(day)->setEnabled(kind == kWeekly);
    }
    Control<QWidget>(kDayOfMonth)->setEnabled(kind == kMonthly);
    Control<QWidget>(kEvery)->setEnabled(kind == kRepeatedly);
    Control<QWidget>(kEveryUnit)->setEnabled(kind == kRepeatedly);
    Control<QWidget>(kCronTime)->setEnabled(kind == kCronTimeKind);
}

void ScheduleDlg::OnUnitChange() {
    // cron repeats within the hour, or within the day: 1-59 minutes or 1-23 hours.
    auto* every = Control<QSpinBox>(kEvery);
    every->setMaximum(Control<QComboBox>(kEveryUnit)->currentIndex() == kUnitHours ? kLastHour
                                                                                   : kLastMinute);
}

void ScheduleDlg::OnSelectTrigger() {
    try {
        int row = selectedRow();
        if (row >= 0 && row < static_cast<int>(m_triggers.size())) {
            showTrigger(m_triggers[static_cast<std::size_t>(row)]);
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnSelectTrigger\n");
    }
}

void ScheduleDlg::showTrigger(const ts::CronTrigger& trigger) {
    QTime time(trigger.Hour(), trigger.Minute());
    switch (trigger.GetKind()) {
    case ts::CronTrigger::Kind::Daily:
        m_kind->setCurrentIndex(kDaily);
        Control<QTimeEdit>(kTime)->setTime(time);
        break;
    case ts::CronTrigger::Kind::Weekly:
        m_kind->setCurrentIndex(kWeekly);
        Control<QTimeEdit>(kTime)->setTime(time);
        for (int day = 0; day < 7; ++day) {
            dayBox(day)->setChecked((trigger.Days() & (1u << day)) != 0);
        }
        break;
    case ts::CronTrigger::Kind::Monthly:
        m_kind->setCurrentIndex(kMonthly);
        Control<QTimeEdit>(kTime)->setTime(time);
        Control<QSpinBox>(kDayOfMonth)->setValue(trigger.DayOfMonth());
        break;
    case ts::CronTrigger::Kind::EveryMinutes: {
        m_kind->setCurrentIndex(kRepeatedly);
        bool hours = trigger.IntervalMinutes() >= 60;
        Control<QComboBox>(kEveryUnit)->setCurrentIndex(hours ? kUnitHours : kUnitMinutes);
        Control<QSpinBox>(kEvery)->setValue(hours ? trigger.IntervalMinutes() / 60
                                                  : trigger.IntervalMinutes());
        break;
    }
    case ts::CronTrigger::Kind::AtStartup:
        m_kind->setCurrentIndex(kAtStartup);
        break;
    case ts::CronTrigger::Kind::Custom:
        m_kind->setCurrentIndex(kCronTimeKind);
        Control<QLineEdit>(kCronTime)->setText(QString::fromStdString(trigger.Specification()));
        break;
    }
}

std::optional<ts::CronTrigger> ScheduleDlg::editedTrigger() {
    QTime time = Control<QTimeEdit>(kTime)->time();
    switch (m_kind->currentIndex()) {
    case kDaily:
        return ts::CronTrigger::Daily(time.hour(), time.minute());
    case kWeekly: {
        unsigned days = 0;
        for (int day = 0; day < 7; ++day) {
            days |= dayBox(day)->isChecked() ? 1u << day : 0u;
        }
        std::optional<ts::CronTrigger> weekly = ts::CronTrigger::Weekly(days, time.hour(), time.minute());
        if (!weekly) {
            tell("Choose at least one day of the week.");
        }
        return weekly;
    }
    case kMonthly:
        return ts::CronTrigger::Monthly(Control<QSpinBox>(kDayOfMonth)->value(), time.hour(),
                                        time.minute());
    case kRepeatedly: {
        int every = Control<QSpinBox>(kEvery)->value();
        bool hours = Control<QComboBox>(kEveryUnit)->currentIndex() == kUnitHours;
        return ts::CronTrigger::EveryMinutes(hours ? every * 60 : every);
    }
    case kAtStartup:
        return ts::CronTrigger::AtStartup();
    default: {
        std::string specification = trimmed(Control<QLineEdit>(kCronTime)->text());
        std::optional<ts::CronTrigger> parsed = ts::CronTrigger::Parse(specification);
        if (!parsed) {
            tell(StringPrintf("\"%s\" is not a cron time: give five fields (\"30 2 * * *\") or "
                              "@reboot, @hourly, @daily, @weekly, @monthly.",
                              specification.c_str()));
            Control<QLineEdit>(kCronTime)->setFocus();
        }
        return parsed;
    }
    }
}

void ScheduleDlg::OnAdd() {
    try {
        std::optional<ts::CronTrigger> trigger = editedTrigger();
        if (!trigger) {
            return;
        }
        for (std::size_t i = 0; i < m_triggers.size(); ++i) {
            if (m_triggers[i] == *trigger) {
                tell("The alert runs at that time already.");
                m_list->setCurrentRow(static_cast<int>(i));
                return;
            }
        }
        m_triggers.push_back(*trigger);
        fillTriggers(static_cast<int>(m_triggers.size()) - 1);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnAddTrigger\n");
    }
}

void ScheduleDlg::OnChange() {
    try {
        int row = selectedRow();
        if (row < 0) {
            tell("Select a run time to change and try again.");
            return;
        }
        std::optional<ts::CronTrigger> trigger = editedTrigger();
        if (!trigger) {
            return;
        }
        m_triggers[static_cast<std::size_t>(row)] = *trigger;
        fillTriggers(row);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnChangeTrigger\n");
    }
}

void ScheduleDlg::OnRemove() {
    try {
        int row = selectedRow();
        if (row < 0) {
            tell("Select a run time to remove and try again.");
            return;
        }
        m_triggers.erase(m_triggers.begin() + row);
        fillTriggers(std::min(row, static_cast<int>(m_triggers.size()) - 1));
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnRemoveTrigger\n");
    }
}

void ScheduleDlg::OnOK() {
    try {
        readControls();
        std::string account = m_runAs.empty() ? currentAccount() : m_runAs;
        bool move = ts::MayUseOtherCrontabs() && account != currentAccount();
        ts::HRESULT result = move ? m_scheduler.MoveAlertTask(m_task.name, account, m_triggers)
                                  : m_scheduler.WriteAlertTriggers(m_task.name, m_triggers);
        if (ts::Failed(result)) {
            std::string reason = m_scheduler.LastErrorText().empty()
                                     ? ts::SystemMessage(result)
                                     : m_scheduler.LastErrorText();
            while (!reason.empty() && (reason.back() == '.' || reason.back() == ' ')) {
                reason.pop_back();
            }
            tell(StringPrintf("Saving the schedule.  The operating system reports: %s.  HR=%0X",
                              reason.c_str(), static_cast<unsigned>(result)));
            return;
        }
        if (move) {
            m_scheduler = ts::TaskScheduler(account == ts::CurrentAccountName() ? std::string() : account);
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in ScheduleDlg::OnOK\n");
        return;
    }
    TemplateDialog::OnOK();
}

ts::HRESULT EditAlertSchedule(ts::TaskScheduler& scheduler, const std::string& name, QWidget* owner) {
    try {
        ts::AlertTask task;
        ts::HRESULT result = scheduler.ReadAlertTask(name, &task);
        if (ts::Failed(result)) {
            return result;
        }
        ScheduleDlg dialog(scheduler, std::move(task), owner);
        dialog.Exec();
        return ts::S_OK;
    } catch (...) {
        TV_DEBUG_LOG("** Exception in EditAlertSchedule\n");
        return ts::E_FAIL;
    }
}

} // namespace alerts::ui
