#include "dbconfig/ui/ConfigureDBSheet.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "app/ui/ModalRunner.h"
#include "app/ui/SharedLook.h"
#include "dbconfig/ui/ConfigureAccessDB.h"
#include "dbconfig/ui/ConfigureAdvancedDB.h"
#include "dbconfig/ui/ConfigureCopyData.h"
#include "dbconfig/ui/ConfigureDB.h"
#include "dbconfig/ui/ConfigureMSDEDB.h"
#include "dbconfig/ui/ConfigureMySQL.h"
#include "dbconfig/ui/CopyDatabaseDlg.h"

#include <QApplication>

namespace dbconfig::ui {

ConfigureDBSheet::ConfigureDBSheet(QWidget* parent) : QWizard(parent) {
    setObjectName(QStringLiteral("ConfigureDBSheet"));
    setWindowTitle(QStringLiteral("Configure Database Connectivity"));
    setWizardStyle(QWizard::ClassicStyle);
    setMinimumSize(640, 500);
    app::ui::ApplySharedLook(*this);

    m_newConnectionString = app::GetSetting(app::settings::ConnectionString);
    m_oldConnectionString = m_newConnectionString;
    m_kind = app::CurrentDBSource();
    m_oldSpecification = app::GetSetting(app::settings::ConnectionStringSpec);
    m_newSpecification = m_oldSpecification;

    setPage(kConfigureDB, new ConfigureDB(*this));
    setPage(kConfigureAccessDB, new ConfigureAccessDB(*this));
    setPage(kConfigureMSDEDB, new ConfigureMSDEDB(*this));
    setPage(kConfigureMySQL, new ConfigureMySQL(*this));
    setPage(kConfigureAdvancedDB, new ConfigureAdvancedDB(*this));
    setPage(kConfigureCopyData, new ConfigureCopyData(*this));
    setStartId(kConfigureDB);
    connect(this, &QWizard::currentIdChanged, this, &ConfigureDBSheet::OnPageChanged);
}

bool ConfigureDBSheet::Run() {
    int result = app::ui::RunModal(*this);
    return result == QDialog::Accepted && m_outcome.result == FinishResult::kSaved;
}

int ConfigureDBSheet::nextId() const {
    switch (currentId()) {
    case kConfigureDB:
        return m_kindPage != 0 ? m_kindPage : kConfigureAccessDB;
    case kConfigureAccessDB:
    case kConfigureMSDEDB:
    case kConfigureMySQL:
    case kConfigureAdvancedDB:
        return kConfigureCopyData;
    default:
        return -1;
    }
}

void ConfigureDBSheet::OnPageChanged(int id) {
    try {
        if (auto* page = dynamic_cast<TemplateWizardPage*>(this->page(id))) {
            page->OnSetActive();
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnSetActive\n");
    }
}

bool ConfigureDBSheet::OnWizardFinish(bool copyData) {
    WizardFinishValues values;
    values.kind = m_kind;
    values.advanced = m_kindPage == kConfigureAdvancedDB;
    values.newConnectionString = m_newConnectionString;
    values.newSpecification = m_newSpecification;
    values.oldConnectionString = m_oldConnectionString;
    values.copyData = copyData;
    values.access = m_access;
    values.sqlServer = m_sqlServer;
    values.mySql = m_mySql;
    m_outcome = FinishDatabaseWizard(
        values, [this] { return std::make_unique<CopyDatabaseDlg>(this); }, nullptr);
    return m_outcome.result != FinishResult::kStayOnPage;
}

bool RunDatabaseWizard() {
    try {
        QWidget* owner = QApplication::activeModalWidget();
        if (owner == nullptr) {
            owner = QApplication::activeWindow();
        }
        ConfigureDBSheet sheet(owner);
        return sheet.Run();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in ConfigureDBSheet\n");
        return false;
    }
}

} // namespace dbconfig::ui
