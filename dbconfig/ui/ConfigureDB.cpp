#include "dbconfig/ui/ConfigureDB.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "app/ui/ShellOpen.h"
#include "dbconfig/WizardConnectionStrings.h"
#include "dbconfig/ui/ConfigureCopyData.h"
#include "dbconfig/ui/ConfigureDBSheet.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

namespace dbconfig::ui {

namespace {

constexpr int kKindButtons[] = {ConfigureDB::kAccess, ConfigureDB::kSqlServer, ConfigureDB::kMySql,
                                ConfigureDB::kAdvanced};
constexpr int kPageOfKind[] = {
    ConfigureDBSheet::kConfigureAccessDB, ConfigureDBSheet::kConfigureMSDEDB,
    ConfigureDBSheet::kConfigureMySQL, ConfigureDBSheet::kConfigureAdvancedDB};

void openDownloadPage(const char* address) {
    app::ui::ShellOpen(QString::fromUtf8(address), [address](bool opened) {
        if (!opened) {
            app::WriteLogLine(std::string("Could not open ") + address);
        }
    });
}

} // namespace

ConfigureDB::ConfigureDB(ConfigureDBSheet& sheet) : TemplateWizardPage(kTemplate, sheet) {
    for (int id : kKindButtons) {
        Control<QAbstractButton>(id);
    }
    connect(Control<QAbstractButton>(kSqlServerWebsite), &QAbstractButton::clicked, this,
            &ConfigureDB::OnSqlServerWebsite);
    connect(Control<QAbstractButton>(kMariaDbWebsite), &QAbstractButton::clicked, this,
            &ConfigureDB::OnMariaDbWebsite);
}

const char* ConfigureDB::DialectName(int kind) {
    switch (kind) {
    case 1:
        return "SQLite";
    case 2:
        return "Microsoft SQL Server (MS SQL) or MSDE";
    case 3:
        return "MySQL";
    default:
        return "(Unknown)";
    }
}

QAbstractButton* ConfigureDB::buttonOfKind(int kind) const {
    return Control<QAbstractButton>(kind >= 2 && kind <= 4 ? kKindButtons[kind - 1] : kAccess);
}

void ConfigureDB::OnSetActive() {
    buttonOfKind(Sheet().m_kind)->setChecked(true);
    std::string current = app::GetSetting(app::settings::ConnectionString);
    ShowConnectionString(*Control<QLineEdit>(kCurrentConnectionString), current);
    Control<QLabel>(kCurrentDialect)
        ->setText(QString::fromUtf8(DialectName(app::CurrentDBSource())));
}

bool ConfigureDB::OnWizardNext() {
    ConfigureDBSheet& sheet = Sheet();
    for (int kind = 1; kind <= 4; ++kind) {
        if (!buttonOfKind(kind)->isChecked()) {
            continue;
        }
        if (kind == ConfigureDBSheet::kAdvancedKind &&
            sheet.m_kind != ConfigureDBSheet::kAdvancedKind) {
            sheet.m_advancedDialect = sheet.m_kind;
        }
        sheet.m_kind = kind;
        sheet.m_kindPage = kPageOfKind[kind - 1];
        return true;
    }
    return false;
}

void ConfigureDB::OnSqlServerWebsite() {
    openDownloadPage(kSqlServerDownloadPage);
}

void ConfigureDB::OnMariaDbWebsite() {
    openDownloadPage(kMariaDbDownloadPage);
}

} // namespace dbconfig::ui
