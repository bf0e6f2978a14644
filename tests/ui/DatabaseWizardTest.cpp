// The database configuration wizard driven through its pages over real stores: what each page
// shows and refuses, the settings written on Next and on Finish (and only those after Cancel),
// the copy page's advice for the same, a new and an unknown database, a copy between two SQLite
// files and one into the MariaDB fixture cancelled in its third table, the first start without
// a store through the window library's entry point, and the path upgrade's window.
#include "app/CTallyvol32App.h"
#include "app/CTallyvol32Dlg.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "app/ui/MainWindow.h"
#include "brand/Brand.h"
#include "dbconfig/AccessDatabase.h"
#include "dbconfig/DatabasePreparation.h"
#include "dbconfig/ui/ConfigureAccessDB.h"
#include "dbconfig/ui/ConfigureAdvancedDB.h"
#include "dbconfig/ui/ConfigureCopyData.h"
#include "dbconfig/ui/ConfigureDB.h"
#include "dbconfig/ui/ConfigureDBSheet.h"
#include "dbconfig/ui/ConfigureMSDEDB.h"
#include "dbconfig/ui/ConfigureMySQL.h"
#include "dbconfig/ui/CopyDatabaseDlg.h"
#include "platform/ado/Connection.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/OdbcSandbox.h"
#include "tests/ui/support/UiTestSupport.h"
#include "tests/unit/dbconfig/CopyTestStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <memory>

extern "C" int TallyvolUiRun(app::CTallyvol32App* application, app::CTallyvol32Dlg* dialog,
                             const char* programName);

using namespace dbconfig::ui;
using uitest::ControlOf;
using uitest::DialogScript;
namespace settings = app::settings;

namespace {

// A home whose store is an SQLite file holding awkward rows, and a private ODBC configuration.
struct World {
    uitest::UiTestEnvironment env;
    testsupport::OdbcSandbox odbc;
    std::string oldStore = env.Env().Root() + "/old.db";

    explicit World(const copytest::StoreSize& size = {20, 30, 50}) {
        env.Env().Set("TMPDIR", env.Env().Root());
        copytest::MakeHostileStore(oldStore, size);
        useStore(dbconfig::AccessDirectConnectionString(oldStore), 1,
                 dbconfig::AccessConnectionStringSpec(oldStore));
        app::ResetProgramEndRequestForTesting();
    }
    static void useStore(const std::string& connectionString, int kind, const std::string& spec) {
        app::SetSetting(settings::ConnectionString, connectionString);
        app::SetSetting(settings::DBSource, kind);
        app::SetSetting(settings::ConnectionStringSpec, spec);
        app::SetCurrentDBSource(kind);
    }
    static void expectStore(const std::string& connectionString, int kind,
                            const std::string& spec) {
        QCOMPARE(QString::fromStdString(app::GetSetting(settings::ConnectionString)),
                 QString::fromStdString(connectionString));
        QCOMPARE(app::GetSetting(settings::DBSource), kind);
        QCOMPARE(QString::fromStdString(app::GetSetting(settings::ConnectionStringSpec)),
                 QString::fromStdString(spec));
    }
    void expectOldStore() const {
        expectStore(dbconfig::AccessDirectConnectionString(oldStore), 1,
                    dbconfig::AccessConnectionStringSpec(oldStore));
    }
};

// The wizard on screen, driven as a person would.
struct Wizard {
    std::unique_ptr<ConfigureDBSheet> sheet = std::make_unique<ConfigureDBSheet>();

    Wizard() { sheet->show(); }
    template <typename T> T& control(int id) {
        T* found = ControlOf<T>(*sheet, id);
        if (found == nullptr) {
            throw std::runtime_error("no control " + std::to_string(id));
        }
        return *found;
    }
    QString text(int id) { return control<QLineEdit>(id).text(); }
    void type(int id, const std::string& value) {
        control<QLineEdit>(id).setText(QString::fromStdString(value));
    }
    void click(int id) { control<QAbstractButton>(id).click(); }
    bool checked(int id) { return control<QAbstractButton>(id).isChecked(); }
    void next() { sheet->button(QWizard::NextButton)->click(); }
    void back() { sheet->button(QWizard::BackButton)->click(); }
    void finish() { sheet->button(QWizard::FinishButton)->click(); }
    int page() const { return sheet->currentId(); }
    // From the first page to the kind page.
    void choose(int kindButton) {
        click(kindButton);
        next();
    }
    QString explanation() { return control<QLabel>(ConfigureCopyData::kExplanation).text(); }
    QCheckBox& copyBox() { return control<QCheckBox>(ConfigureCopyData::kCopyData); }
};

std::vector<std::string> captions(const DialogScript& script) {
    std::vector<std::string> result;
    for (const uitest::SeenDialog& seen : script.Seen()) {
        result.push_back(seen.title.toStdString());
    }
    return result;
}

// Clicks the copy window's Cancel once it shows the table and has gone `rows` rows into it.
class CancelDuringTable {
public:
    CancelDuringTable(const QString& table, int rows) {
        QObject::connect(&m_poll, &QTimer::timeout, [this, table, rows] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                auto* copy = qobject_cast<CopyDatabaseDlg*>(window);
                if (copy == nullptr || !copy->isVisible()) {
                    continue;
                }
                m_title = copy->windowTitle();
                auto* bar = ControlOf<QProgressBar>(*copy, CopyDatabaseDlg::kBar);
                QString text = ControlOf<QLabel>(*copy, CopyDatabaseDlg::kText)->text();
                if (!m_clicked && text.contains(table) && bar->value() >= rows) {
                    m_clicked = true;
                    ControlOf<QAbstractButton>(*copy, CopyDatabaseDlg::kCancel)->click();
                }
            }
        });
        m_poll.start(0);
    }
    bool Clicked() const { return m_clicked; }
    QString Title() const { return m_title; }

private:
    QTimer m_poll;
    bool m_clicked = false;
    QString m_title;
};

// An interactive start as the program makes it; the main window is closed as soon as it shows.
struct InteractiveStart {
    int status = -1;
    bool windowShown = false;
};

InteractiveStart startInteractively(app::CTallyvol32Dlg& dialog) {
    InteractiveStart start;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("dlg102") && window->isVisible()) {
                start.windowShown = true;
                window->close();
            }
        }
    });
    watch.start(20);
    app::CTallyvol32App application({});
    start.status = TallyvolUiRun(&application, &dialog, "tallyvol");
    return start;
}

} // namespace

class DatabaseWizardTest : public QObject {
    Q_OBJECT

private slots:
    void theFirstPageShowsTheStoreAndLeadsToTheChosenPage();
    void theFileMustExistOrBeMadeAndNextWritesItsPath();
    void theSameFileBySqliteOrOdbcIsTheSameDatabase();
    void theSqlServerPageReadsItsStringBackWhole();
    void theMySqlPageRefusesABadPortAndAMissingClient();
    void anAdvancedStringIsANewDatabase();
    void aCopyBetweenTwoFilesShowsItsProgressAndCompletes();
    void aCopyIntoMariaDbCancelledInTheThirdTable();
    void aFirstStartWithoutAStoreEndsWhenTheWizardIsCancelled();
    void aFirstStartWithoutAStoreOpensTheWindowAfterFinish();
    void thePathUpgradeShowsItsProgressWindow();
};

void DatabaseWizardTest::theFirstPageShowsTheStoreAndLeadsToTheChosenPage() {
    World world;
    World::useStore("Driver=MariaDB Unicode;Server=db;Database=scans;UID=tv;PWD=s3cret", 3,
                    "3:MySQL:db:scans");
    uitest::FakeOpener opener;
    Wizard w;
    QCOMPARE(w.page(), ConfigureDBSheet::kConfigureDB);
    QCOMPARE(w.sheet->windowTitle(), QStringLiteral("Configure Database Connectivity"));
    QVERIFY(w.checked(ConfigureDB::kMySql));
    QCOMPARE(w.text(ConfigureDB::kCurrentConnectionString),
             QStringLiteral("Driver=MariaDB Unicode;Server=db;Database=scans;UID=tv;PWD=****"));
    QCOMPARE(w.control<QLabel>(ConfigureDB::kCurrentDialect).text(), QStringLiteral("MySQL"));
    QVERIFY(!w.sheet->button(QWizard::BackButton)->isEnabled());

    const std::pair<int, int> routes[] = {
        {ConfigureDB::kAccess, ConfigureDBSheet::kConfigureAccessDB},
        {ConfigureDB::kSqlServer, ConfigureDBSheet::kConfigureMSDEDB},
        {ConfigureDB::kMySql, ConfigureDBSheet::kConfigureMySQL},
        {ConfigureDB::kAdvanced, ConfigureDBSheet::kConfigureAdvancedDB}};
    for (auto [button, page] : routes) {
        w.choose(button);
        QCOMPARE(w.page(), page);
        QCOMPARE(w.sheet->m_kind, button - ConfigureDB::kAccess + 1);
        QVERIFY(w.sheet->button(QWizard::BackButton)->isEnabled());
        if (page == ConfigureDBSheet::kConfigureAdvancedDB) {
            QVERIFY2(w.checked(ConfigureAdvancedDB::kMySql),
                     "the dialect of the stored string is offered");
            QCOMPARE(w.text(ConfigureAdvancedDB::kConnectionString),
                     QStringLiteral(
                         "Driver=MariaDB Unicode;Server=db;Database=scans;UID=tv;PWD=s3cret"));
        }
        w.back();
        QVERIFY2(w.checked(button), "the sheet's kind is selected again");
    }

    w.click(ConfigureDB::kSqlServerWebsite);
    QVERIFY(uitest::WaitFor([&] { return !opener.Opened().empty(); }));
    QCOMPARE(opener.Opened(), std::string(ConfigureDB::kSqlServerDownloadPage));
    w.click(ConfigureDB::kMariaDbWebsite);
    QVERIFY(uitest::WaitFor([&] { return opener.Opened() == ConfigureDB::kMariaDbDownloadPage; }));
}

void DatabaseWizardTest::theFileMustExistOrBeMadeAndNextWritesItsPath() {
    World world;
    std::string newStore = world.env.Env().Root() + "/stores/new.db";
    testsupport::MakeDirectories(world.env.Env().Root() + "/stores");
    DialogScript script;
    script.ThenPress(QMessageBox::No).ThenPress(QMessageBox::Ok).ThenPress(QMessageBox::Yes);
    Wizard w;
    w.choose(ConfigureDB::kAccess);
    // Defaults of a first visit are written back.
    QCOMPARE(w.text(ConfigureAccessDB::kFile), QString::fromStdString(world.env.StoreFile()));
    QCOMPARE(app::GetSetting(settings::MDBPath), world.env.StoreFile());
    QCOMPARE(w.text(ConfigureAccessDB::kDsnName), QString::fromUtf8(DefaultDSNName));
    QVERIFY(w.checked(ConfigureAccessDB::kDirect));
    QVERIFY(!w.control<QLineEdit>(ConfigureAccessDB::kDsnName).isEnabled());
    w.click(ConfigureAccessDB::kOdbc);
    QVERIFY(w.control<QLineEdit>(ConfigureAccessDB::kDsnName).isEnabled());
    w.click(ConfigureAccessDB::kDirect);

    // Asked before a store file is made; declined, the page stays.
    w.type(ConfigureAccessDB::kFile, "  " + newStore + "  ");
    w.next();
    QCOMPARE(w.page(), ConfigureDBSheet::kConfigureAccessDB);
    QVERIFY(!testsupport::FileExists(newStore));
    QCOMPARE(app::GetSetting(settings::MDBPath), world.env.StoreFile());
    w.next();
    QCOMPARE(w.page(), ConfigureDBSheet::kConfigureCopyData);
    QCOMPARE(captions(script),
             (std::vector<std::string>{"Verify Database File Creation", "No Database File",
                                       "Verify Database File Creation"}));
    QCOMPARE(script.Seen()[1].text,
             QStringLiteral("The .db file cannot be found.  Please try again."));
    QVERIFY(testsupport::FileExists(newStore));
    QCOMPARE(app::GetSetting(settings::MDBPath), newStore);
    QCOMPARE(w.text(ConfigureCopyData::kNewConnectionString),
             QString::fromStdString("Provider=SQLite;Data Source=" + newStore));
    QVERIFY(w.explanation().startsWith(
        QStringLiteral("It appears that you have set up a new database.  If you would like")));
    QVERIFY(w.copyBox().isChecked() && w.copyBox().isEnabled());
    QVERIFY(w.sheet->button(QWizard::FinishButton)->isVisible());

    // Cancel keeps what Next wrote and nothing of Finish's.
    w.sheet->reject();
    world.expectOldStore();
    QCOMPARE(app::GetSetting(settings::MDBPath), newStore);
    QCOMPARE(script.Unexpected(), 0);
}

void DatabaseWizardTest::theSameFileBySqliteOrOdbcIsTheSameDatabase() {
    World world;
    DialogScript script;
    Wizard w;
    w.choose(ConfigureDB::kAccess);
    w.type(ConfigureAccessDB::kFile, world.oldStore);
    w.next();
    const QString same = QStringLiteral(
        "It appears that you are connecting to the same database, so copying the data "
        "from one database to another is not applicable.  Press Finish to proceed.");
    QCOMPARE(w.explanation(), same);
    QVERIFY(!w.copyBox().isChecked() && !w.copyBox().isEnabled());

    // Reached through the ODBC driver instead, the file is still the same database.
    w.back();
    w.click(ConfigureAccessDB::kOdbc);
    w.type(ConfigureAccessDB::kDsnName, "TallyvolWizard");
    w.next();
    QCOMPARE(w.explanation(), same);
    w.finish();
    QVERIFY(!w.sheet->isVisible());
    QVERIFY(w.sheet->LastOutcome().result == dbconfig::FinishResult::kSaved);
    QVERIFY(w.sheet->LastOutcome().copy == dbconfig::CopyResult::kNotCopied);
    World::expectStore("DSN=TallyvolWizard", 1,
                       dbconfig::AccessConnectionStringSpec(world.oldStore));
    QCOMPARE(app::GetSetting(settings::DSNName), std::string("TallyvolWizard"));
    QVERIFY(testsupport::ReadFile(world.odbc.SystemDataSources()).find("[TallyvolWizard]") !=
            std::string::npos);
    QVERIFY2(script.Seen().empty(), "only the settings were rewritten");

    // Back on the page the stored string selects the ODBC button.
    Wizard again;
    again.choose(ConfigureDB::kAccess);
    QVERIFY(again.checked(ConfigureAccessDB::kOdbc));
}

void DatabaseWizardTest::theSqlServerPageReadsItsStringBackWhole() {
    World world;
    World::useStore("Provider=SQLOLEDB;Data Source=SRV1;Initial Catalog=Scans;Network "
                    "Library=DBMSSOCN;App=Tally vol",
                    2, "2:MSSQL:SRV1:Scans");
    {
        Wizard w;
        w.choose(ConfigureDB::kSqlServer);
        QCOMPARE(w.text(ConfigureMSDEDB::kServer), QStringLiteral("SRV1"));
        QCOMPARE(w.text(ConfigureMSDEDB::kDatabase), QStringLiteral("Scans"));
        QCOMPARE(w.text(ConfigureMSDEDB::kAdditional),
                 QStringLiteral("NETWORK LIBRARY=DBMSSOCN;APP=Tally vol"));
        QVERIFY(w.checked(ConfigureMSDEDB::kCurrentUser));
        QVERIFY(w.control<QLineEdit>(ConfigureMSDEDB::kPassword).echoMode() == QLineEdit::Password);

        w.click(ConfigureMSDEDB::kGivenUser);
        w.type(ConfigureMSDEDB::kUser, "sa");
        w.type(ConfigureMSDEDB::kPassword, "p=w;d");
        w.next();
        const std::string built =
            "PROVIDER=SQLOLEDB;SERVER=SRV1;DATABASE=Scans;TRUSTED_CONNECTION=no;USER ID=sa;"
            "PWD=\"p=w;d\";NETWORK LIBRARY=DBMSSOCN;APP=Tally vol";
        QCOMPARE(w.sheet->m_newConnectionString, built);
        QCOMPARE(w.sheet->m_newSpecification, std::string("2:MSSQL:SRV1:Scans"));
        QCOMPARE(app::GetSetting(settings::MSSQLServer), std::string("SRV1"));
        QCOMPARE(app::GetSetting(settings::MSSQLDatabase), std::string("Scans"));
        QVERIFY(!w.text(ConfigureCopyData::kNewConnectionString).contains(QStringLiteral("p=w;d")));

        // Shown again, the page reads the string it built back into the same fields.
        w.back();
        QVERIFY(w.checked(ConfigureMSDEDB::kGivenUser));
        QCOMPARE(w.text(ConfigureMSDEDB::kUser), QStringLiteral("sa"));
        QCOMPARE(w.text(ConfigureMSDEDB::kPassword), QStringLiteral("p=w;d"));
        QCOMPARE(w.text(ConfigureMSDEDB::kAdditional),
                 QStringLiteral("NETWORK LIBRARY=DBMSSOCN;APP=Tally vol"));
        w.sheet->reject();
    }
    // A string the connection would cut is not cut silently.
    World::useStore("PROVIDER=SQLOLEDB;SERVER=S;DATABASE=D;PWD=\"abc;def", 2, "2:MSSQL:S:D");
    DialogScript script;
    script.ThenPress(QMessageBox::Ok);
    Wizard w;
    w.choose(ConfigureDB::kSqlServer);
    QCOMPARE(script.Seen().size(), std::size_t(1));
    QVERIFY(script.Seen()[0].text.contains(QStringLiteral("no closing quote")));
    QCOMPARE(w.text(ConfigureMSDEDB::kPassword), QStringLiteral("abc;def"));
}

void DatabaseWizardTest::theMySqlPageRefusesABadPortAndAMissingClient() {
    World world;
    DialogScript script;
    script.ThenPress(QMessageBox::Ok).ThenPress(QMessageBox::Ok).ThenPress(QMessageBox::Ok);
    Wizard w;
    w.choose(ConfigureDB::kMySql);
    QCOMPARE(w.text(ConfigureMySQL::kBinDirectory), QStringLiteral("/usr/bin"));
    QCOMPARE(w.text(ConfigureMySQL::kDatabase), QString::fromUtf8(DefaultDatabaseName));
    QCOMPARE(w.text(ConfigureMySQL::kDsnName), QString::fromUtf8(DefaultMySQLDSNName));
    QCOMPARE(w.text(ConfigureMySQL::kPort), QStringLiteral("3306"));
    QCOMPARE(app::GetSetting(settings::MySQLName), std::string(DefaultDatabaseName));
    w.type(ConfigureMySQL::kServer, "db.example.org");

    const std::pair<const char*, const char*> refused[] = {
        {"70000", "Please enter an integer between 0 and 65535."},
        {"33o6", "Please enter a positive integer."},
    };
    for (auto [port, prompt] : refused) {
        w.type(ConfigureMySQL::kPort, port);
        w.next();
        QCOMPARE(w.page(), ConfigureDBSheet::kConfigureMySQL);
        QCOMPARE(script.Seen().back().text, QString::fromUtf8(prompt));
        QVERIFY(w.control<QLineEdit>(ConfigureMySQL::kPort).hasFocus() ||
                !QApplication::focusWidget());
    }
    // Back to the first page and on again: the page kept what was typed.
    w.back();
    w.choose(ConfigureDB::kMySql);
    QCOMPARE(w.text(ConfigureMySQL::kServer), QStringLiteral("db.example.org"));
    w.type(ConfigureMySQL::kPort, "3307");
    w.type(ConfigureMySQL::kBinDirectory, world.env.Env().Root());
    w.next();
    QCOMPARE(w.page(), ConfigureDBSheet::kConfigureMySQL);
    QCOMPARE(script.Seen().back().title, QStringLiteral("Can't Find mysql"));
    QCOMPARE(script.Seen().back().text,
             QString::fromStdString(
                 world.env.Env().Root() +
                 "/mysql cannot be found.  Please verify the /bin path and try again."));
    QVERIFY2(app::GetSetting(settings::MySQLServer).empty(),
             "nothing written before the page is right");

    w.type(ConfigureMySQL::kBinDirectory, "/usr/bin/");
    w.next();
    QCOMPARE(w.page(), ConfigureDBSheet::kConfigureCopyData);
    QCOMPARE(w.sheet->m_newConnectionString, std::string("DSN=") + DefaultMySQLDSNName);
    QCOMPARE(w.sheet->m_newSpecification,
             std::string("3:MySQL:db.example.org:") + DefaultDatabaseName);
    QCOMPARE(w.sheet->m_mySql.port, 3307);
    QCOMPARE(app::GetSetting(settings::MySQLServer), std::string("db.example.org"));
    QCOMPARE(app::GetSetting(settings::MySQLBinPath), std::string("/usr/bin/"));
    w.sheet->reject();
    world.expectOldStore();
    QCOMPARE(script.Unexpected(), 0);
}

void DatabaseWizardTest::anAdvancedStringIsANewDatabase() {
    World world;
    std::string newStore = world.env.Env().Root() + "/advanced.db";
    DialogScript script;
    // The drop declined, then the test connection of a file that cannot be made.
    script.ThenPress(QMessageBox::No).ThenPress(QMessageBox::Ok).ThenPress(QMessageBox::No);
    Wizard w;
    w.choose(ConfigureDB::kAdvanced);
    QCOMPARE(w.text(ConfigureAdvancedDB::kConnectionString),
             QString::fromStdString(dbconfig::AccessDirectConnectionString(world.oldStore)));
    QVERIFY2(w.checked(ConfigureAdvancedDB::kSqlite),
             "the dialect of the string the page starts from");
    w.type(ConfigureAdvancedDB::kConnectionString, "Provider=SQLite;Data Source=" + newStore);
    w.next();
    QCOMPARE(w.sheet->m_newSpecification, std::string("1:?:?"));
    QVERIFY(w.explanation().contains(
        QStringLiteral("NOTE: All Tallyvol tables in the new database will first be emptied")));
    QVERIFY(w.copyBox().isChecked() && w.copyBox().isEnabled());

    w.finish();
    QCOMPARE(w.page(), ConfigureDBSheet::kConfigureCopyData);
    QCOMPARE(captions(script), (std::vector<std::string>{"Confirm Table Drop", "Confirm Cancel"}));
    QVERIFY(script.Seen()[0].text.startsWith(
        QStringLiteral("You are about to:\r\n 1. Drop the Tallyvol tables")));
    QCOMPARE(script.Seen()[1].text, QStringLiteral("No action taken."));

    w.back();
    w.type(ConfigureAdvancedDB::kConnectionString,
           "Provider=SQLite;Data Source=/nonexistent/dir/x.db");
    w.next();
    w.copyBox().setChecked(false);
    w.finish();
    QCOMPARE(w.page(), ConfigureDBSheet::kConfigureCopyData);
    QCOMPARE(script.Seen().back().title, QStringLiteral("Failed to Connect"));
    world.expectOldStore();

    w.back();
    w.click(ConfigureAdvancedDB::kSqlServer);
    w.next();
    QCOMPARE(w.sheet->m_kind, 2);
    w.back();
    QVERIFY2(w.checked(ConfigureAdvancedDB::kSqlServer),
             "back from the copy page, the chosen dialect stays");
    w.click(ConfigureAdvancedDB::kSqlite);
    w.type(ConfigureAdvancedDB::kConnectionString, "Provider=SQLite;Data Source=" + newStore);
    w.next();
    w.copyBox().setChecked(false);
    w.finish();
    QVERIFY(!w.sheet->isVisible());
    World::expectStore("Provider=SQLite;Data Source=" + newStore, 1, "1:?:?");
    QCOMPARE(copytest::SqliteCount(newStore, "DirNames"), 0LL);
    QCOMPARE(script.Unexpected(), 0);
}

void DatabaseWizardTest::aCopyBetweenTwoFilesShowsItsProgressAndCompletes() {
    World world({60, 90, 400});
    std::string newStore = world.env.Env().Root() + "/copy.db";
    dbconfig::EnsureAccessFile(newStore, true, false);
    DialogScript script;
    script.ThenPress(QMessageBox::Yes).ThenPress(QMessageBox::Ok);
    QStringList tables;
    QString title;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* copy = qobject_cast<CopyDatabaseDlg*>(window);
                copy != nullptr && copy->isVisible()) {
                title = copy->windowTitle();
                QString text = ControlOf<QLabel>(*copy, CopyDatabaseDlg::kText)->text();
                if (!tables.contains(text)) {
                    tables.append(text);
                }
            }
        }
    });
    poll.start(0);
    Wizard w;
    w.choose(ConfigureDB::kAccess);
    w.type(ConfigureAccessDB::kFile, newStore);
    w.next();
    QVERIFY(w.copyBox().isChecked());
    w.finish();
    poll.stop();
    QVERIFY(!w.sheet->isVisible());
    QVERIFY(w.sheet->LastOutcome().copy == dbconfig::CopyResult::kCompleted);
    QCOMPARE(captions(script), (std::vector<std::string>{"Confirm Table Drop", "Done"}));
    QCOMPARE(script.Seen()[1].text, QStringLiteral("Database copying completed."));
    QCOMPARE(title, QStringLiteral("Database Copy Progress"));
    QVERIFY2(tables.contains(QStringLiteral("Copying Table: SizeData (6 of 6)")),
             qPrintable(tables.join(',')));
    World::expectStore(dbconfig::AccessDirectConnectionString(newStore), 1,
                       dbconfig::AccessConnectionStringSpec(newStore));
    for (const copytest::TableQuery& table : copytest::kTableQueries) {
        QCOMPARE(copytest::SqliteRows(newStore, table.query),
                 copytest::SqliteRows(world.oldStore, table.query));
    }
    QVERIFY(QApplication::topLevelWidgets().count() > 0);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        QVERIFY(qobject_cast<CopyDatabaseDlg*>(window) == nullptr);
    }
}

void DatabaseWizardTest::aCopyIntoMariaDbCancelledInTheThirdTable() {
    std::optional<testsupport::MariaDbServer> found = testsupport::MariaDbServer::FromFixture();
    if (!found) {
        QSKIP("needs the MariaDB fixture: run this test through ctest");
    }
    const testsupport::MariaDbServer& server = *found;
    World world({450, 600, 1000});
    testsupport::ScratchDatabase database(server, "tvwizard");
    DialogScript script;
    // "Confirm Table Drop", then "Confirm Cancel" of the copy window.
    script.ThenPress(QMessageBox::Yes).ThenPress(QMessageBox::Yes);
    CancelDuringTable cancel(QStringLiteral("(3 of 6)"), 250); // beyond the first 200-row statement
    Wizard w;
    w.choose(ConfigureDB::kMySql);
    w.type(ConfigureMySQL::kDatabase, database.Name());
    w.type(ConfigureMySQL::kDsnName, "TallyvolWizardMaria");
    w.type(ConfigureMySQL::kServer, server.host);
    w.type(ConfigureMySQL::kPort, std::to_string(server.port));
    w.type(ConfigureMySQL::kUser, server.user);
    w.type(ConfigureMySQL::kPassword, server.password);
    w.next();
    QVERIFY(w.copyBox().isChecked());
    w.finish();
    QVERIFY(cancel.Clicked());
    QCOMPARE(cancel.Title(), QStringLiteral("Database Copy Progress"));
    QCOMPARE(captions(script), (std::vector<std::string>{"Confirm Table Drop", "Confirm Cancel"}));
    QCOMPARE(script.Seen()[1].text,
             QStringLiteral("Are you sure you want to stop the database copy process?"));
    QVERIFY(w.sheet->LastOutcome().copy == dbconfig::CopyResult::kStopped);
    QVERIFY2(!w.sheet->isVisible(), "a cancelled copy still saves the new settings");
    World::expectStore("DSN=TallyvolWizardMaria", 3,
                       "3:MySQL:" + server.host + ":" + database.Name());

    for (int i = 0; i < 2; ++i) {
        const copytest::TableQuery& table = copytest::kTableQueries[i];
        QCOMPARE(copytest::MariaDbRows(server, database.Name(), table.query),
                 copytest::SqliteRows(world.oldStore, table.query));
    }
    long long scans = copytest::MariaDbCount(server, database.Name(), "ScanDefinition");
    QVERIFY2(scans >= 200 && scans < 600, qPrintable(QString::number(scans)));
    std::vector<std::string> copiedScans =
        copytest::MariaDbRows(server, database.Name(), copytest::kTableQueries[2].query);
    std::vector<std::string> sourceScans =
        copytest::SqliteRows(world.oldStore, copytest::kTableQueries[2].query);
    sourceScans.resize(copiedScans.size());
    QCOMPARE(copiedScans, sourceScans);
    for (const char* empty : {"Filters", "ExtensionInfo", "SizeData"}) {
        QCOMPARE(copytest::MariaDbCount(server, database.Name(), empty), 0LL);
    }
}

void DatabaseWizardTest::aFirstStartWithoutAStoreEndsWhenTheWizardIsCancelled() {
    uitest::UiTestEnvironment env;
    testsupport::OdbcSandbox odbc;
    app::SetSetting(settings::FirstRun32, 0);
    app::ResetProgramEndRequestForTesting();
    DialogScript script;
    script.ThenPress(QMessageBox::Ok)
        .Then([](QDialog& wizard) { wizard.reject(); })
        .ThenPress(QMessageBox::Ok);
    app::CTallyvol32Dlg dialog;
    InteractiveStart start = startInteractively(dialog);
    QCOMPARE(start.status, 0);
    QVERIFY(!start.windowShown);
    QVERIFY(app::ProgramEndRequested());
    QCOMPARE(captions(script),
             (std::vector<std::string>{"No Database", "Configure Database Connectivity",
                                       "No Database"}));
    QVERIFY(script.Seen()[0].text.startsWith(
        QStringLiteral("Tallyvol doesn't yet have a database specified")));
    QVERIFY(script.Seen()[2].text.startsWith(
        QStringLiteral("Since database connectivity was not successfully completed")));
    QCOMPARE(app::GetSetting(settings::DBSource), 0);
    app::ResetProgramEndRequestForTesting();
}

void DatabaseWizardTest::aFirstStartWithoutAStoreOpensTheWindowAfterFinish() {
    uitest::UiTestEnvironment env;
    testsupport::OdbcSandbox odbc;
    app::SetSetting(settings::FirstRun32, 0);
    app::ResetProgramEndRequestForTesting();
    std::string store = env.Env().Root() + "/first.db";
    bool odbcChosen = false;
    DialogScript script;
    script.ThenPress(QMessageBox::Ok)
        .Then([&store, &odbcChosen](QDialog& dialog) {
            auto& wizard = static_cast<ConfigureDBSheet&>(dialog);
            ControlOf<QAbstractButton>(wizard, ConfigureDB::kAccess)->click();
            wizard.next();
            // No string is stored yet: its default names the data source, so ODBC is offered first.
            auto* odbcButton = ControlOf<QAbstractButton>(wizard, ConfigureAccessDB::kOdbc);
            odbcChosen = odbcButton->isChecked();
            ControlOf<QAbstractButton>(wizard, ConfigureAccessDB::kDirect)->click();
            ControlOf<QLineEdit>(wizard, ConfigureAccessDB::kFile)
                ->setText(QString::fromStdString(store));
            wizard.next(); // asks before the store file is made
            wizard.button(QWizard::FinishButton)->click();
        })
        .ThenPress(QMessageBox::Yes);
    app::CTallyvol32Dlg dialog;
    InteractiveStart start = startInteractively(dialog);
    QCOMPARE(start.status, 0);
    QVERIFY(start.windowShown);
    QVERIFY(odbcChosen);
    QVERIFY(!app::ProgramEndRequested());
    QVERIFY(dialog.m_databaseConnected);
    QCOMPARE(captions(script),
             (std::vector<std::string>{"No Database", "Configure Database Connectivity",
                                       "Verify Database File Creation"}));
    World::expectStore(dbconfig::AccessDirectConnectionString(store), 1,
                       dbconfig::AccessConnectionStringSpec(store));
    QCOMPARE(copytest::SqliteCount(store, "ScanDefinition"), 0LL);
}

void DatabaseWizardTest::thePathUpgradeShowsItsProgressWindow() {
    World world;
    {
        platform::ado::Connection store;
        store.Open(dbconfig::AccessDirectConnectionString(world.oldStore));
        store.Execute(
            "insert into DirNames (DirID, Path, ParentDirID) values (9001, 'C:\\DATA', 0), "
            "(9002, 'C:\\DATA\\OLD', 9001)");
    }
    app::SetSetting(settings::FirstRun32, 0);
    app::SetSetting(settings::MDBPath, world.oldStore);
    DialogScript script;
    script.ThenPress(QMessageBox::Yes);
    QString title;
    QString text;
    int maximum = -1;
    bool cancelEnabled = true;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* progress = qobject_cast<CopyDatabaseDlg*>(window);
                progress != nullptr && progress->isVisible()) {
                title = progress->windowTitle();
                text = ControlOf<QLabel>(*progress, CopyDatabaseDlg::kText)->text();
                maximum = ControlOf<QProgressBar>(*progress, CopyDatabaseDlg::kBar)->maximum();
                cancelEnabled =
                    ControlOf<QAbstractButton>(*progress, CopyDatabaseDlg::kCancel)->isEnabled();
            }
        }
    });
    poll.start(0);
    app::CTallyvol32Dlg dialog;
    app::ui::MainWindow window(dialog);
    poll.stop();
    QCOMPARE(captions(script), (std::vector<std::string>{"Confirm Database Upgrade"}));
    QCOMPARE(title, QStringLiteral("Upgrade Progress"));
    QCOMPARE(text, QStringLiteral("Upgrading data in DirNames table..."));
    QCOMPARE(maximum, 2);
    QVERIFY(!cancelEnabled);
    QCOMPARE(
        copytest::SqliteRows(world.oldStore, "select count(*) from DirNames where Path like '_:%'"),
        std::vector<std::string>{"0"});
    QVERIFY2(&dialog.m_scanInfo.Sink() == &dialog.m_progress,
             "scans report to the scan window again");
}

QTEST_MAIN(DatabaseWizardTest)
#include "DatabaseWizardTest.moc"
