#include "dbconfig/ui/ConfigureMSDEDB.h"

#include "app/base/Settings.h"
#include "dbconfig/ui/ConfigureDBSheet.h"
#include "platform/ui/IUserInterface.h"

#include <QAbstractButton>
#include <QLineEdit>

namespace dbconfig::ui {

namespace ui = platform::ui;

namespace {

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

std::string value(const QLineEdit& field) {
    return field.text().toStdString();
}

} // namespace

ConfigureMSDEDB::ConfigureMSDEDB(ConfigureDBSheet& sheet) : TemplateWizardPage(kTemplate, sheet) {
    for (int id : {kServer, kDatabase, kUser, kPassword, kAdditional}) {
        Control<QLineEdit>(id);
    }
    Control<QAbstractButton>(kCurrentUser);
    Control<QAbstractButton>(kGivenUser);
}

void ConfigureMSDEDB::readControls() {
    m_values.server = value(*Control<QLineEdit>(kServer));
    m_values.database = value(*Control<QLineEdit>(kDatabase));
    m_values.currentUser = Control<QAbstractButton>(kCurrentUser)->isChecked();
    m_values.user = value(*Control<QLineEdit>(kUser));
    m_values.password = value(*Control<QLineEdit>(kPassword));
    m_values.additional = value(*Control<QLineEdit>(kAdditional));
}

void ConfigureMSDEDB::pushControls() {
    Control<QLineEdit>(kServer)->setText(text(m_values.server));
    Control<QLineEdit>(kDatabase)->setText(text(m_values.database));
    Control<QAbstractButton>(m_values.currentUser ? kCurrentUser : kGivenUser)->setChecked(true);
    Control<QLineEdit>(kUser)->setText(text(m_values.user));
    Control<QLineEdit>(kPassword)->setText(text(m_values.password));
    Control<QLineEdit>(kAdditional)->setText(text(m_values.additional));
}

void ConfigureMSDEDB::OnSetActive() {
    const ConfigureDBSheet& sheet = Sheet();
    SqlServerParseResult parsed = SqlServerPageOnActivation(
        sheet.m_newSpecification, sheet.m_newConnectionString,
        app::GetSetting(app::settings::MSSQLServer), app::GetSetting(app::settings::MSSQLDatabase));
    m_values = parsed.values;
    pushControls();
    if (!parsed.problem.empty()) {
        // The fields show what the connection would read; what it would lose is said, not cut.
        ui::UI().MessageBox(
            parsed.problem +
                "  The fields show the part of the connection string that could be read.",
            "Configure Microsoft SQL Server or MSDE Connectivity",
            ui::MB_OK | ui::MB_ICONEXCLAMATION);
    }
}

bool ConfigureMSDEDB::OnWizardNext() {
    readControls();
    ConfigureDBSheet& sheet = Sheet();
    sheet.m_newConnectionString = SqlServerConnectionString(m_values);
    sheet.m_newSpecification = SqlServerConnectionStringSpec(m_values.server, m_values.database);
    sheet.m_sqlServer = m_values;
    app::SetSetting(app::settings::MSSQLServer, m_values.server);
    app::SetSetting(app::settings::MSSQLDatabase, m_values.database);
    return true;
}

} // namespace dbconfig::ui
