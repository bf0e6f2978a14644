#include "dbconfig/ui/ConfigureCopyData.h"

#include "dbconfig/WizardConnectionStrings.h"
#include "dbconfig/ui/ConfigureDBSheet.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace dbconfig::ui {

namespace {

// Connection strings are shown with their passwords hidden.
QString shown(const std::string& connectionString) {
    return QString::fromStdString(HideSecrets(connectionString, ConnectionStringPasswords(connectionString)));
}

} // namespace

ConfigureCopyData::ConfigureCopyData(ConfigureDBSheet& sheet) : TemplateWizardPage(kTemplate, sheet) {
    Control<QLineEdit>(kOldConnectionString);
    Control<QLineEdit>(kNewConnectionString);
    Control<QLabel>(kExplanation);
    Control<QCheckBox>(kCopyData);
    setFinalPage(true);
}

void ConfigureCopyData::OnSetActive() {
    const ConfigureDBSheet& sheet = Sheet();
    Control<QLineEdit>(kOldConnectionString)->setText(shown(sheet.m_oldConnectionString));
    Control<QLineEdit>(kNewConnectionString)->setText(shown(sheet.m_newConnectionString));
    CopyPageChoice choice = ChooseCopyPage(sheet.m_kind, sheet.m_newConnectionString, sheet.m_oldSpecification,
                                           sheet.m_newSpecification);
    Control<QLabel>(kExplanation)->setText(QString::fromStdString(choice.explanation));
    auto* copy = Control<QCheckBox>(kCopyData);
    copy->setChecked(choice.checked);
    copy->setEnabled(choice.enabled);
}

bool ConfigureCopyData::OnWizardNext() {
    auto* copy = Control<QCheckBox>(kCopyData);
    return Sheet().OnWizardFinish(copy->isEnabled() && copy->isChecked());
}

} // namespace dbconfig::ui
