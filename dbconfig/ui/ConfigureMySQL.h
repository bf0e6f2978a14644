/*
 * The wizard's page for a MySQL or MariaDB server, "Configure MySQL Connectivity" (template
 * 189): the directory of the mysql client, database, data source, server, port and the account
 * that goes into the data source. Next refuses a port outside 0-65535 as the dialog framework
 * did and a directory without the client, writes the page's settings and builds the
 * connection string. GUI thread.
 */
#ifndef TALLYVOL_DBCONFIG_UI_CONFIGUREMYSQL_H
#define TALLYVOL_DBCONFIG_UI_CONFIGUREMYSQL_H

#include "dbconfig/WizardFinish.h"
#include "dbconfig/ui/TemplateWizardPage.h"

namespace dbconfig::ui {

class ConfigureMySQL : public TemplateWizardPage {
    Q_OBJECT
public:
    static constexpr int kTemplate = 189;
    static constexpr int kBinDirectory = 1371;
    static constexpr int kBrowse = 1372;
    static constexpr int kDatabase = 1374;
    static constexpr int kDsnName = 1376;
    static constexpr int kServer = 1378;
    static constexpr int kPort = 1380;
    static constexpr int kUser = 1382;
    static constexpr int kPassword = 1384;
    static constexpr int kTablesExist = 1385;

    explicit ConfigureMySQL(ConfigureDBSheet& sheet);

    void OnSetActive() override;
    bool OnWizardNext() override;
    // False after the range prompt when the port is not a number from 0 to 65535.
    bool readControlsChecked();
    void pushControls() override;

    MySqlPageValues m_values;

private slots:
    void OnBrowse();

private:
    bool m_loaded = false;
};

} // namespace dbconfig::ui

#endif
