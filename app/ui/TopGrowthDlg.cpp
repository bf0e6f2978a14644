#include "app/ui/TopGrowthDlg.h"

#include "app/GrowthOutput.h"
#include "app/base/DiagnosticLog.h"
#include "app/ui/BackgroundCall.h"
#include "platform/ado/Connection.h"
#include "platform/ui/IUserInterface.h"
#include "reports/ScanDateLabel.h"
#include "scan/CScanInfo.h"
#include "scan/CommandTimeout.h"
#include "scan/ScanStoreSql.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>

namespace app::ui {

namespace ui = platform::ui;

namespace {

QString dateLabel(const scan::ScanDateTime& date) {
    std::string label = reports::ScanDateLabel(date);
    return label.empty() ? QStringLiteral("an undated scan") : QString::fromStdString(label);
}

QString listed(const std::string& path) {
    return QString::fromStdString(scan::ListingText(path));
}

} // namespace

TopGrowthDlg::TopGrowthDlg(scan::CScanInfo& scanInfo, std::string directory, int units, QWidget* parent)
    : TemplateDialog(kTemplate, parent), m_scanInfo(scanInfo), m_directory(std::move(directory)), m_units(units),
      m_twoNewestButton(Control<QRadioButton>(kTwoNewest)), m_daysOlderButton(Control<QRadioButton>(kDaysOlder)),
      m_daysBox(Control<QSpinBox>(kDays)), m_topBox(Control<QSpinBox>(kTop)),
      m_showButton(Control<QPushButton>(kShow)), m_scans(Control<QLabel>(kScans)), m_list(Control<QTreeWidget>(kList)) {
    Control<QLabel>(kDirectory)->setText(listed(m_directory));
    // Enter in a number box shows the list; it never closes the window.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
    }
    m_showButton->setDefault(true);
    QHeaderView* header = m_list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(kPathColumn, QHeaderView::Stretch);
    for (int column = kOldColumn; column <= kPerDayColumn; ++column) {
        m_list->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    connect(m_showButton, &QAbstractButton::clicked, this, &TopGrowthDlg::OnShow);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { onDoubleClick(item); });
    // Typing a number of days chooses that comparison.
    connect(m_daysBox, &QSpinBox::valueChanged, this, [this] { m_daysOlderButton->setChecked(true); });
    pushControls();
}

std::optional<std::string> TopGrowthDlg::Choose(scan::CScanInfo& scanInfo, const std::string& directory, int units,
                                                QWidget* parent) {
    TopGrowthDlg dialog(scanInfo, directory, units, parent);
    if (dialog.Exec() != ui::IDOK) {
        return std::nullopt;
    }
    return dialog.Chosen();
}

void TopGrowthDlg::readControls() {
    m_twoNewest = m_twoNewestButton->isChecked();
    m_days = m_daysBox->value();
    m_top = m_topBox->value();
}

void TopGrowthDlg::pushControls() {
    QSignalBlocker blocker(m_daysBox);
    m_twoNewestButton->setChecked(m_twoNewest);
    m_daysOlderButton->setChecked(!m_twoNewest);
    m_daysBox->setValue(m_days);
    m_topBox->setValue(m_top);
}

void TopGrowthDlg::showEvent(QShowEvent* event) {
    TemplateDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        // Once the window is on screen, so that a slow store keeps it painted meanwhile.
        QTimer::singleShot(0, this, &TopGrowthDlg::OnShow);
    }
}

void TopGrowthDlg::OnShow() {
    if (!m_showButton->isEnabled()) {
        return; // a report is being read
    }
    try {
        readControls();
        scan::GrowthRequest request;
        if (!m_twoNewest) {
            request.minimumDays = m_days;
        }
        request.top = static_cast<std::size_t>(m_top);
        std::shared_ptr<platform::ado::Connection> connection = m_scanInfo.GetConnection();
        if (!connection) {
            return; // the failure was reported when the store was opened
        }
        int kind = m_scanInfo.Sql().Kind();
        scan::GrowthReport report;
        {
            ui::WaitCursor wait;
            const QList<QWidget*> choices{m_showButton, m_twoNewestButton, m_daysOlderButton, m_daysBox, m_topBox, m_list};
            for (QWidget* control : choices) {
                control->setEnabled(false);
            }
            // The window does nothing else with the connection until the helper has returned.
            scan::SetCommandTimeout timeout(connection, scan::kLongCommandTimeout);
            RunWhileResponsive([&] { report = scan::LoadGrowthReport(*connection, kind, m_directory, request); });
            for (QWidget* control : choices) {
                control->setEnabled(true);
            }
        }
        m_report = std::move(report);
        m_haveReport = m_report.outcome == scan::GrowthOutcome::kReady;
        fillList();
        if (!m_haveReport) {
            ui::UI().MessageBox(GrowthFailureText(m_report, m_directory, request.minimumDays), kCaption,
                                ui::MB_OK | ui::MB_ICONEXCLAMATION);
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in TopGrowthDlg::OnShow\n");
    }
}

void TopGrowthDlg::fillList() {
    m_list->clear();
    if (!m_haveReport) {
        m_scans->clear();
        return;
    }
    QString scans = QStringLiteral("Scans of %1 compared: %2 and %3").arg(listed(m_report.localScanRoot),
                                                                          dateLabel(m_report.olderScan.date),
                                                                          dateLabel(m_report.newerScan.date));
    if (m_report.days > 0) {
        scans += QStringLiteral(" (%1 days apart)").arg(m_report.days, 0, 'f', 1);
    }
    scans += QStringLiteral(". ");
    if (m_report.rows.empty()) {
        scans += QStringLiteral("No directory below it changed in size.");
    } else {
        scans += QStringLiteral("Largest growth first.");
    }
    if (m_report.firstLevelOnly) {
        scans += QStringLiteral(" Only %1 and its subdirectories are compared: a scan saved no deeper levels.")
                     .arg(listed(m_report.localScanRoot));
    }
    m_scans->setText(scans);

    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(m_report.rows.size()));
    for (std::size_t index = 0; index < m_report.rows.size(); ++index) {
        const scan::GrowthRow& row = m_report.rows[index];
        GrowthRowTexts cells = GrowthCellTexts(row, m_units);
        auto* item = new QTreeWidgetItem;
        item->setText(kPathColumn, listed(row.localPath));
        item->setToolTip(kPathColumn, item->text(kPathColumn));
        // The row's place in the report: the path itself may not survive a round trip through QString.
        item->setData(kPathColumn, Qt::UserRole, static_cast<qulonglong>(index));
        const std::string* texts[] = {&cells.oldSize, &cells.newSize, &cells.change, &cells.percent, &cells.perDay};
        for (int column = kOldColumn; column <= kPerDayColumn; ++column) {
            item->setText(column, QString::fromStdString(*texts[column - kOldColumn]));
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        }
        items.append(item);
    }
    m_list->addTopLevelItems(items);
}

void TopGrowthDlg::onDoubleClick(QTreeWidgetItem* item) {
    try {
        if (item == nullptr) {
            return;
        }
        auto index = static_cast<std::size_t>(item->data(kPathColumn, Qt::UserRole).toULongLong());
        if (index >= m_report.rows.size()) {
            return;
        }
        m_chosen = m_report.rows[index].localPath;
        accept();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in TopGrowthDlg::OnDblClick\n");
    }
}

} // namespace app::ui
