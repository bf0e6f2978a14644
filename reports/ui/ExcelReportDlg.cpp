#include "reports/ui/ExcelReportDlg.h"

#include "app/base/DiagnosticLog.h"
#include "app/ui/NumberField.h"
#include "reports/ScanDateLabel.h"
#include "reports/SpreadsheetTexts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace reports::ui {

namespace {
constexpr int kDataAmounts = 3;
constexpr int kPrecisions = 4;
} // namespace

ExcelReportDlg::ExcelReportDlg(const scan::DisplayData& displayData, int view, std::string directory,
                               QWidget* parent)
    : TemplateDialog(kTemplate, parent), m_displayData(displayData), m_view(view), m_directory(std::move(directory)),
      m_startColumn(Control<QComboBox>(kStartColumn)), m_numColumns(Control<QLineEdit>(kNumColumns)),
      m_maxRows(Control<QLineEdit>(kMaxRows)) {
    Control<QLabel>(kNote)->setText(QString::fromUtf8(kSpreadsheetNote));
    app::ui::MakeUnsignedField(*m_numColumns);
    app::ui::MakeUnsignedField(*m_maxRows);
    m_options = LoadSpreadsheetOptions();
    for (const scan::LoadedScan& scan : m_displayData.scans) {
        m_startColumn->addItem(QString::fromStdString(ScanDateLabel(scan.date)), QVariant::fromValue(scan.scanID));
    }
    m_startColumn->setCurrentIndex(m_startColumn->count() > 0 ? 0 : -1);
    pushControls();
}

QAbstractButton* ExcelReportDlg::radio(int firstId, int index) const {
    return Control<QAbstractButton>(firstId + index);
}

int ExcelReportDlg::checkedIndex(int firstId, int count, int current) const {
    for (int index = 0; index < count; ++index) {
        if (radio(firstId, index)->isChecked()) {
            return index;
        }
    }
    return current;
}

void ExcelReportDlg::pushControls() {
    app::ui::PushUnsignedField(*m_numColumns, m_options.NumColumns);
    app::ui::PushUnsignedField(*m_maxRows, m_options.MaxRows);
    // The stored choices are in range (the options' loader sees to it).
    radio(kUseAllData, m_options.DataAmount)->setChecked(true);
    radio(kPrecisionBytes, m_options.Precision)->setChecked(true);
}

bool ExcelReportDlg::exchangeFromControls() {
    int selected = m_startColumn->currentIndex();
    m_startScanID = selected >= 0 ? m_startColumn->itemData(selected).value<std::uint32_t>() : 0;
    if (!app::ui::ReadUnsignedField(*m_numColumns, m_options.NumColumns)) {
        return false;
    }
    m_options.Precision = checkedIndex(kPrecisionBytes, kPrecisions, m_options.Precision);
    m_options.DataAmount = checkedIndex(kUseAllData, kDataAmounts, m_options.DataAmount);
    return app::ui::ReadUnsignedField(*m_maxRows, m_options.MaxRows);
}

void ExcelReportDlg::OnOK() {
    try {
        // A refused number would report choices the user did not make: the dialog stays.
        if (!exchangeFromControls()) {
            return;
        }
        // The report may take a moment and pumps events while the spreadsheet program starts:
        // no second Generate meanwhile.
        setEnabled(false);
        m_result = GenerateSpreadsheetReport(m_displayData, m_view, m_options, m_startScanID, m_directory);
        setEnabled(true);
        if (m_result.outcome == SpreadsheetOutcome::kInputRefused) {
            return;
        }
    } catch (...) {
        setEnabled(true);
        TV_DEBUG_LOG("** Exception in ExcelReportDlg\n");
    }
    TemplateDialog::OnOK();
}

} // namespace reports::ui
