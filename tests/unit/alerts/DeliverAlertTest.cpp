// Delivering an alert through each kind of profile, through real programs, a real syslog
// socket and the scripted user interface, and the fallbacks between them.
#include "alerts/DeliverAlert.h"
#include "alerts/EventLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/FormatBytes.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "tests/support/DatagramReceiver.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ProcessWatch.h"
#include "tests/support/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using alerts::DeliverAlert;
using alerts::Notification;
using namespace testsupport;
using namespace platform::ui;

namespace {

constexpr unsigned kAlertFlags = MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_SERVICE_NOTIFICATION;
const std::string kMessage = "The disk space taken up by /srv/my data increased by more than 500 K since the last "
                             "saved scan.  (Current size: 1,500 K)";

// An isolated program home, a syslog socket the test owns, the scripted interface, and a
// program that records its arguments.
struct DeliveryFixture {
    IsolatedEnvironment env;
    DatagramReceiver syslog{env.Root() + "/syslog.sock"};
    ScriptedUserInterface ui;
    std::string tools = env.Root() + "/my tools";
    std::string recorder = tools + "/record args.sh";
    std::string record = env.Root() + "/record.txt";

    DeliveryFixture() {
        env.Set("LOGSINK_SOCKET", syslog.Path());
        env.Set("TALLYVOL_LOGSINK_LIBRARY", "");
        alerts::ResetEventLogForTesting();
        WriteFile(recorder, "#!/bin/sh\nfor a in \"$@\"; do printf '<%s>\\n' \"$a\" >> \"" + record +
                                "\"; done\nprintf 'END\\n' >> \"" + record + "\"\n");
        ::chmod(recorder.c_str(), 0755);
    }
    ~DeliveryFixture() { alerts::ResetEventLogForTesting(); }

    void breakSyslog() { env.Set("LOGSINK_SOCKET", env.Root() + "/nobody-listens"); }

    static Notification profile(int type, const std::string& str1 = "", const std::string& str2 = "") {
        Notification p(0);
        p.Type = type;
        p.Str1 = str1;
        p.Str2 = str2;
        return p;
    }

    // The text of the next syslog record, after "Tallyvol[pid]: ".
    std::optional<std::string> loggedText(double seconds = 5) {
        std::optional<std::string> record = syslog.Receive(seconds);
        if (!record) return std::nullopt;
        std::size_t start = record->find("]: ");
        return start == std::string::npos ? *record : record->substr(start + 3);
    }
};

bool somethingListensOn(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

} // namespace

TEST(DeliverAlert, MacrosAreSubstitutedInOrderAsPlainText) {
    EXPECT_EQ(alerts::SubstituteMacros("n \"$DIR$\" $SIZE$ $MSG$ $size$ $DIR$", "1,500 K", "/srv/a b", "hi"),
              "n \"/srv/a b\" 1,500 K hi $size$ /srv/a b");
    // One pass: a directory holding "$MSG$" or a size holding "$DIR$" is never expanded again.
    EXPECT_EQ(alerts::SubstituteMacros("$DIR$|$SIZE$", "$DIR$", "/x/$MSG$", "m"), "/x/$MSG$|$DIR$");
    EXPECT_EQ(alerts::SubstituteMacros("$MSG$$DIR$", "1 K", "$SIZE$", "$DIR$"), "$DIR$$SIZE$");
    EXPECT_EQ(alerts::AlertCaption(), "Tallyvol Alert");
}

TEST(DeliverAlert, AProgramProfileRunsItsCommandWithTheAlertsValues) {
    DeliveryFixture f;
    app::SetSetting(app::settings::PreferredUnits, app::kUnitK);
    Notification program = f.profile(alerts::kRunProgram, "\"" + f.recorder + "\" \"$DIR$\" \"$SIZE$\" $MSG$ ;x $SIZE$");
    DeliverAlert(program, "/srv/my data", "grew a lot", 1536000);
    ASSERT_TRUE(WaitForFile(f.record, 10, "END\n"));
    EXPECT_EQ(ReadFile(f.record), "</srv/my data>\n<1,500 K>\n<grew>\n<a>\n<lot>\n<;x>\n<1,500>\n<K>\nEND\n");
    EXPECT_TRUE(f.ui.messageBoxes.empty());
    EXPECT_FALSE(f.syslog.Receive(0.2)) << "a started program ends the delivery";
    EXPECT_TRUE(WaitUntilNoZombies(10));

    // The size follows the user's preferred units.
    ::unlink(f.record.c_str());
    app::SetSetting(app::settings::PreferredUnits, app::kUnitMB);
    DeliverAlert(program, "/d", "m", 5LL * 1024 * 1024);
    ASSERT_TRUE(WaitForFile(f.record, 10, "END\n"));
    EXPECT_EQ(ReadFile(f.record).substr(0, 14), "</d>\n<5 MB>\n<m");
    EXPECT_TRUE(WaitUntilNoZombies(10));
}

TEST(DeliverAlert, AProgramThatCannotStartFallsBackToTheSystemLogThenTheMessageBox) {
    DeliveryFixture f;
    Notification program = f.profile(alerts::kRunProgram, f.tools + "/missing.sh \"$DIR$\"");
    long failedBefore = alerts::FailedDeliveries();
    DeliverAlert(program, "/srv", kMessage, 1);
    EXPECT_EQ(alerts::FailedDeliveries(), failedBefore + 1) << "a fallback is no delivery by the profile";
    std::string noted = kMessage + "   [This alert is being delivered via an alternate means because the following "
                                   "executable failed to run: " + f.tools + "/missing.sh \"$DIR$\"]";
    EXPECT_EQ(f.loggedText(), noted) << "the note names the command before substitution";
    EXPECT_TRUE(f.ui.messageBoxes.empty());

    f.breakSyslog();
    DeliverAlert(program, "/srv", kMessage, 1);
    ASSERT_EQ(f.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(f.ui.messageBoxes[0].text, noted) << "only the first note: the log failure is not explained again";
    EXPECT_EQ(f.ui.messageBoxes[0].caption, "Tallyvol Alert");
    EXPECT_EQ(f.ui.messageBoxes[0].flags, kAlertFlags);
}

TEST(DeliverAlert, AnEventLogProfileWritesTheSystemLogOrSaysWhyItCouldNot) {
    DeliveryFixture f;
    Notification eventLog = f.profile(alerts::kEventLog);
    long failedBefore = alerts::FailedDeliveries();
    DeliverAlert(eventLog, "/srv", kMessage, 1);
    EXPECT_EQ(f.loggedText(), kMessage);
    EXPECT_EQ(alerts::FailedDeliveries(), failedBefore);
    EXPECT_TRUE(f.ui.messageBoxes.empty());

    f.breakSyslog();
    DeliverAlert(eventLog, "/srv", kMessage, 1);
    ASSERT_EQ(f.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(f.ui.messageBoxes[0].text, kMessage + "     [This alert could not be sent via the NT Event Log]");
    EXPECT_EQ(f.ui.messageBoxes[0].caption, "Tallyvol Alert");
    EXPECT_EQ(alerts::FailedDeliveries(), failedBefore + 1);
}

TEST(DeliverAlert, ALogLibraryThatCannotBeLoadedCountsAsAFailedWrite) {
    DeliveryFixture f;
    f.env.Set("TALLYVOL_LOGSINK_LIBRARY", f.env.Root() + "/no-liblogsink.so");
    alerts::ResetEventLogForTesting();
    DeliverAlert(f.profile(alerts::kEventLog), "/srv", "m", 1);
    EXPECT_FALSE(f.syslog.Receive(0.2));
    ASSERT_EQ(f.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(f.ui.messageBoxes[0].text, "m     [This alert could not be sent via the NT Event Log]");

    // A file that is not a library at all.
    WriteFile(f.env.Root() + "/fake.so", "not an ELF file");
    f.env.Set("TALLYVOL_LOGSINK_LIBRARY", f.env.Root() + "/fake.so");
    alerts::ResetEventLogForTesting();
    EXPECT_FALSE(alerts::WriteEventLogError("m"));

    // Found beside the program (the build's lib directory) when nothing names it.
    f.env.Set("TALLYVOL_LOGSINK_LIBRARY", "");
    alerts::ResetEventLogForTesting();
    EXPECT_TRUE(alerts::WriteEventLogError("found"));
    EXPECT_EQ(f.loggedText(), "found");
}

TEST(DeliverAlert, AnEMailThatCannotBeSentFallsBackWithTheReason) {
    DeliveryFixture f;
    if (somethingListensOn(25)) {
        GTEST_SKIP() << "a mail server listens on port 25 of this machine";
    }
    Notification mail = f.profile(alerts::kEMail, "ops@example.com|tallyvol@example.com", "127.0.0.1");
    DeliverAlert(mail, "/srv", kMessage, 1);
    std::optional<std::string> logged = f.loggedText(30);
    ASSERT_TRUE(logged);
    const std::string note = "     [This alert is being delivered via an alternate means because  the SMTP server could "
                             "not be contacted (";
    ASSERT_EQ(logged->rfind(kMessage + note, 0), 0u) << *logged;
    EXPECT_EQ(logged->substr(logged->size() - 2), ")]");
    EXPECT_TRUE(f.ui.messageBoxes.empty());

    f.breakSyslog();
    DeliverAlert(mail, "/srv", kMessage, 1);
    ASSERT_EQ(f.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(f.ui.messageBoxes[0].text, *logged) << "the log failure adds no second note";
}

TEST(DeliverAlert, MessageBoxPagesAndUnknownKinds) {
    DeliveryFixture f;
    DeliverAlert(f.profile(alerts::kMessageBox), "/srv", kMessage, 1);
    ASSERT_EQ(f.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(f.ui.messageBoxes[0].text, kMessage);
    EXPECT_EQ(f.ui.messageBoxes[0].flags, kAlertFlags);

    // A page, and kinds no profile should have, deliver nothing and fall back to nothing.
    for (int kind : {static_cast<int>(alerts::kPage), 0, -3, 99}) {
        DeliverAlert(f.profile(kind, "\"" + f.recorder + "\"", "pager.example.com"), "/srv", kMessage, 1);
    }
    EXPECT_EQ(f.ui.messageBoxes.size(), 1u);
    EXPECT_FALSE(f.syslog.Receive(0.2));
    EXPECT_FALSE(FileExists(f.record));
}

TEST(DeliverAlert, InternalErrorsReachEveryProfileExceptPrograms) {
    DeliveryFixture f;
    Notification box;
    box.Save();
    Notification program;
    program.Type = alerts::kRunProgram;
    program.Str1 = "\"" + f.recorder + "\" \"$MSG$\"";
    program.Save();
    Notification eventLog;
    eventLog.Type = alerts::kEventLog;
    eventLog.Save();
    Notification page;
    page.Type = alerts::kPage;
    page.Save();

    alerts::NotifyAllProfiles("An error occurred while: x\r\nDetails: None");
    ASSERT_EQ(f.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(f.ui.messageBoxes[0].text, "INTERNAL ERROR: An error occurred while: x\r\nDetails: None");
    EXPECT_EQ(f.loggedText(), "INTERNAL ERROR: An error occurred while: x\r\nDetails: None");
    usleep(300 * 1000);
    EXPECT_FALSE(FileExists(f.record)) << "internal errors never start programs";
}

TEST(DeliverAlert, ErrorsDuringAnAutomatedScanAreReportedThroughTheProfiles) {
    DeliveryFixture f;
    MakeDirectories(f.env.LogDirectory());
    Notification eventLog;
    eventLog.Type = alerts::kEventLog;
    eventLog.Save();
    app::SetProfileNotifier(alerts::NotifyAllProfiles); // as start-up installs it
    app::AutomatedScanInProgress = true;
    app::ReportError(3, "Saving scan data for /srv");
    app::AutomatedScanInProgress = false;
    std::optional<std::string> logged = f.loggedText();
    ASSERT_TRUE(logged);
    EXPECT_EQ(*logged, "INTERNAL ERROR: " + app::UnattendedReportText(app::ErrorText(3, "Saving scan data for /srv"), 3));
    EXPECT_NE(logged->find("\r\nDetails: DBG=3  DBG=3\r\nProgram: "), std::string::npos);
    const std::string ending = "Please send this to support@corvane.example";
    EXPECT_EQ(logged->substr(logged->size() - ending.size()), ending);
    // The interface of an unattended run also gets it: it writes the text to standard error and
    // the log (never a window), so a machine without profiles still keeps it.
    ASSERT_EQ(f.ui.errorReports.size(), 1u);
    EXPECT_EQ("INTERNAL ERROR: " + f.ui.errorReports[0], *logged);
}
