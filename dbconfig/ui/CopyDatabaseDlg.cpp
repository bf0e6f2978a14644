#include "dbconfig/ui/CopyDatabaseDlg.h"

#include "platform/ui/IUserInterface.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>
#include <limits>

namespace dbconfig::ui {

namespace ui = platform::ui;

CopyDatabaseDlg::CopyDatabaseDlg(QWidget* owner)
    : TemplateDialog(kTemplate, owner), m_text(Control<QLabel>(kText)),
      m_bar(Control<QProgressBar>(kBar)) {
    Control<QAbstractButton>(kCancel);
    // The owner takes no input while the copy runs, but the copy's own loop keeps running.
    setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    m_bar->setRange(0, 0);
    m_bar->setValue(0);
    show();
    raise();
    ui::UI().DispatchPendingMessages();
}

void CopyDatabaseDlg::SetUpgradeMode() {
    setWindowTitle(QStringLiteral("Upgrade Progress"));
    m_cancelAllowed = false;
    Control<QAbstractButton>(kCancel)->setEnabled(false);
}

void CopyDatabaseDlg::ShowStatus(const std::string& text) {
    m_text->setText(QString::fromStdString(text));
}

void CopyDatabaseDlg::ShowText(const std::string& text) {
    ShowStatus(text);
    // Until the count is known the bar stands still at its start.
    m_rows = 0;
    m_position = 0;
    m_rowsPerUnit = 1;
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
}

void CopyDatabaseDlg::SetRange(std::int64_t rows) {
    m_rows = std::max<std::int64_t>(rows, 0);
    m_position = 0;
    m_rowsPerUnit = m_rows / std::numeric_limits<int>::max() + 1;
    m_bar->setRange(0, static_cast<int>(std::max<std::int64_t>(m_rows / m_rowsPerUnit, 1)));
    m_bar->setValue(0);
}

void CopyDatabaseDlg::StepIt() {
    ++m_position;
    showPosition();
}

void CopyDatabaseDlg::showPosition() {
    // A table can gain rows after it was counted: the bar stops at its end.
    auto value = static_cast<int>(std::min(m_position, m_rows) / m_rowsPerUnit);
    if (value != m_bar->value()) {
        m_bar->setValue(std::min(value, m_bar->maximum()));
    }
}

void CopyDatabaseDlg::ProcessMessages() {
    ui::UI().DispatchPendingMessages();
}

void CopyDatabaseDlg::OnCancel() {
    if (!m_cancelAllowed || m_asking || m_cancel) {
        return;
    }
    m_asking = true;
    int answer = ui::UI().MessageBox("Are you sure you want to stop the database copy process?",
                                     "Confirm Cancel", ui::MB_YESNO | ui::MB_ICONQUESTION);
    m_asking = false;
    if (answer == ui::IDYES) {
        m_cancel = true;
    }
}

void CopyDatabaseDlg::closeEvent(QCloseEvent* event) {
    // Only the copy closes the window; the close button is Cancel.
    event->ignore();
    OnCancel();
}

} // namespace dbconfig::ui
