/*
 * The spreadsheet report dialog "Generate Report" (template 181): the start column, how many
 * scans become columns, which rows are kept (all, small ones grouped as "All Others", or a
 * number of the largest) and the unit. Generate hands the choices to the core's spreadsheet
 * report, which saves them, writes a new workbook with charts into the documents directory and
 * shows it with the desktop's spreadsheet program. The four choices are read from the settings
 * when the dialog is made. Modal, made by the main window's "Reports ..." button. GUI thread.
 */
#ifndef TALLYVOL_REPORTS_UI_EXCELREPORTDLG_H
#define TALLYVOL_REPORTS_UI_EXCELREPORTDLG_H

#include "app/ui/TemplateDialog.h"
#include "reports/SpreadsheetOptions.h"
#include "reports/SpreadsheetReport.h"
#include "scan/DisplayData.h"

#include <cstdint>
#include <string>

class QAbstractButton;
class QComboBox;
class QLineEdit;

namespace reports::ui {

class ExcelReportDlg : public app::ui::TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 181;
    static constexpr int kNote = 1360;
    static constexpr int kStartColumn = 1361;
    static constexpr int kNumColumns = 1362;
    static constexpr int kUseAllData = 1364; // then grouping 1365, number of rows 1366
    static constexpr int kMaxRows = 1367;
    static constexpr int kPrecisionBytes = 1370; // then K, MB, GB: 1371-1373

    // `displayData` is the main window's (only read: the report works on its own copy), `view`
    // the grid's view, `directory` the directory whose volume's free space the report shows.
    ExcelReportDlg(const scan::DisplayData& displayData, int view, std::string directory, QWidget* parent);

    // Stops at a number field that holds no number (after the prompt): false then, and the
    // fields after it keep their values.
    bool exchangeFromControls();
    void readControls() override { exchangeFromControls(); }
    void pushControls() override;

    SpreadsheetOptions m_options;
    std::uint32_t m_startScanID = 0; // of the selected start column; 0 when none
    // What the last Generate ended in, and the file it wrote.
    SpreadsheetReportResult m_result;

protected slots:
    void OnOK() override; // "&Generate"

private:
    QAbstractButton* radio(int firstId, int index) const;
    int checkedIndex(int firstId, int count, int current) const;

    const scan::DisplayData& m_displayData;
    int m_view;
    std::string m_directory;
    QComboBox* m_startColumn;
    QLineEdit* m_numColumns;
    QLineEdit* m_maxRows;
};

} // namespace reports::ui

#endif
