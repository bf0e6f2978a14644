/*
 * The preferences (template 130): display units, the cluster setting, what a double-click and
 * a scan do, update checks, blank rows, the date format, logging and the automatic deletion of
 * old scans, plus buttons to the window font, the cluster-size overrides, the database
 * configuration, the about box and the vendor's feedback page. The values come from the main
 * dialog object and the settings (app::Preferences) and go back on OK only; the font, the
 * overrides and the database configuration take effect as soon as their own windows end.
 * After the window closes, the main window reopens its store and refreshes. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_CPREFERENCESDLG_H
#define TALLYVOL_APP_UI_CPREFERENCESDLG_H

#include "app/Preferences.h"
#include "app/ui/TemplateDialog.h"

namespace app {
class CTallyvol32Dlg;
}

namespace app::ui {

class CPreferencesDlg : public TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 130;
    enum ControlId : int {
        kUnitsBytes = 1007, kUnitsK = 1008, kUnitsMB = 1009, kUnitsGB = 1010, kUnitsSmart = 1011,
        kClusterNormal = 1012, kClusterCompressed = 1013, kClusterSmart = 1014, kClusterIgnore = 1068,
        kScanOnClick = 1053, kSubDirSave = 1113, kCheckForUpdates = 1121, kShowBlankRows = 1188,
        kSystemTimeFormat = 1246, kLogDirectory = 1150, kDebugLogs = 1149, kLogRun = 1148,
        kManualDays = 1173, kAutomatedDays = 1067,
        kChooseFont = 1105, kResetFont = 1106, kClusterOverrides = 1110, kBrowseLogDirectory = 1151,
        kConfigureDatabase = 1215, kAbout = 1073, kFeedback = 1016,
    };
    // Days beyond about 270 years mean nothing; below 0 would delete every scan.
    static constexpr int kMaxAutoDeleteDays = 99999;

    // `mainWindow` receives the font; `dialog` holds the values the window shows.
    CPreferencesDlg(CTallyvol32Dlg& dialog, QWidget& mainWindow, QWidget* parent);

    // The preferences for the main window, as its Prefs button opens them.
    static void Show(QWidget& mainWindow, CTallyvol32Dlg& dialog);

    // Reads the controls; false (after the field's prompt) when a day count is unusable.
    bool ReadFields();
    void readControls() override { ReadFields(); }
    void pushControls() override;

    Preferences m_values;

private slots:
    void OnDebugLogs(bool checked);
    void OnSubDirSave();
    void OnBrowseLogDirectory();
    void OnChooseFont();
    void OnResetFont();
    void OnClusterOverrides();
    void OnConfigureDatabase();
    void OnAbout();
    void OnFeedback();

protected slots:
    void OnOK() override;

private:
    void OnInitDialog();

    CTallyvol32Dlg& m_dialog;
    QWidget& m_mainWindow;
};

} // namespace app::ui

#endif
