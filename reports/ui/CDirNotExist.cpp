#include "reports/ui/CDirNotExist.h"

#include <QCheckBox>

namespace reports::ui {

CDirNotExist::CDirNotExist(QWidget* parent) : TemplateDialog(kTemplate, parent) {
    Control<QCheckBox>(kDontAskAgain)->setChecked(false);
}

void CDirNotExist::readControls() {
    m_dontAskAgain = Control<QCheckBox>(kDontAskAgain)->isChecked();
}

void CDirNotExist::OnOK() {
    readControls();
    TemplateDialog::OnOK();
}

void CDirNotExist::OnCancel() {
    readControls();
    TemplateDialog::OnCancel();
}

} // namespace reports::ui
