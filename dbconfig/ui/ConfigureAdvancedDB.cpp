#include "dbconfig/ui/ConfigureAdvancedDB.h"

#include "dbconfig/WizardConnectionStrings.h"
#include "dbconfig/ui/ConfigureDBSheet.h"

#include <QAbstractButton>
#include <QLineEdit>

namespace dbconfig::ui {

namespace {
constexpr int kDialectButtons[] = {ConfigureAdvancedDB::kSqlite, ConfigureAdvancedDB::kSqlServer,
                                   ConfigureAdvancedDB::kMySql};
} // namespace

ConfigureAdvancedDB::ConfigureAdvancedDB(ConfigureDBSheet& sheet)
    : TemplateWizardPage(kTemplate, sheet) {
    Control<QLineEdit>(kConnectionString);
    for (int id : kDialectButtons) {
        Control<QAbstractButton>(id);
    }
}

void ConfigureAdvancedDB::readControls() {
    m_connectionString = Control<QLineEdit>(kConnectionString)->text().toStdString();
    m_dialect = 0;
    for (int dialect = 1; dialect <= 3; ++dialect) {
        if (Control<QAbstractButton>(kDialectButtons[dialect - 1])->isChecked()) {
            m_dialect = dialect;
        }
    }
}

void ConfigureAdvancedDB::OnSetActive() {
    const ConfigureDBSheet& sheet = Sheet();
    if (!m_loaded) {
        m_connectionString = sheet.m_newConnectionString;
        auto* field = Control<QLineEdit>(kConnectionString);
        field->setText(QString::fromStdString(m_connectionString));
        field->setCursorPosition(0);
        m_loaded = true;
    }
    // Chosen on the first page, the kind stands for this page: the dialect offered is that of
    // the connection string the page starts from.
    int kind =
        sheet.m_kind == ConfigureDBSheet::kAdvancedKind ? sheet.m_advancedDialect : sheet.m_kind;
    int dialect = kind == 2 || kind == 3 ? kind : 1;
    Control<QAbstractButton>(kDialectButtons[dialect - 1])->setChecked(true);
}

bool ConfigureAdvancedDB::OnWizardNext() {
    readControls();
    ConfigureDBSheet& sheet = Sheet();
    sheet.m_kind = m_dialect;
    sheet.m_newConnectionString = m_connectionString;
    sheet.m_newSpecification = AdvancedConnectionStringSpec(m_dialect);
    return true;
}

} // namespace dbconfig::ui
