// The alert list, the alert editor and the Schedule dialog, driven through their controls over
// a stand-in crontab (never a real account's) and a real PROFILES.INI: the list's lines and
// removals, every "Missing information" box, a new alert through the warning and its schedule,
// "No Schedule Set", edit round-trips, the schedule's triggers and lines, root's "Run as" and
// the main window's button.
#include "alerts/AlertTaskText.h"
#include "alerts/Notification.h"
#include "alerts/ui/windows/AlertWindows.h"
#include "alerts/ui/windows/CAlertDlg.h"
#include "alerts/ui/windows/CreateAlertDlg.h"
#include "alerts/ui/windows/ScheduleDlg.h"
#include "app/CTallyvol32Dlg.h"
#include "app/ui/MainWindow.h"
#include "brand/Brand.h"
#include "platform/taskscheduler/CrontabAccounts.h"
#include "tests/support/FakeCrontab.h"
#include "tests/ui/support/AlertWindowsDriver.h"
#include "tests/ui/support/StandInCronDaemon.h"
#include "tests/ui/support/UiTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>


#include <memory>

using namespace alerts::ui;
using namespace uitest;
namespace ts = platform::taskscheduler;

namespace {

const std::string kForeign = "MAILTO=root\n# nightly backup\n15 2 * * * /usr/local/bin/backup \\%d\n";

struct Fixture {
    uitest::UiTestEnvironment env;
    testsupport::FakeCrontab crontab;
    uitest::StandInCronDaemon cron;
    ts::TaskScheduler scheduler;

    std::string task(const std::string& parameters, const std::string& comment,
                     const std::vector<ts::CronTrigger>& triggers = {}) {
        std::string name;
        scheduler.CreateAlertTask(TALLYVOLTASKCREATOR, alerts::AlertTaskName(comment), "/usr/bin/tallyvol",
                                  parameters, comment, &name, triggers);
        return name;
    }

    ts::AlertTask read(const std::string& name, ts::TaskScheduler* in = nullptr) {
        ts::AlertTask found;
        (in != nullptr ? *in : scheduler).ReadAlertTask(name, &found);
        return found;
    }
};

CAlertDlg::AccountLister noOtherAccounts() {
    return [] { return std::vector<std::string>{}; };
}

// The crontab's lines that run the program (every trigger line of every task).
QStringList cronLines(const std::string& table) {
    QStringList result;
    for (const QString& line : QString::fromStdString(table).split(QLatin1Char('\n'))) {
        if (line.contains(QStringLiteral("'/DIR="))) {
            result.append(line);
        }
    }
    return result;
}

} // namespace

class AlertDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void theListShowsEveryAlertSortedAndRemovesThemToTheLast();
    void schedulerFailuresAreReportedWithTheirCodes();
    void everyMissingInformationBoxKeepsTheEditorOpen();
    void aNewAlertIsWarnedAboutCreatedAndScheduled();
    void anAlertLeftWithoutScheduleIsListedAsNotScheduled();
    void editingReadsTheParametersBackUpperCased();
    void theScheduleDialogEditsTriggersAndWritesOnlyOnOK();
    void rootMovesAnAlertToAnotherAccountAndStillListsIt();
    void theMainWindowsAlertsButtonOpensTheListForItsDirectory();
};

void AlertDialogsTest::theListShowsEveryAlertSortedAndRemovesThemToTheLast() {
    Fixture f;
    f.crontab.SetTable(kForeign);
    f.task("/DIR=\"/b\" /ALERTPERCENT=5  /SAVE /PID=1", "Space usage change greater than 5% in /b.",
           {*ts::CronTrigger::Daily(3, 0)});
    f.task("/DIR=\"/a\" /FREEALERT=10  /SAVE /PID=1", "Free space less than 10 K in /a.");
    std::string other;
    f.scheduler.CreateAlertTask("SomeoneElse", "x.job", "/bin/x", "/SCAN", "not ours", &other);

    CAlertDlg list("/srv", nullptr, noOtherAccounts());
    list.show();
    QCOMPARE(list.windowTitle(), QStringLiteral("Alerts"));
    QCOMPARE(Lines(list, CAlertDlg::kList),
             (QStringList{"** Not Scheduled **  Free space less than 10 K in /a.", "Space usage change greater than 5% in /b."}));

    DialogScript script;
    script.ThenPress(QMessageBox::Ok).ThenPress(QMessageBox::Ok);
    Click(list, CAlertDlg::kRemoveAlert);
    Click(list, CAlertDlg::kEditAlert);
    QCOMPARE(script.Seen().size(), std::size_t{2});
    QCOMPARE(script.Seen()[0].text, QStringLiteral("Please select an alert to remove and try again"));
    QCOMPARE(script.Seen()[1].text, QStringLiteral("Please select an alert to edit and try again"));
    QCOMPARE(script.Seen()[1].title, QStringLiteral("No Selection"));

    // Removed at once, without a question, down to an empty list; other lines stay as written.
    Select(list, CAlertDlg::kList, 1);
    Click(list, CAlertDlg::kRemoveAlert);
    QCOMPARE(Lines(list, CAlertDlg::kList), QStringList{"** Not Scheduled **  Free space less than 10 K in /a."});
    Select(list, CAlertDlg::kList, 0);
    Click(list, CAlertDlg::kRemoveAlert);
    QVERIFY(Lines(list, CAlertDlg::kList).isEmpty());
    std::string table = *f.crontab.Table();
    QCOMPARE(QString::fromStdString(table.substr(0, kForeign.size())), QString::fromStdString(kForeign));
    QVERIFY(table.find("creator=SomeoneElse") != std::string::npos);
    QCOMPARE(script.Seen().size(), std::size_t{2});
    QCOMPARE(script.Unexpected(), 0);
}

void AlertDialogsTest::schedulerFailuresAreReportedWithTheirCodes() {
    Fixture f;
    f.task("/DIR=\"/a\" /FREEPERCENT=3 /PID=1", "Free space less than 3% in /a");
    f.crontab.FailWith("crontab: cannot read the table");
    DialogScript script;
    script.ThenPress(QMessageBox::Ok);
    CAlertDlg failing("/srv", nullptr, noOtherAccounts());
    QVERIFY(Lines(failing, CAlertDlg::kList).isEmpty());
    QVERIFY2(script.Seen().at(0).text.contains(QStringLiteral(
                 "Obtaining list of existing alerts.  HR=80004005\r\n\r\nYou can also manage your alerts via the crontab command")),
             qPrintable(script.Seen().at(0).text));

    f.crontab.StopFailing();
    CAlertDlg list("/srv", nullptr, noOtherAccounts());
    list.show();
    Select(list, CAlertDlg::kList, 0);
    f.crontab.FailWith("crontab: cannot install");
    script.ThenPress(QMessageBox::Ok);
    Click(list, CAlertDlg::kRemoveAlert);
    QVERIFY(script.Seen().at(1).text.contains(QStringLiteral("Deleting an alert.  HR=80004005")));
    QCOMPARE(Lines(list, CAlertDlg::kList).size(), 1);
}

void AlertDialogsTest::everyMissingInformationBoxKeepsTheEditorOpen() {
    Fixture f;
    int pid = SaveProfile("Operators", alerts::kMessageBox);
    struct Case {
        QString directory;
        int type;
        QString value;
        std::vector<int> profiles;
        QString text;
        QString caption;
    };
    const Case cases[] = {
        {"", 1, "500", {pid}, "Please fill in a directory to check and try again", "Missing information"},
        {"/srv", 1, "", {pid}, "Please fill in the required value for this alert type and try again", "Missing information"},
        {"/srv", -1, "500", {pid}, "An alert type has not been chosen.  Please select an alert type and try again.",
         "Missing information"},
        {"/srv", 1, "500", {},
         "You need to select one or more notification profiles before you can add this alert.  Select a profile by "
         "checking the checkbox.",
         "No Profiles Selected"},
    };
    for (const Case& c : cases) {
        CreateAlertDlg editor({}, {}, {}, nullptr);
        editor.show();
        FillAlertEditor(editor, c.directory, c.type, c.value, c.profiles);
        if (c.type < 0) {
            for (int id : CreateAlertDlg::kTypeButtons) {
                auto* button = ControlOf<QRadioButton>(editor, id);
                button->setAutoExclusive(false);
                button->setChecked(false);
            }
        }
        DialogScript script;
        script.ThenPress(QMessageBox::Ok);
        Click(editor, CreateAlertDlg::kCreate);
        QCOMPARE(script.Seen().size(), std::size_t{1});
        QCOMPARE(script.Seen()[0].text, c.text);
        QCOMPARE(script.Seen()[0].title, c.caption);
        QVERIFY(editor.isVisible());
        QVERIFY(!f.crontab.Table().has_value());
    }
}

void AlertDialogsTest::aNewAlertIsWarnedAboutCreatedAndScheduled() {
    Fixture f;
    SaveProfile("Operators", alerts::kMessageBox);
    int second = SaveProfile("Night shift", alerts::kEventLog);
    CreateAlertDlg editor({}, {}, {}, nullptr);
    editor.show();
    QCOMPARE(editor.windowTitle(), QStringLiteral("Create New Alert"));
    QVERIFY(ControlOf<QCheckBox>(editor, CreateAlertDlg::kSymlinkCheck)->isChecked());
    QCOMPARE(ControlOf<QLabel>(editor, CreateAlertDlg::kPrompt)->text(), QString::fromStdString(CreateAlertDlg::Prompt(0)));
    FillAlertEditor(editor, "/srv/data", alerts::kAlertGrowthSize, "500", {second});
    QVERIFY(ControlOf<QLabel>(editor, CreateAlertDlg::kPrompt)->text().startsWith(QStringLiteral("Enter an amount of disk space in K")));

    QString shownLines;
    DialogScript script;
    script.ThenClick(1); // the "Run as" warning
    script.Then([&](QDialog& schedule) {
        ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->setCurrentIndex(ScheduleDlg::kWeekly);
        ControlOf<QTimeEdit>(schedule, ScheduleDlg::kTime)->setTime(QTime(6, 30));
        for (int day = 0; day < 7; ++day) {
            ControlOf<QCheckBox>(schedule, ScheduleDlg::kSunday + day)->setChecked(day == 1 || day == 5);
        }
        Click(schedule, ScheduleDlg::kAdd);
        ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->setCurrentIndex(ScheduleDlg::kRepeatedly);
        ControlOf<QSpinBox>(schedule, ScheduleDlg::kEvery)->setValue(15);
        Click(schedule, ScheduleDlg::kAdd);
        shownLines = ControlOf<QPlainTextEdit>(schedule, ScheduleDlg::kLines)->toPlainText();
        Click(schedule, 1);
    });
    Click(editor, CreateAlertDlg::kCreate);
    QVERIFY(!editor.isVisible());
    QCOMPARE(editor.result(), int(QDialog::Accepted));
    QCOMPARE(script.Seen().at(0).objectName, QStringLiteral("dlg164"));
    QVERIFY(script.Seen().at(0).text.contains(QString::fromUtf8(alerts::kAlertRunAsWarning)));
    QCOMPARE(script.Seen().at(1).objectName, QStringLiteral("dlg192"));
    QVERIFY(script.Seen().at(1).text.contains(QStringLiteral("Space usage change greater than 500 K in /srv/data.")));

    ts::AlertTask created = f.read("Space usage change greater than 500 K in _srv_data..job");
    QCOMPARE(QString::fromStdString(created.parameters),
             QStringLiteral("/DIR=\"/srv/data\" /ALERTSIZE=500  /SAVE /PID=%1 /DOSYMLINKCHECK").arg(second));
    QVERIFY((created.triggers == std::vector<ts::CronTrigger>{*ts::CronTrigger::Weekly(0x22, 6, 30),
                                                               *ts::CronTrigger::EveryMinutes(15)}));
    // The dialog showed exactly the lines cron runs.
    QCOMPARE(shownLines.split(QLatin1Char('\n')), cronLines(*f.crontab.Table()));
    QVERIFY(shownLines.startsWith(QStringLiteral("30 6 * * 1,5 ")));
    QCOMPARE(script.Unexpected(), 0);
}

void AlertDialogsTest::anAlertLeftWithoutScheduleIsListedAsNotScheduled() {
    Fixture f;
    int pid = SaveProfile("Operators", alerts::kMessageBox);
    CAlertDlg list("/srv", nullptr, noOtherAccounts());
    list.show();
    DialogScript script;
    script.Then([&](QDialog& editor) {
        FillAlertEditor(editor, "/srv/logs", alerts::kAlertFreePercent, "5", {pid});
        Click(editor, CreateAlertDlg::kCreate);
    });
    script.ThenClick(1);                   // the warning
    script.ThenClick(1);                   // the Schedule dialog, no trigger
    script.ThenPress(QMessageBox::Ok);     // "No Schedule Set": show it again
    script.ThenClick(2);                   // the Schedule dialog, cancelled
    script.ThenPress(QMessageBox::Cancel); // leave it unscheduled
    Click(list, CAlertDlg::kAddAlert);
    QVERIFY(script.Done());
    QCOMPARE(script.Seen().at(3).title, QStringLiteral("No Schedule Set"));
    QVERIFY(script.Seen().at(3).text.contains(QStringLiteral("press the \"Add\" button")));
    QCOMPARE(script.Seen().at(4).objectName, QStringLiteral("dlg192"));
    QCOMPARE(script.Seen().at(5).title, QStringLiteral("No Schedule Set"));
    QCOMPARE(Lines(list, CAlertDlg::kList), QStringList{"** Not Scheduled **  Free space less than 5% in /srv/logs"});
    QCOMPARE(script.Unexpected(), 0);
}

void AlertDialogsTest::editingReadsTheParametersBackUpperCased() {
    Fixture f;
    int first = SaveProfile("Operators", alerts::kMessageBox);
    int second = SaveProfile("Pager", alerts::kPage);
    int third = SaveProfile("Mail", alerts::kEMail, "ops@example.org", "mail.example.org");
    std::vector<ts::CronTrigger> nightly = {*ts::CronTrigger::Daily(1, 15)};
    std::string name = f.task(QStringLiteral("/DIR=\"/srv/Data\" /ALERTPERCENT=10 /SAVESUBDIRS /SAVE /PID=%1,%2")
                                  .arg(first).arg(third).toStdString(),
                              "Space usage change greater than 10% in /srv/Data.  Save all scanned data.", nightly);

    CreateAlertDlg editor(name, {}, {}, nullptr);
    editor.show();
    QCOMPARE(ControlOf<QComboBox>(editor, CreateAlertDlg::kDirectory)->currentText(), QStringLiteral("/SRV/DATA"));
    QVERIFY(ControlOf<QRadioButton>(editor, 1077)->isChecked());
    QCOMPARE(ControlOf<QLineEdit>(editor, CreateAlertDlg::kValue)->text(), QStringLiteral("10"));
    QVERIFY(ControlOf<QCheckBox>(editor, CreateAlertDlg::kSaveAll)->isChecked());
    QVERIFY(!ControlOf<QCheckBox>(editor, CreateAlertDlg::kSymlinkCheck)->isChecked());
    auto* profiles = ControlOf<QListWidget>(editor, CreateAlertDlg::kProfiles);
    QCOMPARE(profiles->item(0)->checkState(), Qt::Checked);
    QCOMPARE(profiles->item(1)->checkState(), Qt::Unchecked);
    QCOMPARE(profiles->item(2)->checkState(), Qt::Checked);
    Q_UNUSED(second);

    // Confirming without a change: no warning for an edited alert, the schedule kept, the name
    // kept, and the directory written back in upper case.
    DialogScript script;
    script.ThenClick(1);
    Click(editor, CreateAlertDlg::kCreate);
    QCOMPARE(script.Seen().size(), std::size_t{1});
    QCOMPARE(script.Seen()[0].objectName, QStringLiteral("dlg192"));
    ts::AlertTask edited = f.read(name);
    QCOMPARE(QString::fromStdString(edited.parameters),
             QStringLiteral("/DIR=\"/SRV/DATA\" /ALERTPERCENT=10 /SAVESUBDIRS /SAVE /PID=%1,%2").arg(first).arg(third));
    QCOMPARE(QString::fromStdString(edited.comment),
             QStringLiteral("Space usage change greater than 10% in /SRV/DATA.  Save all scanned data."));
    QVERIFY(edited.triggers == nightly);

    // A custom command line keeps /SAVE after /SCAN, and drops it before.
    struct Custom {
        std::string options;
        QString value;
    };
    for (const Custom& custom : {Custom{"/SCAN /SAVE", " /SCAN /SAVE"}, Custom{"/SAVE /SCAN", " /SCAN"}}) {
        std::string customName = f.task("/DIR=\"/srv\" " + custom.options + " /PID=1", "Custom: /DIR=/srv " + custom.options);
        CreateAlertDlg customEditor(customName, {}, {}, nullptr);
        QVERIFY(ControlOf<QRadioButton>(customEditor, 1087)->isChecked());
        QCOMPARE(ControlOf<QLineEdit>(customEditor, CreateAlertDlg::kValue)->text(), custom.value);
    }
}

void AlertDialogsTest::theScheduleDialogEditsTriggersAndWritesOnlyOnOK() {
    Fixture f;
    std::vector<ts::CronTrigger> triggers = {*ts::CronTrigger::Parse("30 2 * * 1-5"), ts::CronTrigger::AtStartup()};
    std::string name = f.task("/DIR=\"/srv/it's $(x) %d\" /MAXSIZE=9 /SAVE  /PID=1", "Max size less than 9 K in /srv", triggers);
    int installs = f.crontab.Installs();

    DialogScript script;
    script.Then([&](QDialog& schedule) {
        QCOMPARE(Lines(schedule, ScheduleDlg::kTriggers), (QStringList{"At the cron time 30 2 * * 1-5", "At start-up"}));
        QCOMPARE(ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->currentIndex(), int(ScheduleDlg::kCronTimeKind));
        QCOMPARE(ControlOf<QLineEdit>(schedule, ScheduleDlg::kCronTime)->text(), QStringLiteral("30 2 * * 1-5"));
        QVERIFY(!ControlOf<QWidget>(schedule, ScheduleDlg::kTime)->isEnabled());
        ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->setCurrentIndex(ScheduleDlg::kMonthly);
        ControlOf<QSpinBox>(schedule, ScheduleDlg::kDayOfMonth)->setValue(15);
        ControlOf<QTimeEdit>(schedule, ScheduleDlg::kTime)->setTime(QTime(3, 0));
        Click(schedule, ScheduleDlg::kChange);
        Select(schedule, ScheduleDlg::kTriggers, 1);
        Click(schedule, ScheduleDlg::kRemove);
        QCOMPARE(Lines(schedule, ScheduleDlg::kTriggers), QStringList{"Monthly on day 15 at 03:00"});
        QString shown = ControlOf<QPlainTextEdit>(schedule, ScheduleDlg::kLines)->toPlainText();
        QVERIFY2(shown.startsWith(QStringLiteral("0 3 15 * * ")) && shown.contains(QStringLiteral("'/DIR=\"/srv/it'\\''s $(x) \\%d\"'")),
                 qPrintable(shown));
        Click(schedule, 2);
    });
    QCOMPARE(EditAlertSchedule(f.scheduler, name, nullptr), ts::S_OK);
    QCOMPARE(f.crontab.Installs(), installs);
    QVERIFY(f.read(name).triggers == triggers);

    // Fields that describe no trigger are explained; OK writes what the list holds.
    script.Then([&](QDialog& schedule) {
        ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->setCurrentIndex(ScheduleDlg::kWeekly);
        for (int day = 0; day < 7; ++day) {
            ControlOf<QCheckBox>(schedule, ScheduleDlg::kSunday + day)->setChecked(false);
        }
        Click(schedule, ScheduleDlg::kAdd);
        ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->setCurrentIndex(ScheduleDlg::kCronTimeKind);
        ControlOf<QLineEdit>(schedule, ScheduleDlg::kCronTime)->setText(QStringLiteral("61 * * * * ; rm -rf /"));
        Click(schedule, ScheduleDlg::kAdd);
        ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->setCurrentIndex(ScheduleDlg::kAtStartup);
        Click(schedule, ScheduleDlg::kAdd);
        ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->setCurrentIndex(ScheduleDlg::kRepeatedly);
        ControlOf<QComboBox>(schedule, ScheduleDlg::kEveryUnit)->setCurrentIndex(1);
        QCOMPARE(ControlOf<QSpinBox>(schedule, ScheduleDlg::kEvery)->maximum(), 23);
        ControlOf<QSpinBox>(schedule, ScheduleDlg::kEvery)->setValue(6);
        Click(schedule, ScheduleDlg::kAdd);
        Select(schedule, ScheduleDlg::kTriggers, 0);
        Click(schedule, ScheduleDlg::kRemove);
        Click(schedule, 1);
    });
    script.ThenPress(QMessageBox::Ok).ThenPress(QMessageBox::Ok).ThenPress(QMessageBox::Ok);
    QCOMPARE(EditAlertSchedule(f.scheduler, name, nullptr), ts::S_OK);
    QCOMPARE(script.Seen().at(2).text, QStringLiteral("Choose at least one day of the week."));
    QVERIFY(script.Seen().at(3).text.startsWith(QStringLiteral("\"61 * * * * ; rm -rf /\" is not a cron time")));
    QCOMPARE(script.Seen().at(4).text, QStringLiteral("The alert runs at that time already."));
    QVERIFY((f.read(name).triggers == std::vector<ts::CronTrigger>{ts::CronTrigger::AtStartup(), *ts::CronTrigger::EveryMinutes(360)}));

    // A crontab that cannot be written keeps the dialog open with crontab's words.
    f.crontab.RefuseInstallsOf("crontab: installing new crontab failed");
    script.Then([](QDialog& schedule) {
        Click(schedule, 1);
        QVERIFY(schedule.isVisible());
        Click(schedule, 2);
    });
    script.ThenPress(QMessageBox::Ok);
    QCOMPARE(EditAlertSchedule(f.scheduler, name, nullptr), ts::S_OK);
    QCOMPARE(script.Seen().at(6).text,
             QStringLiteral("Saving the schedule.  The operating system reports: crontab: installing new crontab failed.  HR=80004005"));
    QCOMPARE(EditAlertSchedule(f.scheduler, "no-such.job", nullptr), ts::E_FILENOTFOUND);
    QCOMPARE(script.Unexpected(), 0);
}

void AlertDialogsTest::rootMovesAnAlertToAnotherAccountAndStillListsIt() {
    Fixture f;
    if (!ts::MayUseOtherCrontabs()) {
        QSKIP("only root chooses the account an alert runs as");
    }
    int pid = SaveProfile("Operators", alerts::kMessageBox);
    std::string name = f.task("/DIR=\"/srv\" /FREEPERCENT=3 /PID=" + std::to_string(pid), "Free space less than 3% in /srv");
    CAlertDlg list("/srv", nullptr, [] { return std::vector<std::string>{"daemon", "nobody"}; });
    list.show();
    Select(list, CAlertDlg::kList, 0);

    DialogScript script;
    script.Then([&](QDialog& editor) { Click(editor, CreateAlertDlg::kCreate); });
    script.Then([&](QDialog& schedule) {
        auto* runAs = ControlOf<QComboBox>(schedule, ScheduleDlg::kRunAs);
        QVERIFY(runAs->isVisibleTo(&schedule));
        QCOMPARE(runAs->currentText(), QStringLiteral("root"));
        runAs->setCurrentText(QStringLiteral("nobody"));
        ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->setCurrentIndex(ScheduleDlg::kDaily);
        Click(schedule, ScheduleDlg::kAdd);
        Click(schedule, 1);
    });
    Click(list, CAlertDlg::kEditAlert);
    QVERIFY(script.Done());
    // Read back upper-cased, as every edited alert is.
    QCOMPARE(Lines(list, CAlertDlg::kList), QStringList{"Free space less than 3% in /SRV  (runs as nobody)"});
    QVERIFY(f.crontab.Table()->find("tallyvol-task") == std::string::npos);
    ts::TaskScheduler nobody("nobody");
    QCOMPARE(f.read(name, &nobody).triggers.size(), std::size_t{1});

    // Edited where it now lives, and removed from there.
    Select(list, CAlertDlg::kList, 0);
    script.Then([&](QDialog& editor) {
        ControlOf<QLineEdit>(editor, CreateAlertDlg::kValue)->setText(QStringLiteral("7"));
        Click(editor, CreateAlertDlg::kCreate);
    });
    script.ThenClick(1);
    Click(list, CAlertDlg::kEditAlert);
    QCOMPARE(Lines(list, CAlertDlg::kList), QStringList{"Free space less than 7% in /SRV  (runs as nobody)"});
    QVERIFY(f.read(name, &nobody).parameters.find("/FREEPERCENT=7") != std::string::npos);
    Select(list, CAlertDlg::kList, 0);
    Click(list, CAlertDlg::kRemoveAlert);
    QVERIFY(Lines(list, CAlertDlg::kList).isEmpty());
    QVERIFY(f.crontab.Table("nobody")->find("tallyvol-task") == std::string::npos);
    QCOMPARE(script.Unexpected(), 0);
}

void AlertDialogsTest::theMainWindowsAlertsButtonOpensTheListForItsDirectory() {
    Fixture f;
    InstallAlertWindows();
    std::string directory = f.env.Env().Root() + "/shown";
    testsupport::MakeDirectories(directory);
    app::CTallyvol32Dlg dialog;
    dialog.m_directory = directory + "/";
    app::ui::MainWindow window(dialog);
    f.env.UI().SetMainWindow(&window);
    window.show();

    QString offered;
    DialogScript script;
    script.Then([](QDialog& list) {
        Click(list, CAlertDlg::kAddAlert);
        Click(list, 1);
    });
    script.Then([&](QDialog& editor) {
        offered = ControlOf<QComboBox>(editor, CreateAlertDlg::kDirectory)->itemText(0);
        QCOMPARE(ControlOf<QComboBox>(editor, CreateAlertDlg::kDirectory)->currentText(), QString());
        Click(editor, 2);
    });
    Click(window, app::ui::MainWindow::kAlerts);
    QVERIFY(script.Done());
    QCOMPARE(script.Seen().at(0).objectName, QStringLiteral("dlg157"));
    QCOMPARE(offered, QString::fromStdString(directory));
    QCOMPARE(script.Unexpected(), 0);
}

QTEST_MAIN(AlertDialogsTest)
#include "AlertDialogsTest.moc"
