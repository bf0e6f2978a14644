/*
 * The alert list (template 157): every alert task of the user's crontab, by its description,
 * marked "** Not Scheduled **  " while it has no trigger, with buttons that add, edit and
 * remove alerts. Opening it makes sure cron runs. For root the list also holds the alerts it
 * scheduled to run as other accounts (from their crontabs), each marked with its account.
 * GUI thread.
 */
#ifndef TALLYVOL_ALERTS_UI_WINDOWS_CALERTDLG_H
#define TALLYVOL_ALERTS_UI_WINDOWS_CALERTDLG_H

#include "app/ui/TemplateDialog.h"

#include <functional>
#include <string>
#include <vector>

class QListWidget;

namespace alerts::ui {

class CAlertDlg : public app::ui::TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 157;
    enum ControlId : int { kList = 1074, kAddAlert = 1174, kEditAlert = 1175, kRemoveAlert = 1076 };

    // The accounts besides the caller's own whose crontabs are listed; OtherCrontabAccounts
    // unless a test names them.
    using AccountLister = std::function<std::vector<std::string>()>;

    // `directory` is the main window's, offered first to a new alert.
    explicit CAlertDlg(std::string directory, QWidget* parent = nullptr, AccountLister otherAccounts = {});

    // The text of a line for a task of `account`'s crontab (empty: the caller's own).
    static std::string LineText(const std::string& comment, bool scheduled, const std::string& account);

public slots:
    void FillEventList();
    void OnAddAlert();
    void OnEditAlert();
    void OnRemoveAlert();

private:
    void fillAccount(const std::string& account);

    std::string m_directory;
    AccountLister m_otherAccounts;
    QListWidget* m_list;
};

} // namespace alerts::ui

#endif
