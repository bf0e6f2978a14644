#include "app/ui/SmartWarningDlg.h"

#include <QCheckBox>
#include <QLabel>

namespace app::ui {

SmartWarningDlg::SmartWarningDlg(const std::string& text, QWidget* parent)
    : TemplateDialog(kTemplate, parent), m_text(text) {
    pushControls();
}

void SmartWarningDlg::readControls() {
    m_dontShowAgain = Control<QCheckBox>(kDontShowAgain)->isChecked();
}

void SmartWarningDlg::pushControls() {
    Control<QLabel>(kMessage)->setText(QString::fromStdString(m_text));
    Control<QCheckBox>(kDontShowAgain)->setChecked(m_dontShowAgain);
}

// Both buttons report the box's state; the core stores it under the warning's key.
void SmartWarningDlg::OnOK() {
    readControls();
    TemplateDialog::OnOK();
}

void SmartWarningDlg::OnCancel() {
    readControls();
    TemplateDialog::OnCancel();
}

} // namespace app::ui
