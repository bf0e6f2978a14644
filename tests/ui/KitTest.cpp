// The window kit: templates, message boxes, the silenceable warning, the missing-directory
// question, the progress window, the owner-drawn button, the link, the splash screen, the
// about box, fonts and the resize rules, driven offscreen through their controls.
#include "app/ProgressDlg.h"
#include "app/base/Settings.h"
#include "app/base/SmartWarning.h"
#include "app/ui/CAboutDlg.h"
#include "app/ui/CSplashWnd.h"
#include "app/ui/CStaticLink.h"
#include "app/ui/DrawButton.h"
#include "app/ui/ProgressWindow.h"
#include "app/ui/ResizeLayout.h"
#include "app/ui/SmartWarningDlg.h"
#include "app/ui/TemplateDialog.h"
#include "app/ui/WindowFont.h"
#include "brand/Brand.h"
#include "grid/CGrid.h"
#include "platform/ui/IUserInterface.h"
#include "reports/DirNotExist.h"
#include "tests/support/TempDirectory.h"
#include "tests/ui/support/UiTestSupport.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include <set>

using namespace app::ui;
using uitest::ControlOf;
using uitest::DialogScript;
namespace pui = platform::ui;

class KitTest : public QObject {
    Q_OBJECT

private slots:
    void everyTemplateLoadsWithItsControls();
    void messageBoxesKeepTheWindowsFlagsAndResults();
    void escapeAnswersOnlyWhereTheBoxAllowsIt();
    void aSilencedWarningIsNotShownAgain();
    void dontAskAgainSkipsTheMissingDirectoryQuestion();
    void progressDisablesItsOwnerAndStopAsksFirst();
    void stopCancelsWithoutAskingWhenTheWarningIsSilenced();
    void drawButtonPaintsTheShadedFaceAndFrames();
    void drawButtonModesHaveDistinctColours();
    void linkTurnsPurpleOnlyWhenOpened();
    void linkWithoutAddressShowsItsText();
    void splashGoesAtTheFirstKeyPress();
    void splashGoesAfterTwoSeconds();
    void aboutBoxShowsVersionAndAddresses();
    void fontRecordsConvertBothWays();
    void resizeRulesMoveEdgesAsRegistered();
};

void KitTest::everyTemplateLoadsWithItsControls() {
    uitest::UiTestEnvironment env;
    struct Expected {
        int id;
        std::vector<int> controls;
    };
    const Expected templates[] = {
        {100, {1089, 1070, 1060, 1096, 1}},
        {102, {1010, 1009, 1036, 1005, 1164, 1161, 1001, 1062, 1063, 3000, 3001, 1194, 1195, 1044, 1037, 1039, 1198, 1046, 1045, 1165, 1167, 1168, 1169, 1170, 1048}},
        {103, {1003, 1005, 1038, 1154, 1155, 2}},
        {162, {1, 2, 1207, 1208}},
        {164, {1119, 1118, 1, 2}},
        {180, {1212, 1213, 1214}},
        {182, {1232, 1, 2}},
    };
    for (const Expected& expected : templates) {
        TemplateDialog dialog(expected.id);
        QCOMPARE(dialog.objectName(), QStringLiteral("dlg%1").arg(expected.id));
        QCOMPARE(dialog.palette().color(QPalette::Window), QColor(235, 235, 235));
        for (int control : expected.controls) {
            QVERIFY2(ControlOf<QWidget>(dialog, control) != nullptr,
                     qPrintable(QStringLiteral("id%1 in template %2").arg(control).arg(expected.id)));
        }
    }
    TemplateDialog main(102);
    QVERIFY(ControlOf<grid::CGrid>(main, 1005) != nullptr);
    QVERIFY(ControlOf<DrawButton>(main, 1198) != nullptr);
    QVERIFY(ControlOf<CStaticLink>(main, 3001) != nullptr);
    QCOMPARE(ControlOf<QAbstractButton>(main, 1036)->text(), QStringLiteral("Scan"));
    QVERIFY_THROWS_EXCEPTION(MissingControl, TemplateDialog(4711));
}

void KitTest::messageBoxesKeepTheWindowsFlagsAndResults() {
    uitest::UiTestEnvironment env;
    struct Case {
        unsigned flags;
        QMessageBox::StandardButton press;
        int result;
        QMessageBox::StandardButton expectedDefault;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {pui::MB_OK, QMessageBox::Ok, pui::IDOK, QMessageBox::Ok, QMessageBox::NoIcon},
        {pui::MB_OKCANCEL | pui::MB_ICONERROR, QMessageBox::Cancel, pui::IDCANCEL, QMessageBox::Ok, QMessageBox::Critical},
        {pui::MB_YESNO | pui::MB_DEFBUTTON2 | pui::MB_ICONQUESTION, QMessageBox::Yes, pui::IDYES, QMessageBox::No, QMessageBox::Question},
        {pui::MB_YESNO, QMessageBox::No, pui::IDNO, QMessageBox::Yes, QMessageBox::NoIcon},
        {pui::MB_YESNOCANCEL | pui::MB_DEFBUTTON3 | pui::MB_ICONEXCLAMATION, QMessageBox::Cancel, pui::IDCANCEL, QMessageBox::Cancel, QMessageBox::Warning},
        {pui::MB_OK | pui::MB_ICONINFORMATION, QMessageBox::Ok, pui::IDOK, QMessageBox::Ok, QMessageBox::Information},
    };
    for (const Case& c : cases) {
        QMessageBox::StandardButton seenDefault = QMessageBox::NoButton;
        QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
        DialogScript script;
        script.Then([&](QDialog& dialog) {
            auto& box = static_cast<QMessageBox&>(dialog);
            seenDefault = box.standardButton(box.defaultButton());
            seenIcon = box.icon();
            box.button(c.press)->click();
        });
        QCOMPARE(pui::UI().MessageBox("text", "caption", c.flags), c.result);
        QCOMPARE(seenDefault, c.expectedDefault);
        QCOMPARE(seenIcon, c.icon);
        QCOMPARE(script.Seen().at(0).title, QStringLiteral("caption"));
        QCOMPARE(script.Seen().at(0).text, QStringLiteral("text"));
    }
}

void KitTest::escapeAnswersOnlyWhereTheBoxAllowsIt() {
    uitest::UiTestEnvironment env;
    struct Case {
        unsigned flags;
        int result; // 0: the box must stay open after Escape
    };
    for (Case c : {Case{pui::MB_OK, pui::IDOK}, Case{pui::MB_OKCANCEL, pui::IDCANCEL}, Case{pui::MB_YESNOCANCEL, pui::IDCANCEL},
                   Case{pui::MB_YESNO | pui::MB_DEFBUTTON2, 0}}) {
        bool stillOpen = false;
        DialogScript script;
        script.Then([&](QDialog& dialog) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
            stillOpen = dialog.isVisible();
            if (stillOpen) {
                static_cast<QMessageBox&>(dialog).button(QMessageBox::No)->click();
            }
        });
        int result = pui::UI().MessageBox("t", "c", c.flags);
        if (c.result == 0) {
            QVERIFY(stillOpen);
            QCOMPARE(result, pui::IDNO);
        } else {
            QVERIFY(!stillOpen);
            QCOMPARE(result, c.result);
        }
    }
}

void KitTest::aSilencedWarningIsNotShownAgain() {
    uitest::UiTestEnvironment env;
    DialogScript script;
    script.ThenCheckAndClick(SmartWarningDlg::kDontShowAgain, true, 1);
    QCOMPARE(app::SmartWarning("Are you sure you want to stop the scan?", "CancelScan").DoModal(), pui::IDOK);
    QCOMPARE(script.Seen().size(), std::size_t{1});
    QCOMPARE(script.Seen()[0].objectName, QStringLiteral("dlg164"));
    QVERIFY(script.Seen()[0].text.contains(QStringLiteral("Are you sure you want to stop the scan?")));
    QCOMPARE(app::GetProfileIntEx("WarningDlg", "CancelScan", 0), 1);
    QCOMPARE(app::SmartWarning("Are you sure you want to stop the scan?", "CancelScan").DoModal(), 0);
    QCOMPARE(script.Seen().size(), std::size_t{1});

    // Cancel with the box clear stores 0 and returns Cancel.
    script.ThenCheckAndClick(SmartWarningDlg::kDontShowAgain, false, 2);
    QCOMPARE(app::SmartWarning("other", "OtherKey").DoModal(), pui::IDCANCEL);
    QCOMPARE(app::GetProfileIntEx("WarningDlg", "OtherKey", 7), 0);
}

void KitTest::dontAskAgainSkipsTheMissingDirectoryQuestion() {
    uitest::UiTestEnvironment env;
    DialogScript script;
    script.ThenCheckAndClick(1207, false, 1);
    QVERIFY(reports::ConfirmScanOfMissingDirectory("/no/such/dir"));
    QCOMPARE(script.Seen().at(0).objectName, QStringLiteral("dlg162"));
    QCOMPARE(script.Seen().at(0).title, QStringLiteral("Directory Doesn't Exist!"));
    QVERIFY(script.Seen().at(0).text.startsWith(QStringLiteral("Thr directory you are trying to scan")));

    script.ThenCheckAndClick(1207, true, 2);
    QVERIFY(!reports::ConfirmScanOfMissingDirectory("/no/such/dir"));
    QCOMPARE(app::GetSetting(app::settings::DontAskNonExistantDir), 1);
    QVERIFY(reports::ConfirmScanOfMissingDirectory("/no/such/dir"));
    QCOMPARE(script.Seen().size(), std::size_t{2});
    QCOMPARE(script.Unexpected(), 0);
}

void KitTest::progressDisablesItsOwnerAndStopAsksFirst() {
    uitest::UiTestEnvironment env;
    QWidget owner;
    owner.show();
    env.UI().SetMainWindow(&owner);
    std::int64_t now = 0;
    app::CProgressDlg progress([&now] { return now; });
    QVERIFY(progress.Create());
    ProgressWindow* window = env.UI().Progress();
    QVERIFY(window != nullptr && window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Tallyvol Scan Progress"));
    QVERIFY(!owner.isEnabled());
    QVERIFY(window->isEnabled());

    progress.SetRange(4);
    progress.Step();
    QCOMPARE(ControlOf<QProgressBar>(*window, 1003)->value(), 1);
    progress.SetCurrentDirectory("/srv/a");
    progress.UpdateCounts(12, 345, "Scanning ...");
    QCOMPARE(ControlOf<QLabel>(*window, 1005)->text(), QStringLiteral("12"));
    QCOMPARE(ControlOf<QLabel>(*window, 1038)->text(), QStringLiteral("345"));
    QCOMPARE(ControlOf<QLabel>(*window, 1155)->text(), QStringLiteral("/srv/a"));
    int width = window->width();
    progress.SetCurrentDirectory("/srv/" + std::string(400, 'x'));
    QCOMPARE(window->width(), width); // a long path does not widen the window
    QCOMPARE(ControlOf<QLabel>(*window, 1155)->toolTip().size(), 405);

    // Stop, then Cancel in the question: the scan goes on. Stop, then OK: it stops.
    DialogScript script;
    script.ThenClick(2);
    QTest::mouseClick(ControlOf<QAbstractButton>(*window, 2), Qt::LeftButton);
    now += 1000;
    QVERIFY(!progress.Cancelled());
    script.ThenClick(1);
    QTest::mouseClick(ControlOf<QAbstractButton>(*window, 2), Qt::LeftButton);
    now += 1000;
    QVERIFY(progress.Cancelled());
    QCOMPARE(script.Seen().size(), std::size_t{2});
    QCOMPARE(script.Seen()[0].objectName, QStringLiteral("dlg164"));
    QVERIFY2(window->isVisible(), "only the scanner closes the window");

    progress.Destroy();
    QVERIFY(env.UI().Progress() == nullptr);
    QVERIFY(owner.isEnabled());
}

void KitTest::stopCancelsWithoutAskingWhenTheWarningIsSilenced() {
    uitest::UiTestEnvironment env;
    app::WriteProfileInt("WarningDlg", "CancelScan", 1);
    std::int64_t now = 0;
    app::CProgressDlg progress([&now] { return now; });
    QVERIFY(progress.Create());
    DialogScript script;
    // The window's close button is Stop too.
    env.UI().Progress()->close();
    now += 1000;
    QVERIFY(progress.Cancelled());
    QCOMPARE(script.Seen().size(), std::size_t{0});
    QVERIFY(env.UI().Progress()->isVisible());
}

namespace {

QImage paintedButton(DrawButton& button, bool pressed) {
    button.resize(100, 30);
    button.setDown(pressed);
    return button.grab().toImage();
}

} // namespace

void KitTest::drawButtonPaintsTheShadedFaceAndFrames() {
    uitest::UiTestEnvironment env;
    DrawButton button;
    button.setText(QStringLiteral("Scan"));
    QImage up = paintedButton(button, false);
    QColor base = DrawButton::BaseColor(0);
    QCOMPARE(up.pixelColor(0, 0), QColor(160, 160, 160));
    QCOMPARE(up.pixelColor(99, 29), QColor(160, 160, 160));
    // Line 0 of the face is at y = 1 and carries (int)(sin(1.57075) x 80) = 79.
    QCOMPARE(up.pixelColor(3, 1), DrawButton::FaceLineColor(base, 0, 28));
    QCOMPARE(up.pixelColor(3, 1).red(), base.red() + 79);
    // Further down the shading fades towards the base colour.
    QVERIFY(up.pixelColor(3, 27).red() < up.pixelColor(3, 1).red());
    QCOMPARE(up.pixelColor(3, 27), DrawButton::FaceLineColor(base, 26, 28));

    QImage down = paintedButton(button, true);
    QCOMPARE(down.pixelColor(0, 0), QColor(140, 140, 140));
    // Pressed: two dark lines on top and left, the face starts at y = 3.
    QCOMPARE(down.pixelColor(10, 1).rgb(), button.palette().color(QPalette::Dark).rgb());
    QCOMPARE(down.pixelColor(2, 10).rgb(), button.palette().color(QPalette::Dark).rgb());
    QCOMPARE(down.pixelColor(97, 3), DrawButton::FaceLineColor(base, 0, 28));

    // The caption is dark blue over a white copy.
    QImage caption = paintedButton(button, false);
    bool blue = false;
    for (int y = 0; y < caption.height() && !blue; ++y) {
        for (int x = 0; x < caption.width() && !blue; ++x) {
            blue = caption.pixelColor(x, y) == QColor(0, 0, 128);
        }
    }
    QVERIFY(blue);
}

void KitTest::drawButtonModesHaveDistinctColours() {
    uitest::UiTestEnvironment env;
    std::set<QRgb> colours;
    for (int mode = 0; mode < DrawButton::kModeCount; ++mode) {
        QColor base = DrawButton::BaseColor(mode);
        QVERIFY(std::max({base.red(), base.green(), base.blue()}) + 80 <= 255);
        colours.insert(base.rgb());
    }
    QCOMPARE(colours.size(), std::size_t{4});
    DrawButton button;
    button.resize(80, 24);
    QColor before = button.grab().toImage().pixelColor(5, 12);
    button.SetColorMode(3);
    QCOMPARE(button.ColorMode(), 3);
    QVERIFY(button.grab().toImage().pixelColor(5, 12) != before);
    button.SetColorMode(7);
    QCOMPARE(button.ColorMode(), 3);
}

void KitTest::linkTurnsPurpleOnlyWhenOpened() {
    uitest::UiTestEnvironment env;
    for (int status : {1, 0}) {
        uitest::FakeOpener opener(status);
        CStaticLink link;
        link.setText(QStringLiteral("(What does that mean?)"));
        link.SetLink(QStringLiteral("https://example.invalid/help"));
        link.resize(200, 20);
        link.show();
        QSignalSpy finished(&link, &CStaticLink::OpenFinished);
        QTest::mouseClick(&link, Qt::LeftButton);
        QVERIFY(finished.wait(5000));
        QCOMPARE(opener.Opened(), std::string("https://example.invalid/help"));
        QCOMPARE(link.LinkColor(), status == 0 ? CStaticLink::kVisitedColor : CStaticLink::kUnvisitedColor);
        QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
    }
}

void KitTest::linkWithoutAddressShowsItsText() {
    uitest::UiTestEnvironment env;
    CStaticLink link;
    link.setText(QStringLiteral("support@example.invalid"));
    link.SetOpenAsAddress(false);
    link.resize(200, 20);
    link.show();
    DialogScript script;
    script.ThenPress(QMessageBox::Ok);
    QTest::mouseClick(&link, Qt::LeftButton);
    QCOMPARE(script.Seen().at(0).title, QStringLiteral("Information"));
    QCOMPARE(script.Seen().at(0).text, QStringLiteral("support@example.invalid"));
}

void KitTest::splashGoesAtTheFirstKeyPress() {
    uitest::UiTestEnvironment env;
    QWidget main;
    main.show();
    CSplashWnd::EnableSplashScreen(true);
    CSplashWnd* splash = CSplashWnd::ShowSplashScreen(&main);
    QVERIFY(splash != nullptr && splash->isVisible());
    QCOMPARE(splash->size(), QSize(282, 102)); // the 280 x 100 bitmap and a thin border
    QCOMPARE(CSplashWnd::ShowSplashScreen(&main), splash); // one at a time
    QPointer<CSplashWnd> guarded(splash);
    QTest::keyClick(&main, Qt::Key_A);
    QVERIFY(CSplashWnd::Current() == nullptr);
    QVERIFY(!splash->isVisible());
    QVERIFY(uitest::WaitFor([&guarded] { return guarded.isNull(); }, 1000)); // it deleted itself
    CSplashWnd::EnableSplashScreen(false);
    QVERIFY(CSplashWnd::ShowSplashScreen(&main) == nullptr);
}

void KitTest::splashGoesAfterTwoSeconds() {
    uitest::UiTestEnvironment env;
    CSplashWnd::EnableSplashScreen(true);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(CSplashWnd::ShowSplashScreen(nullptr) != nullptr);
    QVERIFY(uitest::WaitFor([] { return CSplashWnd::Current() == nullptr; }, 4000));
    QVERIFY(timer.elapsed() >= 1900);
    CSplashWnd::EnableSplashScreen(false);
}

void KitTest::aboutBoxShowsVersionAndAddresses() {
    uitest::UiTestEnvironment env;
    CAboutDlg about(nullptr);
    QCOMPARE(ControlOf<QLabel>(about, 1089)->text(),
             QStringLiteral("Tallyvol Version %1.%2 (Build %3)").arg(3).arg(2).arg(TALLYVOL_TEST_BUILD_NUMBER));
    QCOMPARE(ControlOf<QLabel>(about, 1070)->text(), QString::fromUtf8(SupportEmailAddr));
    QCOMPARE(ControlOf<QLabel>(about, 1060)->text(), QString::fromUtf8(HomePageURL));
    QVERIFY(!ControlOf<QLabel>(about, CAboutDlg::kPicture)->pixmap().isNull());
    QCOMPARE(app::GetSetting(app::settings::EMailAddr), std::string(SupportEmailAddr));
}

void KitTest::fontRecordsConvertBothWays() {
    uitest::UiTestEnvironment env;
    QFont standard = FontFromRecord(app::DefaultFontRecord());
    QCOMPARE(standard.pixelSize(), 14);
    QCOMPARE(standard.weight(), QFont::Normal);
    QVERIFY(standard.family() != QStringLiteral("MS Sans Serif"));

    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPixelSize(17);
    chosen.setWeight(QFont::Bold);
    chosen.setItalic(true);
    std::vector<std::uint8_t> record = RecordFromFont(chosen);
    QCOMPARE(record.size(), app::kFontRecordSize);
    QFont back = FontFromRecord(record);
    QCOMPARE(back.family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(back.pixelSize(), 17);
    QCOMPARE(back.weight(), QFont::Bold);
    QVERIFY(back.italic());
    QCOMPARE(FontFromRecord({1, 2, 3}).pixelSize(), QApplication::font().pixelSize());

    QWidget window;
    auto* child = new QLabel(&window);
    ApplyFont(window, back);
    QCOMPARE(child->font().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(CurrentBoldItalicFont().weight(), QFont::Bold);
    QVERIFY(CurrentBoldItalicFont().italic());
}

void KitTest::resizeRulesMoveEdgesAsRegistered() {
    using R = ResizeLayout;
    struct Case {
        int flags, near, far, initial, size, wantNear, wantFar;
    };
    const Case cases[] = {
        {R::kKeepNear | R::kKeepSize, 10, 50, 100, 200, 10, 50},   // fixed
        {0, 10, 50, 100, 200, 20, 100},                             // scaled
        {R::kKeepSize, 10, 50, 100, 200, 20, 60},                   // moved by ratio, size kept
        {R::kKeepNear, 10, 50, 100, 200, 10, 100},                  // far scaled
        {R::kKeepNear | R::kMoveFar, 10, 50, 100, 200, 10, 150},    // stretches with the window
        {R::kKeepSize | R::kMoveFar, 10, 50, 100, 200, 110, 150},   // follows the far edge
        {R::kMoveFar, 10, 50, 100, 200, 20, 150},
    };
    for (const Case& c : cases) {
        auto [near, far] = R::Edges(c.near, c.far, c.initial, c.size, c.flags);
        QCOMPARE(near, c.wantNear);
        QCOMPARE(far, c.wantFar);
    }
    QWidget window;
    window.resize(100, 100);
    auto* child = new QWidget(&window);
    child->setGeometry(10, 10, 40, 20);
    R layout;
    layout.SetInitialSize(window.size());
    layout.Add(child, 0, R::kKeepNear | R::kKeepSize);
    layout.Apply(QSize(200, 300));
    QCOMPARE(child->geometry(), QRect(20, 10, 80, 20));
    layout.Apply(QSize(100, 100));
    QCOMPARE(child->geometry(), QRect(10, 10, 40, 20));
}

QTEST_MAIN(KitTest)
#include "KitTest.moc"
