#include "app/ui/ExcludeFilterDlg.h"

#include "app/base/DiagnosticLog.h"
#include "scan/CScanInfo.h"

#include <QPlainTextEdit>
#include <QTextCursor>

namespace app::ui {

ExcludeFilterDlg::ExcludeFilterDlg(scan::CScanInfo& scanInfo, std::string path, QWidget* parent)
    : TemplateDialog(kTemplate, parent), m_scanInfo(scanInfo), m_path(std::move(path)),
      m_edit(Control<QPlainTextEdit>(kFilters)) {
    // Lines of a text written on Windows end with CR LF; the box shows plain lines.
    QString stored = QString::fromStdString(m_scanInfo.GetFilters(nullptr, m_path));
    stored.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_filters = stored.toStdString();
    pushControls();
    connect(m_edit, &QPlainTextEdit::textChanged, this, &ExcludeFilterDlg::limitText);
}

void ExcludeFilterDlg::readControls() {
    m_filters = m_edit->toPlainText().toStdString();
}

void ExcludeFilterDlg::pushControls() {
    m_edit->setPlainText(QString::fromStdString(m_filters).left(kMaxCharacters));
}

void ExcludeFilterDlg::limitText() {
    QString text = m_edit->toPlainText();
    if (text.size() <= kMaxCharacters) {
        return;
    }
    // The box refuses what does not fit, as an edit control with a limit does.
    QSignalBlocker blocker(m_edit);
    int caret = std::min(m_edit->textCursor().position(), static_cast<int>(kMaxCharacters));
    m_edit->setPlainText(text.left(kMaxCharacters));
    QTextCursor cursor = m_edit->textCursor();
    cursor.setPosition(caret);
    m_edit->setTextCursor(cursor);
}

void ExcludeFilterDlg::OnOK() {
    try {
        readControls();
        m_scanInfo.SetFilters(nullptr, m_path, m_filters);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in ExcludeFilterDlg::OnOK\n");
    }
    TemplateDialog::OnOK();
}

} // namespace app::ui
