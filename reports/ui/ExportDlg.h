/*
 * The export dialog (template 177): the report's format, its scan columns from a chosen start
 * column, its number of rows, printer or file, and the unit, in five numbered steps. The nine
 * choices are read from the settings when the dialog is made and written by Export, which
 * then runs the report writer over the scans the main window shows, in the grid's row order.
 * Cancel writes nothing. Modal, made by the main window's "Export ..." button. GUI thread.
 */
#ifndef TALLYVOL_REPORTS_UI_EXPORTDLG_H
#define TALLYVOL_REPORTS_UI_EXPORTDLG_H

#include "app/ui/TemplateDialog.h"
#include "reports/ExportOptions.h"
#include "scan/DisplayData.h"

#include <cstdint>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;

namespace reports::ui {

class ExportDlg : public app::ui::TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 177;
    static constexpr int kFormatHtml = 1310;    // then CSV 1311, plain text 1312
    static constexpr int kStartColumn = 1320;
    static constexpr int kColumns = 1321;
    static constexpr int kRows = 1322;
    static constexpr int kDestPrinter = 1330;   // then file 1331
    static constexpr int kPath = 1332;
    static constexpr int kPrecisionBytes = 1340; // then K, MB, GB, smart: 1341-1344
    static constexpr int kShowUnits = 1345;
    static constexpr int kReverseOrder = 1346;
    static constexpr int kIncludeTotals = 1347;

    // `displayData` is the main window's (its root text is normalised here), `view` how the
    // grid shows it.
    ExportDlg(scan::DisplayData& displayData, const ReportView& view, QWidget* parent);

    // Stops at a number field that holds no number (after the prompt): false then, and the
    // fields after it keep their values.
    bool exchangeFromControls();
    void readControls() override { exchangeFromControls(); }
    void pushControls() override;

    ExportOptions m_options;
    std::uint32_t m_startScanId = 0; // of the selected start column; 0 when none

protected slots:
    void OnOK() override; // "&Export"

private:
    void fillStartColumns();
    QAbstractButton* radio(int firstId, int index) const;
    int checkedIndex(int firstId, int count, int current) const;

    scan::DisplayData& m_displayData;
    ReportView m_view;
    QComboBox* m_startColumn;
    QLineEdit* m_columns;
    QLineEdit* m_rows;
    QLineEdit* m_path;
    QCheckBox* m_showUnits;
    QCheckBox* m_reverseOrder;
    QCheckBox* m_includeTotals;
};

} // namespace reports::ui

#endif
