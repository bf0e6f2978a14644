#include "dbconfig/ui/ConfigureAccessDB.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/Settings.h"
#include "app/ui/ModalRunner.h"
#include "dbconfig/AccessDatabase.h"
#include "dbconfig/DatabasePreparation.h"
#include "dbconfig/ui/ConfigureDBSheet.h"
#include "platform/ui/IUserInterface.h"
#include "scan/fs/StoredPath.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

#include <strings.h>

namespace dbconfig::ui {

namespace ui = platform::ui;

ConfigureAccessDB::ConfigureAccessDB(ConfigureDBSheet& sheet)
    : TemplateWizardPage(kTemplate, sheet), m_file(Control<QLineEdit>(kFile)),
      m_dsn(Control<QLineEdit>(kDsnName)), m_direct(Control<QAbstractButton>(kDirect)),
      m_odbcButton(Control<QAbstractButton>(kOdbc)) {
    connect(Control<QAbstractButton>(kBrowse), &QAbstractButton::clicked, this,
            &ConfigureAccessDB::OnBrowse);
    connect(m_direct, &QAbstractButton::toggled, this, &ConfigureAccessDB::OnMethodChanged);
    connect(m_odbcButton, &QAbstractButton::toggled, this, &ConfigureAccessDB::OnMethodChanged);
}

void ConfigureAccessDB::readControls() {
    m_path = m_file->text().trimmed().toStdString();
    m_dsnName = m_dsn->text().trimmed().toStdString();
    m_odbc = m_odbcButton->isChecked();
}

void ConfigureAccessDB::pushControls() {
    m_file->setText(QString::fromStdString(m_path));
    m_dsn->setText(QString::fromStdString(m_dsnName));
    (m_odbc ? m_odbcButton : m_direct)->setChecked(true);
    m_dsn->setEnabled(m_odbc);
}

void ConfigureAccessDB::OnSetActive() {
    if (!m_loaded) {
        m_path = AccessPageFilePath();
        m_dsnName = AccessPageDsnName();
        m_loaded = true;
    } else {
        readControls();
    }
    m_odbc = ::strncasecmp(Sheet().m_newConnectionString.c_str(), "DSN=", 4) == 0;
    pushControls();
}

void ConfigureAccessDB::OnMethodChanged() {
    m_dsn->setEnabled(m_odbcButton->isChecked());
}

void ConfigureAccessDB::OnBrowse() {
    try {
        readControls();
        QFileDialog chooser(this, QStringLiteral("Select the SQLite database file"),
                            QFileInfo(QString::fromStdString(m_path)).absolutePath());
        chooser.setFileMode(QFileDialog::AnyFile);
        chooser.setAcceptMode(QFileDialog::AcceptOpen);
        chooser.setNameFilters(
            {QStringLiteral("Database files (*.db)"), QStringLiteral("All files (*)")});
        if (!m_path.empty()) {
            chooser.selectFile(QString::fromStdString(m_path));
        }
        if (app::ui::RunModal(chooser) != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
            return;
        }
        m_file->setText(chooser.selectedFiles().first());
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnBrowse\n");
    }
}

bool ConfigureAccessDB::OnWizardNext() {
    readControls();
    // The path is stored and opened from any directory later: it is made absolute here.
    if (!m_path.empty()) {
        m_path = scan::NormalizePath(m_path);
        m_file->setText(QString::fromStdString(m_path));
    }
    if (m_path.empty() || !EnsureAccessFile(m_path, false, false)) {
        ui::UI().MessageBox("The .db file cannot be found.  Please try again.", "No Database File",
                            ui::MB_OK | ui::MB_ICONEXCLAMATION);
        return false;
    }
    ConfigureDBSheet& sheet = Sheet();
    sheet.m_newConnectionString =
        m_odbc ? AccessOdbcConnectionString(m_dsnName) : AccessDirectConnectionString(m_path);
    sheet.m_newSpecification = AccessConnectionStringSpec(m_path);
    sheet.m_access = {m_path, m_dsnName};
    app::SetSetting(app::settings::MDBPath, m_path);
    return true;
}

} // namespace dbconfig::ui
