#include "app/ui/TemplateDialog.h"

#include "app/ui/ModalRunner.h"
#include "app/ui/SharedLook.h"
#include "app/ui/TemplateLoader.h"
#include "platform/ui/IUserInterface.h"

#include <QAbstractButton>

namespace app::ui {

TemplateDialog::TemplateDialog(int templateId, QWidget* parent) : QDialog(parent), m_templateId(templateId) {
    TemplateLoader loader(*this);
    QString error;
    if (!loader.Load(templateId, &error)) {
        throw MissingControl(error.toStdString());
    }
    ApplySharedLook(*this);
    if (auto* ok = FindControl<QAbstractButton>(1)) {
        connect(ok, &QAbstractButton::clicked, this, &TemplateDialog::OnOK);
    }
    if (auto* cancel = FindControl<QAbstractButton>(2)) {
        connect(cancel, &QAbstractButton::clicked, this, &TemplateDialog::OnCancel);
    }
}

int TemplateDialog::Exec() {
    return RunModal(*this) == QDialog::Accepted ? platform::ui::IDOK : platform::ui::IDCANCEL;
}

void TemplateDialog::OnOK() {
    accept();
}

void TemplateDialog::OnCancel() {
    QDialog::reject();
}

void TemplateDialog::reject() {
    OnCancel();
}

void ThrowMissingControl(int templateId, int id) {
    throw MissingControl(QStringLiteral("control id%1 is missing from dialog template %2")
                             .arg(id)
                             .arg(templateId)
                             .toStdString());
}

} // namespace app::ui
