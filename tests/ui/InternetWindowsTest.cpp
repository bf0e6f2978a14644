// The windows that talk to the vendor's web site, against a web server of the test's own: the
// checking bar of the automatic update check (made on the GUI thread, placed above the bottom of
// the work area, gone after eight seconds or at once when silenced, taken down when the main
// window closes), the about box's forced check against a server that never answers, and the
// problem report: the form as received, the answer address shown before anything opens, the
// follow-up download, and a hung server ending in the "Error" question while the window stays
// responsive.
#include "app/CTallyvol32Dlg.h"
#include "app/ProblemReportSender.h"
#include "app/UpdateCheck.h"
#include "app/UpdateSchedule.h"
#include "app/base/ErrorReport.h"
#include "app/base/Settings.h"
#include "app/ui/CAboutDlg.h"
#include "app/ui/CheckingForUpdatesDlg.h"
#include "app/ui/ErrorDlg.h"
#include "app/ui/MainWindow.h"
#include "app/ui/PreferencesWindows.h"
#include "app/ui/UpdateCheckController.h"
#include "tests/support/HttpTestServer.h"
#include "tests/ui/support/UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>

using app::ui::CheckingForUpdatesDlg;
using app::ui::UpdateCheckController;
using uitest::ControlOf;
using uitest::DialogScript;

namespace {

struct Fixture {
    uitest::UiTestEnvironment env;
    testsupport::HttpTestServer server;
    std::unique_ptr<app::CTallyvol32Dlg> dialog;
    std::unique_ptr<app::ui::MainWindow> window;

    Fixture() {
        app::ui::InstallPreferencesWindows();
        app::SetSetting(app::settings::HomePage, server.Address() + "/tallyvol");
        app::SetSetting(app::settings::ErrorReportServer, server.HostAndPort());
    }

    void OpenMainWindow() {
        dialog = std::make_unique<app::CTallyvol32Dlg>();
        dialog->m_directory = env.Env().Root();
        window = std::make_unique<app::ui::MainWindow>(*dialog);
        env.UI().SetMainWindow(window.get());
        window->show();
    }

    void CloseMainWindow() {
        window->close();
        window.reset();
    }

    CheckingForUpdatesDlg* Bar() {
        return window ? UpdateCheckController::ForWindow(*window).CheckingBar() : nullptr;
    }

    std::vector<std::string> RequestLines() {
        std::vector<std::string> lines;
        for (const auto& request : server.Requests()) {
            lines.push_back(request.RequestLine());
        }
        return lines;
    }
};

// Counts the GUI thread's timer events while it lives: a window that stays responsive counts on.
struct Heartbeat {
    QTimer timer;
    int beats = 0;
    Heartbeat() {
        QObject::connect(&timer, &QTimer::timeout, [this] { ++beats; });
        timer.start(50);
    }
};

} // namespace

class InternetWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void theCheckingBarComesAndGoesWithTheAutomaticCheck();
    void aSilencedBarHidesAtOnceAndClosingTheWindowEndsTheCheck();
    void theAboutBoxCheckAgainstAServerThatNeverAnswers();
    void aProblemReportIsSentAndItsAnswerAddressShownBeforeAnythingOpens();
    void aServerThatNeverAnswersEndsInTheErrorQuestion();
};

void InternetWindowsTest::theCheckingBarComesAndGoesWithTheAutomaticCheck() {
    Fixture f;
    f.server.SetPage("settings2.asp", "REG:LatestMajor-9\r\nREG:LatestMinor-1\r\nREG:LatestBuild-0\r\n");
    app::SetSetting(app::settings::CheckForUpdates, 1);
    QElapsedTimer clock;
    clock.start();
    f.OpenMainWindow();
    QVERIFY(uitest::WaitFor([&] { return f.Bar() != nullptr && f.Bar()->isVisible(); }, 3000));
    CheckingForUpdatesDlg* bar = f.Bar();
    QCOMPARE(bar->thread(), QApplication::instance()->thread());
    QCOMPARE(ControlOf<QLabel>(*bar, CheckingForUpdatesDlg::kFirstLine)->text(),
             QStringLiteral("Checking the Tallyvol web site to see if a newer version is"));
    QCOMPARE(ControlOf<QLabel>(*bar, CheckingForUpdatesDlg::kSecondLine)->text(),
             QStringLiteral("available.  No information is being sent to the server."));
    QVERIFY(bar->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(bar->palette().color(QPalette::Window), QColor(255, 255, 220));
    QRect workArea = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(bar->geometry().bottom(), workArea.bottom() - 1);
    QVERIFY(qAbs(bar->geometry().center().x() - workArea.center().x()) <= 1);
    auto* progress = ControlOf<QProgressBar>(*bar, CheckingForUpdatesDlg::kBar);
    QCOMPARE(progress->maximum(), 10);
    QVERIFY(uitest::WaitFor([&] { return progress->value() >= 2; }, 3000)); // a step a second

    QVERIFY(uitest::WaitFor([&] { return f.Bar() == nullptr; }, 10000));
    QVERIFY(clock.elapsed() >= 7500);
    QVERIFY(uitest::WaitFor([&] { return !UpdateCheckController::ForWindow(*f.window).AutomaticRunning(); }));
    QCOMPARE(app::GetSetting(app::settings::LatestMajor), 9);
    QVERIFY(app::GetSetting(app::settings::LastUpdateCheck1) != 0);
    QCOMPARE(f.RequestLines(), (std::vector<std::string>{"GET /settings2.asp HTTP/1.1"}));
    QCOMPARE(f.server.Requests().front().Header("User-Agent").empty(), false);

    // The next opening shows the news in the title and does not ask again so soon.
    f.CloseMainWindow();
    f.OpenMainWindow();
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Tallyvol 3.2 - [ Update Available ]"));
    uitest::WaitFor([] { return false; }, 300);
    QCOMPARE(f.server.Requests().size(), 1u);
    QVERIFY(f.Bar() == nullptr);
}

void InternetWindowsTest::aSilencedBarHidesAtOnceAndClosingTheWindowEndsTheCheck() {
    Fixture f;
    f.server.SetPage("settings2.asp", "REG:LatestMajor-9\r\n");
    app::SetSetting(app::settings::CheckForUpdates, 1);
    f.OpenMainWindow();
    QVERIFY(uitest::WaitFor([&] { return f.Bar() != nullptr && f.Bar()->isVisible(); }, 3000));
    ControlOf<QCheckBox>(*f.Bar(), CheckingForUpdatesDlg::kDontShow)->click();
    QVERIFY(!f.Bar()->isVisible());
    QCOMPARE(app::GetSetting(app::settings::SkipNewVersionInternetCheck), 1);

    // The check is still waiting out its bar's eight seconds: closing the window stops it.
    UpdateCheckController& controller = UpdateCheckController::ForWindow(*f.window);
    QVERIFY(controller.AutomaticRunning());
    QPointer<CheckingForUpdatesDlg> bar = f.Bar();
    QElapsedTimer clock;
    clock.start();
    f.window->close();
    QVERIFY(clock.elapsed() < 1000);
    QVERIFY(bar.isNull());
    QVERIFY(!controller.AutomaticRunning());
    QCOMPARE(app::GetSetting(app::settings::LastUpdateCheck0), 0); // cut short: asked again next time
    QCOMPARE(app::GetSetting(app::settings::LastUpdateCheck1), 0);
    f.window.reset();

    // Silenced, the next check shows no bar at all.
    f.OpenMainWindow();
    QVERIFY(uitest::WaitFor([&] { return app::GetSetting(app::settings::LastUpdateCheck1) != 0; }, 5000));
    QVERIFY(f.Bar() == nullptr);
}

void InternetWindowsTest::theAboutBoxCheckAgainstAServerThatNeverAnswers() {
    Fixture f;
    app::SetSetting(app::settings::PageName3, "hang");
    app::StampHalves lastWeek = app::SplitStamp(app::UpdateCheckClock() - 7);
    app::SetSetting(app::settings::LastUpdateCheck0, static_cast<int>(lastWeek.low));
    app::SetSetting(app::settings::LastUpdateCheck1, static_cast<int>(lastWeek.high));
    Heartbeat heartbeat;
    int beatsAtStart = 0;
    bool sawBar = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            sawBar = sawBar || (qobject_cast<CheckingForUpdatesDlg*>(widget) != nullptr && widget->isVisible());
        }
    });
    watch.start(100);
    QElapsedTimer clock;
    qint64 boxAfter = 0;
    DialogScript script;
    script.Then([&](QDialog& about) {
        beatsAtStart = heartbeat.beats;
        clock.start();
        ControlOf<QAbstractButton>(about, app::ui::CAboutDlg::kUpdateCheck)->click();
        about.reject();
    });
    script.Then([&](QDialog& box) {
        boxAfter = clock.elapsed();
        box.reject();
    });
    app::ui::CAboutDlg::Show(nullptr);
    QVERIFY(script.Done());
    QCOMPARE(script.Seen().at(1).title, QStringLiteral("Update Status"));
    QCOMPARE(script.Seen().at(1).text, QStringLiteral("There are currently no updates available."));
    // Bounded by the download's time-out; the window went on handling its events meanwhile.
    QVERIFY2(boxAfter >= 7500 && boxAfter < 12000, qPrintable(QString::number(boxAfter)));
    QVERIFY2(heartbeat.beats - beatsAtStart > 100, qPrintable(QString::number(heartbeat.beats - beatsAtStart)));
    QVERIFY(sawBar);
    QCOMPARE(f.RequestLines(), (std::vector<std::string>{"GET /hang HTTP/1.1"}));
    // A forced check stamps zero: the next automatic one is due at once.
    QCOMPARE(app::GetSetting(app::settings::LastUpdateCheck0), 0);
    QCOMPARE(app::GetSetting(app::settings::LastUpdateCheck1), 0);
}

void InternetWindowsTest::aProblemReportIsSentAndItsAnswerAddressShownBeforeAnythingOpens() {
    Fixture f;
    uitest::FakeOpener opener;
    f.OpenMainWindow();
    const std::string address = "http://elsewhere.example/kb?id=12";
    f.server.SetPostAnswer("<html><ANSWERURL>" + address + "</ANSWERURL></html>");
    f.server.SetPage("settings2.asp", "REG:LatestMajor-7\r\n");

    QString shownError;
    auto sendWithEmail = [&](const char* email) {
        return [&, email](QDialog& d) {
            shownError = ControlOf<QPlainTextEdit>(d, app::ui::ErrorDlg::kErrorText)->toPlainText();
            ControlOf<QLineEdit>(d, app::ui::ErrorDlg::kEmail)->setText(QString::fromLatin1(email));
            ControlOf<QAbstractButton>(d, 1)->click();
        };
    };
    DialogScript script;
    script.Then(sendWithEmail("a :x")).ThenPress(QMessageBox::No);
    app::ReportError(7, "Testing the report");
    QVERIFY(script.Done());
    QCOMPARE(shownError, QStringLiteral("An error occurred while: Testing the report\nDetails: DBG=7"));
    QCOMPARE(script.Seen().at(1).title, QStringLiteral("Success"));
    QVERIFY(script.Seen().at(1).text.contains(QString::fromStdString(address + "&prodID=TV3")));
    uitest::WaitFor([] { return false; }, 300);
    QCOMPARE(opener.Opened(), std::string()); // No: nothing opened

    auto post = f.server.Requests().at(0);
    QCOMPARE(post.RequestLine(), std::string("POST /ReportError.asp HTTP/1.1"));
    QCOMPARE(post.Header("User-Agent"), std::string("CV_ErrReporter"));
    QCOMPARE(post.Header("Content-Type"), std::string("application/x-www-form-urlencoded"));
    QCOMPARE(post.body, app::ProblemReportSender::FormBody(app::ErrorText(7, "Testing the report"),
                                                            app::GetSystemInfoText(), "a :x"));
    QVERIFY(post.body.ends_with("&Email=a+%3Ax"));

    // Yes opens the address.
    script.Then(sendWithEmail("")).ThenPress(QMessageBox::Yes);
    app::ReportError(0, "Testing the report");
    QVERIFY(uitest::WaitFor([&] { return opener.Opened() == address + "&prodID=TV3"; }));

    // No notes about the problem: Yes looks for a newer version through the main window.
    f.server.SetPostAnswer("<html>thank you</html>");
    script.Then(sendWithEmail("")).ThenPress(QMessageBox::Yes);
    app::ReportError(0, "Testing the report");
    QVERIFY(script.Done());
    QVERIFY(script.Seen().back().text.contains(QStringLiteral("There are no online notes about this problem.")));
    QCOMPARE(f.RequestLines().back(), std::string("GET /settings2.asp HTTP/1.1"));
    QCOMPARE(app::GetSetting(app::settings::LatestMajor), 7);
    QCOMPARE(script.Unexpected(), 0);
}

void InternetWindowsTest::aServerThatNeverAnswersEndsInTheErrorQuestion() {
    Fixture f;
    f.server.HangPosts();
    Heartbeat heartbeat;
    int beats = 0;
    qint64 errorAfter = 0;
    bool stayedOpen = false;
    QElapsedTimer clock;
    DialogScript script;
    script.Then([&](QDialog& d) {
        clock.start();
        beats = heartbeat.beats;
        ControlOf<QAbstractButton>(d, 1)->click();
        stayedOpen = d.isVisible();
        ControlOf<QAbstractButton>(d, 2)->click(); // No: the window stays
        ControlOf<QAbstractButton>(d, 2)->click(); // Yes: it closes
    });
    script.Then([&](QDialog& box) {
        errorAfter = clock.elapsed();
        beats = heartbeat.beats - beats;
        qobject_cast<QMessageBox*>(&box)->button(QMessageBox::No)->click();
    });
    script.ThenPress(QMessageBox::No).ThenPress(QMessageBox::Yes);
    app::ReportError(0, "Testing a hung server");
    QVERIFY(script.Done());
    const auto& seen = script.Seen();
    QCOMPARE(seen.at(1).title, QStringLiteral("Error"));
    QCOMPARE(seen.at(1).text, QStringLiteral("There was an error sending the problem report.  This might be a good "
                                             "time to see if there is a newer version available.  Do you want to "
                                             "check?"));
    QCOMPARE(seen.at(2).title, QStringLiteral("Confirm Cancel"));
    QCOMPARE(seen.at(3).title, QStringLiteral("Confirm Cancel"));
    QVERIFY(stayedOpen);
    QVERIFY2(errorAfter >= 9500 && errorAfter < 12000, qPrintable(QString::number(errorAfter)));
    QVERIFY2(beats > 120, qPrintable(QString::number(beats)));
    QCOMPARE(f.RequestLines(), (std::vector<std::string>{"POST /ReportError.asp HTTP/1.1"}));
}

QTEST_MAIN(InternetWindowsTest)
#include "InternetWindowsTest.moc"
