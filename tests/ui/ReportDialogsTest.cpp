// The export dialog and the spreadsheet report dialog driven through their controls: the saved
// choices they open with, what Export and Generate write (the report file, the settings, the
// workbook read back by openpyxl), what they refuse and leave untouched, and both dialogs
// reached through the main window's buttons over a real store.
#include "app/CTallyvol32Dlg.h"
#include "app/base/RunState.h"
#include "app/ui/MainWindow.h"
#include "app/ui/NumberField.h"
#include "reports/ExportOptions.h"
#include "reports/SpreadsheetOptions.h"
#include "reports/SpreadsheetTexts.h"
#include "reports/ui/ExcelReportDlg.h"
#include "reports/ui/ExportDlg.h"
#include "reports/ui/ReportWindows.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDirectory.h"
#include "tests/ui/support/UiTestSupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <sys/stat.h>

#include <algorithm>
#include <sstream>

using reports::ui::ExcelReportDlg;
using reports::ui::ExportDlg;
using uitest::ControlOf;
using uitest::DialogScript;

namespace {

constexpr std::uint64_t kK = 1024;
const std::string kDump = std::string(TALLYVOL_SOURCE_DIR) + "/tests/unit/reports/xlsx_dump.py";

scan::ScanDateTime date(int year, int month, int day, int hour, int minute) {
    scan::ScanDateTime value;
    value.state = scan::ScanDateTime::State::kValid;
    value.year = year;
    value.month = month;
    value.day = day;
    value.hour = hour;
    value.minute = minute;
    return value;
}

// Three scans of a share, newest first; four directories whose size order differs from their
// name order, one of them in the newest scan only.
void fillScans(scan::DisplayData& data) {
    data.Clear();
    data.path = "//testhost/srv/share";
    data.dirID = 2;
    data.scans = {{31, date(2024, 1, 19, 15, 4)}, {22, date(2024, 1, 12, 9, 30)}, {7, date(2024, 1, 5, 8, 0)}};
    const std::string root = data.path + "/";
    data.rows = {{3, root + "Archive"}, {5, root + "Music"}, {8, root + "New"}, {9, root + "Photos"}};
    std::uint64_t values[][3] = {{100 * kK, 100 * kK, 100 * kK}, {2048 * kK, 1024 * kK, 512 * kK},
                                 {0, 0, 0}, {4 * kK, 3 * kK, 1 * kK}};
    for (std::size_t row = 0; row < 4; ++row) {
        for (std::size_t scan = 0; scan < 3; ++scan) {
            if (data.rows[row].id != 8 || scan == 0) {
                data.SetValue(data.rows[row].id, data.scans[scan].scanID, values[row][scan]);
            }
        }
    }
}

template <typename T> T& control(QWidget& dialog, int id) {
    T* found = ControlOf<T>(dialog, id);
    if (found == nullptr) {
        qFatal("control %d missing", id);
    }
    return *found;
}

void click(QWidget& dialog, int id) {
    control<QAbstractButton>(dialog, id).click();
}

void type(QWidget& dialog, int id, const QString& text) {
    control<QLineEdit>(dialog, id).setText(text);
}

struct Fixture {
    uitest::UiTestEnvironment env;
    testsupport::TempDirectory temp;
    scan::DisplayData data;

    Fixture() {
        app::SetUseSystemTimeFormatFlag(false);
        fillScans(data);
    }
    std::string Hive() {
        std::string hive = env.Env().MachineHive();
        return testsupport::FileExists(hive) ? testsupport::ReadFile(hive) : "";
    }
    // A stand-in lp first on PATH keeps a copy of the file it was given.
    std::string InstallLp() {
        std::string bin = temp / "bin";
        testsupport::WriteFile(bin + "/lp", "#!/bin/sh\nfor f; do :; done\ncp \"$f\" '" + (temp / "printed") + "'\n");
        ::chmod((bin + "/lp").c_str(), 0755);
        env.Env().Set("PATH", bin + ":/usr/bin:/bin");
        return temp / "printed";
    }
    // What openpyxl reads in the workbook, one fact a line (see xlsx_dump.py).
    QStringList Dump(const std::string& path) {
        testsupport::ProcessResult result = testsupport::RunProcess("/usr/bin/python3", {kDump, path});
        if (result.exitCode != 0) {
            qWarning("%s", result.err.c_str());
        }
        return QString::fromStdString(result.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

reports::ExportOptions someOptions() {
    reports::ExportOptions options;
    options.Format = 0;
    options.Destination = 1;
    options.Path = "/srv/reports/kept.html";
    options.Precision = 3;
    options.ShowUnits = true;
    options.Columns = 7;
    options.Rows = 9;
    options.ReverseOrder = true;
    options.IncludeTotals = true;
    return options;
}

bool sameOptions(const reports::ExportOptions& a, const reports::ExportOptions& b) {
    return a.Format == b.Format && a.Destination == b.Destination && a.Path == b.Path && a.Precision == b.Precision &&
           a.ShowUnits == b.ShowUnits && a.Columns == b.Columns && a.Rows == b.Rows &&
           a.ReverseOrder == b.ReverseOrder && a.IncludeTotals == b.IncludeTotals;
}

QStringList startColumns(QWidget& dialog, int id) {
    QStringList entries;
    auto& box = control<QComboBox>(dialog, id);
    for (int i = 0; i < box.count(); ++i) {
        entries.append(box.itemText(i));
    }
    return entries;
}

} // namespace

class ReportDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void exportOpensWithTheSavedChoicesAndTheScansNewestFirst();
    void exportWritesTheChosenReportInTheGridsOrderAndSavesTheChoices();
    void reopeningShowsTheLastExportAlsoWhenItFailed();
    void cancelLeavesTheSettingsAsTheyWere();
    void thePrinterIgnoresThePathAndKeepsIt();
    void withoutScansExportRefusesAndWritesNothing();
    void aNumberFieldWithoutANumberKeepsTheDialogOpen();
    void spreadsheetOpensWithTheSavedChoices();
    void spreadsheetChoicesReachTheWorkbook();
    void spreadsheetRefusalsKeepTheDialogOpen();
    void theMainWindowsButtonsOpenBothDialogs();
};

void ReportDialogsTest::exportOpensWithTheSavedChoicesAndTheScansNewestFirst() {
    Fixture f;
    {
        ExportDlg dialog(f.data, {}, nullptr);
        QCOMPARE(dialog.objectName(), QStringLiteral("dlg177"));
        QVERIFY(dialog.windowTitle().isEmpty());
        QVERIFY(control<QAbstractButton>(dialog, ExportDlg::kFormatHtml + 2).isChecked()); // plain text
        QVERIFY(control<QAbstractButton>(dialog, ExportDlg::kDestPrinter).isChecked());
        QVERIFY(control<QAbstractButton>(dialog, ExportDlg::kPrecisionBytes).isChecked());
        QCOMPARE(control<QLineEdit>(dialog, ExportDlg::kColumns).text(), QStringLiteral("3"));
        QCOMPARE(control<QLineEdit>(dialog, ExportDlg::kRows).text(), QStringLiteral("0"));
        QCOMPARE(control<QLineEdit>(dialog, ExportDlg::kPath).text(), QStringLiteral("/tmp"));
        for (int id : {ExportDlg::kShowUnits, ExportDlg::kReverseOrder, ExportDlg::kIncludeTotals}) {
            QVERIFY(!control<QCheckBox>(dialog, id).isChecked());
        }
        QCOMPARE(startColumns(dialog, ExportDlg::kStartColumn),
                 (QStringList{"Jan 19, 3:04 PM", "Jan 12, 9:30 AM", "Jan 5, 8:00 AM"}));
        QCOMPARE(control<QComboBox>(dialog, ExportDlg::kStartColumn).currentIndex(), 0);
        QCOMPARE(control<QComboBox>(dialog, ExportDlg::kStartColumn).itemData(1).toUInt(), 22u);
    }
    reports::SaveExportOptions(someOptions());
    ExportDlg dialog(f.data, {}, nullptr);
    QVERIFY(control<QAbstractButton>(dialog, ExportDlg::kFormatHtml).isChecked());
    QVERIFY(control<QAbstractButton>(dialog, ExportDlg::kDestPrinter + 1).isChecked());
    QVERIFY(control<QAbstractButton>(dialog, ExportDlg::kPrecisionBytes + 3).isChecked());
    QCOMPARE(control<QLineEdit>(dialog, ExportDlg::kColumns).text(), QStringLiteral("7"));
    QCOMPARE(control<QLineEdit>(dialog, ExportDlg::kRows).text(), QStringLiteral("9"));
    QCOMPARE(control<QLineEdit>(dialog, ExportDlg::kPath).text(), QStringLiteral("/srv/reports/kept.html"));
    for (int id : {ExportDlg::kShowUnits, ExportDlg::kReverseOrder, ExportDlg::kIncludeTotals}) {
        QVERIFY(control<QCheckBox>(dialog, id).isChecked());
    }
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        texts.append(label->text());
    }
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        texts.append(button->text());
    }
    for (const char* text : {"1. Select output format", "2. Specify columns to export", "3. Specify number of rows to export",
                             "4. Specify export destination", "5. Specify precision and units ", "(Enter 0 for all rows)",
                             "MegaBytes (MB =  1048576 bytes)", "Reverse column order (so most recent is on the right)",
                             "NOTE: If you're looking for the export to Excel functionality, go back and select the Reports button.",
                             "&Export", "&Cancel"}) {
        QVERIFY2(texts.contains(QString::fromUtf8(text)), text);
    }
}

void ReportDialogsTest::exportWritesTheChosenReportInTheGridsOrderAndSavesTheChoices() {
    struct Case {
        const char* name;
        reports::ReportView view;
        const char* rows;
        const char* expected;
    } cases[] = {
        // CSV from the second scan, five columns asked (two remain), two rows, K with units,
        // totals. The grid's order decides which two rows come first.
        {"by name", {0, false, 2}, "2", "Directories,Jan 12 9:30 AM,Jan 5 8:00 AM\r\nArchive,100 K,100 K\r\nMusic,1024 K,512 K\r\n"
                                   "*** Totals ***,1124 K,612 K\r\n"},
        {"by size", {0, false, 1}, "2", "Directories,Jan 12 9:30 AM,Jan 5 8:00 AM\r\nMusic,1024 K,512 K\r\nArchive,100 K,100 K\r\n"
                                   "*** Totals ***,1124 K,612 K\r\n"},
        // A row without values in these scans is written only with blank rows on.
        {"stored order, blank rows", {0, true, 0}, "3", "Directories,Jan 12 9:30 AM,Jan 5 8:00 AM\r\nArchive,100 K,100 K\r\n"
                                                        "Music,1024 K,512 K\r\nNew, , \r\n*** Totals ***,1124 K,612 K\r\n"},
        {"stored order, no blank rows", {0, false, 0}, "3", "Directories,Jan 12 9:30 AM,Jan 5 8:00 AM\r\nArchive,100 K,100 K\r\n"
                                                            "Music,1024 K,512 K\r\nPhotos,3 K,1 K\r\n*** Totals ***,1127 K,613 K\r\n"},
    };
    for (const Case& c : cases) {
        Fixture f;
        std::string path = f.temp / "report one.csv";
        ExportDlg dialog(f.data, c.view, nullptr);
        click(dialog, ExportDlg::kFormatHtml + 1);
        control<QComboBox>(dialog, ExportDlg::kStartColumn).setCurrentIndex(1);
        type(dialog, ExportDlg::kColumns, QStringLiteral("5"));
        type(dialog, ExportDlg::kRows, QString::fromLatin1(c.rows));
        click(dialog, ExportDlg::kDestPrinter + 1);
        type(dialog, ExportDlg::kPath, QString::fromStdString(path));
        click(dialog, ExportDlg::kPrecisionBytes + 1);
        click(dialog, ExportDlg::kShowUnits);
        click(dialog, ExportDlg::kIncludeTotals);
        DialogScript script;
        script.ThenPress(QMessageBox::Ok);
        click(dialog, 1);
        QCOMPARE(script.Seen().size(), std::size_t{1});
        QCOMPARE(script.Seen()[0].title, QStringLiteral("Success"));
        QCOMPARE(script.Seen()[0].text, QStringLiteral("Export complete"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(testsupport::ReadFile(path)), QString::fromLatin1(c.expected));
        reports::ExportOptions saved = reports::LoadExportOptions();
        reports::ExportOptions expected{1, 1, path, 1, true, 5, QString::fromLatin1(c.rows).toUInt(), false, true};
        QVERIFY2(sameOptions(saved, expected), c.name);
    }
}

void ReportDialogsTest::reopeningShowsTheLastExportAlsoWhenItFailed() {
    Fixture f;
    std::string path = f.temp / "missing/report.html";
    {
        ExportDlg dialog(f.data, {}, nullptr);
        click(dialog, ExportDlg::kFormatHtml);
        click(dialog, ExportDlg::kDestPrinter + 1);
        type(dialog, ExportDlg::kPath, QString::fromStdString(path));
        type(dialog, ExportDlg::kColumns, QStringLiteral("1"));
        click(dialog, ExportDlg::kPrecisionBytes + 4);
        click(dialog, ExportDlg::kReverseOrder);
        DialogScript script;
        script.ThenPress(QMessageBox::Ok);
        click(dialog, 1);
        QCOMPARE(script.Seen().size(), std::size_t{1});
        QVERIFY2(script.Seen()[0].text.contains(QStringLiteral("Trying to open file for export/print.  Filename is ") +
                                                QString::fromStdString(path)),
                 qPrintable(script.Seen()[0].text));
        QCOMPARE(dialog.result(), int(QDialog::Accepted)); // closed: the failure has been told
        QVERIFY(!testsupport::FileExists(path));
    }
    ExportDlg again(f.data, {}, nullptr);
    QVERIFY(control<QAbstractButton>(again, ExportDlg::kFormatHtml).isChecked());
    QVERIFY(control<QAbstractButton>(again, ExportDlg::kDestPrinter + 1).isChecked());
    QVERIFY(control<QAbstractButton>(again, ExportDlg::kPrecisionBytes + 4).isChecked());
    QCOMPARE(control<QLineEdit>(again, ExportDlg::kPath).text(), QString::fromStdString(path));
    QCOMPARE(control<QLineEdit>(again, ExportDlg::kColumns).text(), QStringLiteral("1"));
    QVERIFY(control<QCheckBox>(again, ExportDlg::kReverseOrder).isChecked());
    QVERIFY(!control<QCheckBox>(again, ExportDlg::kIncludeTotals).isChecked());
}

void ReportDialogsTest::cancelLeavesTheSettingsAsTheyWere() {
    Fixture f;
    reports::SaveExportOptions(someOptions());
    std::string before = f.Hive();
    ExportDlg dialog(f.data, {}, nullptr);
    click(dialog, ExportDlg::kFormatHtml + 2);
    click(dialog, ExportDlg::kDestPrinter);
    type(dialog, ExportDlg::kPath, QStringLiteral("/elsewhere"));
    type(dialog, ExportDlg::kColumns, QStringLiteral("2"));
    click(dialog, ExportDlg::kShowUnits);
    click(dialog, 2);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(f.Hive(), before);
    QVERIFY(sameOptions(reports::LoadExportOptions(), someOptions()));
}

void ReportDialogsTest::thePrinterIgnoresThePathAndKeepsIt() {
    Fixture f;
    std::string printed = f.InstallLp();
    std::string path = f.temp / "not/there/kept.txt";
    ExportDlg dialog(f.data, {0, false, 2}, nullptr);
    click(dialog, ExportDlg::kDestPrinter);
    type(dialog, ExportDlg::kPath, QString::fromStdString(path));
    type(dialog, ExportDlg::kRows, QStringLiteral("1"));
    DialogScript script;
    click(dialog, 1);
    QCOMPARE(script.Seen().size(), std::size_t{0}); // printing says nothing when it went well
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    std::string report = testsupport::ReadFile(printed);
    QVERIFY2(report.find("Directories\tJan 19, 3:04 PM\tJan 12, 9:30 AM\tJan 5, 8:00 AM\r\nArchive\t102400\t102400\t102400\r\n") !=
                 std::string::npos,
             report.c_str());
    QVERIFY(report.find("Music") == std::string::npos);
    QVERIFY(!testsupport::FileExists(path));
    reports::ExportOptions saved = reports::LoadExportOptions();
    QCOMPARE(saved.Destination, 0);
    QCOMPARE(saved.Path, path);
}

void ReportDialogsTest::withoutScansExportRefusesAndWritesNothing() {
    Fixture f;
    reports::ExportOptions options = someOptions();
    options.Path = f.temp / "never.html";
    reports::SaveExportOptions(options);
    std::string before = f.Hive();
    scan::DisplayData nothing;
    ExportDlg dialog(nothing, {}, nullptr);
    QCOMPARE(control<QComboBox>(dialog, ExportDlg::kStartColumn).count(), 0);
    click(dialog, ExportDlg::kIncludeTotals);
    DialogScript script;
    script.ThenPress(QMessageBox::Ok);
    click(dialog, 1);
    QCOMPARE(script.Seen().size(), std::size_t{1});
    QCOMPARE(script.Seen()[0].title, QStringLiteral("Error"));
    QCOMPARE(script.Seen()[0].text, QStringLiteral("Proper start column not selected."));
    QCOMPARE(dialog.result(), int(QDialog::Rejected)); // still open, nothing ended it
    QCOMPARE(f.Hive(), before);
    QVERIFY(!testsupport::FileExists(options.Path));
}

void ReportDialogsTest::aNumberFieldWithoutANumberKeepsTheDialogOpen() {
    Fixture f;
    reports::SaveExportOptions(someOptions());
    std::string before = f.Hive();
    std::string path = f.temp / "after.txt";
    ExportDlg dialog(f.data, {}, nullptr);
    dialog.show();
    type(dialog, ExportDlg::kPath, QString::fromStdString(path));
    click(dialog, ExportDlg::kFormatHtml + 2);
    auto& columns = control<QLineEdit>(dialog, ExportDlg::kColumns);
    auto& rows = control<QLineEdit>(dialog, ExportDlg::kRows);
    // Only digits get in; what ten digits can say beyond 2^32 - 1, or nothing, is refused.
    QTest::keyClicks(&rows, QStringLiteral("-x"));
    QCOMPARE(rows.text(), QStringLiteral("9"));
    for (const QString& text : {QString(), QStringLiteral("4294967296")}) {
        columns.setText(text);
        DialogScript script;
        script.ThenPress(QMessageBox::Ok);
        click(dialog, 1);
        QCOMPARE(script.Seen().size(), std::size_t{1});
        QCOMPARE(script.Seen()[0].text, QString::fromLatin1(app::ui::kUnsignedFieldPrompt));
        QCOMPARE(script.Seen()[0].title, QStringLiteral("Tallyvol"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(columns.selectedText(), text);
        QCOMPARE(f.Hive(), before);
        QVERIFY(!testsupport::FileExists(path));
    }
    columns.setText(QStringLiteral("4294967295"));
    DialogScript script;
    script.ThenPress(QMessageBox::Ok);
    click(dialog, 1);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(reports::LoadExportOptions().Columns, 4294967295u);
    QVERIFY(testsupport::FileExists(path));
}

void ReportDialogsTest::spreadsheetOpensWithTheSavedChoices() {
    Fixture f;
    {
        ExcelReportDlg dialog(f.data, 0, "/", nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Generate Report"));
        QCOMPARE(control<QLabel>(dialog, ExcelReportDlg::kNote).text(), QString::fromUtf8(reports::kSpreadsheetNote));
        QCOMPARE(control<QLineEdit>(dialog, ExcelReportDlg::kNumColumns).text(), QStringLiteral("10"));
        QCOMPARE(control<QLineEdit>(dialog, ExcelReportDlg::kMaxRows).text(), QStringLiteral("20"));
        QVERIFY(control<QAbstractButton>(dialog, ExcelReportDlg::kUseAllData + 1).isChecked());
        QVERIFY(control<QAbstractButton>(dialog, ExcelReportDlg::kPrecisionBytes + 2).isChecked());
        QCOMPARE(startColumns(dialog, ExcelReportDlg::kStartColumn),
                 (QStringList{"Jan 19, 3:04 PM", "Jan 12, 9:30 AM", "Jan 5, 8:00 AM"}));
        QCOMPARE(control<QComboBox>(dialog, ExcelReportDlg::kStartColumn).currentIndex(), 0);
        click(dialog, 2);
    }
    reports::SaveSpreadsheetOptions({4, reports::kSpecifyNumberOfRows, 6, 0});
    ExcelReportDlg dialog(f.data, 0, "/", nullptr);
    QCOMPARE(control<QLineEdit>(dialog, ExcelReportDlg::kNumColumns).text(), QStringLiteral("4"));
    QCOMPARE(control<QLineEdit>(dialog, ExcelReportDlg::kMaxRows).text(), QStringLiteral("6"));
    QVERIFY(control<QAbstractButton>(dialog, ExcelReportDlg::kUseAllData + 2).isChecked());
    QVERIFY(control<QAbstractButton>(dialog, ExcelReportDlg::kPrecisionBytes).isChecked());
}

void ReportDialogsTest::spreadsheetChoicesReachTheWorkbook() {
    struct Case {
        const char* name;
        int view;
        int start;         // entry of the start column
        const char* columns;
        int dataAmount;
        const char* maxRows;
        int precision;
        QStringList present; // lines of the dump
        QStringList absent;  // prefixes that must not occur
    } cases[] = {
        {"second scan, one column, the largest row, K", 0, 1, "1", 2, "1", 1,
         {"sheets\tFullData,TotalsData,CurrentData,CurrentDataPlusFree,Current,CurrentPlusFree,TotalGrowth,DirGrowth",
          "cell\tFullData\tA1\t\"Directory Sizes\"", "cell\tFullData\tB1\t\"Jan 12, 9:30 AM\"",
          "cell\tFullData\tA2\t\"Music\"", "cell\tFullData\tB2\t1024", "cell\tFullData\tA3\t\"All Others\"",
          "cell\tFullData\tB3\t103", "cell\tTotalsData\tA2\t\"Total\"", "cell\tTotalsData\tB2\t1127",
          "chart\tDirGrowth\tline\t\"Space Used Under //testhost/srv/share in K\"\tbold=1"},
         {"cell\tFullData\tC", "cell\tFullData\tA4"}},
        {"newest scan, every column, all rows, bytes", 0, 0, "10", 0, "20", 0,
         {"cell\tFullData\tB1\t\"Jan 5, 8:00 AM\"", "cell\tFullData\tD1\t\"Jan 19, 3:04 PM\"",
          "cell\tFullData\tA2\t\"Music\"", "cell\tFullData\tD2\t2097152", "cell\tFullData\tB2\t524288",
          "cell\tFullData\tA3\t\"Archive\"", "cell\tFullData\tA4\t\"Photos\"", "cell\tFullData\tA5\t\"New\"",
          "cell\tFullData\tD5\t0", "chart\tCurrent\tpie\t\"Space Used Under //testhost/srv/share in byte\"\tbold=1"},
         {"cell\tFullData\tE", "cell\tFullData\tB5", "cell\tFullData\tA6"}},
        {"grouping small numbers, MB, extension counts stay counts", 2, 0, "2", 1, "20", 2,
         {"sheets\tFullData,CurrentData,CurrentFileCounts,FileCounts", "cell\tFullData\tA1\t\"File Type Counts\"",
          "cell\tFullData\tB1\t\"Jan 12, 9:30 AM\"", "cell\tFullData\tC2\t2097152", "cell\tFullData\tA3\t\"All Others\"",
          "chart\tFileCounts\tline\t\"File Type Counts Under //testhost/srv/share\"\tbold=1"},
         {"cell\tFullData\tD", "cell\tFullData\tA4"}},
    };
    for (const Case& c : cases) {
        Fixture f;
        std::string documents = f.temp / "home/Documents";
        testsupport::MakeDirectories(documents);
        f.env.Env().Set("HOME", f.temp / "home");
        uitest::FakeOpener opener;
        ExcelReportDlg dialog(f.data, c.view, f.temp.Path(), nullptr);
        control<QComboBox>(dialog, ExcelReportDlg::kStartColumn).setCurrentIndex(c.start);
        type(dialog, ExcelReportDlg::kNumColumns, QString::fromLatin1(c.columns));
        click(dialog, ExcelReportDlg::kUseAllData + c.dataAmount);
        type(dialog, ExcelReportDlg::kMaxRows, QString::fromLatin1(c.maxRows));
        click(dialog, ExcelReportDlg::kPrecisionBytes + c.precision);
        DialogScript script;
        click(dialog, 1);
        QVERIFY2(script.Seen().empty(), c.name);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_result.outcome, reports::SpreadsheetOutcome::kShown);
        QCOMPARE(opener.Opened(), dialog.m_result.path);
        QVERIFY2(dialog.m_result.path.rfind(documents + "/share 20", 0) == 0, dialog.m_result.path.c_str());
        QStringList dump = f.Dump(dialog.m_result.path);
        for (const QString& line : c.present) {
            QVERIFY2(dump.contains(line), qPrintable(QString::fromLatin1(c.name) + ": missing " + line));
        }
        for (const QString& prefix : c.absent) {
            QVERIFY2(std::none_of(dump.begin(), dump.end(), [&](const QString& line) { return line.startsWith(prefix); }),
                     qPrintable(QString::fromLatin1(c.name) + ": unexpected " + prefix));
        }
        reports::SpreadsheetOptions saved = reports::LoadSpreadsheetOptions();
        QCOMPARE(saved.NumColumns, QString::fromLatin1(c.columns).toUInt());
        QCOMPARE(saved.DataAmount, c.dataAmount);
        QCOMPARE(saved.MaxRows, QString::fromLatin1(c.maxRows).toUInt());
        QCOMPARE(saved.Precision, c.precision);
    }
}

void ReportDialogsTest::spreadsheetRefusalsKeepTheDialogOpen() {
    Fixture f;
    f.env.Env().Set("HOME", f.temp / "home");
    testsupport::MakeDirectories(f.temp / "home/Documents");
    uitest::FakeOpener opener(3);
    std::string before = f.Hive();
    {
        ExcelReportDlg dialog(f.data, 0, "/", nullptr);
        dialog.show();
        DialogScript script;
        script.ThenPress(QMessageBox::Ok).ThenPress(QMessageBox::Ok);
        type(dialog, ExcelReportDlg::kNumColumns, QStringLiteral("0"));
        click(dialog, 1);
        type(dialog, ExcelReportDlg::kNumColumns, QStringLiteral("2"));
        type(dialog, ExcelReportDlg::kMaxRows, QString());
        click(dialog, 1);
        QCOMPARE(script.Seen().size(), std::size_t{2});
        QCOMPARE(script.Seen()[0].title, QString::fromLatin1(reports::kNoColumnsCaption));
        QCOMPARE(script.Seen()[0].text, QString::fromLatin1(reports::kNoColumnsText));
        QCOMPARE(script.Seen()[1].text, QString::fromLatin1(app::ui::kUnsignedFieldPrompt));
        QVERIFY(dialog.isVisible());
        QCOMPARE(reports::LoadSpreadsheetOptions().NumColumns, 10u); // refused choices are not saved
        QVERIFY(QDir(QString::fromStdString(f.temp / "home/Documents")).isEmpty());

        // A workbook that no program shows is still written, and the dialog closes.
        type(dialog, ExcelReportDlg::kMaxRows, QStringLiteral("5"));
        script.ThenPress(QMessageBox::Ok);
        click(dialog, 1);
        QCOMPARE(script.Seen().size(), std::size_t{3});
        QCOMPARE(script.Seen()[2].title, QString::fromLatin1(reports::kCannotOpenCaption));
        QVERIFY(script.Seen()[2].text.contains(QString::fromStdString(dialog.m_result.path)));
        QCOMPARE(dialog.m_result.outcome, reports::SpreadsheetOutcome::kNotShown);
        QVERIFY(testsupport::FileExists(dialog.m_result.path));
        QVERIFY(!dialog.isVisible());
    }
    scan::DisplayData nothing;
    ExcelReportDlg empty(nothing, 0, "/", nullptr);
    empty.show();
    DialogScript script;
    script.ThenPress(QMessageBox::Ok);
    click(empty, 1);
    QCOMPARE(script.Seen().size(), std::size_t{1});
    QCOMPARE(script.Seen()[0].text, QStringLiteral("Proper start column not selected."));
    QVERIFY(empty.isVisible());
}

void ReportDialogsTest::theMainWindowsButtonsOpenBothDialogs() {
    Fixture f;
    std::string tree = f.temp / "tree";
    testsupport::WriteSizedFile(tree + "/alpha/one.txt", 40 * kK);
    testsupport::WriteSizedFile(tree + "/Beta/two.txt", 4 * kK);
    testsupport::MakeDirectories(f.temp / "home/Documents");
    f.env.Env().Set("HOME", f.temp / "home");
    reports::ui::InstallReportWindows();
    app::CTallyvol32Dlg main;
    main.m_directory = tree;
    app::ui::MainWindow window(main);
    f.env.UI().SetMainWindow(&window);
    window.show();
    QTest::mouseClick(ControlOf<QAbstractButton>(window, app::ui::MainWindow::kScan), Qt::LeftButton);
    ControlOf<QComboBox>(window, app::ui::MainWindow::kSort)->setCurrentIndex(1); // by size
    QCOMPARE(main.m_displayData.scans.size(), std::size_t{1});

    std::string path = f.temp / "from window.txt";
    DialogScript script;
    script.Then([&](QDialog& dialog) {
        type(dialog, ExportDlg::kColumns, QStringLiteral("1"));
        click(dialog, ExportDlg::kDestPrinter + 1);
        type(dialog, ExportDlg::kPath, QString::fromStdString(path));
        click(dialog, 1);
    });
    script.ThenPress(QMessageBox::Ok);
    QTest::mouseClick(ControlOf<QAbstractButton>(window, app::ui::MainWindow::kExport), Qt::LeftButton);
    QCOMPARE(script.Seen().at(0).objectName, QStringLiteral("dlg177"));
    QCOMPARE(script.Seen().at(1).text, QStringLiteral("Export complete"));
    std::string report = testsupport::ReadFile(path);
    std::size_t alpha = report.find("\r\nalpha\t");
    QVERIFY2(alpha != std::string::npos && alpha < report.find("\r\nBeta\t"), report.c_str()); // the grid's order

    uitest::FakeOpener opener;
    script.ThenClick(1);
    QTest::mouseClick(ControlOf<QAbstractButton>(window, app::ui::MainWindow::kReports), Qt::LeftButton);
    QCOMPARE(script.Seen().at(2).objectName, QStringLiteral("dlg181"));
    QCOMPARE(script.Seen().size(), std::size_t{3});
    QVERIFY(!opener.Opened().empty());
    QStringList dump = f.Dump(opener.Opened());
    QVERIFY(dump.contains(QStringLiteral("cell\tFullData\tA2\t\"alpha\"")));
    QVERIFY(dump.contains(QStringLiteral("chart\tCurrent\tpie\t\"Space Used Under ") +
                          QString::fromStdString(main.m_displayData.path) + QStringLiteral(" in MB\"\tbold=1")));
    QCOMPARE(script.Unexpected(), 0);
}

QTEST_MAIN(ReportDialogsTest)
#include "ReportDialogsTest.moc"
