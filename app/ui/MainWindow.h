/*
 * The program's main window (template 102) over the main dialog object: the directory box with
 * its recent directories, Scan, the grid of the loaded scans, the view and sort choices, free
 * space and cluster size, the directory explorer and the buttons to the other windows. Every
 * handler reads the controls into the object, calls the object's operation and pushes the
 * result back; the object holds all state and does all store work. Typing in the directory box
 * loads the directory after a 900 ms pause (timer 2); a choice from the list, Back, a
 * double-click and the first showing load it after 150 ms (timer 1). Each handler catches
 * every failure at its boundary and logs "** Exception in <handler>". GUI thread.
 */
#ifndef TALLYVOL_APP_UI_MAINWINDOW_H
#define TALLYVOL_APP_UI_MAINWINDOW_H

#include "app/ui/ResizeLayout.h"
#include "app/ui/TemplateDialog.h"
#include "grid/CGrid.h"
#include "reports/ui/DirExploreDlg.h"

#include <QPointer>
#include <QTimer>

class QCheckBox;
class QComboBox;
class QLabel;

namespace app {
class CTallyvol32Dlg;
}

namespace app::ui {

class DrawButton;
class GrowthChartPanel;

class MainWindow : public TemplateDialog, public grid::IGridOwner {
    Q_OBJECT
public:
    static constexpr int kTemplate = 102;
    static constexpr int kTimer1Milliseconds = 150;
    static constexpr int kTimer2Milliseconds = 900;
    // Control identifiers of the template.
    enum ControlId : int {
        kDirectory = 1010, kBrowse = 1009, kScan = 1036, kGrid = 1005, kView = 1164, kSort = 1161,
        kFreeSpace = 1001, kClusterSize = 1062, kClusterLabel = 1063, kSymlinkCheck = 3000, kSymlinkLink = 3001,
        kViewFiles = 1194, kReports = 1195, kExport = 1044, kPrefs = 1037, kAlerts = 1039, kFilter = 1198,
        kHelp = 1046, kExit = 1045, kBanner = 1165, kBannerText = 1167, kDirectoryLabel = 1170, kSortLabel = 1169,
        kFreeSpaceLabel = 1048, kDisplayLabel = 1168, kGrowthChart = 1400, kTopGrowth = 1401,
    };

    explicit MainWindow(CTallyvol32Dlg& dialog, QWidget* parent = nullptr);
    ~MainWindow() override;

    void readControls() override;
    void pushControls() override;

    CTallyvol32Dlg& Dialog() { return m_dialog; }
    grid::CGrid& Grid() { return *m_grid; }
    reports::ui::DirExploreDlg* Explorer() { return m_explorer; }
    GrowthChartPanel& GrowthChart() { return *m_chart; }
    const QTimer& Timer1() const { return m_timer1; }
    const QTimer& Timer2() const { return m_timer2; }
    bool ScanInProgress() const { return m_scanning; }
    // How many times ManagePath loaded scans (tests of the reload rule).
    int LoadCount() const { return m_loads; }

public slots:
    void OnScan();
    void ManagePath();
    void FillGrid();
    void UpdateStats();
    void OnBack() override;
    void OnDlgClickGrid(const QString& rowName) override;
    void OnDeleteColumn(int column) override;
    void OnViewChange(int index);
    void OnSortChange(int index);
    void OnViewFiles(bool checked);
    void OnGrowthChart(bool checked);
    void OnTopGrowth();
    void OnBrowse();
    void OnFilter();
    void OnHelp();
    void OnReports();
    void OnPrint();
    void OnPreference();
    void OnAlerts();
    void OnAbout();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

protected slots:
    void OnOK() override;
    void OnCancel() override;

private:
    void OnInitDialog();
    void OnDestroy();
    void registerLayout();
    // The registered rules, then the growth chart's share of the grid's place.
    void applyLayout();
    void connectGrowthChart();
    void fillChoiceBoxes();
    void FillRecentDirectories();
    // The free-space and cluster-size texts.
    void pushStatistics();
    void updateFilterButton();
    void runHook(const char* handler, const std::function<void(QWidget&, CTallyvol32Dlg&)>& hook);

    CTallyvol32Dlg& m_dialog;
    QComboBox* m_directory;
    QComboBox* m_view;
    QComboBox* m_sort;
    QCheckBox* m_symlinkCheck;
    QCheckBox* m_viewFiles;
    QLabel* m_freeSpace;
    QLabel* m_clusterSize;
    QLabel* m_clusterLabel;
    DrawButton* m_filter;
    grid::CGrid* m_grid;
    GrowthChartPanel* m_chart;
    QCheckBox* m_showChart;
    QPointer<reports::ui::DirExploreDlg> m_explorer;
    ResizeLayout m_layout;
    QTimer m_timer1;
    QTimer m_timer2;
    bool m_shown = false;
    bool m_scanning = false;
    bool m_closeAfterScan = false;
    bool m_destroyed = false;
    int m_loads = 0;
};

} // namespace app::ui

#endif
