/*
 * The Top Growth list (template 193): the directories anywhere below the main window's loaded
 * directory whose size changed most between two stored scans, largest growth first, with old
 * and new size, change, percent and change per day. The user picks the scans (the two newest,
 * or the newest against one at least N days older) and how many to list; a double-click on a
 * directory closes the list and names it to the main window, which loads it in the grid.
 *
 * The report comes from the core (scan/GrowthReport.h) on the scan engine's connection, run on
 * a helper thread while the window keeps painting; a report that cannot be made is told in a
 * message box. The main window owns it for the time of Choose. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_TOPGROWTHDLG_H
#define TALLYVOL_APP_UI_TOPGROWTHDLG_H

#include "app/ui/TemplateDialog.h"
#include "scan/GrowthReport.h"

#include <optional>
#include <string>

class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace scan {
class CScanInfo;
}

namespace app::ui {

class TopGrowthDlg : public TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 193;
    static constexpr const char* kCaption = "Top Growth";
    enum ControlId : int {
        kDirectory = 1411, kTwoNewest = 1412, kDaysOlder = 1413, kDays = 1414, kTop = 1417, kShow = 1419,
        kScans = 1420, kList = 1421,
    };
    enum Column : int { kPathColumn, kOldColumn, kNewColumn, kChangeColumn, kPercentColumn, kPerDayColumn };

    TopGrowthDlg(scan::CScanInfo& scanInfo, std::string directory, int units, QWidget* parent = nullptr);

    // Runs the list for the directory; the directory double-clicked, or nothing.
    static std::optional<std::string> Choose(scan::CScanInfo& scanInfo, const std::string& directory, int units,
                                             QWidget* parent);

    void readControls() override;
    void pushControls() override;

    const scan::GrowthReport& Report() const { return m_report; }
    const std::optional<std::string>& Chosen() const { return m_chosen; }

public slots:
    // Reads the report with the choices and lists it.
    void OnShow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fillList();
    void onDoubleClick(QTreeWidgetItem* item);

    scan::CScanInfo& m_scanInfo;
    std::string m_directory;
    int m_units;
    // The choices ("read the controls into the members").
    bool m_twoNewest = true;
    int m_days = 30;
    int m_top = 20;
    scan::GrowthReport m_report;
    bool m_haveReport = false;
    bool m_shown = false;
    std::optional<std::string> m_chosen;
    QRadioButton* m_twoNewestButton;
    QRadioButton* m_daysOlderButton;
    QSpinBox* m_daysBox;
    QSpinBox* m_topBox;
    QPushButton* m_showButton;
    QLabel* m_scans;
    QTreeWidget* m_list;
};

} // namespace app::ui

#endif
