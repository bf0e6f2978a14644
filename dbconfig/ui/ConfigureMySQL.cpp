#include "dbconfig/ui/ConfigureMySQL.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/Settings.h"
#include "app/ui/ModalRunner.h"
#include "brand/Brand.h"
#include "dbconfig/DatabasePreparation.h"
#include "dbconfig/WizardConnectionStrings.h"
#include "dbconfig/ui/ConfigureDBSheet.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>

#include <sys/stat.h>

namespace dbconfig::ui {

namespace ui = platform::ui;
using platform::system::StringPrintf;

namespace {

constexpr unsigned kHighestPort = 65535;

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

// The dialog framework's prompt for a number field: the field gets the focus back and the
// page stays.
bool refuse(QLineEdit& field, const char* prompt) {
    ui::UI().MessageBox(prompt, ProductName3218, ui::MB_OK | ui::MB_ICONEXCLAMATION);
    field.setFocus();
    field.selectAll();
    return false;
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

ConfigureMySQL::ConfigureMySQL(ConfigureDBSheet& sheet) : TemplateWizardPage(kTemplate, sheet) {
    for (int id : {kBinDirectory, kDatabase, kDsnName, kServer, kPort, kUser, kPassword}) {
        Control<QLineEdit>(id);
    }
    Control<QCheckBox>(kTablesExist);
    connect(Control<QAbstractButton>(kBrowse), &QAbstractButton::clicked, this,
            &ConfigureMySQL::OnBrowse);
}

bool ConfigureMySQL::readControlsChecked() {
    m_values.binDirectory = Control<QLineEdit>(kBinDirectory)->text().trimmed().toStdString();
    m_values.database = Control<QLineEdit>(kDatabase)->text().trimmed().toStdString();
    m_values.dsnName = Control<QLineEdit>(kDsnName)->text().trimmed().toStdString();
    m_values.server = Control<QLineEdit>(kServer)->text().trimmed().toStdString();
    m_values.user = Control<QLineEdit>(kUser)->text().toStdString();
    m_values.password = Control<QLineEdit>(kPassword)->text().toStdString();
    m_values.tablesExist = Control<QCheckBox>(kTablesExist)->isChecked();

    QLineEdit& portField = *Control<QLineEdit>(kPort);
    QString portText = portField.text().trimmed();
    bool number = !portText.isEmpty();
    for (QChar c : portText) {
        number = number && c.isDigit() && c.unicode() < 128;
    }
    if (!number) {
        return refuse(portField, "Please enter a positive integer.");
    }
    bool inRange = false;
    unsigned port = portText.toUInt(&inRange);
    if (!inRange || port > kHighestPort) {
        return refuse(portField, "Please enter an integer between 0 and 65535.");
    }
    m_values.port = static_cast<int>(port);
    return true;
}

void ConfigureMySQL::pushControls() {
    Control<QLineEdit>(kBinDirectory)->setText(text(m_values.binDirectory));
    Control<QLineEdit>(kDatabase)->setText(text(m_values.database));
    Control<QLineEdit>(kDsnName)->setText(text(m_values.dsnName));
    Control<QLineEdit>(kServer)->setText(text(m_values.server));
    Control<QLineEdit>(kPort)->setText(QString::number(m_values.port));
    Control<QLineEdit>(kUser)->setText(text(m_values.user));
    Control<QLineEdit>(kPassword)->setText(text(m_values.password));
    Control<QCheckBox>(kTablesExist)->setChecked(m_values.tablesExist);
}

void ConfigureMySQL::OnSetActive() {
    if (m_loaded) {
        return;
    }
    m_values.binDirectory = app::GetSetting(app::settings::MySQLBinPath);
    m_values.database = app::GetSetting(app::settings::MySQLName);
    m_values.dsnName = app::GetSetting(app::settings::MySQLDSNName);
    m_values.server = app::GetSetting(app::settings::MySQLServer);
    m_loaded = true;
    pushControls();
}

void ConfigureMySQL::OnBrowse() {
    try {
        QLineEdit& field = *Control<QLineEdit>(kBinDirectory);
        QFileDialog chooser(this, QStringLiteral("Select the data directory"), field.text());
        chooser.setFileMode(QFileDialog::Directory);
        chooser.setOption(QFileDialog::ShowDirsOnly);
        if (app::ui::RunModal(chooser) != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
            return;
        }
        field.setText(chooser.selectedFiles().first());
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnBrowse\n");
    }
}

bool ConfigureMySQL::OnWizardNext() {
    if (!readControlsChecked()) {
        return false;
    }
    std::string client = m_values.binDirectory;
    if (client.empty() || client.back() != '/') {
        client += '/';
    }
    client += kMySqlClient;
    if (!isRegularFile(client)) {
        ui::UI().MessageBox(
            StringPrintf("%s cannot be found.  Please verify the /bin path and try again.",
                         client.c_str()),
            "Can't Find mysql", ui::MB_OK | ui::MB_ICONEXCLAMATION);
        return false;
    }
    app::SetSetting(app::settings::MySQLServer, m_values.server);
    app::SetSetting(app::settings::MySQLName, m_values.database);
    app::SetSetting(app::settings::MySQLBinPath, m_values.binDirectory);
    app::SetSetting(app::settings::MySQLDSNName, m_values.dsnName);
    ConfigureDBSheet& sheet = Sheet();
    sheet.m_newConnectionString = MySqlConnectionString(m_values.dsnName);
    sheet.m_newSpecification = MySqlConnectionStringSpec(m_values.server, m_values.database);
    sheet.m_mySql = m_values;
    return true;
}

} // namespace dbconfig::ui
