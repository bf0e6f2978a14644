#include "dbconfig/ui/ConfigureCopyData.h"

#include "dbconfig/WizardConnectionStrings.h"
#include "dbconfig/ui/ConfigureDBSheet.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace dbconfig::ui {

void ShowConnectionString(QLineEdit& field, const std::string& connectionString) {
    QString shown = QString::fromStdString(
        HideSecrets(connectionString, ConnectionStringPasswords(connectionString)));
    field.setText(shown);
    field.setToolTip(shown);
    field.setCursorPosition(0);
}

ConfigureCopyData::ConfigureCopyData(ConfigureDBSheet& sheet)
    : TemplateWizardPage(kTemplate, sheet) {
    Control<QLineEdit>(kOldConnectionString);
    Control<QLineEdit>(kNewConnectionString);
    Control<QLabel>(kExplanation);
    Control<QCheckBox>(kCopyData);
    setFinalPage(true);
}

void ConfigureCopyData::OnSetActive() {
    const ConfigureDBSheet& sheet = Sheet();
    ShowConnectionString(*Control<QLineEdit>(kOldConnectionString), sheet.m_oldConnectionString);
    ShowConnectionString(*Control<QLineEdit>(kNewConnectionString), sheet.m_newConnectionString);
    CopyPageChoice choice = ChooseCopyPage(sheet.m_kind, sheet.m_newConnectionString,
                                           sheet.m_oldSpecification, sheet.m_newSpecification);
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
