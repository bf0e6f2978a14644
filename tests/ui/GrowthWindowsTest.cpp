// The growth chart under the grid and the Top Growth list, over a real store of a tree grown by
// known amounts between three scans dated ten days apart: the chart draws the values the grid
// holds, oldest first, in each view; a click on a point selects its scan's column; the chart's
// check box is remembered; the list orders the changes of the tree as they were made, and a
// double-click on one loads that directory in the main window.
#include "app/CTallyvol32Dlg.h"
#include "app/base/Settings.h"
#include "app/ui/GrowthChartPanel.h"
#include "app/ui/MainWindow.h"
#include "app/ui/TopGrowthDlg.h"
#include "app/view/GridContent.h"
#include "tests/ui/support/SampleStore.h"
#include "tests/ui/support/UiTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

#include <ctime>
#include <memory>

using app::ui::GrowthChartPanel;
using app::ui::MainWindow;
using app::ui::TopGrowthDlg;
using uitest::ControlOf;

namespace {

constexpr std::uint64_t kK = 1024;

struct TreeFile {
    const char* path;
    std::uint64_t bytes;
};

// The tree in each of its three scans (a file of size 0 is removed with its directory). A file
// counts its whole 4 K blocks and one more; directories add nothing of their own.
const std::vector<TreeFile> kStates[] = {
    {{"a/one.dat", 100 * kK}, {"b/photos/two.txt", 200 * kK}, {"d/four.dat", 80 * kK}, {"e/five.txt", 60 * kK}},
    {{"a/one.dat", 400 * kK}, {"b/photos/two.txt", 250 * kK}},
    {{"b/photos/two.txt", 350 * kK}, {"c/three.txt", 48 * kK}, {"d/four.dat", 40 * kK}, {"e/five.txt", 0}},
};
const char* const kScanDates[] = {"2026-03-01 12:00:00", "2026-03-11 12:00:00", "2026-03-21 12:00:00"};

struct Fixture {
    uitest::UiTestEnvironment env;
    std::string tree = env.Env().Root() + "/tree";
    app::CTallyvol32Dlg dialog;
    std::unique_ptr<MainWindow> window;

    Fixture() {
        env.Env().Set("TZ", "UTC");
        ::tzset();
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

    // Scans the tree in each of its states and dates the scans ten days apart.
    void ScanThreeStates() {
        std::vector<int> scans;
        for (const auto& state : kStates) {
            for (const TreeFile& file : state) {
                std::string path = tree + "/" + file.path;
                if (file.bytes == 0) {
                    testsupport::RemoveTree(path.substr(0, path.rfind('/')));
                } else {
                    testsupport::WriteSizedFile(path, file.bytes);
                }
            }
            uitest::ShowDirectory(*window, tree);
            window->OnScan();
            scans.push_back(static_cast<int>(dialog.m_displayData.scans.front().scanID));
        }
        for (std::size_t i = 0; i < scans.size(); ++i) {
            uitest::SetScanDate(*window, scans[i], kScanDates[i]);
        }
        dialog.m_loadedDirID = 0;
        uitest::ShowDirectory(*window, tree);
    }

    GrowthChartPanel& Chart() { return window->GrowthChart(); }
    QCheckBox& ChartBox() { return *ControlOf<QCheckBox>(*window, MainWindow::kGrowthChart); }
    grid::GridModel& Model() { return window->Grid().Model(); }

    int GridRow(const QString& name) {
        for (int row = 0; row < Model().rowCount(); ++row) {
            if (Model().CellText(row, 0) == name) {
                return row;
            }
        }
        return -1;
    }

    // Clicks the row's name cell, as a user picks a row.
    void ClickRow(int row) {
        grid::CGrid& grid = window->Grid();
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(Model().index(row, 0)).center());
    }

    // The loaded values of the row named `name` (as the grid shows names), oldest scan first.
    std::vector<std::uint64_t> LoadedValues(const std::string& name) {
        const scan::DisplayData& data = dialog.m_displayData;
        std::vector<std::uint64_t> values;
        for (const scan::DisplayRow& row : data.rows) {
            if (app::RowDisplayName(row.name) != name) {
                continue;
            }
            for (auto scan = data.scans.rbegin(); scan != data.scans.rend(); ++scan) {
                if (std::optional<std::uint64_t> value = data.Value(row.id, scan->scanID)) {
                    values.push_back(*value);
                }
            }
        }
        return values;
    }

    // Every row's value added up per scan, oldest first.
    std::vector<std::uint64_t> LoadedTotals() {
        const scan::DisplayData& data = dialog.m_displayData;
        std::vector<std::uint64_t> totals;
        for (auto scan = data.scans.rbegin(); scan != data.scans.rend(); ++scan) {
            std::uint64_t total = 0;
            for (const scan::DisplayRow& row : data.rows) {
                total += data.Value(row.id, scan->scanID).value_or(0);
            }
            totals.push_back(total);
        }
        return totals;
    }
};

std::vector<std::uint64_t> valuesOf(const std::vector<GrowthChartPanel::ChartPoint>& points) {
    std::vector<std::uint64_t> values;
    for (const GrowthChartPanel::ChartPoint& point : points) {
        values.push_back(point.value);
    }
    return values;
}

// The drawn points are the values in the unit, left to right.
void checkDrawn(const GrowthChartPanel& chart, bool total, const std::vector<std::uint64_t>& values, double divisor) {
    QList<QPointF> drawn = chart.DrawnPoints(total);
    QCOMPARE(drawn.size(), static_cast<qsizetype>(values.size()));
    for (qsizetype i = 0; i < drawn.size(); ++i) {
        QCOMPARE(drawn[i].y(), static_cast<double>(values[static_cast<std::size_t>(i)]) / divisor);
        if (i > 0) {
            QVERIFY(drawn[i].x() > drawn[i - 1].x());
        }
    }
}

} // namespace

class GrowthWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void theChartDrawsTheCurrentRowOverEveryScan_data();
    void theChartDrawsTheCurrentRowOverEveryScan();
    void clickingAPointSelectsItsScanColumn();
    void theChartIsRememberedAndSharesTheGridsPlace();
    void topGrowthListsTheChangesAndLoadsTheOneDoubleClicked_data();
    void topGrowthListsTheChangesAndLoadsTheOneDoubleClicked();
    void topGrowthTellsWhyThereIsNoList();
};

void GrowthWindowsTest::theChartDrawsTheCurrentRowOverEveryScan_data() {
    QTest::addColumn<int>("viewEntry"); // the view box's entry
    QTest::addColumn<QString>("row");
    QTest::addColumn<double>("divisor"); // the window's units: K, or counts
    QTest::addColumn<bool>("totalLine");
    QTest::newRow("directory sizes") << 0 << "b" << 1024.0 << true;
    QTest::newRow("a directory gone from the newest scan") << 0 << "e" << 1024.0 << true;
    QTest::newRow("extension counts") << 1 << ".TXT" << 1.0 << false;
    QTest::newRow("extension sizes") << 2 << ".DAT" << 1024.0 << false;
}

void GrowthWindowsTest::theChartDrawsTheCurrentRowOverEveryScan() {
    QFETCH(int, viewEntry);
    QFETCH(QString, row);
    QFETCH(double, divisor);
    QFETCH(bool, totalLine);
    Fixture f;
    f.ChartBox().setChecked(true);
    f.ScanThreeStates();
    ControlOf<QComboBox>(*f.window, MainWindow::kView)->setCurrentIndex(viewEntry);
    // Nothing chosen yet: the directory view draws its total alone.
    QCOMPARE(f.Chart().ShownRow(), -1);
    QVERIFY(f.Chart().RowPoints().empty());
    QCOMPARE(f.Chart().TotalPoints().size(), totalLine ? std::size_t{3} : std::size_t{0});

    int gridRow = f.GridRow(row);
    QVERIFY2(gridRow >= 0, qPrintable(row));
    f.ClickRow(gridRow);
    QCOMPARE(f.Chart().ShownRow(), gridRow);
    std::vector<std::uint64_t> expected = f.LoadedValues(row.toStdString());
    QVERIFY(!expected.empty());
    QCOMPARE(valuesOf(f.Chart().RowPoints()), expected);
    checkDrawn(f.Chart(), false, expected, divisor);
    QCOMPARE(f.Chart().Divisor(), divisor);
    if (totalLine) {
        std::vector<std::uint64_t> totals = f.LoadedTotals();
        QCOMPARE(valuesOf(f.Chart().TotalPoints()), totals);
        checkDrawn(f.Chart(), true, totals, divisor);
        // The grid's totals row says the same.
        QCOMPARE(f.Model().CellText(f.Model().rowCount() - 1, 1),
                 QStringLiteral("%1 K").arg(totals.back() / kK));
    } else {
        QVERIFY(f.Chart().TotalPoints().empty());
    }
    // The hover text names the scan as the grid's column header does, and the value as its cell.
    const GrowthChartPanel::ChartPoint& newest = f.Chart().RowPoints().back();
    QString text = f.Chart().PointText(f.Chart().RowPoints().size() - 1, false);
    QCOMPARE(text, QStringLiteral("%1\n%2\n%3")
                       .arg(row, f.Model().ColumnHeader(newest.column), f.Model().CellText(gridRow, newest.column)));
    QVERIFY(!f.Model().CellText(gridRow, newest.column).isEmpty());
}

void GrowthWindowsTest::clickingAPointSelectsItsScanColumn() {
    Fixture f;
    f.ChartBox().setChecked(true);
    f.ScanThreeStates();
    int gridRow = f.GridRow(QStringLiteral("b"));
    f.ClickRow(gridRow);
    QVERIFY(uitest::WaitFor([&] { return f.Chart().isVisible(); }));
    QItemSelectionModel& selection = *f.window->Grid().selectionModel();
    struct Click {
        std::size_t point;
        bool total;
        int column; // the grid column of the point's scan: 3 the oldest
    };
    for (const Click& click : {Click{0, false, 3}, Click{2, false, 1}, Click{1, true, 2}}) {
        QPoint position = f.Chart().PointPosition(click.point, click.total);
        QVERIFY(f.Chart().Viewport()->rect().contains(position));
        QTest::mouseClick(f.Chart().Viewport(), Qt::LeftButton, {}, position);
        QVERIFY2(selection.isColumnSelected(click.column, QModelIndex()), qPrintable(QString::number(click.column)));
        QCOMPARE(selection.selectedIndexes().size(), f.Model().rowCount());
        // The chart still shows the row.
        QCOMPARE(selection.currentIndex().row(), gridRow);
        QCOMPARE(f.Chart().ShownRow(), gridRow);
    }
}

void GrowthWindowsTest::theChartIsRememberedAndSharesTheGridsPlace() {
    Fixture f;
    f.ScanThreeStates();
    QVERIFY(!f.ChartBox().isChecked());
    QVERIFY(!f.Chart().isVisible());
    QRect full = f.window->Grid().geometry();
    f.ChartBox().setChecked(true);
    QCOMPARE(app::GetSetting(app::settings::ShowGrowthChart), 1);
    QVERIFY(f.Chart().isVisible());
    // The chart takes the lower part of the grid's place, at every size down to the smallest.
    QSize sizes[] = {f.window->size(), f.window->minimumSize(), f.window->size() * 3 / 2};
    for (QSize size : sizes) {
        f.window->resize(size);
        QRect grid = f.window->Grid().geometry();
        QRect chart = f.Chart().geometry();
        QVERIFY(chart.top() > grid.bottom());
        QVERIFY(grid.height() >= 80);
        QCOMPARE(chart.left(), grid.left());
        QCOMPARE(chart.width(), grid.width());
        QVERIFY(chart.bottom() < f.window->height());
    }
    f.window->resize(sizes[0]);
    QVERIFY(!f.Chart().TotalPoints().empty());

    f.Close();
    f.dialog.m_loadedDirID = 0; // a new start loads the directory afresh
    f.Open();
    QVERIFY(f.ChartBox().isChecked());
    QVERIFY(uitest::WaitFor([&] { return f.Chart().isVisible() && !f.Chart().TotalPoints().empty(); }));
    f.ChartBox().setChecked(false);
    QCOMPARE(app::GetSetting(app::settings::ShowGrowthChart), 0);
    QVERIFY(!f.Chart().isVisible());
    QCOMPARE(f.window->Grid().geometry(), full);
    f.Close();
    f.Open();
    QVERIFY(!f.ChartBox().isChecked());
}

void GrowthWindowsTest::topGrowthListsTheChangesAndLoadsTheOneDoubleClicked_data() {
    QTest::addColumn<int>("days"); // 0: the two newest scans
    QTest::addColumn<QStringList>("directories");
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<QStringList>("oldSizes");
    QTest::addColumn<QStringList>("lastNewSize"); // the new size of the last one listed
    QTest::addColumn<QStringList>("percents");
    QTest::addColumn<QStringList>("perDay");
    // Largest growth first; equal changes by path.
    QTest::newRow("the two newest scans")
        << 0 << QStringList{"/b", "/b/photos", "/c", "", "/d", "/e"}
        << QStringList{"+100 K", "+100 K", "+52 K", "+48 K", "-40 K", "-64 K"}
        << QStringList{"252 K", "252 K", "new", "804 K", "84 K", "64 K"} << QStringList{"deleted"}
        << QStringList{"+39.7%", "+39.7%", "new", "+6.0%", "-47.6%", "-100.0%"}
        << QStringList{"+10 K", "+10 K", "+5 K", "+4 K", "-4 K", "-6 K"};
    QTest::newRow("at least 15 days older")
        << 15 << QStringList{"", "/a", "/b", "/b/photos", "/c", "/d", "/e"}
        << QStringList{"+396 K", "+300 K", "+148 K", "+148 K", "+52 K", "-40 K", "-64 K"}
        << QStringList{"456 K", "104 K", "204 K", "204 K", "new", "84 K", "64 K"} << QStringList{"deleted"}
        << QStringList{"+86.8%", "+288.5%", "+72.5%", "+72.5%", "new", "-47.6%", "-100.0%"}
        << QStringList{"+19 K", "+15 K", "+7 K", "+7 K", "+2 K", "-2 K", "-3 K"};
}

void GrowthWindowsTest::topGrowthListsTheChangesAndLoadsTheOneDoubleClicked() {
    QFETCH(int, days);
    QFETCH(QStringList, directories);
    QFETCH(QStringList, changes);
    QFETCH(QStringList, oldSizes);
    QFETCH(QStringList, lastNewSize);
    QFETCH(QStringList, percents);
    QFETCH(QStringList, perDay);
    Fixture f;
    f.ScanThreeStates();
    QString tree = QString::fromStdString(f.tree);
    uitest::DialogScript script;
    QStringList listed;
    auto checkList = [&](QDialog& dialog) {
        auto* list = ControlOf<QTreeWidget>(dialog, TopGrowthDlg::kList);
        QVERIFY(uitest::WaitFor([&] { return list->topLevelItemCount() > 0 && list->isEnabled(); }));
        if (days > 0) {
            ControlOf<QSpinBox>(dialog, TopGrowthDlg::kDays)->setValue(days);
            QVERIFY(ControlOf<QRadioButton>(dialog, TopGrowthDlg::kDaysOlder)->isChecked());
            QTest::mouseClick(ControlOf<QAbstractButton>(dialog, TopGrowthDlg::kShow), Qt::LeftButton);
            QVERIFY(uitest::WaitFor([&] { return list->isEnabled(); }));
        }
        QCOMPARE(list->topLevelItemCount(), directories.size());
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = list->topLevelItem(i);
            listed.append(item->text(TopGrowthDlg::kPathColumn));
            QCOMPARE(item->text(TopGrowthDlg::kPathColumn), tree + directories[i]);
            QCOMPARE(item->text(TopGrowthDlg::kChangeColumn), changes[i]);
            QCOMPARE(item->text(TopGrowthDlg::kOldColumn), oldSizes[i]);
            QCOMPARE(item->text(TopGrowthDlg::kPercentColumn), percents[i]);
            QCOMPARE(item->text(TopGrowthDlg::kPerDayColumn), perDay[i]);
        }
        QCOMPARE(list->topLevelItem(list->topLevelItemCount() - 1)->text(TopGrowthDlg::kNewColumn), lastNewSize.front());
        QVERIFY(ControlOf<QLabel>(dialog, TopGrowthDlg::kScans)->text().contains(days > 0 ? "(20.0 days apart)" : "(10.0 days apart)"));
        QTreeWidgetItem* b = list->topLevelItem(directories.indexOf("/b"));
        QRect place = list->visualItemRect(b);
        // A double-click is a click followed by the second press.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, place.center());
        QVERIFY(!dialog.isVisible());
    };
    script.Then([&](QDialog& dialog) {
        checkList(dialog);
        if (dialog.isVisible()) {
            dialog.reject(); // a failed check must not leave the window open
        }
    });
    QTest::mouseClick(ControlOf<QAbstractButton>(*f.window, MainWindow::kTopGrowth), Qt::LeftButton);
    QVERIFY(script.Done());
    QCOMPARE(script.Unexpected(), 0);
    QCOMPARE(listed.size(), directories.size());
    // The double-clicked directory is loaded in the grid, as if typed.
    QCOMPARE(f.dialog.m_loadedDirectory, f.tree + "/b");
    QCOMPARE(ControlOf<QComboBox>(*f.window, MainWindow::kDirectory)->currentText(), tree + "/b");
    QVERIFY(f.dialog.m_loadedDirID > 0);
    QCOMPARE(f.Model().CellText(0, 0), QStringLiteral("photos"));
    QCOMPARE(f.Model().columnCount(), 4); // b is in all three scans
}

void GrowthWindowsTest::topGrowthTellsWhyThereIsNoList() {
    Fixture f;
    testsupport::WriteSizedFile(f.tree + "/a/one.dat", 4 * kK);
    uitest::ShowDirectory(*f.window, f.tree);
    f.window->OnScan();
    uitest::DialogScript script;
    int listed = -1;
    script.Then([&](QDialog& dialog) {
        uitest::WaitFor([&] { return script.Seen().size() == 2; });
        listed = ControlOf<QTreeWidget>(dialog, TopGrowthDlg::kList)->topLevelItemCount();
        dialog.reject();
    });
    script.ThenPress(QMessageBox::Ok);
    QTest::mouseClick(ControlOf<QAbstractButton>(*f.window, MainWindow::kTopGrowth), Qt::LeftButton);
    QVERIFY(script.Done());
    QCOMPARE(listed, 0);
    QCOMPARE(script.Seen().at(1).objectName, QStringLiteral("QMessageBox"));
    QCOMPARE(script.Seen().at(1).title, QStringLiteral("Top Growth"));
    QCOMPARE(script.Seen().at(1).text,
             QString::fromStdString("only one stored scan holds " + f.tree +
                                    ": the growth report needs two scans of the same directory tree"));
    QCOMPARE(f.dialog.m_loadedDirectory, f.tree);
}

QTEST_MAIN(GrowthWindowsTest)
#include "GrowthWindowsTest.moc"
