#include "reports/ui/ExportDlg.h"

#include "app/base/DiagnosticLog.h"
#include "app/ui/NumberField.h"
#include "platform/ui/IUserInterface.h"
#include "reports/ReportWriter.h"
#include "reports/ScanDateLabel.h"
#include "reports/SpreadsheetTexts.h"
#include "scan/fs/StoredPath.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <algorithm>

namespace reports::ui {

namespace {
constexpr int kFormats = 3;
constexpr int kDestinations = 2;
constexpr int kPrecisions = 5;
} // namespace

ExportDlg::ExportDlg(scan::DisplayData& displayData, const ReportView& view, QWidget* parent)
    : TemplateDialog(kTemplate, parent), m_displayData(displayData), m_view(view),
      m_startColumn(Control<QComboBox>(kStartColumn)), m_columns(Control<QLineEdit>(kColumns)),
      m_rows(Control<QLineEdit>(kRows)), m_path(Control<QLineEdit>(kPath)),
      m_showUnits(Control<QCheckBox>(kShowUnits)), m_reverseOrder(Control<QCheckBox>(kReverseOrder)),
      m_includeTotals(Control<QCheckBox>(kIncludeTotals)) {
    m_options = LoadExportOptions();
    // The report names the directory in its stored form, whatever the loader was given.
    if (!m_displayData.path.empty()) {
        m_displayData.path = scan::MakeStoredPath(m_displayData.path, true);
    }
    app::ui::MakeUnsignedField(*m_columns);
    app::ui::MakeUnsignedField(*m_rows);
    // Every choice is checked by a control: a stored value outside its group shows its default.
    if (m_options.Format < 0 || m_options.Format >= kFormats) {
        m_options.Format = ExportOptions{}.Format;
    }
    if (m_options.Destination < 0 || m_options.Destination >= kDestinations) {
        m_options.Destination = ExportOptions{}.Destination;
    }
    if (m_options.Precision < 0 || m_options.Precision >= kPrecisions) {
        m_options.Precision = ExportOptions{}.Precision;
    }
    fillStartColumns();
    pushControls();
}

QAbstractButton* ExportDlg::radio(int firstId, int index) const {
    return Control<QAbstractButton>(firstId + index);
}

int ExportDlg::checkedIndex(int firstId, int count, int current) const {
    for (int index = 0; index < count; ++index) {
        if (radio(firstId, index)->isChecked()) {
            return index;
        }
    }
    return current;
}

void ExportDlg::fillStartColumns() {
    m_startColumn->clear();
    for (const scan::LoadedScan& scan : m_displayData.scans) {
        m_startColumn->addItem(QString::fromStdString(ScanDateLabel(scan.date)), QVariant::fromValue(scan.scanID));
    }
    m_startColumn->setCurrentIndex(m_startColumn->count() > 0 ? 0 : -1);
}

void ExportDlg::pushControls() {
    radio(kFormatHtml, m_options.Format)->setChecked(true);
    radio(kDestPrinter, m_options.Destination)->setChecked(true);
    radio(kPrecisionBytes, m_options.Precision)->setChecked(true);
    app::ui::PushUnsignedField(*m_columns, m_options.Columns);
    app::ui::PushUnsignedField(*m_rows, m_options.Rows);
    m_path->setText(QString::fromStdString(m_options.Path));
    m_showUnits->setChecked(m_options.ShowUnits);
    m_reverseOrder->setChecked(m_options.ReverseOrder);
    m_includeTotals->setChecked(m_options.IncludeTotals);
}

bool ExportDlg::exchangeFromControls() {
    m_options.Format = checkedIndex(kFormatHtml, kFormats, m_options.Format);
    m_options.Destination = checkedIndex(kDestPrinter, kDestinations, m_options.Destination);
    m_options.Precision = checkedIndex(kPrecisionBytes, kPrecisions, m_options.Precision);
    if (!app::ui::ReadUnsignedField(*m_columns, m_options.Columns)) {
        return false;
    }
    int selected = m_startColumn->currentIndex();
    m_startScanId = selected >= 0 ? m_startColumn->itemData(selected).value<std::uint32_t>() : 0;
    if (!app::ui::ReadUnsignedField(*m_rows, m_options.Rows)) {
        return false;
    }
    m_options.Path = m_path->text().toStdString();
    m_options.ShowUnits = m_showUnits->isChecked();
    m_options.ReverseOrder = m_reverseOrder->isChecked();
    m_options.IncludeTotals = m_includeTotals->isChecked();
    return true;
}

void ExportDlg::OnOK() {
    try {
        // A refused number would export choices the user did not make: the dialog stays.
        if (!exchangeFromControls()) {
            return;
        }
        if (m_startScanId == 0) {
            platform::ui::UI().MessageBox(kNoStartColumnText, kNoStartColumnCaption, platform::ui::MB_OK);
            return;
        }
        ReportWriter writer(m_view, m_displayData);
        writer.ExportReport(m_options, m_startScanId, true, false);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in ExportDlg::OnOK\n");
    }
    // Closed after a report also when it failed: the writer has told the user.
    TemplateDialog::OnOK();
}

} // namespace reports::ui
