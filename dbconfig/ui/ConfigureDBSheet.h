/*
 * The database configuration wizard ("Configure Database Connectivity"): the first page chooses
 * the kind of database, Next goes on to that kind's page and then to the copy page, whose
 * Finish prepares the database, proves the connection, copies the old store's data when asked
 * and writes the connection settings (dbconfig::FinishDatabaseWizard). The sheet holds the state
 * its pages share; each page keeps its own fields while the wizard is open, so Back and Next
 * again show them as they were left. Values a page writes on Next stay written when the wizard
 * is cancelled. Owned by the window that runs it; GUI thread.
 */
#ifndef TALLYVOL_DBCONFIG_UI_CONFIGUREDBSHEET_H
#define TALLYVOL_DBCONFIG_UI_CONFIGUREDBSHEET_H

#include "dbconfig/WizardFinish.h"

#include <QWizard>

#include <string>

namespace dbconfig::ui {

class ConfigureDBSheet : public QWizard {
    Q_OBJECT
public:
    // Page identifiers: the pages' template identifiers.
    static constexpr int kConfigureDB = 183;
    static constexpr int kConfigureAccessDB = 184;
    static constexpr int kConfigureMSDEDB = 185;
    static constexpr int kConfigureAdvancedDB = 186;
    static constexpr int kConfigureCopyData = 187;
    static constexpr int kConfigureMySQL = 189;
    // The first page's choice that stands for the advanced page until its dialect replaces it.
    static constexpr int kAdvancedKind = 4;

    explicit ConfigureDBSheet(QWidget* parent = nullptr);

    // Runs the wizard modally; true when Finish wrote the new connection settings.
    bool Run();

    int nextId() const override;

    // Finish on the copy page, with the page's "Copy data" choice; false stays on the page.
    bool OnWizardFinish(bool copyData);

    // ---- State shared by the pages ----
    std::string m_newConnectionString; // initially the stored ConnectionString
    int m_kind = 0;                    // initially the current database kind
    std::string m_oldSpecification;    // the stored ConnectionStringSpec, fixed
    std::string m_newSpecification;    // initially the stored ConnectionStringSpec
    std::string m_oldConnectionString; // the stored ConnectionString, fixed
    int m_kindPage = 0;                // the page the first page's choice leads to
    // The kind whose connection string is being edited when the advanced page is chosen: its
    // dialect is the one the advanced page offers first.
    int m_advancedDialect = 0;
    // The values of the kind pages, for Finish.
    AccessPageValues m_access;
    SqlServerPageValues m_sqlServer;
    MySqlPageValues m_mySql;

    // How the last Finish ended (kStayOnPage until one closed the wizard).
    FinishOutcome LastOutcome() const { return m_outcome; }

private slots:
    void OnPageChanged(int id);

private:
    FinishOutcome m_outcome;
};

// Runs the wizard over the active window; true when it wrote the new connection settings.
bool RunDatabaseWizard();

} // namespace dbconfig::ui

#endif
