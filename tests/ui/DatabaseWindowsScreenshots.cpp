#include "tests/ui/DatabaseWindowsScreenshots.h"

#include "dbconfig/DatabasePreparation.h"
#include "dbconfig/ui/ConfigureAccessDB.h"
#include "dbconfig/ui/ConfigureAdvancedDB.h"
#include "dbconfig/ui/ConfigureDB.h"
#include "dbconfig/ui/ConfigureDBSheet.h"
#include "dbconfig/ui/ConfigureMSDEDB.h"
#include "dbconfig/ui/ConfigureMySQL.h"
#include "dbconfig/ui/CopyDatabaseDlg.h"
#include "tests/ui/support/UiTestSupport.h"

#include <QAbstractButton>
#include <QLineEdit>

namespace uitest {

using namespace dbconfig::ui;

namespace {

void settle() {
    WaitFor([] { return false; }, 150);
}

void type(QWidget& window, int id, const char* text) {
    ControlOf<QLineEdit>(window, id)->setText(QString::fromUtf8(text));
}

} // namespace

void SaveDatabaseWindowScreenshots(const std::function<void(QWidget&, const char*)>& save,
                                   const std::string& scratch) {
    ConfigureDBSheet sheet;
    sheet.show();
    settle();
    save(sheet, "wizard_1_connectivity");

    auto nextFrom = [&sheet](int kindButton) {
        ControlOf<QAbstractButton>(sheet, kindButton)->click();
        sheet.next();
        settle();
    };
    nextFrom(ConfigureDB::kAccess);
    save(sheet, "wizard_2_sqlite");
    std::string newStore = scratch + "/scans-2024.db";
    dbconfig::EnsureAccessFile(newStore, true, false);
    ControlOf<QLineEdit>(sheet, ConfigureAccessDB::kFile)
        ->setText(QString::fromStdString(newStore));
    sheet.next();
    settle();
    save(sheet, "wizard_6_copy_data");
    sheet.back();
    sheet.back();

    nextFrom(ConfigureDB::kSqlServer);
    type(sheet, ConfigureMSDEDB::kServer, "sqlsrv01.example.org");
    type(sheet, ConfigureMSDEDB::kDatabase, "Tallyvol");
    ControlOf<QAbstractButton>(sheet, ConfigureMSDEDB::kGivenUser)->click();
    type(sheet, ConfigureMSDEDB::kUser, "tallyvol");
    type(sheet, ConfigureMSDEDB::kPassword, "secret");
    type(sheet, ConfigureMSDEDB::kAdditional, "Port=1433;TDS_Version=7.4");
    settle();
    save(sheet, "wizard_3_sql_server");
    sheet.back();

    nextFrom(ConfigureDB::kMySql);
    type(sheet, ConfigureMySQL::kServer, "db.example.org");
    type(sheet, ConfigureMySQL::kUser, "tallyvol");
    type(sheet, ConfigureMySQL::kPassword, "secret");
    settle();
    save(sheet, "wizard_4_mysql");
    sheet.back();

    nextFrom(ConfigureDB::kAdvanced);
    type(sheet, ConfigureAdvancedDB::kConnectionString,
         "Driver=MariaDB "
         "Unicode;Server=db.example.org;Port=3306;Database=Tallyvol;UID=tallyvol;PWD=secret");
    ControlOf<QAbstractButton>(sheet, ConfigureAdvancedDB::kMySql)->click();
    settle();
    save(sheet, "wizard_5_advanced");
    sheet.reject();

    {
        CopyDatabaseDlg copy(nullptr);
        copy.ShowText("Copying Table: SizeData (6 of 6)");
        copy.SetRange(1000);
        for (int row = 0; row < 420; ++row) {
            copy.StepIt();
        }
        settle();
        save(copy, "copy_progress");
    }
    {
        CopyDatabaseDlg upgrade(nullptr);
        upgrade.SetUpgradeMode();
        upgrade.SetRange(120);
        upgrade.ShowStatus("Upgrading data in DirNames table...");
        for (int row = 0; row < 45; ++row) {
            upgrade.StepIt();
        }
        settle();
        save(upgrade, "upgrade_progress");
    }
}

} // namespace uitest
