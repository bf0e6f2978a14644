// The preferences driven through their controls: every control to its setting and back, Cancel
// and a refused day count changing nothing, the logging warning, the log directory browser, the
// window font chosen and reset, the cluster-size overrides, and the Prefs button of a real main
// window with the database configuration, the about box and the feedback page behind it.
#include "app/CTallyvol32Dlg.h"
#include "app/FixedClusterSizes.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "app/ui/CGetClusterSize.h"
#include "app/ui/CPreferencesDlg.h"
#include "app/ui/MainWindow.h"
#include "app/ui/PreferencesWindows.h"
#include "app/ui/WindowFont.h"
#include "app/ui/WindowHooks.h"
#include "brand/Brand.h"
#include "tests/support/TempDirectory.h"
#include "tests/ui/support/UiTestSupport.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

using app::ui::CGetClusterSize;
using app::ui::CPreferencesDlg;
using uitest::ControlOf;
using uitest::DialogScript;
using Dlg = CPreferencesDlg;

namespace {

// A stand-in main window: the font goes to it and its child.
struct Fixture {
    uitest::UiTestEnvironment env;
    app::CTallyvol32Dlg dialog;
    QWidget mainWindow;
    QLabel* child = new QLabel(QStringLiteral("child"), &mainWindow);
    int updateChecksStarted = 0;

    Fixture() {
        app::ui::InstallPreferencesWindows();
        app::ui::WindowHooks::Instance().startUpdateCheck = [this](QWidget&, app::CTallyvol32Dlg&) {
            ++updateChecksStarted;
        };
    }
    ~Fixture() {
        app::ui::InstallPreferencesWindows();
        app::ui::WindowHooks::Instance().databaseWizard = {};
    }

    std::string Hives() {
        return testsupport::ReadFile(env.Env().MachineHive()) + testsupport::ReadFile(env.Env().UserHive());
    }
};

void setText(QDialog& d, int id, const QString& text) {
    ControlOf<QLineEdit>(d, id)->setText(text);
}

// An answer that works the window and, should a check fail midway, still closes it.
DialogScript::Answer working(std::function<void(QDialog&)> work) {
    return [work](QDialog& d) {
        work(d);
        if (d.isVisible()) {
            d.reject();
        }
    };
}

bool isChecked(QDialog& d, int id) {
    auto* button = ControlOf<QAbstractButton>(d, id);
    return button != nullptr && button->isChecked();
}

// Every control set away from its default (the debug-logs box is clicked, as a person would).
void changeEverything(QDialog& d, const std::string& logDirectory) {
    ControlOf<QRadioButton>(d, Dlg::kUnitsGB)->setChecked(true);
    ControlOf<QRadioButton>(d, Dlg::kClusterCompressed)->setChecked(true);
    for (int id : {Dlg::kScanOnClick, Dlg::kCheckForUpdates, Dlg::kShowBlankRows, Dlg::kLogRun}) {
        ControlOf<QCheckBox>(d, id)->setChecked(true);
    }
    for (int id : {Dlg::kSubDirSave, Dlg::kSystemTimeFormat}) {
        ControlOf<QCheckBox>(d, id)->setChecked(false);
    }
    setText(d, Dlg::kLogDirectory, QString::fromStdString(logDirectory));
    setText(d, Dlg::kManualDays, QStringLiteral("30"));
    setText(d, Dlg::kAutomatedDays, QStringLiteral("14"));
    ControlOf<QCheckBox>(d, Dlg::kDebugLogs)->click();
}

} // namespace

class PreferencesWindowTest : public QObject {
    Q_OBJECT

private slots:
    void everyControlGoesToItsSettingAndComesBack();
    void cancelChangesNothing();
    void aRefusedDayCountKeepsTheWindowOpen();
    void theLogDirectoryBrowser();
    void aChosenFontIsStoredAndAppliedAndResetRestoresTheDefault();
    void clusterOverridesReplaceTheWholeListOnOk();
    void clusterOverrideInputIsChecked();
    void thePrefsButtonOfTheMainWindow();
};

void PreferencesWindowTest::everyControlGoesToItsSettingAndComesBack() {
    Fixture f;
    std::string logs = f.env.Env().Root() + "/logs";
    DialogScript script;
    script.Then(working([&](QDialog& d) {
        // What a first start shows.
        QVERIFY(isChecked(d, Dlg::kUnitsK) && isChecked(d, Dlg::kClusterIgnore));
        QVERIFY(isChecked(d, Dlg::kSubDirSave) && isChecked(d, Dlg::kSystemTimeFormat));
        QVERIFY(!isChecked(d, Dlg::kDebugLogs) && !isChecked(d, Dlg::kCheckForUpdates));
        QCOMPARE(ControlOf<QLineEdit>(d, Dlg::kLogDirectory)->text(),
                 QString::fromStdString(f.env.Env().LogDirectory() + "/"));
        QCOMPARE(ControlOf<QLineEdit>(d, Dlg::kAutomatedDays)->text(), QStringLiteral("7"));
        changeEverything(d, logs);
        ControlOf<QAbstractButton>(d, 1)->click();
    }));
    script.ThenPress(QMessageBox::Ok); // the logging warning
    CPreferencesDlg::Show(f.mainWindow, f.dialog);
    QVERIFY(script.Done());
    QCOMPARE(script.Seen().at(1).title, QStringLiteral("Logging Warning"));
    QVERIFY(script.Seen().at(1).text.startsWith(QStringLiteral("WARNING: Enabling this setting will considerably")));

    // Stored at once.
    QCOMPARE(app::GetSetting(app::settings::LogDir), logs + "/");
    QCOMPARE(app::GetSetting(app::settings::DebugLogs), 1);
    QVERIFY(app::IsDebugLogOn());
    QCOMPARE(app::GetSetting(app::settings::LogRun), 1);
    QCOMPARE(app::GetSetting(app::settings::ShowBlankRows), 1);
    QCOMPARE(app::GetSetting(app::settings::UseSystemTimeFormat), 0);
    QVERIFY(!app::UseSystemTimeFormatFlag());
    // Given to the main window, stored by it when it closes.
    QCOMPARE(f.dialog.m_units, 4);
    QCOMPARE(f.dialog.m_clusterSetting, 2);
    QCOMPARE(f.dialog.m_scanOnClick, 1);
    QCOMPARE(f.dialog.m_saveSubdirs, 0);
    QCOMPARE(f.dialog.m_checkForUpdates, 1);
    QCOMPARE(f.dialog.m_manualAutoDeleteDays, 30);
    QCOMPARE(f.dialog.m_automatedAutoDeleteDays, 14);
    QVERIFY(f.dialog.m_showBlankRows);
    QCOMPARE(app::GetSetting(app::settings::PreferredUnits), 2);
    QCOMPARE(f.updateChecksStarted, 1); // ticked: the check starts
    f.dialog.SaveDisplaySettings(170);

    // A new main dialog object and a new window show all of it.
    app::CTallyvol32Dlg reopened;
    script.Then(working([&](QDialog& d) {
        QVERIFY(isChecked(d, Dlg::kUnitsGB) && isChecked(d, Dlg::kClusterCompressed));
        for (int id : {Dlg::kScanOnClick, Dlg::kCheckForUpdates, Dlg::kShowBlankRows, Dlg::kLogRun, Dlg::kDebugLogs}) {
            QVERIFY2(isChecked(d, id), qPrintable(QString::number(id)));
        }
        QVERIFY(!isChecked(d, Dlg::kSubDirSave) && !isChecked(d, Dlg::kSystemTimeFormat));
        QCOMPARE(ControlOf<QLineEdit>(d, Dlg::kLogDirectory)->text(), QString::fromStdString(logs + "/"));
        QCOMPARE(ControlOf<QLineEdit>(d, Dlg::kManualDays)->text(), QStringLiteral("30"));
        QCOMPARE(ControlOf<QLineEdit>(d, Dlg::kAutomatedDays)->text(), QStringLiteral("14"));
        // Unticking asks nothing.
        ControlOf<QCheckBox>(d, Dlg::kDebugLogs)->click();
        ControlOf<QAbstractButton>(d, 1)->click();
    }));
    CPreferencesDlg::Show(f.mainWindow, reopened);
    QCOMPARE(script.Unexpected(), 0);
    QCOMPARE(app::GetSetting(app::settings::DebugLogs), 0);
}

void PreferencesWindowTest::cancelChangesNothing() {
    Fixture f;
    DialogScript script;
    script.ThenClick(2);
    CPreferencesDlg::Show(f.mainWindow, f.dialog); // reading writes the missing defaults
    std::string hives = f.Hives();
    script.Then(working([&](QDialog& d) {
        changeEverything(d, "/elsewhere");
        ControlOf<QAbstractButton>(d, 2)->click();
    }));
    script.ThenPress(QMessageBox::Ok);
    CPreferencesDlg::Show(f.mainWindow, f.dialog);
    QVERIFY(script.Done());
    QCOMPARE(f.Hives(), hives);
    QCOMPARE(f.dialog.m_units, 2);
    QCOMPARE(f.dialog.m_clusterSetting, 4);
    QCOMPARE(f.dialog.m_saveSubdirs, 1);
    QCOMPARE(f.dialog.m_checkForUpdates, 0);
    QCOMPARE(f.dialog.m_automatedAutoDeleteDays, 7);
    QVERIFY(!f.dialog.m_showBlankRows);
    QVERIFY(!app::IsDebugLogOn());
    QCOMPARE(f.updateChecksStarted, 0);
}

void PreferencesWindowTest::aRefusedDayCountKeepsTheWindowOpen() {
    Fixture f;
    DialogScript script;
    // A negative count would delete every scan at the next start; text is no count at all.
    for (const char* bad : {"-1", "many", "100000"}) {
        bool stayedOpen = false;
        bool focusBack = false;
        script.Then(working([&, bad](QDialog& d) {
            auto* days = ControlOf<QLineEdit>(d, Dlg::kAutomatedDays);
            days->setText(QString::fromLatin1(bad));
            ControlOf<QAbstractButton>(d, 1)->click();
            stayedOpen = d.isVisible();
            focusBack = d.focusWidget() == days;
            ControlOf<QAbstractButton>(d, 2)->click();
        }));
        script.ThenPress(QMessageBox::Ok);
        CPreferencesDlg::Show(f.mainWindow, f.dialog);
        QVERIFY(stayedOpen && focusBack);
        QCOMPARE(script.Seen().back().text, QStringLiteral("Please enter an integer between 0 and 99999."));
    }
    QCOMPARE(script.Unexpected(), 0);
    QCOMPARE(f.dialog.m_automatedAutoDeleteDays, 7);
}

void PreferencesWindowTest::theLogDirectoryBrowser() {
    Fixture f;
    std::string chosen = f.env.Env().Root() + "/chosen";
    testsupport::MakeDirectories(chosen);
    DialogScript script;
    script.Then(working([&](QDialog& d) {
        ControlOf<QAbstractButton>(d, Dlg::kBrowseLogDirectory)->click();
        QCOMPARE(ControlOf<QLineEdit>(d, Dlg::kLogDirectory)->text(), QString::fromStdString(chosen));
        ControlOf<QAbstractButton>(d, 1)->click();
    }));
    script.Then(working([&](QDialog& d) {
        auto* chooser = qobject_cast<QFileDialog*>(&d);
        QVERIFY(chooser != nullptr);
        QCOMPARE(chooser->fileMode(), QFileDialog::Directory);
        chooser->selectFile(QString::fromStdString(chosen));
        QMetaObject::invokeMethod(chooser, "accept");
    }));
    CPreferencesDlg::Show(f.mainWindow, f.dialog);
    QCOMPARE(script.Seen().at(1).title, QStringLiteral("Select the log directory"));
    QCOMPARE(app::GetSetting(app::settings::LogDir), chosen + "/");
}

void PreferencesWindowTest::aChosenFontIsStoredAndAppliedAndResetRestoresTheDefault() {
    Fixture f;
    app::ui::ApplyFont(f.mainWindow);
    const QFont defaultFont = app::ui::FontFromRecord(app::DefaultFontRecord());
    QFont chosen(QStringLiteral("DejaVu Serif"), 18);
    chosen.setWeight(QFont::Bold);
    const int chosenPixels = QFontInfo(chosen).pixelSize();

    DialogScript script;
    script.Then(working([](QDialog& d) {
        ControlOf<QAbstractButton>(d, Dlg::kChooseFont)->click(); // cancelled: nothing changes
        ControlOf<QAbstractButton>(d, Dlg::kChooseFont)->click();
        ControlOf<QAbstractButton>(d, 2)->click(); // the font stays whatever the preferences end with
    }));
    script.Then(working([](QDialog& d) { d.reject(); }));
    QString offered;
    script.Then(working([&](QDialog& d) {
        auto* chooser = qobject_cast<QFontDialog*>(&d);
        if (chooser == nullptr) {
            return;
        }
        offered = chooser->currentFont().family();
        chooser->setCurrentFont(chosen);
        chooser->accept();
    }));
    std::vector<std::uint8_t> before = app::GetFontRecord();
    CPreferencesDlg::Show(f.mainWindow, f.dialog);
    QVERIFY(script.Done());
    QCOMPARE(offered, defaultFont.family()); // opened on the stored font
    QVERIFY(app::GetFontRecord() != before);
    QFont stored = app::ui::FontFromRecord(app::GetFontRecord());
    QCOMPARE(stored.family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(stored.pixelSize(), chosenPixels);
    QCOMPARE(stored.weight(), QFont::Bold);
    for (QWidget* widget : {&f.mainWindow, static_cast<QWidget*>(f.child)}) {
        QCOMPARE(widget->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(QFontInfo(widget->font()).pixelSize(), chosenPixels);
    }
    QFont companion = app::ui::CurrentBoldItalicFont();
    QVERIFY(companion.italic() && companion.weight() == QFont::Bold);
    QCOMPARE(companion.family(), QStringLiteral("DejaVu Serif"));

    script.Then(working([](QDialog& d) {
        ControlOf<QAbstractButton>(d, Dlg::kResetFont)->click();
        ControlOf<QAbstractButton>(d, 2)->click();
    }));
    CPreferencesDlg::Show(f.mainWindow, f.dialog);
    QVERIFY(app::GetFontRecord() == app::DefaultFontRecord());
    QCOMPARE(f.child->font().pixelSize(), 14);
    QCOMPARE(f.child->font().family(), defaultFont.family());
    QVERIFY(app::ui::CurrentBoldItalicFont().italic());
    QCOMPARE(app::ui::CurrentBoldItalicFont().pixelSize(), 14);
}

void PreferencesWindowTest::clusterOverridesReplaceTheWholeListOnOk() {
    Fixture f;
    app::FixedClusterSizes::ReplaceWithLines({"/srv/one\t512", "/srv/two\t1024", "/srv/three\t2048"});
    auto addLine = [](QDialog& d, const char* path, const char* size) {
        setText(d, CGetClusterSize::kPath, QString::fromLatin1(path));
        setText(d, CGetClusterSize::kSize, QString::fromLatin1(size));
        ControlOf<QAbstractButton>(d, CGetClusterSize::kAdd)->click();
    };
    DialogScript script;
    script.Then(working([](QDialog& d) {
        ControlOf<QAbstractButton>(d, Dlg::kClusterOverrides)->click();
        ControlOf<QAbstractButton>(d, 2)->click();
    }));
    script.Then(working([&](QDialog& d) {
        auto* list = ControlOf<QTreeWidget>(d, CGetClusterSize::kList);
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("/srv/two"));
        QCOMPARE(list->topLevelItem(1)->text(1), QStringLiteral("1024"));
        QVERIFY(list->columnWidth(0) > 200); // the tab stop
        for (int i = 0; i < 3; ++i) {
            list->setCurrentItem(list->topLevelItem(0));
            ControlOf<QAbstractButton>(d, CGetClusterSize::kRemove)->click();
        }
        addLine(d, "/srv/new one", "8192");
        addLine(d, "/home", "65536");
        QCOMPARE(list->topLevelItemCount(), 2);
        ControlOf<QAbstractButton>(d, 1)->click();
    }));
    CPreferencesDlg::Show(f.mainWindow, f.dialog);
    QCOMPARE(app::FixedClusterSizes::ReadLines(), (std::vector<std::string>{"/srv/new one\t8192", "/home\t65536"}));

    // Cancel keeps the stored list whatever was done in the window.
    script.Then(working([&](QDialog& d) {
        addLine(d, "/tmp", "4096");
        ControlOf<QAbstractButton>(d, 2)->click();
    }));
    CGetClusterSize(nullptr).Exec();
    QCOMPARE(app::FixedClusterSizes::ReadLines().size(), 2u);
    QCOMPARE(script.Unexpected(), 0);
}

void PreferencesWindowTest::clusterOverrideInputIsChecked() {
    Fixture f;
    DialogScript script;
    script.Then(working([](QDialog& d) {
        auto* list = ControlOf<QTreeWidget>(d, CGetClusterSize::kList);
        ControlOf<QAbstractButton>(d, CGetClusterSize::kRemove)->click(); // nothing selected
        for (const char* size : {"0", "100000000", "4k", ""}) {
            setText(d, CGetClusterSize::kPath, QStringLiteral("/srv"));
            setText(d, CGetClusterSize::kSize, QString::fromLatin1(size));
            ControlOf<QAbstractButton>(d, CGetClusterSize::kAdd)->click();
        }
        setText(d, CGetClusterSize::kPath, QString());
        setText(d, CGetClusterSize::kSize, QStringLiteral("99999999"));
        ControlOf<QAbstractButton>(d, CGetClusterSize::kAdd)->click();
        QCOMPARE(list->topLevelItemCount(), 0);
        ControlOf<QAbstractButton>(d, 1)->click();
    }));
    script.ThenPress(QMessageBox::Ok);
    for (int i = 0; i < 4; ++i) {
        script.ThenPress(QMessageBox::Ok);
    }
    script.ThenPress(QMessageBox::Ok);
    CGetClusterSize(nullptr).Exec();
    QVERIFY(script.Done());
    const auto& seen = script.Seen();
    QCOMPARE(seen.at(1).title, QStringLiteral("No Selection"));
    QCOMPARE(seen.at(1).text, QStringLiteral("Select a directory-cluster setting to remove and try again."));
    for (int i = 2; i < 6; ++i) {
        QCOMPARE(seen.at(i).text, QStringLiteral("Please enter an integer between 1 and 99999999."));
    }
    QCOMPARE(seen.at(6).title, QStringLiteral("No Directory"));
    QCOMPARE(seen.at(6).text,
             QStringLiteral("Please fill in a directory path for which you are specifying the cluster size."));
    QVERIFY(app::FixedClusterSizes::ReadLines().empty());
}

void PreferencesWindowTest::thePrefsButtonOfTheMainWindow() {
    Fixture f;
    int wizards = 0;
    app::ui::WindowHooks::Instance().databaseWizard = [&wizards] {
        ++wizards;
        return true;
    };
    uitest::FakeOpener opener;
    f.dialog.m_directory = f.env.Env().Root();
    app::ui::MainWindow window(f.dialog);
    f.env.UI().SetMainWindow(&window);
    window.show();
    QVERIFY(f.dialog.m_databaseConnected);

    DialogScript script;
    script.Then(working([](QDialog& d) {
        QCOMPARE(d.objectName(), QStringLiteral("dlg130"));
        ControlOf<QAbstractButton>(d, Dlg::kConfigureDatabase)->click();
        ControlOf<QAbstractButton>(d, Dlg::kAbout)->click();
        ControlOf<QAbstractButton>(d, Dlg::kFeedback)->click();
        ControlOf<QRadioButton>(d, Dlg::kUnitsBytes)->setChecked(true);
        ControlOf<QAbstractButton>(d, 1)->click();
    }));
    script.ThenClick(1); // the about box
    QTest::mouseClick(ControlOf<QAbstractButton>(window, app::ui::MainWindow::kPrefs), Qt::LeftButton);
    QVERIFY(script.Done());
    QCOMPARE(script.Seen().at(1).objectName, QStringLiteral("dlg100"));
    QCOMPARE(wizards, 1);
    QCOMPARE(f.dialog.m_units, 1);
    // Afterwards the window connects again and still works with its store.
    QVERIFY(f.dialog.m_databaseConnected);
    QVERIFY(uitest::WaitFor([&] { return opener.Opened() == FeedbackURL; }));
    window.close();
    QCOMPARE(app::GetSetting(app::settings::PreferredUnits), 1);
}

QTEST_MAIN(PreferencesWindowTest)
#include "PreferencesWindowTest.moc"
