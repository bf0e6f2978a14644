/*
 * The wizard's page for a SQL Server database, "Configure Microsoft SQL Server or MSDE
 * Connectivity" (template 185): server, database, the credentials and parameters appended to
 * the connection string. Each time it is shown it reads the connection string being built back
 * into its fields when that string is a SQL Server one, and says so when part of it could not be
 * read. Next builds the string; nothing is checked until Finish connects. GUI thread.
 */
#ifndef TALLYVOL_DBCONFIG_UI_CONFIGUREMSDEDB_H
#define TALLYVOL_DBCONFIG_UI_CONFIGUREMSDEDB_H

#include "dbconfig/WizardConnectionStrings.h"
#include "dbconfig/ui/TemplateWizardPage.h"

namespace dbconfig::ui {

class ConfigureMSDEDB : public TemplateWizardPage {
    Q_OBJECT
public:
    static constexpr int kTemplate = 185;
    static constexpr int kServer = 1321;
    static constexpr int kDatabase = 1323;
    static constexpr int kCurrentUser = 1324;
    static constexpr int kGivenUser = 1325;
    static constexpr int kUser = 1327;
    static constexpr int kPassword = 1329;
    static constexpr int kAdditional = 1332;

    explicit ConfigureMSDEDB(ConfigureDBSheet& sheet);

    void OnSetActive() override;
    bool OnWizardNext() override;
    void readControls() override;
    void pushControls() override;

    SqlServerPageValues m_values;
};

} // namespace dbconfig::ui

#endif
