#include "dbconfig/ui/TemplateWizardPage.h"

#include "app/base/DiagnosticLog.h"
#include "app/ui/SharedLook.h"
#include "app/ui/TemplateDialog.h"
#include "app/ui/TemplateLoader.h"

namespace dbconfig::ui {

TemplateWizardPage::TemplateWizardPage(int templateId, ConfigureDBSheet& sheet)
    : m_templateId(templateId), m_sheet(sheet) {
    app::ui::TemplateLoader loader(*this);
    QString error;
    if (!loader.Load(templateId, &error)) {
        throw app::ui::MissingControl(error.toStdString());
    }
    app::ui::ApplySharedLook(*this);
}

bool TemplateWizardPage::validatePage() {
    try {
        return OnWizardNext();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnWizardNext\n");
        return false;
    }
}

} // namespace dbconfig::ui
