#include "alerts/ui/windows/CAlertDlg.h"

#include "alerts/AlertTaskText.h"
#include "alerts/ui/windows/CreateAlertDlg.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "brand/Brand.h"
#include "platform/system/StringPrintf.h"
#include "platform/taskscheduler/CronDaemon.h"
#include "platform/taskscheduler/CrontabAccounts.h"
#include "platform/taskscheduler/TaskScheduler.h"
#include "platform/ui/IUserInterface.h"

#include <QAbstractButton>
#include <QListWidget>

namespace alerts::ui {

namespace ts = platform::taskscheduler;
namespace pui = platform::ui;
using platform::system::StringPrintf;

namespace {

constexpr int kNameRole = Qt::UserRole;
constexpr int kAccountRole = Qt::UserRole + 1;

} // namespace

CAlertDlg::CAlertDlg(std::string directory, QWidget* parent, AccountLister otherAccounts)
    : TemplateDialog(kTemplate, parent), m_directory(std::move(directory)),
      m_otherAccounts(otherAccounts ? std::move(otherAccounts) : AccountLister([] { return ts::OtherCrontabAccounts(); })),
      m_list(Control<QListWidget>(kList)) {
    const std::pair<int, void (CAlertDlg::*)()> buttons[] = {{kAddAlert, &CAlertDlg::OnAddAlert},
                                                             {kEditAlert, &CAlertDlg::OnEditAlert},
                                                             {kRemoveAlert, &CAlertDlg::OnRemoveAlert}};
    for (const auto& [id, handler] : buttons) {
        connect(Control<QAbstractButton>(id), &QAbstractButton::clicked, this, handler);
    }
    ts::StartTaskScheduler(stdout);
    FillEventList();
}

std::string CAlertDlg::LineText(const std::string& comment, bool scheduled, const std::string& account) {
    std::string text = AlertListText(comment, scheduled);
    return account.empty() ? text : text + "  (runs as " + account + ")";
}

void CAlertDlg::FillEventList() {
    try {
        m_list->clear();
        fillAccount({});
        for (const std::string& account : m_otherAccounts()) {
            fillAccount(account);
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in FillEventList\n");
        app::ReportError(0, "Displaying alert list");
    }
}

void CAlertDlg::fillAccount(const std::string& account) {
    ts::TaskScheduler scheduler(account);
    std::vector<ts::AlertTask> tasks;
    ts::HRESULT result = scheduler.ListAlertTasks(TALLYVOLTASKCREATOR, &tasks);
    if (ts::Failed(result)) {
        // Another account's crontab that cannot be read (cron.deny, say) holds none of root's
        // alerts; only a failure with the user's own is news.
        if (account.empty()) {
            app::ReportError(0, StringPrintf(kListAlertsFailedFormat, static_cast<unsigned>(result)));
        } else {
            TV_DEBUG_LOG("Listing the alerts of %s: %s", account.c_str(), scheduler.LastErrorText().c_str());
        }
        return;
    }
    for (const ts::AlertTask& task : tasks) {
        auto* item = new QListWidgetItem(QString::fromStdString(LineText(task.comment, task.Scheduled(), account)));
        item->setData(kNameRole, QString::fromStdString(task.name));
        item->setData(kAccountRole, QString::fromStdString(account));
        m_list->addItem(item);
    }
}

void CAlertDlg::OnAddAlert() {
    try {
        CreateAlertDlg editor({}, {}, m_directory, this);
        editor.Exec();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnAddAlert\n");
    }
    FillEventList();
}

void CAlertDlg::OnEditAlert() {
    try {
        QList<QListWidgetItem*> selected = m_list->selectedItems();
        if (selected.isEmpty()) {
            pui::UI().MessageBox("Please select an alert to edit and try again", "No Selection", pui::MB_OK);
            return;
        }
        CreateAlertDlg editor(selected.first()->data(kNameRole).toString().toStdString(),
                              selected.first()->data(kAccountRole).toString().toStdString(), m_directory, this);
        editor.Exec();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnEditAlert\n");
    }
    FillEventList();
}

void CAlertDlg::OnRemoveAlert() {
    try {
        QList<QListWidgetItem*> selected = m_list->selectedItems();
        if (selected.isEmpty()) {
            pui::UI().MessageBox("Please select an alert to remove and try again", "No Selection", pui::MB_OK);
            return;
        }
        ts::TaskScheduler scheduler(selected.first()->data(kAccountRole).toString().toStdString());
        ts::HRESULT result = scheduler.DeleteAlertTask(selected.first()->data(kNameRole).toString().toStdString());
        if (ts::Failed(result)) {
            app::ReportError(0, StringPrintf(kDeleteAlertFailedFormat, static_cast<unsigned>(result)));
            return;
        }
        FillEventList();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnRemoveAlert\n");
        app::ReportError(0, "Removing alert");
    }
}

} // namespace alerts::ui
