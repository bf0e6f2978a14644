/*
 * The wizard's first page, "Database Connectivity " (template 183): which database holds the
 * scans (the included SQLite file, a SQL Server, a MySQL/MariaDB server, or a connection string
 * typed on the advanced page), the current settings, and buttons that open the SQL Server and
 * MariaDB download pages. Next chooses the page that follows. GUI thread.
 */
#ifndef TALLYVOL_DBCONFIG_UI_CONFIGUREDB_H
#define TALLYVOL_DBCONFIG_UI_CONFIGUREDB_H

#include "dbconfig/ui/TemplateWizardPage.h"

class QAbstractButton;

namespace dbconfig::ui {

class ConfigureDB : public TemplateWizardPage {
    Q_OBJECT
public:
    static constexpr int kTemplate = 183;
    static constexpr int kAccess = 1300;
    static constexpr int kSqlServer = 1301;
    static constexpr int kMySql = 1302;
    static constexpr int kAdvanced = 1303;
    static constexpr int kCurrentConnectionString = 1305;
    static constexpr int kCurrentDialect = 1307;
    static constexpr int kSqlServerWebsite = 1308;
    static constexpr int kMariaDbWebsite = 1309;

    static constexpr const char* kSqlServerDownloadPage =
        "https://www.microsoft.com/en-us/sql-server/sql-server-downloads";
    static constexpr const char* kMariaDbDownloadPage = "https://mariadb.org/download/";

    explicit ConfigureDB(ConfigureDBSheet& sheet);

    void OnSetActive() override;
    bool OnWizardNext() override;

    // "Microsoft SQL Server (MS SQL) or MSDE" and the others: the dialect a kind is shown as.
    static const char* DialectName(int kind);

private slots:
    void OnSqlServerWebsite();
    void OnMariaDbWebsite();

private:
    QAbstractButton* buttonOfKind(int kind) const;
};

} // namespace dbconfig::ui

#endif
