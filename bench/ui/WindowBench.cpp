// bench_ui_window [--tree DIR] [--rounds N] [--skip-scan] [--home DIR]
//
// The window's speed on this machine, in an isolated home of its own (removed afterwards):
//   1. a directory of 2,000 subdirectories with 100 stored scans: ManagePath (load and fill,
//      then the first paint), a sort change, scrolling (which must not refill the grid), the
//      process's resident memory with that directory shown, and the growth chart's redraw when
//      the current row changes;
//   2. the scan of a large tree (DIR, e.g. one made by gen_tree.py) with the progress window
//      open against the same scan run as the automated run does it, alternating, medians;
//   3. how long Stop takes to end that scan (the stop warning silenced).
// Runs offscreen unless a display is set. --home DIR keeps the home (and its 100 scans) in DIR
// for the next run instead of a temporary one.
#include "app/CTallyvol32App.h"
#include "app/CTallyvol32Dlg.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "app/ui/GrowthChartPanel.h"
#include "app/ui/MainWindow.h"
#include "app/ui/QtUserInterface.h"
#include "brand/Brand.h"
#include "platform/system/Resources.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTimer>

#include <fcntl.h>
#include <time.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Processor time of this thread, in milliseconds: the window's own cost on a shared machine.
double threadMilliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

void writeFile(const std::string& path, std::size_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
            std::perror(path.c_str());
        }
        ::close(fd);
    }
}

void settle() {
    QCoreApplication::processEvents();
}

// 2,000 subdirectories, scanned 100 times the way an automated run does it (no window), with a
// few sizes changed before each scan so the columns differ.
void makeHundredScans(app::CTallyvol32Dlg& dialog, const std::string& root) {
    ::mkdir(root.c_str(), 0755);
    for (int i = 0; i < 2000; ++i) {
        std::string directory = root + "/sub" + std::to_string(i);
        ::mkdir(directory.c_str(), 0755);
        writeFile(directory + "/f.dat", static_cast<std::size_t>(i) * 1000);
    }
    dialog.m_directory = root;
    dialog.m_save = 1;
    dialog.m_saveSubdirs = 1;
    app::AutomatedScanInProgress = true;
    for (int scan = 0; scan < 100; ++scan) {
        for (int i = scan; i < 2000; i += 97) {
            writeFile(root + "/sub" + std::to_string(i) + "/g.dat", static_cast<std::size_t>(scan) * 4096);
        }
        dialog.OnScan();
    }
    app::AutomatedScanInProgress = false;
}

} // namespace

int main(int argc, char** argv) {
    std::string tree;
    int rounds = 5;
    bool scanParts = true;
    std::string keptHome;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--tree" && i + 1 < argc) {
            tree = argv[++i];
        } else if (argument == "--rounds" && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--skip-scan") {
            scanParts = false;
        } else if (argument == "--home" && i + 1 < argc) {
            keptHome = argv[++i];
        } else {
            std::fputs("usage: bench_ui_window [--tree DIR] [--rounds N] [--skip-scan] [--home DIR]\n", stderr);
            return 2;
        }
    }
    if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    char pattern[] = "/tmp/tallyvol-bench-XXXXXX";
    if (keptHome.empty() && ::mkdtemp(pattern) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    std::string home = keptHome.empty() ? std::string(pattern) : keptHome;
    ::mkdir(home.c_str(), 0700);
    ::setenv("TALLYVOL_HOME", (home + "/home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    ::setenv("TALLYVOL_LOCK_DIR", home.c_str(), 1);
    ::mkdir((home + "/home").c_str(), 0700);
    app::SetMachineString(home, "LogDir");

    QApplication application(argc, argv);
    platform::system::SetResourceModule(BrandResources, BrandResourceCount);
    app::InstallStartupServices(); // the store's preparation: a first start sets up the default store
    int status = 0;
    {
        app::ui::QtUserInterface userInterface;
        app::CTallyvol32Dlg dialog;
        dialog.m_directory = home;
        app::ui::MainWindow window(dialog);
        userInterface.SetMainWindow(&window);
        window.show();
        settle();

        // ---- 1. 2,000 subdirectories x 100 scans ----
        std::string wide = home + "/wide";
        QElapsedTimer timer;
        timer.start();
        struct stat existing {};
        if (::stat(wide.c_str(), &existing) != 0) {
            makeHundredScans(dialog, wide);
            std::printf("made 100 scans of 2,000 subdirectories in %.1f s\n", timer.elapsed() / 1000.0);
        }
        auto* box = window.findChild<QComboBox*>(QStringLiteral("id1010"));
        std::vector<double> load, loadPaint, loadProcessor, sort, scroll;
        for (int round = 0; round < rounds; ++round) {
            box->setEditText(QString::fromStdString(home));
            window.ManagePath();
            settle();
            box->setEditText(QString::fromStdString(wide));
            double processor = threadMilliseconds();
            timer.start();
            window.ManagePath();
            load.push_back(timer.nsecsElapsed() / 1e6);
            loadProcessor.push_back(threadMilliseconds() - processor);
            window.Grid().viewport()->repaint();
            loadPaint.push_back(timer.nsecsElapsed() / 1e6);
        }
        if (dialog.m_displayData.scans.size() != 100 || window.Grid().Model().rowCount() != 2001) {
            std::fprintf(stderr, "unexpected grid: %zu scans, %d rows\n", dialog.m_displayData.scans.size(),
                         window.Grid().Model().rowCount());
            status = 1;
        }
        // The two halves of ManagePath on their own.
        std::vector<double> storeLoad, plan;
        for (int round = 0; round < rounds; ++round) {
            scan::DisplayData data;
            timer.start();
            dialog.m_scanInfo.LoadScans(wide, 0, data, 100);
            storeLoad.push_back(timer.nsecsElapsed() / 1e6);
            timer.start();
            app::GridPlan planned = app::PlanGrid(data, dialog.CurrentGridOptions());
            plan.push_back(timer.nsecsElapsed() / 1e6);
        }
        auto* sortBox = window.findChild<QComboBox*>(QStringLiteral("id1161"));
        for (int round = 0; round < 3 * rounds; ++round) {
            timer.start();
            sortBox->setCurrentIndex((sortBox->currentIndex() + 1) % 3);
            window.Grid().viewport()->repaint();
            sort.push_back(timer.nsecsElapsed() / 1e6);
        }
        int resets = window.Grid().Model().ResetCount();
        QScrollBar* vertical = window.Grid().verticalScrollBar();
        QScrollBar* horizontal = window.Grid().horizontalScrollBar();
        for (int step = 0; step < 200; ++step) {
            timer.start();
            vertical->setValue((step * 37) % (vertical->maximum() + 1));
            horizontal->setValue((step * 11) % (horizontal->maximum() + 1));
            window.Grid().viewport()->repaint();
            scroll.push_back(timer.nsecsElapsed() / 1e6);
        }
        long rss = residentKilobytes();
        std::printf("ManagePath (load + fill), median of %d: %.1f ms (%.1f ms of processor time); with the first "
                    "paint %.1f ms (target <= 300 ms)\n",
                    rounds, median(load), median(loadProcessor), median(loadPaint));
        std::printf("  of which LoadScans %.1f ms, the grid's plan %.1f ms\n", median(storeLoad), median(plan));
        std::printf("sort change with repaint, median of %d: %.1f ms (target <= 50 ms)\n", 3 * rounds, median(sort));
        std::printf("scroll step with repaint, median of 200: %.2f ms; table refilled while scrolling: %s\n",
                    median(scroll), window.Grid().Model().ResetCount() == resets ? "no" : "YES");
        std::printf("resident memory with the directory shown: %.1f MB (target < 150 MB)\n", rss / 1024.0);
        if (window.Grid().Model().ResetCount() != resets) {
            status = 1;
        }

        // The growth chart under the grid follows the current row: its new lines and a repaint.
        window.findChild<QCheckBox*>(QStringLiteral("id1400"))->setChecked(true);
        settle();
        std::vector<double> chart;
        bool chartComplete = true;
        for (int round = 0; round < 20 * rounds; ++round) {
            int row = (round * 131) % 2000;
            timer.start();
            window.Grid().setCurrentIndex(window.Grid().Model().index(row, 0));
            window.GrowthChart().Viewport()->repaint();
            chart.push_back(timer.nsecsElapsed() / 1e6);
            chartComplete = chartComplete && window.GrowthChart().ShownRow() == row &&
                            window.GrowthChart().TotalPoints().size() == 100 &&
                            !window.GrowthChart().RowPoints().empty();
        }
        std::printf("growth chart on a row change with repaint, median of %d: %.1f ms, longest %.1f ms (target <= 30 "
                    "ms)%s\n",
                    20 * rounds, median(chart), *std::max_element(chart.begin(), chart.end()),
                    chartComplete ? "" : "; the chart MISSED rows");
        if (!chartComplete) {
            status = 1;
        }
        window.findChild<QCheckBox*>(QStringLiteral("id1400"))->setChecked(false);

        // ---- 2. and 3. the large tree ----
        if (scanParts && !tree.empty()) {
            dialog.m_directory = tree;
            box->setEditText(QString::fromStdString(tree));
            dialog.m_save = 1;
            dialog.m_saveSubdirs = 1;
            app::AutomatedScanInProgress = true;
            dialog.OnScan(); // the first scan prepares the tree; not measured
            app::AutomatedScanInProgress = false;
            std::vector<double> automated, interactive;
            for (int round = 0; round < rounds; ++round) {
                timer.start();
                app::AutomatedScanInProgress = true;
                dialog.OnScan();
                app::AutomatedScanInProgress = false;
                automated.push_back(timer.nsecsElapsed() / 1e6);
                timer.start();
                window.OnScan();
                interactive.push_back(timer.nsecsElapsed() / 1e6);
            }
            std::printf("scan of %s: automated %.0f ms, interactive with the progress window %.0f ms, ratio %.3f "
                        "(target <= 1.1), medians of %d\n",
                        tree.c_str(), median(automated), median(interactive), median(interactive) / median(automated),
                        rounds);

            app::WriteProfileInt("WarningDlg", "CancelScan", 1);
            std::vector<double> stops;
            for (int round = 0; round < rounds; ++round) {
                QElapsedTimer sinceStop;
                QTimer::singleShot(800, [&] {
                    if (app::ui::ProgressWindow* progress = userInterface.Progress()) {
                        sinceStop.start();
                        progress->findChild<QAbstractButton*>(QStringLiteral("id2"))->click();
                    }
                });
                window.OnScan();
                if (sinceStop.isValid()) {
                    stops.push_back(sinceStop.nsecsElapsed() / 1e6);
                }
            }
            if (!stops.empty()) {
                std::printf("Stop to the end of the scan: median %.0f ms, longest %.0f ms (target <= 1000 ms)\n",
                            median(stops), *std::max_element(stops.begin(), stops.end()));
            } else {
                std::printf("Stop: the scan ended before the button was pressed (use a larger tree)\n");
            }
        }
    }
    std::string remove = "rm -rf '" + home + "'";
    if (keptHome.empty() && std::system(remove.c_str()) != 0) {
        std::fprintf(stderr, "could not remove %s\n", home.c_str());
    }
    return status;
}
