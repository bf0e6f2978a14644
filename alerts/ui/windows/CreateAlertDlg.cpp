#include "alerts/ui/windows/CreateAlertDlg.h"

#include "alerts/AlertTaskSave.h"
#include "alerts/Notification.h"
#include "alerts/ui/windows/NotificationType.h"
#include "alerts/ui/windows/ScheduleDlg.h"
#include "app/RecentDirectories.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/ui/CStaticLink.h"
#include "app/ui/ModalRunner.h"
#include "brand/Brand.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScrollBar>

#include <algorithm>

namespace alerts::ui {

namespace ts = platform::taskscheduler;
namespace pui = platform::ui;
using platform::system::StringPrintf;

namespace {

const char* const kPrompts[] = {
    "Enter a percentage below.  If the specified directory grows by the specified amount (or "
    "more), you will be alerted.",
    "Enter an amount of disk space in K (1024 bytes) below.  If the specified directory grows by "
    "the specified amount, you will be alerted.",
    "Enter a minimum amount of disk space in K (1024 bytes) below.  If your free disk space drops "
    "below this amount, the profile actions will fire.",
    "Enter an integer percentage.  If the free space on the disk drops below this percentage, you "
    "will be alerted.",
    "Enter a maximum size in K (1024 bytes) below.  If this directory uses more than the target "
    "amount, the profile actions will fire.",
    "Enter the command line to be passed to %s every time it is scheduled to run.  The command "
    "line options are described in the help file. (/DIR= passed from above input)",
};

constexpr int kPidRole = Qt::UserRole;

// The system's words for a failure, without the full stop the report's format adds.
std::string failureText(const ts::TaskScheduler& scheduler, ts::HRESULT result) {
    std::string text = scheduler.LastErrorText().empty() ? ts::SystemMessage(result) : scheduler.LastErrorText();
    while (!text.empty() && (text.back() == '.' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

} // namespace

CreateAlertDlg::CreateAlertDlg(std::string taskName, std::string account, std::string currentDirectory,
                               QWidget* parent)
    : TemplateDialog(kTemplate, parent), m_taskName(std::move(taskName)), m_scheduler(std::move(account)),
      m_directory(Control<QComboBox>(kDirectory)), m_profiles(Control<QListWidget>(kProfiles)) {
    OnInitDialog(currentDirectory);
    for (int id : kTypeButtons) {
        connect(Control<QRadioButton>(id), &QRadioButton::clicked, this, &CreateAlertDlg::OnTypeChange);
    }
    const std::pair<int, void (CreateAlertDlg::*)()> buttons[] = {
        {kBrowse, &CreateAlertDlg::OnBrowse},           {kAddProfile, &CreateAlertDlg::OnAddProfile},
        {kEditProfile, &CreateAlertDlg::OnEditProfile}, {kRemoveProfile, &CreateAlertDlg::OnRemoveProfile},
        {kCreate, &CreateAlertDlg::OnNewAlert}};
    for (const auto& [id, handler] : buttons) {
        connect(Control<QAbstractButton>(id), &QAbstractButton::clicked, this, handler);
    }
}

std::string CreateAlertDlg::Prompt(int type) {
    if (type == kAlertCustom) {
        return StringPrintf(kPrompts[kAlertCustom], ProductName3218);
    }
    return type >= kAlertGrowthPercent && type < kAlertCustom ? kPrompts[type] : std::string();
}

void CreateAlertDlg::OnInitDialog(const std::string& currentDirectory) {
    auto* link = Control<app::ui::CStaticLink>(kSymlinkLink);
    if (*SymbolicLinkDetectionLink != '\0') {
        link->SetLink(QString::fromUtf8(SymbolicLinkDetectionLink));
    } else {
        link->hide();
    }

    // The directory the main window shows comes first, then the recent directories.
    std::vector<std::string> directories;
    if (!currentDirectory.empty()) {
        directories.push_back(currentDirectory);
    }
    for (const std::string& recent : app::RecentDirectories()) {
        if (std::find(directories.begin(), directories.end(), recent) == directories.end()) {
            directories.push_back(recent);
        }
    }
    for (const std::string& directory : directories) {
        m_directory->addItem(QString::fromStdString(directory));
    }

    if (!m_taskName.empty()) {
        std::string parameters;
        ts::HRESULT result = m_scheduler.ReadAlertParameters(m_taskName, &parameters);
        if (ts::Failed(result)) {
            app::ReportError(0, StringPrintf("Reading the alert.  The operating system reports: %s.  HR=%0X",
                                             failureText(m_scheduler, result).c_str(),
                                             static_cast<unsigned>(result)));
        }
        m_alert = ParseAlertParameters(parameters);
    }
    fillProfiles(m_alert.profiles);
    pushControls();
}

void CreateAlertDlg::readControls() {
    m_alert.directory = m_directory->currentText().toStdString();
    m_alert.type = -1;
    for (std::size_t type = 0; type < kTypeButtons.size(); ++type) {
        if (Control<QRadioButton>(kTypeButtons[type])->isChecked()) {
            m_alert.type = static_cast<int>(type);
        }
    }
    m_alert.value = Control<QLineEdit>(kValue)->text().toStdString();
    m_alert.saveAllSubdirectories = Control<QCheckBox>(kSaveAll)->isChecked();
    m_alert.symlinkCheck = Control<QCheckBox>(kSymlinkCheck)->isChecked();
    m_alert.profiles = tickedProfiles();
}

void CreateAlertDlg::pushControls() {
    m_directory->setCurrentText(QString::fromStdString(m_alert.directory));
    for (std::size_t type = 0; type < kTypeButtons.size(); ++type) {
        Control<QRadioButton>(kTypeButtons[type])->setChecked(static_cast<int>(type) == m_alert.type);
    }
    Control<QLabel>(kPrompt)->setText(QString::fromStdString(Prompt(m_alert.type)));
    Control<QLineEdit>(kValue)->setText(QString::fromStdString(m_alert.value));
    Control<QCheckBox>(kSaveAll)->setChecked(m_alert.saveAllSubdirectories);
    Control<QCheckBox>(kSymlinkCheck)->setChecked(m_alert.symlinkCheck);
    for (int row = 0; row < m_profiles->count(); ++row) {
        QListWidgetItem* item = m_profiles->item(row);
        int pid = item->data(kPidRole).toInt();
        bool ticked = std::find(m_alert.profiles.begin(), m_alert.profiles.end(), pid) != m_alert.profiles.end();
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
}

void CreateAlertDlg::fillProfiles(const std::vector<int>& ticked) {
    int scrolled = m_profiles->verticalScrollBar()->value();
    m_profiles->clear();
    std::vector<Notification> profiles;
    Notification::LoadAllProfiles(profiles);
    for (const Notification& profile : profiles) {
        auto* item = new QListWidgetItem(
            QString::fromStdString(StringPrintf("%s  (PID=%d)", profile.Description.c_str(), profile.PID)),
            m_profiles);
        item->setData(kPidRole, profile.PID);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        bool tick = std::find(ticked.begin(), ticked.end(), profile.PID) != ticked.end();
        item->setCheckState(tick ? Qt::Checked : Qt::Unchecked);
    }
    m_profiles->verticalScrollBar()->setValue(scrolled);
}

std::vector<int> CreateAlertDlg::tickedProfiles() const {
    std::vector<int> ticked;
    for (int row = 0; row < m_profiles->count(); ++row) {
        if (m_profiles->item(row)->checkState() == Qt::Checked) {
            ticked.push_back(m_profiles->item(row)->data(kPidRole).toInt());
        }
    }
    return ticked;
}

std::optional<int> CreateAlertDlg::selectedProfile() const {
    QList<QListWidgetItem*> selected = m_profiles->selectedItems();
    if (selected.isEmpty()) {
        return std::nullopt;
    }
    return selected.first()->data(kPidRole).toInt();
}

void CreateAlertDlg::OnTypeChange() {
    try {
        for (std::size_t type = 0; type < kTypeButtons.size(); ++type) {
            if (Control<QRadioButton>(kTypeButtons[type])->isChecked()) {
                Control<QLabel>(kPrompt)->setText(QString::fromStdString(Prompt(static_cast<int>(type))));
            }
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnTypeChange\n");
    }
}

void CreateAlertDlg::OnBrowse() {
    try {
        QFileDialog chooser(this, QStringLiteral("Enter the path to the data directories"), m_directory->currentText());
        chooser.setFileMode(QFileDialog::Directory);
        chooser.setOption(QFileDialog::ShowDirsOnly);
        if (app::ui::RunModal(chooser) == QDialog::Accepted && !chooser.selectedFiles().isEmpty()) {
            m_directory->setCurrentText(chooser.selectedFiles().first());
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnBrowse\n");
    }
}

void CreateAlertDlg::OnAddProfile() {
    try {
        NotificationType editor(this);
        editor.Exec();
        // Refilled after Cancel too: a test notification has saved the profile.
        fillProfiles(tickedProfiles());
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnAddProfile\n");
    }
}

void CreateAlertDlg::OnEditProfile() {
    try {
        std::optional<int> pid = selectedProfile();
        if (!pid) {
            pui::UI().MessageBox("Select a profile to edit and try again", "No Profile Selected", pui::MB_OK);
            return;
        }
        NotificationType editor(*pid, this);
        editor.Exec();
        fillProfiles(tickedProfiles());
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnEditProfile\n");
    }
}

void CreateAlertDlg::OnRemoveProfile() {
    try {
        std::optional<int> pid = selectedProfile();
        if (!pid) {
            pui::UI().MessageBox("Select a profile to delete and try again", "No Profile Selected", pui::MB_OK);
            return;
        }
        Notification::DeleteProfile(*pid);
        fillProfiles(tickedProfiles());
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnRemoveProfile\n");
    }
}

void CreateAlertDlg::OnNewAlert() {
    try {
        readControls();
        MissingAlertInput missing = FindMissingAlertInput(m_alert);
        if (!missing.text.empty()) {
            pui::UI().MessageBox(missing.text, missing.caption, pui::MB_OK);
            return;
        }
        AlertTaskSaveResult saved =
            SaveAlertTask(m_alert, m_taskName, m_scheduler, [this](const std::string& name) {
                return EditAlertSchedule(m_scheduler, name, this);
            });
        if (!saved.taskName.empty()) {
            m_taskName = saved.taskName;
        }
        if (saved.outcome == AlertEditorOutcome::Confirmed) {
            accept();
        } else if (saved.outcome == AlertEditorOutcome::Cancelled) {
            QDialog::reject();
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnNewAlert\n");
        app::ReportError(0, "Creating the new alert");
    }
}

} // namespace alerts::ui
