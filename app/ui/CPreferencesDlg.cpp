#include "app/ui/CPreferencesDlg.h"

#include "app/CTallyvol32Dlg.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/Settings.h"
#include "app/ui/CAboutDlg.h"
#include "app/ui/CGetClusterSize.h"
#include "app/ui/ModalRunner.h"
#include "app/ui/NumberField.h"
#include "app/ui/ShellOpen.h"
#include "app/ui/WindowFont.h"
#include "app/ui/WindowHooks.h"
#include "brand/Brand.h"
#include "platform/ui/IUserInterface.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QRadioButton>

#include <iterator>

namespace app::ui {

namespace ui = platform::ui;

namespace {

// Radio buttons in the order of the values they stand for (1, 2, ...).
constexpr int kUnitButtons[] = {CPreferencesDlg::kUnitsBytes, CPreferencesDlg::kUnitsK, CPreferencesDlg::kUnitsMB,
                                CPreferencesDlg::kUnitsGB, CPreferencesDlg::kUnitsSmart};
constexpr int kClusterButtons[] = {CPreferencesDlg::kClusterNormal, CPreferencesDlg::kClusterCompressed,
                                   CPreferencesDlg::kClusterSmart, CPreferencesDlg::kClusterIgnore};

constexpr const char* kLoggingWarning =
    "WARNING: Enabling this setting will considerably slow down scanning performance and can produce very large "
    "log files.  Typically this should only be enabled when you are asked to turn it on for tracking down a "
    "problem.";

} // namespace

CPreferencesDlg::CPreferencesDlg(CTallyvol32Dlg& dialog, QWidget& mainWindow, QWidget* parent)
    : TemplateDialog(kTemplate, parent), m_dialog(dialog), m_mainWindow(mainWindow) {
    auto button = [this](int id) { return Control<QAbstractButton>(id); };
    connect(Control<QCheckBox>(kDebugLogs), &QCheckBox::clicked, this, &CPreferencesDlg::OnDebugLogs);
    connect(button(kSubDirSave), &QAbstractButton::clicked, this, &CPreferencesDlg::OnSubDirSave);
    connect(button(kBrowseLogDirectory), &QAbstractButton::clicked, this, &CPreferencesDlg::OnBrowseLogDirectory);
    connect(button(kChooseFont), &QAbstractButton::clicked, this, &CPreferencesDlg::OnChooseFont);
    connect(button(kResetFont), &QAbstractButton::clicked, this, &CPreferencesDlg::OnResetFont);
    connect(button(kClusterOverrides), &QAbstractButton::clicked, this, &CPreferencesDlg::OnClusterOverrides);
    connect(button(kConfigureDatabase), &QAbstractButton::clicked, this, &CPreferencesDlg::OnConfigureDatabase);
    connect(button(kAbout), &QAbstractButton::clicked, this, &CPreferencesDlg::OnAbout);
    connect(button(kFeedback), &QAbstractButton::clicked, this, &CPreferencesDlg::OnFeedback);
    OnInitDialog();
}

void CPreferencesDlg::Show(QWidget& mainWindow, CTallyvol32Dlg& dialog) {
    CPreferencesDlg preferences(dialog, mainWindow, &mainWindow);
    preferences.Exec();
}

void CPreferencesDlg::OnInitDialog() {
    try {
        m_values = Preferences::Read(m_dialog);
        pushControls();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnInitDialog\n");
        ReportError(0, "Initializing the Preferences dialog");
    }
}

void CPreferencesDlg::pushControls() {
    // A stored value outside the choices ticks no button, as a radio group given an index
    // beyond its buttons does.
    auto pushRadio = [this](const int* ids, int count, int value) {
        for (int i = 0; i < count; ++i) {
            auto* radio = Control<QRadioButton>(ids[i]);
            radio->setAutoExclusive(false);
            radio->setChecked(i == value - 1);
            radio->setAutoExclusive(true);
        }
    };
    pushRadio(kUnitButtons, static_cast<int>(std::size(kUnitButtons)), m_values.units);
    pushRadio(kClusterButtons, static_cast<int>(std::size(kClusterButtons)), m_values.clusterSetting);
    auto pushCheck = [this](int id, bool on) { Control<QCheckBox>(id)->setChecked(on); };
    pushCheck(kScanOnClick, m_values.scanOnClick);
    pushCheck(kSubDirSave, m_values.saveSubdirs);
    pushCheck(kCheckForUpdates, m_values.checkForUpdates);
    pushCheck(kShowBlankRows, m_values.showBlankRows);
    pushCheck(kSystemTimeFormat, m_values.useSystemTimeFormat);
    pushCheck(kDebugLogs, m_values.debugLogs);
    pushCheck(kLogRun, m_values.logRun);
    Control<QLineEdit>(kLogDirectory)->setText(QString::fromStdString(m_values.logDirectory));
    Control<QLineEdit>(kManualDays)->setText(QString::number(m_values.manualAutoDeleteDays));
    Control<QLineEdit>(kAutomatedDays)->setText(QString::number(m_values.automatedAutoDeleteDays));
}

bool CPreferencesDlg::ReadFields() {
    auto readRadio = [this](const int* ids, int count, int* value) {
        for (int i = 0; i < count; ++i) {
            if (Control<QRadioButton>(ids[i])->isChecked()) {
                *value = i + 1;
            }
        }
    };
    readRadio(kUnitButtons, static_cast<int>(std::size(kUnitButtons)), &m_values.units);
    readRadio(kClusterButtons, static_cast<int>(std::size(kClusterButtons)), &m_values.clusterSetting);
    auto checked = [this](int id) { return Control<QCheckBox>(id)->isChecked(); };
    m_values.scanOnClick = checked(kScanOnClick);
    m_values.saveSubdirs = checked(kSubDirSave);
    m_values.checkForUpdates = checked(kCheckForUpdates);
    m_values.showBlankRows = checked(kShowBlankRows);
    m_values.useSystemTimeFormat = checked(kSystemTimeFormat);
    m_values.debugLogs = checked(kDebugLogs);
    m_values.logRun = checked(kLogRun);
    m_values.logDirectory = Control<QLineEdit>(kLogDirectory)->text().toStdString();
    long long days = 0;
    if (!ReadNumberField(*Control<QLineEdit>(kManualDays), 0, kMaxAutoDeleteDays, &days)) {
        return false;
    }
    m_values.manualAutoDeleteDays = static_cast<int>(days);
    if (!ReadNumberField(*Control<QLineEdit>(kAutomatedDays), 0, kMaxAutoDeleteDays, &days)) {
        return false;
    }
    m_values.automatedAutoDeleteDays = static_cast<int>(days);
    return true;
}

void CPreferencesDlg::OnDebugLogs(bool checked) {
    if (checked) {
        ui::UI().MessageBox(kLoggingWarning, "Logging Warning", ui::MB_OK | ui::MB_ICONEXCLAMATION);
    }
}

void CPreferencesDlg::OnSubDirSave() {
    readControls();
}

void CPreferencesDlg::OnBrowseLogDirectory() {
    try {
        auto* edit = Control<QLineEdit>(kLogDirectory);
        QFileDialog chooser(this, QStringLiteral("Select the log directory"), edit->text());
        chooser.setFileMode(QFileDialog::Directory);
        chooser.setOption(QFileDialog::ShowDirsOnly);
        if (RunModal(chooser) == QDialog::Accepted && !chooser.selectedFiles().isEmpty()) {
            edit->setText(chooser.selectedFiles().first());
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnLogDirBrowse\n");
    }
}

void CPreferencesDlg::OnChooseFont() {
    try {
        QFontDialog chooser(FontFromRecord(GetFontRecord()), this);
        if (RunModal(chooser) != QDialog::Accepted) {
            return;
        }
        SetFontRecord(RecordFromFont(chooser.selectedFont()));
        // Applied from the stored record, so the window looks as it will at the next start.
        ApplyFont(m_mainWindow);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnChooseFont\n");
    }
}

void CPreferencesDlg::OnResetFont() {
    try {
        SetFontRecord(DefaultFontRecord());
        ApplyFont(m_mainWindow);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnResetFont\n");
    }
}

void CPreferencesDlg::OnClusterOverrides() {
    try {
        CGetClusterSize overrides(this);
        overrides.Exec();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnClusterSize\n");
    }
}

void CPreferencesDlg::OnConfigureDatabase() {
    try {
        if (WindowHooks::Instance().databaseWizard) {
            WindowHooks::Instance().databaseWizard();
        } else {
            TV_DEBUG_LOG("The database configuration wizard is not part of this window library");
        }
        // The next store operation connects with whatever the wizard configured.
        m_dialog.m_scanInfo.ResetConnections();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnConfigureDatabase\n");
    }
}

void CPreferencesDlg::OnAbout() {
    CAboutDlg::Show(this);
}

void CPreferencesDlg::OnFeedback() {
    try {
        ShellOpen(QString::fromUtf8(FeedbackURL));
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnFeedback\n");
    }
}

void CPreferencesDlg::OnOK() {
    try {
        if (!ReadFields()) {
            return;
        }
        m_values.Apply(m_dialog);
        if (m_values.checkForUpdates && WindowHooks::Instance().startUpdateCheck) {
            WindowHooks::Instance().startUpdateCheck(m_mainWindow, m_dialog);
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnOK\n");
        ReportError(0, "Processing the Preferences");
    }
    TemplateDialog::OnOK();
}

} // namespace app::ui
