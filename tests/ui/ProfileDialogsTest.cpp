// The notification profiles in the alert editor's list and in the profile editor, over a real
// PROFILES.INI: the "%s  (PID=%d)" lines and their ticks across refills, the boxes of a missing
// selection or description, the proposed descriptions, what each means stores, identifiers used
// up by a cancelled editor, and a test notification to a mail server that does not answer.
#include "alerts/Notification.h"
#include "alerts/ui/windows/CreateAlertDlg.h"
#include "alerts/ui/windows/NotificationType.h"
#include "platform/ini/PrivateProfile.h"
#include "tests/ui/support/AlertWindowsDriver.h"
#include "tests/ui/support/UiTestSupport.h"

#include <QRadioButton>
#include <QTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace alerts::ui;
using namespace uitest;

namespace {

// A loopback port nothing listens on.
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

class ProfileDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void theProfileListKeepsItsTicksAndSaysWhatIsMissing();
    void theProfileEditorProposesDescriptionsAndStoresEachMeans();
    void aTestOfAnUnreachableMailServerFallsBackThenSaysSent();
};

void ProfileDialogsTest::theProfileListKeepsItsTicksAndSaysWhatIsMissing() {
    uitest::UiTestEnvironment env;
    int operators = SaveProfile("Operators", alerts::kMessageBox);
    int pager = SaveProfile("Pager", alerts::kPage);
    CreateAlertDlg editor({}, {}, {}, nullptr);
    editor.show();
    QCOMPARE(Lines(editor, CreateAlertDlg::kProfiles),
             (QStringList{QStringLiteral("Operators  (PID=%1)").arg(operators), QStringLiteral("Pager  (PID=%1)").arg(pager)}));
    FillAlertEditor(editor, "/srv", 0, "5", {pager});

    DialogScript script;
    script.ThenPress(QMessageBox::Ok).ThenPress(QMessageBox::Ok);
    Click(editor, CreateAlertDlg::kEditProfile);
    Click(editor, CreateAlertDlg::kRemoveProfile);
    QCOMPARE(script.Seen()[0].text, QStringLiteral("Select a profile to edit and try again"));
    QCOMPARE(script.Seen()[1].text, QStringLiteral("Select a profile to delete and try again"));
    QCOMPARE(script.Seen()[1].title, QStringLiteral("No Profile Selected"));

    // A profile added through the editor appears; the tick on "Pager" stays.
    script.Then([](QDialog& profile) {
        ControlOf<QLineEdit>(profile, NotificationType::kDescription)->setText(QStringLiteral("Admins"));
        Click(profile, 1);
    });
    Click(editor, CreateAlertDlg::kAddProfile);
    QStringList now = Lines(editor, CreateAlertDlg::kProfiles);
    QCOMPARE(now.size(), 3);
    QVERIFY(now[2].startsWith(QStringLiteral("Admins  (PID=")));
    auto* profiles = ControlOf<QListWidget>(editor, CreateAlertDlg::kProfiles);
    QCOMPARE(profiles->item(1)->checkState(), Qt::Checked);

    // Adding and cancelling stores nothing but uses an identifier up.
    std::string file = alerts::ProfilesFilePath();
    int lastID = platform::ini::GetPrivateProfileInt("Settings", "LastID", 0, file);
    script.ThenClick(2);
    Click(editor, CreateAlertDlg::kAddProfile);
    QCOMPARE(platform::ini::GetPrivateProfileInt("Settings", "LastID", 0, file), lastID + 1);
    QCOMPARE(Lines(editor, CreateAlertDlg::kProfiles).size(), 3);
    std::vector<alerts::Notification> stored;
    alerts::Notification::LoadAllProfiles(stored);
    QCOMPARE(stored.size(), std::size_t{3});

    // Removing is at once; the remaining tick stays.
    Select(editor, CreateAlertDlg::kProfiles, 0);
    Click(editor, CreateAlertDlg::kRemoveProfile);
    QCOMPARE(Lines(editor, CreateAlertDlg::kProfiles).size(), 2);
    QCOMPARE(profiles->item(0)->checkState(), Qt::Checked);
    stored.clear();
    alerts::Notification::LoadAllProfiles(stored);
    QCOMPARE(stored.front().PID, pager);
    QCOMPARE(script.Unexpected(), 0);
}


void ProfileDialogsTest::theProfileEditorProposesDescriptionsAndStoresEachMeans() {
    uitest::UiTestEnvironment env;
    auto description = [](const QWidget& profile) {
        return ControlOf<QLineEdit>(profile, NotificationType::kDescription)->text();
    };
    {
        NotificationType profile(nullptr);
        profile.show();
        QCOMPARE(profile.windowTitle(), QStringLiteral("Notification Profile"));
        QCOMPARE(description(profile), QStringLiteral("Message Box"));
        // Each means proposes its description and enables its own edits only.
        struct Means {
            int button;
            QString proposal;
            int field; // one of its edits, 0 for none
        };
        const Means means[] = {{NotificationType::kRunButton, "Run <fill in>", NotificationType::kCommandLine},
                               {NotificationType::kEMailButton, "Email for <fill in>", NotificationType::kTo},
                               {NotificationType::kEventLogButton, "Event Log Error", 0},
                               {NotificationType::kPagerButton, "Page <fill in>", NotificationType::kPagingServer},
                               {NotificationType::kMessageBoxButton, "Message Box", 0}};
        for (const Means& chosen : means) {
            Click(profile, chosen.button);
            QCOMPARE(description(profile), chosen.proposal);
            for (const Means& other : means) {
                if (other.field != 0) {
                    QCOMPARE(ControlOf<QLineEdit>(profile, other.field)->isEnabled(), other.field == chosen.field);
                }
            }
        }

        // The user's own description stays whatever means is chosen; an empty one is refused.
        ControlOf<QLineEdit>(profile, NotificationType::kDescription)->setText(QStringLiteral("Backup script"));
        Click(profile, NotificationType::kRunButton);
        QCOMPARE(description(profile), QStringLiteral("Backup script"));
        ControlOf<QLineEdit>(profile, NotificationType::kCommandLine)->setText(QStringLiteral("/usr/local/bin/page \"$DIR$\" $SIZE$"));
        ControlOf<QLineEdit>(profile, NotificationType::kDescription)->clear();
        DialogScript script;
        script.ThenPress(QMessageBox::Ok);
        Click(profile, 1);
        QVERIFY(profile.isVisible());
        QCOMPARE(script.Seen().at(0).text, QStringLiteral("Please enter a description for this notification"));
        QCOMPARE(script.Seen().at(0).title, QStringLiteral("No Description"));
        ControlOf<QLineEdit>(profile, NotificationType::kDescription)->setText(QStringLiteral("Backup script"));
        Click(profile, 1);
        QVERIFY(!profile.isVisible());
        alerts::Notification stored(profile.m_profile.PID);
        QCOMPARE(stored.Type, int(alerts::kRunProgram));
        QCOMPARE(stored.Description, std::string("Backup script"));
        QCOMPARE(stored.Str1, std::string("/usr/local/bin/page \"$DIR$\" $SIZE$"));
    }
    // An e-mail profile comes back split into its fields; the sender joins the recipient with "|".
    int mail = SaveProfile("Mail ops", alerts::kEMail, "ops@example.org", "mail.example.org:2525");
    {
        NotificationType profile(mail, nullptr);
        QVERIFY(ControlOf<QRadioButton>(profile, NotificationType::kEMailButton)->isChecked());
        QCOMPARE(ControlOf<QLineEdit>(profile, NotificationType::kTo)->text(), QStringLiteral("ops@example.org"));
        QCOMPARE(ControlOf<QLineEdit>(profile, NotificationType::kFrom)->text(), QString());
        QCOMPARE(ControlOf<QLineEdit>(profile, NotificationType::kServer)->text(), QStringLiteral("mail.example.org:2525"));
        ControlOf<QLineEdit>(profile, NotificationType::kFrom)->setText(QStringLiteral("tallyvol@example.org"));
        Click(profile, 1);
        alerts::Notification stored(mail);
        QCOMPARE(stored.Str1, std::string("ops@example.org|tallyvol@example.org"));
        QCOMPARE(stored.Description, std::string("Mail ops"));
    }
    {
        NotificationType profile(mail, nullptr);
        QCOMPARE(ControlOf<QLineEdit>(profile, NotificationType::kFrom)->text(), QStringLiteral("tallyvol@example.org"));
        // A message box keeps the texts the e-mail used, as the stored profile had them.
        Click(profile, NotificationType::kMessageBoxButton);
        Click(profile, 1);
        alerts::Notification stored(mail);
        QCOMPARE(stored.Type, int(alerts::kMessageBox));
        QCOMPARE(stored.Str2, std::string("mail.example.org:2525"));
    }
}


void ProfileDialogsTest::aTestOfAnUnreachableMailServerFallsBackThenSaysSent() {
    uitest::UiTestEnvironment env;
    env.Env().Set("LOGSINK_SOCKET", env.Env().Root() + "/nobody-listens");
    NotificationType profile(nullptr);
    profile.show();
    Click(profile, NotificationType::kEMailButton);
    ControlOf<QLineEdit>(profile, NotificationType::kDescription)->setText(QStringLiteral("Night mail"));
    ControlOf<QLineEdit>(profile, NotificationType::kTo)->setText(QStringLiteral("ops@example.org"));
    ControlOf<QLineEdit>(profile, NotificationType::kServer)->setText(QStringLiteral("127.0.0.1:%1").arg(closedPort()));

    DialogScript script;
    script.ThenPress(QMessageBox::Ok).ThenPress(QMessageBox::Ok);
    Click(profile, NotificationType::kSendTest);
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
    Click(profile, 2);
    alerts::Notification stored(profile.m_profile.PID);
    QCOMPARE(stored.Description, std::string("Night mail"));
    QCOMPARE(stored.Type, int(alerts::kEMail));
}

QTEST_MAIN(ProfileDialogsTest)
#include "ProfileDialogsTest.moc"
