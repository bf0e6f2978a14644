// The alert list, the alert editor, the profile editor and the Schedule dialog, driven through
// their controls over a stand-in crontab (never a real account's) and a real PROFILES.INI: the
// list's lines and removals, every "Missing information" box, a new alert through the warning
// and its schedule, "No Schedule Set", edit round-trips, profiles, a test notification that
// falls back, the schedule's triggers and lines, root's "Run as" and the main window's button.
#include "alerts/AlertTaskText.h"
#include "alerts/Notification.h"
#include "alerts/ui/windows/AlertWindows.h"
#include "alerts/ui/windows/CAlertDlg.h"
#include "alerts/ui/windows/CreateAlertDlg.h"
#include "alerts/ui/windows/NotificationType.h"
#include "alerts/ui/windows/ScheduleDlg.h"
#include "app/CTallyvol32Dlg.h"
#include "app/ui/MainWindow.h"
#include "brand/Brand.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/taskscheduler/CrontabAccounts.h"
#include "tests/support/FakeCrontab.h"
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

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

using namespace alerts::ui;
using uitest::ControlOf;
using uitest::DialogScript;
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

    static int profile(const std::string& description, int type, const std::string& str1 = {},
                       const std::string& str2 = {}) {
        alerts::Notification created;
        created.Description = description;
        created.Type = type;
        created.Str1 = str1;
        created.Str2 = str2;
        created.Save();
        return created.PID;
    }
};

CAlertDlg::AccountLister noOtherAccounts() {
    return [] { return std::vector<std::string>{}; };
}

QStringList lines(const QWidget& window, int list) {
    QStringList texts;
    auto* widget = ControlOf<QListWidget>(window, list);
    for (int row = 0; row < widget->count(); ++row) {
        texts.append(widget->item(row)->text());
    }
    return texts;
}

void click(const QWidget& window, int id) {
    ControlOf<QAbstractButton>(window, id)->click();
}

void select(const QWidget& window, int list, int row) {
    ControlOf<QListWidget>(window, list)->setCurrentRow(row);
}

// Fills the editor: directory, type, value, and ticks the profile lines of these identifiers.
void fillEditor(QWidget& editor, const QString& directory, int type, const QString& value, const std::vector<int>& pids) {
    ControlOf<QComboBox>(editor, CreateAlertDlg::kDirectory)->setCurrentText(directory);
    if (type >= 0) {
        ControlOf<QRadioButton>(editor, CreateAlertDlg::kTypeButtons[static_cast<std::size_t>(type)])->click();
    }
    ControlOf<QLineEdit>(editor, CreateAlertDlg::kValue)->setText(value);
    auto* profiles = ControlOf<QListWidget>(editor, CreateAlertDlg::kProfiles);
    for (int row = 0; row < profiles->count(); ++row) {
        int pid = profiles->item(row)->data(Qt::UserRole).toInt();
        bool tick = std::find(pids.begin(), pids.end(), pid) != pids.end();
        profiles->item(row)->setCheckState(tick ? Qt::Checked : Qt::Unchecked);
    }
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

int closedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
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
    void theProfileListKeepsItsTicksAndSaysWhatIsMissing();
    void theProfileEditorProposesDescriptionsAndStoresEachMeans();
    void aTestOfAnUnreachableMailServerFallsBackThenSaysSent();
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
    QCOMPARE(lines(list, CAlertDlg::kList),
             (QStringList{"** Not Scheduled **  Free space less than 10 K in /a.", "Space usage change greater than 5% in /b."}));

    DialogScript script;
    script.ThenPress(QMessageBox::Ok).ThenPress(QMessageBox::Ok);
    click(list, CAlertDlg::kRemoveAlert);
    click(list, CAlertDlg::kEditAlert);
    QCOMPARE(script.Seen().size(), std::size_t{2});
    QCOMPARE(script.Seen()[0].text, QStringLiteral("Please select an alert to remove and try again"));
    QCOMPARE(script.Seen()[1].text, QStringLiteral("Please select an alert to edit and try again"));
    QCOMPARE(script.Seen()[1].title, QStringLiteral("No Selection"));

    // Removed at once, without a question, down to an empty list; other lines stay as written.
    select(list, CAlertDlg::kList, 1);
    click(list, CAlertDlg::kRemoveAlert);
    QCOMPARE(lines(list, CAlertDlg::kList), QStringList{"** Not Scheduled **  Free space less than 10 K in /a."});
    select(list, CAlertDlg::kList, 0);
    click(list, CAlertDlg::kRemoveAlert);
    QVERIFY(lines(list, CAlertDlg::kList).isEmpty());
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
    QVERIFY(lines(failing, CAlertDlg::kList).isEmpty());
    QVERIFY2(script.Seen().at(0).text.contains(QStringLiteral(
                 "Obtaining list of existing alerts.  HR=80004005\r\n\r\nYou can also manage your alerts via the crontab command")),
             qPrintable(script.Seen().at(0).text));

    f.crontab.StopFailing();
    CAlertDlg list("/srv", nullptr, noOtherAccounts());
    list.show();
    select(list, CAlertDlg::kList, 0);
    f.crontab.FailWith("crontab: cannot install");
    script.ThenPress(QMessageBox::Ok);
    click(list, CAlertDlg::kRemoveAlert);
    QVERIFY(script.Seen().at(1).text.contains(QStringLiteral("Deleting an alert.  HR=80004005")));
    QCOMPARE(lines(list, CAlertDlg::kList).size(), 1);
}

void AlertDialogsTest::everyMissingInformationBoxKeepsTheEditorOpen() {
    Fixture f;
    int pid = Fixture::profile("Operators", alerts::kMessageBox);
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
        fillEditor(editor, c.directory, c.type, c.value, c.profiles);
        if (c.type < 0) {
            for (int id : CreateAlertDlg::kTypeButtons) {
                auto* button = ControlOf<QRadioButton>(editor, id);
                button->setAutoExclusive(false);
                button->setChecked(false);
            }
        }
        DialogScript script;
        script.ThenPress(QMessageBox::Ok);
        click(editor, CreateAlertDlg::kCreate);
        QCOMPARE(script.Seen().size(), std::size_t{1});
        QCOMPARE(script.Seen()[0].text, c.text);
        QCOMPARE(script.Seen()[0].title, c.caption);
        QVERIFY(editor.isVisible());
        QVERIFY(!f.crontab.Table().has_value());
    }
}

void AlertDialogsTest::aNewAlertIsWarnedAboutCreatedAndScheduled() {
    Fixture f;
    Fixture::profile("Operators", alerts::kMessageBox);
    int second = Fixture::profile("Night shift", alerts::kEventLog);
    CreateAlertDlg editor({}, {}, {}, nullptr);
    editor.show();
    QCOMPARE(editor.windowTitle(), QStringLiteral("Create New Alert"));
    QVERIFY(ControlOf<QCheckBox>(editor, CreateAlertDlg::kSymlinkCheck)->isChecked());
    QCOMPARE(ControlOf<QLabel>(editor, CreateAlertDlg::kPrompt)->text(), QString::fromStdString(CreateAlertDlg::Prompt(0)));
    fillEditor(editor, "/srv/data", alerts::kAlertGrowthSize, "500", {second});
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
        click(schedule, ScheduleDlg::kAdd);
        ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->setCurrentIndex(ScheduleDlg::kRepeatedly);
        ControlOf<QSpinBox>(schedule, ScheduleDlg::kEvery)->setValue(15);
        click(schedule, ScheduleDlg::kAdd);
        shownLines = ControlOf<QPlainTextEdit>(schedule, ScheduleDlg::kLines)->toPlainText();
        click(schedule, 1);
    });
    click(editor, CreateAlertDlg::kCreate);
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
    int pid = Fixture::profile("Operators", alerts::kMessageBox);
    CAlertDlg list("/srv", nullptr, noOtherAccounts());
    list.show();
    DialogScript script;
    script.Then([&](QDialog& editor) {
        fillEditor(editor, "/srv/logs", alerts::kAlertFreePercent, "5", {pid});
        click(editor, CreateAlertDlg::kCreate);
    });
    script.ThenClick(1);                   // the warning
    script.ThenClick(1);                   // the Schedule dialog, no trigger
    script.ThenPress(QMessageBox::Ok);     // "No Schedule Set": show it again
    script.ThenClick(2);                   // the Schedule dialog, cancelled
    script.ThenPress(QMessageBox::Cancel); // leave it unscheduled
    click(list, CAlertDlg::kAddAlert);
    QVERIFY(script.Done());
    QCOMPARE(script.Seen().at(3).title, QStringLiteral("No Schedule Set"));
    QVERIFY(script.Seen().at(3).text.contains(QStringLiteral("press the \"Add\" button")));
    QCOMPARE(script.Seen().at(4).objectName, QStringLiteral("dlg192"));
    QCOMPARE(script.Seen().at(5).title, QStringLiteral("No Schedule Set"));
    QCOMPARE(lines(list, CAlertDlg::kList), QStringList{"** Not Scheduled **  Free space less than 5% in /srv/logs"});
    QCOMPARE(script.Unexpected(), 0);
}

void AlertDialogsTest::editingReadsTheParametersBackUpperCased() {
    Fixture f;
    int first = Fixture::profile("Operators", alerts::kMessageBox);
    int second = Fixture::profile("Pager", alerts::kPage);
    int third = Fixture::profile("Mail", alerts::kEMail, "ops@example.org", "mail.example.org");
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
    click(editor, CreateAlertDlg::kCreate);
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

void AlertDialogsTest::theProfileListKeepsItsTicksAndSaysWhatIsMissing() {
    Fixture f;
    int operators = Fixture::profile("Operators", alerts::kMessageBox);
    int pager = Fixture::profile("Pager", alerts::kPage);
    CreateAlertDlg editor({}, {}, {}, nullptr);
    editor.show();
    QCOMPARE(lines(editor, CreateAlertDlg::kProfiles),
             (QStringList{QStringLiteral("Operators  (PID=%1)").arg(operators), QStringLiteral("Pager  (PID=%1)").arg(pager)}));
    fillEditor(editor, "/srv", 0, "5", {pager});

    DialogScript script;
    script.ThenPress(QMessageBox::Ok).ThenPress(QMessageBox::Ok);
    click(editor, CreateAlertDlg::kEditProfile);
    click(editor, CreateAlertDlg::kRemoveProfile);
    QCOMPARE(script.Seen()[0].text, QStringLiteral("Select a profile to edit and try again"));
    QCOMPARE(script.Seen()[1].text, QStringLiteral("Select a profile to delete and try again"));
    QCOMPARE(script.Seen()[1].title, QStringLiteral("No Profile Selected"));

    // A profile added through the editor appears; the tick on "Pager" stays.
    script.Then([](QDialog& profile) {
        ControlOf<QLineEdit>(profile, NotificationType::kDescription)->setText(QStringLiteral("Admins"));
        click(profile, 1);
    });
    click(editor, CreateAlertDlg::kAddProfile);
    QStringList now = lines(editor, CreateAlertDlg::kProfiles);
    QCOMPARE(now.size(), 3);
    QVERIFY(now[2].startsWith(QStringLiteral("Admins  (PID=")));
    auto* profiles = ControlOf<QListWidget>(editor, CreateAlertDlg::kProfiles);
    QCOMPARE(profiles->item(1)->checkState(), Qt::Checked);

    // Adding and cancelling stores nothing but uses an identifier up.
    std::string file = alerts::ProfilesFilePath();
    int lastID = platform::ini::GetPrivateProfileInt("Settings", "LastID", 0, file);
    script.ThenClick(2);
    click(editor, CreateAlertDlg::kAddProfile);
    QCOMPARE(platform::ini::GetPrivateProfileInt("Settings", "LastID", 0, file), lastID + 1);
    QCOMPARE(lines(editor, CreateAlertDlg::kProfiles).size(), 3);
    std::vector<alerts::Notification> stored;
    alerts::Notification::LoadAllProfiles(stored);
    QCOMPARE(stored.size(), std::size_t{3});

    // Removing is at once; the remaining tick stays.
    select(editor, CreateAlertDlg::kProfiles, 0);
    click(editor, CreateAlertDlg::kRemoveProfile);
    QCOMPARE(lines(editor, CreateAlertDlg::kProfiles).size(), 2);
    QCOMPARE(profiles->item(0)->checkState(), Qt::Checked);
    stored.clear();
    alerts::Notification::LoadAllProfiles(stored);
    QCOMPARE(stored.front().PID, pager);
    QCOMPARE(script.Unexpected(), 0);
}

void AlertDialogsTest::theProfileEditorProposesDescriptionsAndStoresEachMeans() {
    Fixture f;
    auto description = [](const QWidget& profile) {
        return ControlOf<QLineEdit>(profile, NotificationType::kDescription)->text();
    };
    {
        NotificationType profile(nullptr);
        profile.show();
        QCOMPARE(profile.windowTitle(), QStringLiteral("Notification Profile"));
        QCOMPARE(description(profile), QStringLiteral("Message Box"));
        QVERIFY(!ControlOf<QLineEdit>(profile, NotificationType::kCommandLine)->isEnabled());
        click(profile, NotificationType::kRunButton);
        QCOMPARE(description(profile), QStringLiteral("Run <fill in>"));
        QVERIFY(ControlOf<QLineEdit>(profile, NotificationType::kCommandLine)->isEnabled());
        QVERIFY(!ControlOf<QLineEdit>(profile, NotificationType::kTo)->isEnabled());
        click(profile, NotificationType::kEMailButton);
        QCOMPARE(description(profile), QStringLiteral("Email for <fill in>"));
        QVERIFY(ControlOf<QLineEdit>(profile, NotificationType::kTo)->isEnabled());
        QVERIFY(!ControlOf<QLineEdit>(profile, NotificationType::kCommandLine)->isEnabled());
        click(profile, NotificationType::kEventLogButton);
        QCOMPARE(description(profile), QStringLiteral("Event Log Error"));
        click(profile, NotificationType::kPagerButton);
        QCOMPARE(description(profile), QStringLiteral("Page <fill in>"));
        QVERIFY(ControlOf<QLineEdit>(profile, NotificationType::kPagingServer)->isEnabled());

        // The user's own description stays whatever means is chosen; an empty one is refused.
        ControlOf<QLineEdit>(profile, NotificationType::kDescription)->setText(QStringLiteral("Backup script"));
        click(profile, NotificationType::kRunButton);
        QCOMPARE(description(profile), QStringLiteral("Backup script"));
        ControlOf<QLineEdit>(profile, NotificationType::kCommandLine)->setText(QStringLiteral("/usr/local/bin/page \"$DIR$\" $SIZE$"));
        ControlOf<QLineEdit>(profile, NotificationType::kDescription)->clear();
        DialogScript script;
        script.ThenPress(QMessageBox::Ok);
        click(profile, 1);
        QVERIFY(profile.isVisible());
        QCOMPARE(script.Seen().at(0).text, QStringLiteral("Please enter a description for this notification"));
        QCOMPARE(script.Seen().at(0).title, QStringLiteral("No Description"));
        ControlOf<QLineEdit>(profile, NotificationType::kDescription)->setText(QStringLiteral("Backup script"));
        click(profile, 1);
        QVERIFY(!profile.isVisible());
        alerts::Notification stored(profile.m_profile.PID);
        QCOMPARE(stored.Type, int(alerts::kRunProgram));
        QCOMPARE(stored.Description, std::string("Backup script"));
        QCOMPARE(stored.Str1, std::string("/usr/local/bin/page \"$DIR$\" $SIZE$"));
    }
    // An e-mail profile comes back split into its fields; the sender joins the recipient with "|".
    int mail = Fixture::profile("Mail ops", alerts::kEMail, "ops@example.org", "mail.example.org:2525");
    {
        NotificationType profile(mail, nullptr);
        QVERIFY(ControlOf<QRadioButton>(profile, NotificationType::kEMailButton)->isChecked());
        QCOMPARE(ControlOf<QLineEdit>(profile, NotificationType::kTo)->text(), QStringLiteral("ops@example.org"));
        QCOMPARE(ControlOf<QLineEdit>(profile, NotificationType::kFrom)->text(), QString());
        QCOMPARE(ControlOf<QLineEdit>(profile, NotificationType::kServer)->text(), QStringLiteral("mail.example.org:2525"));
        ControlOf<QLineEdit>(profile, NotificationType::kFrom)->setText(QStringLiteral("tallyvol@example.org"));
        click(profile, 1);
        alerts::Notification stored(mail);
        QCOMPARE(stored.Str1, std::string("ops@example.org|tallyvol@example.org"));
        QCOMPARE(stored.Description, std::string("Mail ops"));
    }
    {
        NotificationType profile(mail, nullptr);
        QCOMPARE(ControlOf<QLineEdit>(profile, NotificationType::kFrom)->text(), QStringLiteral("tallyvol@example.org"));
        // A message box keeps the texts the e-mail used, as the stored profile had them.
        click(profile, NotificationType::kMessageBoxButton);
        click(profile, 1);
        alerts::Notification stored(mail);
        QCOMPARE(stored.Type, int(alerts::kMessageBox));
        QCOMPARE(stored.Str2, std::string("mail.example.org:2525"));
    }
}

void AlertDialogsTest::aTestOfAnUnreachableMailServerFallsBackThenSaysSent() {
    Fixture f;
    f.env.Env().Set("LOGSINK_SOCKET", f.env.Env().Root() + "/nobody-listens");
    NotificationType profile(nullptr);
    profile.show();
    click(profile, NotificationType::kEMailButton);
    ControlOf<QLineEdit>(profile, NotificationType::kDescription)->setText(QStringLiteral("Night mail"));
    ControlOf<QLineEdit>(profile, NotificationType::kTo)->setText(QStringLiteral("ops@example.org"));
    ControlOf<QLineEdit>(profile, NotificationType::kServer)->setText(QStringLiteral("127.0.0.1:%1").arg(closedPort()));

    DialogScript script;
    script.ThenPress(QMessageBox::Ok).ThenPress(QMessageBox::Ok);
    click(profile, NotificationType::kSendTest);
    QCOMPARE(script.Seen().size(), std::size_t{2});
    QCOMPARE(script.Seen()[0].title, QStringLiteral("Tallyvol Alert"));
    QString fallback = script.Seen()[0].text;
    QVERIFY2(fallback.startsWith(QStringLiteral(
                 "This is a test of the 'Night mail' notification profile.  If this was a real alert, you would be "
                 "notified of the problem directory and the associated size.     [This alert is being delivered via an "
                 "alternate means because  the SMTP server could not be contacted (")),
             qPrintable(fallback));
    QVERIFY(fallback.endsWith(QStringLiteral(")]")));
    QCOMPARE(script.Seen()[1].text, QStringLiteral("Notification Sent"));
    QCOMPARE(script.Seen()[1].title, QStringLiteral("Tallyvol Notification Profiles"));

    // The test stored the profile: cancelling the editor keeps it.
    click(profile, 2);
    alerts::Notification stored(profile.m_profile.PID);
    QCOMPARE(stored.Description, std::string("Night mail"));
    QCOMPARE(stored.Type, int(alerts::kEMail));
}

void AlertDialogsTest::theScheduleDialogEditsTriggersAndWritesOnlyOnOK() {
    Fixture f;
    std::vector<ts::CronTrigger> triggers = {*ts::CronTrigger::Parse("30 2 * * 1-5"), ts::CronTrigger::AtStartup()};
    std::string name = f.task("/DIR=\"/srv/it's $(x) %d\" /MAXSIZE=9 /SAVE  /PID=1", "Max size less than 9 K in /srv", triggers);
    int installs = f.crontab.Installs();

    DialogScript script;
    script.Then([&](QDialog& schedule) {
        QCOMPARE(lines(schedule, ScheduleDlg::kTriggers), (QStringList{"At the cron time 30 2 * * 1-5", "At start-up"}));
        QCOMPARE(ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->currentIndex(), int(ScheduleDlg::kCronTimeKind));
        QCOMPARE(ControlOf<QLineEdit>(schedule, ScheduleDlg::kCronTime)->text(), QStringLiteral("30 2 * * 1-5"));
        QVERIFY(!ControlOf<QWidget>(schedule, ScheduleDlg::kTime)->isEnabled());
        ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->setCurrentIndex(ScheduleDlg::kMonthly);
        ControlOf<QSpinBox>(schedule, ScheduleDlg::kDayOfMonth)->setValue(15);
        ControlOf<QTimeEdit>(schedule, ScheduleDlg::kTime)->setTime(QTime(3, 0));
        click(schedule, ScheduleDlg::kChange);
        select(schedule, ScheduleDlg::kTriggers, 1);
        click(schedule, ScheduleDlg::kRemove);
        QCOMPARE(lines(schedule, ScheduleDlg::kTriggers), QStringList{"Monthly on day 15 at 03:00"});
        QString shown = ControlOf<QPlainTextEdit>(schedule, ScheduleDlg::kLines)->toPlainText();
        QVERIFY2(shown.startsWith(QStringLiteral("0 3 15 * * ")) && shown.contains(QStringLiteral("'/DIR=\"/srv/it'\\''s $(x) \\%d\"'")),
                 qPrintable(shown));
        click(schedule, 2);
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
        click(schedule, ScheduleDlg::kAdd);
        ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->setCurrentIndex(ScheduleDlg::kCronTimeKind);
        ControlOf<QLineEdit>(schedule, ScheduleDlg::kCronTime)->setText(QStringLiteral("61 * * * * ; rm -rf /"));
        click(schedule, ScheduleDlg::kAdd);
        ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->setCurrentIndex(ScheduleDlg::kAtStartup);
        click(schedule, ScheduleDlg::kAdd);
        ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->setCurrentIndex(ScheduleDlg::kRepeatedly);
        ControlOf<QComboBox>(schedule, ScheduleDlg::kEveryUnit)->setCurrentIndex(1);
        QCOMPARE(ControlOf<QSpinBox>(schedule, ScheduleDlg::kEvery)->maximum(), 23);
        ControlOf<QSpinBox>(schedule, ScheduleDlg::kEvery)->setValue(6);
        click(schedule, ScheduleDlg::kAdd);
        select(schedule, ScheduleDlg::kTriggers, 0);
        click(schedule, ScheduleDlg::kRemove);
        click(schedule, 1);
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
        click(schedule, 1);
        QVERIFY(schedule.isVisible());
        click(schedule, 2);
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
        DialogScript script;
        script.Then([](QDialog& schedule) {
            QVERIFY(!ControlOf<QWidget>(schedule, ScheduleDlg::kRunAs)->isVisibleTo(&schedule));
            click(schedule, 2);
        });
        EditAlertSchedule(f.scheduler, f.task("/DIR=\"/a\" /FREEPERCENT=3 /PID=1", "Free space less than 3% in /a"), nullptr);
        QSKIP("only root chooses the account an alert runs as");
    }
    int pid = Fixture::profile("Operators", alerts::kMessageBox);
    std::string name = f.task("/DIR=\"/srv\" /FREEPERCENT=3 /PID=" + std::to_string(pid), "Free space less than 3% in /srv");
    CAlertDlg list("/srv", nullptr, [] { return std::vector<std::string>{"daemon", "nobody"}; });
    list.show();
    select(list, CAlertDlg::kList, 0);

    DialogScript script;
    script.Then([&](QDialog& editor) { click(editor, CreateAlertDlg::kCreate); });
    script.Then([&](QDialog& schedule) {
        auto* runAs = ControlOf<QComboBox>(schedule, ScheduleDlg::kRunAs);
        QVERIFY(runAs->isVisibleTo(&schedule));
        QCOMPARE(runAs->currentText(), QStringLiteral("root"));
        runAs->setCurrentText(QStringLiteral("nobody"));
        ControlOf<QComboBox>(schedule, ScheduleDlg::kKind)->setCurrentIndex(ScheduleDlg::kDaily);
        click(schedule, ScheduleDlg::kAdd);
        click(schedule, 1);
    });
    click(list, CAlertDlg::kEditAlert);
    QVERIFY(script.Done());
    // Read back upper-cased, as every edited alert is.
    QCOMPARE(lines(list, CAlertDlg::kList), QStringList{"Free space less than 3% in /SRV  (runs as nobody)"});
    QVERIFY(f.crontab.Table()->find("tallyvol-task") == std::string::npos);
    ts::TaskScheduler nobody("nobody");
    QCOMPARE(f.read(name, &nobody).triggers.size(), std::size_t{1});

    // Edited where it now lives, and removed from there.
    select(list, CAlertDlg::kList, 0);
    script.Then([&](QDialog& editor) {
        ControlOf<QLineEdit>(editor, CreateAlertDlg::kValue)->setText(QStringLiteral("7"));
        click(editor, CreateAlertDlg::kCreate);
    });
    script.ThenClick(1);
    click(list, CAlertDlg::kEditAlert);
    QCOMPARE(lines(list, CAlertDlg::kList), QStringList{"Free space less than 7% in /SRV  (runs as nobody)"});
    QVERIFY(f.read(name, &nobody).parameters.find("/FREEPERCENT=7") != std::string::npos);
    select(list, CAlertDlg::kList, 0);
    click(list, CAlertDlg::kRemoveAlert);
    QVERIFY(lines(list, CAlertDlg::kList).isEmpty());
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
        click(list, CAlertDlg::kAddAlert);
        click(list, 1);
    });
    script.Then([&](QDialog& editor) {
        offered = ControlOf<QComboBox>(editor, CreateAlertDlg::kDirectory)->itemText(0);
        QCOMPARE(ControlOf<QComboBox>(editor, CreateAlertDlg::kDirectory)->currentText(), QString());
        click(editor, 2);
    });
    click(window, app::ui::MainWindow::kAlerts);
    QVERIFY(script.Done());
    QCOMPARE(script.Seen().at(0).objectName, QStringLiteral("dlg157"));
    QCOMPARE(offered, QString::fromStdString(directory));
    QCOMPARE(script.Unexpected(), 0);
}

QTEST_MAIN(AlertDialogsTest)
#include "AlertDialogsTest.moc"
