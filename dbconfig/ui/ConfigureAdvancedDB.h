/*
 * The wizard's advanced page, "Advanced Database Connectivity" (template 186): a connection
 * string typed as it is to be opened, and the SQL dialect of the database it names, which
 * becomes the database kind. GUI thread.
 */
#ifndef TALLYVOL_DBCONFIG_UI_CONFIGUREADVANCEDDB_H
#define TALLYVOL_DBCONFIG_UI_CONFIGUREADVANCEDDB_H

#include "dbconfig/ui/TemplateWizardPage.h"

#include <string>

namespace dbconfig::ui {

class ConfigureAdvancedDB : public TemplateWizardPage {
    Q_OBJECT
public:
    static constexpr int kTemplate = 186;
    static constexpr int kConnectionString = 1341;
    static constexpr int kSqlite = 1343;
    static constexpr int kSqlServer = 1344;
    static constexpr int kMySql = 1345;

    explicit ConfigureAdvancedDB(ConfigureDBSheet& sheet);

    void OnSetActive() override;
    bool OnWizardNext() override;
    void readControls() override;

    std::string m_connectionString;
    int m_dialect = 0; // 1, 2, 3; 0 when no button is selected

private:
    bool m_loaded = false;
};

} // namespace dbconfig::ui

#endif
