/*
 * The wizard's page for the included store, "Configure SQLite Database" (template 184): the
 * database file, with a chooser, reached through the SQLite C API or through an ODBC data
 * source of the SQLite ODBC driver. Next makes sure the file exists (asking before it makes a
 * new one from the empty template) and builds the connection string. GUI thread.
 */
#ifndef TALLYVOL_DBCONFIG_UI_CONFIGUREACCESSDB_H
#define TALLYVOL_DBCONFIG_UI_CONFIGUREACCESSDB_H

#include "dbconfig/ui/TemplateWizardPage.h"

#include <string>

class QAbstractButton;
class QLineEdit;

namespace dbconfig::ui {

class ConfigureAccessDB : public TemplateWizardPage {
    Q_OBJECT
public:
    static constexpr int kTemplate = 184;
    static constexpr int kFile = 1311;
    static constexpr int kBrowse = 1312;
    static constexpr int kDirect = 1313;
    static constexpr int kOdbc = 1314;
    static constexpr int kDsnName = 1316;

    explicit ConfigureAccessDB(ConfigureDBSheet& sheet);

    void OnSetActive() override;
    bool OnWizardNext() override;
    void readControls() override;
    void pushControls() override;

    std::string m_path;
    std::string m_dsnName;
    bool m_odbc = false;

private slots:
    void OnBrowse();
    void OnMethodChanged();

private:
    QLineEdit* m_file;
    QLineEdit* m_dsn;
    QAbstractButton* m_direct;
    QAbstractButton* m_odbcButton;
    bool m_loaded = false;
};

} // namespace dbconfig::ui

#endif
