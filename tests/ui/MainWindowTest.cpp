// The main window driven through its controls over a real store: scans, the grid's rows and
// cells, sorting and views without reloading, Back and double-click, column deletion, the two
// timers, the settings written at close, a missing directory, filters, the explorer, help and
// the title. Each test opens a window on a fresh home, as a first start does.
#include "app/CTallyvol32Dlg.h"
#include "app/base/Settings.h"
#include "app/ui/DrawButton.h"
#include "app/ui/ExcludeFilterDlg.h"
#include "app/ui/MainWindow.h"
#include "platform/ado/Connection.h"
#include "platform/system/Paths.h"
#include "scan/fs/StoredPath.h"
#include "tests/support/TempDirectory.h"
#include "tests/ui/support/SampleStore.h"
#include "tests/ui/support/UiTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>

#include <memory>

using app::ui::MainWindow;
using uitest::ControlOf;
using uitest::DialogScript;

namespace {

constexpr std::uint64_t kK = 1024;

// A fresh home, a tree and the main window over the dialog object.
struct Fixture {
    uitest::UiTestEnvironment env;
    std::string tree = env.Env().Root() + "/tree";
    app::CTallyvol32Dlg dialog;
    std::unique_ptr<MainWindow> window;

    Fixture() {
        testsupport::WriteSizedFile(tree + "/alpha/one.txt", 10 * kK);
        testsupport::WriteSizedFile(tree + "/alpha/deep/two.txt", 20 * kK);
        testsupport::WriteSizedFile(tree + "/Beta/three.dat", 4 * kK);
        testsupport::WriteSizedFile(tree + "/gamma/four.txt", 1);
        dialog.m_directory = tree;
        Open();
    }

    void Open() {
        window = std::make_unique<MainWindow>(dialog);
        env.UI().SetMainWindow(window.get());
        window->show();
    }

    void Close() {
        window->close();
        window.reset();
    }

    QComboBox& DirectoryBox() { return *ControlOf<QComboBox>(*window, MainWindow::kDirectory); }
    grid::GridModel& Model() { return window->Grid().Model(); }

    void Show(const std::string& directory) { uitest::ShowDirectory(*window, directory); }
    void Scan() { QTest::mouseClick(ControlOf<QAbstractButton>(*window, MainWindow::kScan), Qt::LeftButton); }

    QStringList Column(int column) {
        QStringList cells;
        for (int row = 0; row < Model().rowCount(); ++row) {
            cells.append(Model().CellText(row, column));
        }
        return cells;
    }

    std::int64_t Query(const std::string& sql) {
        auto rows = dialog.m_scanInfo.GetConnection()->OpenRecordset(sql);
        return rows->IsEOF() || rows->Fields(0).IsNull() ? -1 : rows->Fields(0).AsInt64();
    }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void aScanIsStoredAsInteractiveAndShownSortedByName();
    void sortingAndViewsUseTheLoadedScans();
    void theChangeSortFallsBackToSizeWithOneScan();
    void blankRowsAreHiddenUnlessAskedFor();
    void doubleClickGoesDownAndBackGoesUp();
    void theSameDirectoryIsNotReloaded();
    void typingWaitsForAPauseAndChoosingDoesNot();
    void aColumnIsDeletedOnlyAfterYes();
    void closingWritesTheDisplaySettings();
    void aMissingDirectoryStillShowsItsStoredScans();
    void filtersAreEditedAndMarkTheButton();
    void viewFilesPlacesTheExplorerAndFollowsTheDirectory();
    void helpOpensTheInstalledDocument();
    void theTitleTellsOfUpdates();
    void theFolderBrowserAndTheAboutBox();
    void closingDuringAScanStopsItAndKeepsItsRows();
    void aStoreThatGoesAwayIsReportedAndTheWindowRecovers();
};

void MainWindowTest::aScanIsStoredAsInteractiveAndShownSortedByName() {
    Fixture f;
    QVERIFY(f.dialog.m_databaseConnected);
    QVERIFY(testsupport::FileExists(f.env.StoreFile()));
    f.Scan();
    QCOMPARE(f.Query("select count(*) from ScanDefinition where ScanType=1"), 1);
    QCOMPARE(f.Query("select count(*) from ScanDefinition where ScanType=2"), 0);
    // Name order is byte order: upper case first. Each file counts in 4 K units.
    QCOMPARE(f.Column(0), (QStringList{"Beta", "alpha", "gamma", "*** Totals ***"}));
    QCOMPARE(f.Column(1), (QStringList{"8 K", "36 K", "4 K", "48 K"}));
    QCOMPARE(f.Model().columnCount(), 2);
    QCOMPARE(f.Model().headerData(0, Qt::Horizontal).toString(), QString());
    QCOMPARE(f.window->Grid().BackButton().text(), QStringLiteral("Back ..."));
    QCOMPARE(f.Model().data(f.Model().index(0, 1), Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    QCOMPARE(f.Model().data(f.Model().index(0, 0), Qt::TextAlignmentRole).toInt(), int(Qt::AlignLeft | Qt::AlignVCenter));
    QVERIFY(f.Model().headerData(1, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
    QVERIFY(!(f.Model().flags(f.Model().index(0, 1)) & Qt::ItemIsEditable));
    QCOMPARE(app::GetProfileStringEx("LS0", ""), f.tree);
    QCOMPARE(f.DirectoryBox().findText(QString::fromStdString(f.tree)), 0);
    QVERIFY(!ControlOf<QLabel>(*f.window, MainWindow::kFreeSpace)->text().isEmpty());
    QCOMPARE(ControlOf<QLabel>(*f.window, MainWindow::kClusterSize)->text(), QStringLiteral("4,096 bytes"));
    QCOMPARE(ControlOf<QLabel>(*f.window, MainWindow::kClusterLabel)->text(), QStringLiteral("Cluster Size :"));
}

void MainWindowTest::sortingAndViewsUseTheLoadedScans() {
    Fixture f;
    f.Scan();
    testsupport::WriteSizedFile(f.tree + "/gamma/big.txt", 100 * kK);
    testsupport::WriteSizedFile(f.tree + "/alpha/one.txt", 0);
    f.Scan();
    int loads = f.window->LoadCount();
    int resets = f.Model().ResetCount();
    auto* sort = ControlOf<QComboBox>(*f.window, MainWindow::kSort);
    sort->setCurrentIndex(1); // size
    QCOMPARE(f.Column(0), (QStringList{"gamma", "alpha", "Beta", "*** Totals ***"}));
    sort->setCurrentIndex(2); // change: gamma grew, Beta stayed, alpha shrank
    QCOMPARE(f.Column(0), (QStringList{"gamma", "Beta", "alpha", "*** Totals ***"}));
    QCOMPARE(f.dialog.m_sortMethod, 3);
    QCOMPARE(f.window->LoadCount(), loads); // sorting never reloads
    QCOMPARE(f.Model().ResetCount(), resets + 2);
    // Scrolling and repainting do not refill the table.
    f.window->Grid().scrollToBottom();
    f.window->Grid().viewport()->repaint();
    QCOMPARE(f.Model().ResetCount(), resets + 2);

    auto* view = ControlOf<QComboBox>(*f.window, MainWindow::kView);
    QCOMPARE(view->itemText(1), QStringLiteral("File Extension Counts"));
    view->setCurrentIndex(2); // extension sizes
    QCOMPARE(f.dialog.m_view, 1);
    sort->setCurrentIndex(0);
    QStringList names = f.Column(0);
    QCOMPARE(names.first(), QStringLiteral("Root of scan for extension info-->"));
    QCOMPARE(names.mid(1), (QStringList{".DAT", ".TXT"}));
    QCOMPARE(f.Column(1).first(), QString::fromStdString(scan::MakeStoredPath(f.tree, false)));
    view->setCurrentIndex(1); // counts: plain numbers, no totals
    QCOMPARE(f.dialog.m_view, 2);
    QCOMPARE(f.Column(1).mid(1), (QStringList{"1", "4"}));
    QVERIFY(!f.Column(0).contains(QStringLiteral("*** Totals ***")));
}

void MainWindowTest::theChangeSortFallsBackToSizeWithOneScan() {
    Fixture f;
    ControlOf<QComboBox>(*f.window, MainWindow::kSort)->setCurrentIndex(2);
    f.Scan();
    QCOMPARE(f.dialog.m_sortMethod, 3);
    // Beta and gamma are equal (4 K): an unstable sort may give them in either order.
    QCOMPARE(f.Column(0).first(), QStringLiteral("alpha")); // 36 K, the largest
    QCOMPARE(f.Column(0).last(), QStringLiteral("*** Totals ***"));
    QCOMPARE(f.Column(1)[0], QStringLiteral("36 K"));
}

void MainWindowTest::blankRowsAreHiddenUnlessAskedFor() {
    Fixture f;
    f.Scan();
    std::uint32_t first = f.dialog.m_displayData.scans.front().scanID;
    testsupport::RemoveTree(f.tree + "/gamma");
    f.Scan();
    DialogScript script;
    script.ThenPress(QMessageBox::Yes);
    f.window->OnDeleteColumn(2); // the first scan: now no scan has gamma
    QCOMPARE(f.Query("select count(*) from ScanDefinition where ScanID=" + std::to_string(first)), 0);
    QCOMPARE(f.Column(0), (QStringList{"Beta", "alpha", "*** Totals ***"}));
    QCOMPARE(f.Column(1).last(), QStringLiteral("44 K"));
    f.dialog.m_showBlankRows = true;
    f.window->FillGrid();
    QCOMPARE(f.Column(0), (QStringList{"Beta", "alpha", "gamma", "*** Totals ***"}));
    QCOMPARE(f.Column(1)[2], QString());
    QCOMPARE(f.Column(1).last(), QStringLiteral("44 K")); // the blank row adds nothing
}

void MainWindowTest::doubleClickGoesDownAndBackGoesUp() {
    Fixture f;
    f.Scan();
    f.window->Grid().DoubleClickRow(1); // "alpha"
    QCOMPARE(f.DirectoryBox().currentText(), QString::fromStdString(f.tree + "/alpha"));
    QVERIFY(f.window->Timer1().isActive());
    QVERIFY(uitest::WaitFor([&] { return f.dialog.m_loadedDirectory == f.tree + "/alpha"; }));
    QCOMPARE(f.Column(0), (QStringList{"deep", "*** Totals ***"}));

    QTest::mouseClick(&f.window->Grid().BackButton(), Qt::LeftButton);
    QCOMPARE(f.DirectoryBox().currentText(), QString::fromStdString(f.tree));
    QVERIFY(uitest::WaitFor([&] { return f.dialog.m_loadedDirectory == f.tree; }));
    QCOMPARE(f.Model().rowCount(), 4);

    f.window->OnDlgClickGrid(QStringLiteral("[Total Free]"));
    f.window->OnDlgClickGrid(QStringLiteral("[Total Used]"));
    QCOMPARE(f.DirectoryBox().currentText(), QString::fromStdString(f.tree));
    QVERIFY(!f.window->Timer1().isActive());

    f.Show("/");
    f.window->OnBack();
    QCOMPARE(f.DirectoryBox().currentText(), QStringLiteral("/"));

    // With "rescan on double-click" the subdirectory is scanned at once.
    f.Show(f.tree);
    f.dialog.m_scanOnClick = 1;
    std::int64_t scans = f.Query("select count(*) from ScanDefinition");
    f.window->Grid().DoubleClickRow(1);
    QCOMPARE(f.Query("select count(*) from ScanDefinition"), scans + 1);
    QCOMPARE(f.dialog.m_loadedDirectory, f.tree + "/alpha");
}

void MainWindowTest::theSameDirectoryIsNotReloaded() {
    Fixture f;
    f.Scan();
    f.Show(f.tree + "/alpha");
    int loads = f.window->LoadCount();
    f.Show(f.tree + "/alpha/");
    f.Show(f.tree + "//alpha");
    QCOMPARE(f.window->LoadCount(), loads);
    f.Show(f.tree);
    QCOMPARE(f.window->LoadCount(), loads + 1);
    // A trailing slash the user typed stays in the box.
    QCOMPARE(f.DirectoryBox().currentText(), QString::fromStdString(f.tree));
    f.DirectoryBox().setEditText(QString::fromStdString(f.tree + "/"));
    f.window->ManagePath();
    QCOMPARE(f.DirectoryBox().currentText(), QString::fromStdString(f.tree + "/"));
}

void MainWindowTest::typingWaitsForAPauseAndChoosingDoesNot() {
    Fixture f;
    f.Scan();
    QVERIFY(uitest::WaitFor([&] { return !f.window->Timer1().isActive(); }));
    f.DirectoryBox().lineEdit()->clear();
    QTest::keyClicks(f.DirectoryBox().lineEdit(), QString::fromStdString(f.tree + "/alph"));
    QVERIFY(f.window->Timer2().isActive());
    QCOMPARE(f.window->Timer2().interval(), 900);
    QTest::keyClicks(f.DirectoryBox().lineEdit(), QStringLiteral("a"));
    QVERIFY(f.window->Timer2().remainingTime() > 800); // each key starts it again
    QVERIFY(uitest::WaitFor([&] { return f.dialog.m_loadedDirectory == f.tree + "/alpha"; }, 3000));

    // Scan pressed before the pause is over: the scan takes the text, no load runs during it.
    f.DirectoryBox().setEditText(QString::fromStdString(f.tree + "/Beta"));
    QVERIFY(f.window->Timer2().isActive());
    int loads = f.window->LoadCount();
    f.Scan();
    QVERIFY(!f.window->Timer2().isActive());
    QCOMPARE(f.window->LoadCount(), loads);
    QCOMPARE(f.dialog.m_loadedDirectory, f.tree + "/Beta");

    emit f.DirectoryBox().activated(0);
    QVERIFY(f.window->Timer1().isActive());
    QCOMPARE(f.window->Timer1().interval(), 150);
    QVERIFY(f.window->Timer1().isSingleShot() && f.window->Timer2().isSingleShot());
}

void MainWindowTest::aColumnIsDeletedOnlyAfterYes() {
    Fixture f;
    f.Scan();
    f.Scan();
    QCOMPARE(f.Model().columnCount(), 3);
    QString header = f.Model().ColumnHeader(1);
    DialogScript script;
    script.Then([](QDialog& dialog) {
        auto& box = static_cast<QMessageBox&>(dialog);
        QCOMPARE(box.standardButton(box.defaultButton()), QMessageBox::No);
        box.button(QMessageBox::No)->click();
    });
    f.window->Grid().RightClickHeader(1);
    QCOMPARE(script.Seen().at(0).title, QStringLiteral("Confirm Column Delete"));
    QCOMPARE(script.Seen().at(0).text,
             QStringLiteral("Are you sure you want to delete the data from %1 (including this scan in sub-directories?)").arg(header));
    QCOMPARE(f.Query("select count(*) from ScanDefinition"), 2);
    script.ThenPress(QMessageBox::Yes);
    f.window->Grid().RightClickHeader(1);
    QCOMPARE(f.Query("select count(*) from ScanDefinition"), 1);
    QCOMPARE(f.Model().columnCount(), 2);
    // The name column's header asks nothing.
    f.window->Grid().RightClickHeader(0);
    QCOMPARE(script.Seen().size(), std::size_t{2});
}

void MainWindowTest::closingWritesTheDisplaySettings() {
    Fixture f;
    f.Scan();
    f.window->Grid().horizontalHeader()->resizeSection(0, 260);
    ControlOf<QComboBox>(*f.window, MainWindow::kSort)->setCurrentIndex(2);
    ControlOf<QCheckBox>(*f.window, MainWindow::kSymlinkCheck)->setChecked(true);
    f.dialog.m_units = 3;
    f.Close();
    QCOMPARE(app::GetSetting(app::settings::DirNameWidth), 260);
    QCOMPARE(app::GetSetting(app::settings::PreferredSortMethod), 3);
    QCOMPARE(app::GetSetting(app::settings::SymlinkCheck), 1);
    QCOMPARE(app::GetSetting(app::settings::PreferredUnits), 3);
    QCOMPARE(app::GetSetting(app::settings::ManualAutoDeleteDays), f.dialog.m_manualAutoDeleteDays);

    f.Open();
    QCOMPARE(f.window->Grid().NameColumnWidth(), 260);
    f.window->Grid().horizontalHeader()->resizeSection(0, 40);
    f.Close();
    QCOMPARE(app::GetSetting(app::settings::DirNameWidth), 100); // at least 100
    app::SetSetting(app::settings::DirNameWidth, 501);
    f.Open();
    QCOMPARE(f.window->Grid().NameColumnWidth(), 170);
}

void MainWindowTest::aMissingDirectoryStillShowsItsStoredScans() {
    Fixture f;
    f.Scan();
    f.Show(f.tree + "/alpha");
    QVERIFY(!ControlOf<QLabel>(*f.window, MainWindow::kFreeSpace)->text().isEmpty());
    testsupport::RemoveTree(f.tree);
    f.Show(f.tree);
    QCOMPARE(f.dialog.m_loadedDirectory, f.tree);
    QCOMPARE(f.Column(0), (QStringList{"Beta", "alpha", "gamma", "*** Totals ***"}));
    QCOMPARE(ControlOf<QLabel>(*f.window, MainWindow::kFreeSpace)->text(), QString());
}

void MainWindowTest::filtersAreEditedAndMarkTheButton() {
    Fixture f;
    f.Scan();
    auto* filter = ControlOf<app::ui::DrawButton>(*f.window, MainWindow::kFilter);
    f.window->ManagePath();
    QCOMPARE(filter->ColorMode(), 0);
    DialogScript script;
    script.Then([](QDialog& dialog) {
        QCOMPARE(dialog.objectName(), QStringLiteral("dlg182"));
        auto* edit = ControlOf<QPlainTextEdit>(dialog, 1232);
        QCOMPARE(edit->toPlainText(), QString());
        QTest::keyClicks(edit, QStringLiteral("  /gamma/"));
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClicks(edit, QStringLiteral("/cache/"));
        QVERIFY(dialog.isVisible()); // Enter makes a new line, it does not end the dialog
        ControlOf<QAbstractButton>(dialog, 1)->click();
    });
    QTest::mouseClick(filter, Qt::LeftButton);
    QCOMPARE(f.dialog.m_scanInfo.GetFilters(nullptr, f.tree), std::string("/gamma/\n/cache/"));
    QCOMPARE(filter->ColorMode(), 3);
    // A rescan skips the filtered directory.
    f.Scan();
    QCOMPARE(f.Column(1), (QStringList{"8 K", "36 K", "", "44 K"}));

    script.Then([](QDialog& dialog) {
        auto* edit = ControlOf<QPlainTextEdit>(dialog, 1232);
        edit->setPlainText(QString(300, QLatin1Char('x')));
        QCOMPARE(edit->toPlainText().size(), 254);
        ControlOf<QAbstractButton>(dialog, 2)->click();
    });
    QTest::mouseClick(filter, Qt::LeftButton);
    QCOMPARE(f.dialog.m_scanInfo.GetFilters(nullptr, f.tree), std::string("/gamma/\n/cache/"));
    script.Then([](QDialog& dialog) {
        ControlOf<QPlainTextEdit>(dialog, 1232)->setPlainText(QStringLiteral(" \n\t"));
        ControlOf<QAbstractButton>(dialog, 1)->click();
    });
    QTest::mouseClick(filter, Qt::LeftButton);
    QCOMPARE(f.dialog.m_scanInfo.GetFilters(nullptr, f.tree), std::string());
    QCOMPARE(filter->ColorMode(), 0);
}

void MainWindowTest::viewFilesPlacesTheExplorerAndFollowsTheDirectory() {
    Fixture f;
    f.Scan();
    auto* viewFiles = ControlOf<QCheckBox>(*f.window, MainWindow::kViewFiles);
    viewFiles->setChecked(true);
    reports::ui::DirExploreDlg* explorer = f.window->Explorer();
    QVERIFY(explorer != nullptr && explorer->isVisible());
    QRect area = f.window->screen()->availableGeometry();
    QCOMPARE(explorer->frameGeometry().x(), area.x() + 2 * (area.width() / 3) + 1);
    QCOMPARE(explorer->frameGeometry().width(), area.width() / 3);
    QCOMPARE(explorer->frameGeometry().height(), area.height());
    QCOMPARE(f.window->frameGeometry().topLeft(), area.topLeft());
    int frame = f.window->frameGeometry().width() - f.window->width();
    QCOMPARE(f.window->frameGeometry().width(), std::max(area.width() / 3 * 2, f.window->minimumWidth() + frame));
    QCOMPARE(explorer->CurrentPath(), QString::fromStdString(f.tree));
    f.Show(f.tree + "/alpha");
    QCOMPARE(explorer->CurrentPath(), QString::fromStdString(f.tree + "/alpha"));
    viewFiles->setChecked(false);
    QVERIFY(f.window->Explorer() == nullptr);
    QCOMPARE(reports::ui::DirExploreDlg::PlacementIn(QRect(0, 0, 1000, 700)), QRect(667, 0, 333, 700));
}

void MainWindowTest::helpOpensTheInstalledDocument() {
    Fixture f;
    uitest::FakeOpener opener;
    QTest::mouseClick(ControlOf<QAbstractButton>(*f.window, MainWindow::kHelp), Qt::LeftButton);
    QVERIFY(uitest::WaitFor([&] { return !opener.Opened().empty(); }));
    std::string document = opener.Opened();
    QCOMPARE(document, platform::system::DataDirectory() + "/tallyvol help.html");
    QVERIFY(testsupport::ReadFile(document).find("<title>Tallyvol Help</title>") != std::string::npos);
}

void MainWindowTest::theTitleTellsOfUpdates() {
    Fixture f;
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Tallyvol 3.2"));
    f.Close();
    app::SetSetting(app::settings::LatestMajor, 4);
    f.Open();
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Tallyvol 3.2 - [ Update Available ]"));
    f.Close();
    app::SetSetting(app::settings::LatestMajor, 3);
    app::SetSetting(app::settings::LatestBuild, TALLYVOL_TEST_BUILD_NUMBER + 1);
    f.Open();
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Tallyvol 3.2 - [ Minor Update Available ]"));
}

void MainWindowTest::theFolderBrowserAndTheAboutBox() {
    Fixture f;
    f.Scan();
    DialogScript script;
    script.Then([&f](QDialog& dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(&dialog);
        QVERIFY(chooser != nullptr);
        chooser->selectFile(QString::fromStdString(f.tree + "/alpha"));
        QMetaObject::invokeMethod(chooser, "accept"); // the chooser's OK
    });
    QTest::mouseClick(ControlOf<QAbstractButton>(*f.window, MainWindow::kBrowse), Qt::LeftButton);
    QCOMPARE(script.Seen().at(0).title, QStringLiteral("Enter the path to scan"));
    QCOMPARE(f.DirectoryBox().currentText(), QString::fromStdString(f.tree + "/alpha"));
    QCOMPARE(f.dialog.m_loadedDirectory, f.tree + "/alpha");

    script.ThenClick(1);
    f.window->OnAbout();
    QCOMPARE(script.Seen().at(1).objectName, QStringLiteral("dlg100"));
    QCOMPARE(ControlOf<QLabel>(*f.window, MainWindow::kBanner)->contextMenuPolicy(), Qt::CustomContextMenu);
}

void MainWindowTest::closingDuringAScanStopsItAndKeepsItsRows() {
    Fixture f;
    f.Scan();
    std::int64_t firstRows = f.Query("select count(*) from SizeData");
    QVERIFY(firstRows > 0);
    testsupport::WriteSizedFile(f.tree + "/delta/five.txt", 5 * kK);
    bool closeRequested = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        // The window manager's close arrives while the progress window is up.
        if (!closeRequested && f.env.UI().Progress() != nullptr) {
            closeRequested = true;
            f.window->close();
            QVERIFY(f.window->isVisible()); // it waits for the scan to stop
        }
    });
    closer.start(0);
    f.window->OnScan();
    closer.stop();
    QVERIFY(closeRequested);
    QVERIFY(!f.window->isVisible());
    QVERIFY(f.env.UI().Progress() == nullptr);
    // The cancelled scan wrote its definition; the earlier scan lost nothing.
    QCOMPARE(f.Query("select count(*) from ScanDefinition"), 2);
    std::int64_t firstScan = f.Query("select min(ScanID) from ScanDefinition");
    QCOMPARE(f.Query("select count(*) from SizeData where ScanID=" + std::to_string(firstScan)), firstRows);
    QVERIFY(f.Query("select count(*) from DirNames where Path like '%/delta'") <= 1);
    // Nothing is left open: another connection writes at once.
    auto other = f.dialog.m_scanInfo.GetConnection(true);
    other->Execute("update ScanDefinition set ScanType=1 where ScanID=" + std::to_string(firstScan));
    QCOMPARE(app::GetSetting(app::settings::PreferredSortMethod), f.dialog.m_sortMethod); // settings written
}

void MainWindowTest::aStoreThatGoesAwayIsReportedAndTheWindowRecovers() {
    Fixture f;
    f.Scan();
    std::string saved = testsupport::ReadFile(f.env.StoreFile());
    // The store's file is emptied under the open connection.
    ::truncate(f.env.StoreFile().c_str(), 0);
    DialogScript script;
    script.ThenPress(QMessageBox::Ok);
    script.ThenPress(QMessageBox::Ok);
    script.ThenPress(QMessageBox::Ok);
    ControlOf<QComboBox>(*f.window, MainWindow::kView)->setCurrentIndex(1);
    QVERIFY(!script.Seen().empty());
    QVERIFY2(script.Seen().front().text.startsWith(QStringLiteral("An error occurred while: ")),
             qPrintable(script.Seen().front().text));
    QCOMPARE(f.Model().rowCount(), 0);
    // The file comes back: the next operation works again.
    testsupport::WriteFile(f.env.StoreFile(), saved);
    ControlOf<QComboBox>(*f.window, MainWindow::kView)->setCurrentIndex(0);
    QCOMPARE(f.Column(0), (QStringList{"Beta", "alpha", "gamma", "*** Totals ***"}));
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
