/*
 * The alert editor, "Create New Alert" (template 176): the directory to check, the alert type
 * and its value, whether to save every subdirectory's data, the symbolic-link check and the
 * notification profiles to use, with buttons that add, edit and remove profiles. Opened empty
 * for a new alert, or on an existing task, whose parameters it reads back (upper-cased, as the
 * program always read them). "Create Alert and Set Run Schedule ..." checks the input, then
 * creates or updates the task and opens the Schedule dialog (SaveAlertTask, EditAlertSchedule).
 * GUI thread.
 */
#ifndef TALLYVOL_ALERTS_UI_WINDOWS_CREATEALERTDLG_H
#define TALLYVOL_ALERTS_UI_WINDOWS_CREATEALERTDLG_H

#include "alerts/AlertTaskText.h"
#include "app/ui/TemplateDialog.h"
#include "platform/taskscheduler/TaskScheduler.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QListWidget;

namespace alerts::ui {

class CreateAlertDlg : public app::ui::TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 176;
    enum ControlId : int {
        kDirectory = 1081, kBrowse = 1088, kPrompt = 1083, kValue = 1080, kSaveAll = 1177,
        kSymlinkCheck = 3000, kSymlinkLink = 3001, kProfiles = 1134, kAddProfile = 1135,
        kEditProfile = 1137, kRemoveProfile = 1136, kCreate = 1082,
    };
    // The type buttons, types 0 to 5.
    static constexpr std::array<int, 6> kTypeButtons = {1077, 1078, 1079, 1193, 1245, 1087};

    // `taskName` is the task to edit (empty for a new alert) in the crontab of `account`
    // (empty: the caller's own). `currentDirectory` (the main window's) heads the directory list.
    CreateAlertDlg(std::string taskName, std::string account, std::string currentDirectory,
                   QWidget* parent);

    void readControls() override;
    void pushControls() override;

    // The prompt of a type.
    static std::string Prompt(int type);

    AlertDefinition m_alert; // the type is -1 while no type button is chosen
    std::string m_taskName;  // the task saved last, or the one being edited

public slots:
    void OnTypeChange();
    void OnBrowse();
    void OnAddProfile();
    void OnEditProfile();
    void OnRemoveProfile();
    void OnNewAlert();

private:
    void OnInitDialog(const std::string& currentDirectory);
    void fillProfiles(const std::vector<int>& ticked);
    std::vector<int> tickedProfiles() const;
    std::optional<int> selectedProfile() const;

    platform::taskscheduler::TaskScheduler m_scheduler;
    QComboBox* m_directory;
    QListWidget* m_profiles;
};

} // namespace alerts::ui

#endif
