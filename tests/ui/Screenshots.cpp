// tallyvol_ui_screenshots OUTPUT-DIRECTORY
//
// Renders every window of the program, filled from a realistic store (a home-like tree
// scanned three times, a week apart), to PNG files: the main window in the directory and
// extension views, the progress window in the middle of a scan, the about box, the splash
// screen, the stop-scan warning, the missing-directory question, the exclusion filters, the
// export and spreadsheet report dialogs and the directory explorer, the preferences with the
// cluster-size overrides, the update check's bar, the problem report, the alert list, the alert
// editor, the notification profile editor, the Schedule dialog and the database wizard's pages;
// also the main window at its smallest size, with the growth chart of a tree scanned monthly
// for a year, and the Top Growth list; and the workbook the spreadsheet report dialog
// writes of that store. Exits non-zero when a window could not be rendered.
#include "alerts/AlertTaskText.h"
#include "alerts/Notification.h"
#include "alerts/ui/windows/CAlertDlg.h"
#include "alerts/ui/windows/CreateAlertDlg.h"
#include "alerts/ui/windows/NotificationType.h"
#include "alerts/ui/windows/ScheduleDlg.h"
#include "app/CTallyvol32Dlg.h"
#include "app/base/Settings.h"
#include "app/FixedClusterSizes.h"
#include "app/UpdateCheck.h"
#include "app/base/ErrorReport.h"
#include "app/base/SmartWarning.h"
#include "app/ui/CAboutDlg.h"
#include "app/ui/CPreferencesDlg.h"
#include "app/ui/CSplashWnd.h"
#include "app/ui/CheckingForUpdatesDlg.h"
#include "app/ui/ErrorDlg.h"
#include "app/ui/ExcludeFilterDlg.h"
#include "app/ui/MainWindow.h"
#include "app/ui/ProgressWindow.h"
#include "app/ui/TopGrowthDlg.h"
#include "reports/DirNotExist.h"
#include "reports/ui/DirExploreDlg.h"
#include "brand/Brand.h"
#include "tests/support/FakeCrontab.h"
#include "tests/ui/DatabaseWindowsScreenshots.h"
#include "reports/ui/ExcelReportDlg.h"
#include "reports/ui/ExportDlg.h"
#include "tests/ui/support/SampleStore.h"
#include "tests/ui/support/StandInCronDaemon.h"
#include "tests/ui/support/UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QFile>
#include <QProgressBar>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

namespace {

int g_failures = 0;
QString g_output;

void save(QWidget& widget, const char* name) {
    QString path = g_output + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    QPixmap image = widget.grab();
    if (image.isNull() || !image.save(path, "PNG")) {
        std::fprintf(stderr, "could not render %s\n", name);
        ++g_failures;
        return;
    }
    std::printf("%s (%dx%d)\n", qPrintable(path), image.width(), image.height());
}

// An answer that photographs the window, then closes it with the button.
uitest::DialogScript::Answer photograph(const char* name, int button) {
    return [name, button](QDialog& dialog) {
        save(dialog, name);
        if (auto* control = uitest::ControlOf<QAbstractButton>(dialog, button)) {
            control->click();
        } else {
            dialog.reject();
        }
    };
}

int saveProfile(const char* description, int type, const char* str1 = "", const char* str2 = "") {
    alerts::Notification profile;
    profile.Description = description;
    profile.Type = type;
    profile.Str1 = str1;
    profile.Str2 = str2;
    profile.Save();
    return profile.PID;
}

std::string saveAlert(platform::taskscheduler::TaskScheduler& scheduler, const alerts::AlertDefinition& alert,
                      const std::vector<platform::taskscheduler::CronTrigger>& triggers) {
    std::string comment = alerts::AlertComment(alert);
    std::string name;
    scheduler.CreateAlertTask(TALLYVOLTASKCREATOR, alerts::AlertTaskName(comment), "/usr/bin/tallyvol",
                              alerts::AlertParameters(alert), comment, &name, triggers);
    return name;
}

// The alert windows over a stand-in crontab holding three alerts, one of them not scheduled.
void photographAlertWindows(QWidget& window, const std::string& tree) {
    namespace ts = platform::taskscheduler;
    testsupport::FakeCrontab crontab;
    uitest::StandInCronDaemon cron;
    int operators = saveProfile("Operators", alerts::kMessageBox);
    int mail = saveProfile("Mail the storage team", alerts::kEMail, "storage@example.org|tallyvol@example.org",
                           "mail.example.org");
    saveProfile("Night pager", alerts::kPage, "4711", "pager.example.org");
    ts::TaskScheduler scheduler;
    alerts::AlertDefinition growth{alerts::kAlertGrowthSize, tree, "500000", true, true, {operators, mail}};
    std::string growthTask = saveAlert(scheduler, growth,
                                       {*ts::CronTrigger::Weekly(0x3E, 6, 30), ts::CronTrigger::AtStartup()});
    saveAlert(scheduler, {alerts::kAlertFreePercent, "/srv/share", "5", false, false, {mail}}, {});
    saveAlert(scheduler, {alerts::kAlertMaxSize, "/srv/share/project3", "20000000", false, true, {operators}},
              {*ts::CronTrigger::Daily(2, 0)});

    auto shoot = [](QWidget& dialog, const char* name) {
        dialog.show();
        uitest::WaitFor([] { return false; }, 100);
        save(dialog, name);
        dialog.close();
    };
    alerts::ui::CAlertDlg list(tree, &window, [] { return std::vector<std::string>{}; });
    shoot(list, "alert_list");
    alerts::ui::CreateAlertDlg editor(growthTask, {}, tree, &window);
    shoot(editor, "alert_editor");
    alerts::ui::NotificationType profile(mail, &window);
    shoot(profile, "notification_profile");
    ts::AlertTask task;
    scheduler.ReadAlertTask(growthTask, &task);
    alerts::ui::ScheduleDlg schedule(scheduler, task, &window);
    shoot(schedule, "schedule");
}

// The growth chart under the grid for a tree scanned monthly for a year, with its largest
// folder chosen, and the Top Growth list of that tree over the last three months.
void photographGrowthWindows(app::ui::MainWindow& window, const std::string& tree) {
    uitest::MakeSampleTree(tree);
    uitest::ScanSampleTreeMonthly(window, tree, 12);
    uitest::ControlOf<QCheckBox>(window, app::ui::MainWindow::kGrowthChart)->setChecked(true);
    grid::CGrid& grid = window.Grid();
    for (int row = 0; row < grid.Model().rowCount(); ++row) {
        if (grid.Model().CellText(row, 0) == QLatin1String("Backups")) {
            grid.setCurrentIndex(grid.Model().index(row, 0));
        }
    }
    uitest::WaitFor([] { return false; }, 200);
    save(window, "main_growth_chart");
    QSize full = window.size();
    window.resize(window.minimumSize());
    uitest::WaitFor([] { return false; }, 100);
    save(window, "main_growth_chart_smallest");
    window.resize(full);

    uitest::DialogScript script;
    script.Then([](QDialog& dialog) {
        auto* list = uitest::ControlOf<QTreeWidget>(dialog, app::ui::TopGrowthDlg::kList);
        uitest::WaitFor([list] { return list->topLevelItemCount() > 0; });
        uitest::ControlOf<QSpinBox>(dialog, app::ui::TopGrowthDlg::kDays)->setValue(90);
        uitest::ControlOf<QAbstractButton>(dialog, app::ui::TopGrowthDlg::kShow)->click();
        uitest::WaitFor([list] { return list->isEnabled() && list->topLevelItemCount() > 0; });
        uitest::WaitFor([] { return false; }, 100);
        save(dialog, "top_growth");
        dialog.reject();
    });
    window.OnTopGrowth();
    if (!script.Done()) {
        std::fputs("the Top Growth list did not open\n", stderr);
        ++g_failures;
    }
    uitest::ControlOf<QCheckBox>(window, app::ui::MainWindow::kGrowthChart)->setChecked(false);
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fputs("usage: tallyvol_ui_screenshots OUTPUT-DIRECTORY\n", stderr);
        return 2;
    }
    g_output = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_output);

    uitest::UiTestEnvironment env;
    std::string tree = env.Env().Root() + "/home/alice";
    uitest::MakeSampleTree(tree);
    app::CTallyvol32Dlg dialog;
    dialog.m_directory = tree;
    {
        app::ui::MainWindow window(dialog);
        env.UI().SetMainWindow(&window);
        window.show();
        uitest::WaitFor([] { return false; }, 200);
        uitest::ScanSampleTreeThreeTimes(window, tree);
        window.findChild<QComboBox*>(QStringLiteral("id1161"))->setCurrentIndex(2); // by change
        uitest::WaitFor([] { return false; }, 100);
        save(window, "main_directory_view");

        window.findChild<QComboBox*>(QStringLiteral("id1164"))->setCurrentIndex(2); // extension sizes
        window.findChild<QComboBox*>(QStringLiteral("id1161"))->setCurrentIndex(1);
        uitest::WaitFor([] { return false; }, 100);
        save(window, "main_extension_view");
        window.findChild<QComboBox*>(QStringLiteral("id1164"))->setCurrentIndex(0);
        QSize full = window.size();
        window.resize(window.minimumSize());
        uitest::WaitFor([] { return false; }, 100);
        save(window, "main_smallest");
        window.resize(full);

        // The progress window in the middle of a scan of a larger tree: photographed at the
        // first dispatch of events once the bar has moved.
        std::string share = env.Env().Root() + "/srv/share";
        for (int top = 0; top < 20; ++top) {
            uitest::MakeTree(share + "/project" + std::to_string(top), 100, 1, 6000);
        }
        bool photographed = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            app::ui::ProgressWindow* progress = env.UI().Progress();
            if (photographed || progress == nullptr) {
                return;
            }
            auto* bar = uitest::ControlOf<QProgressBar>(*progress, app::ui::ProgressWindow::kBar);
            if (bar->value() > 0) {
                save(*progress, "progress_mid_scan");
                photographed = true;
            }
        });
        poll.start(5);
        uitest::ShowDirectory(window, share);
        window.OnScan();
        poll.stop();
        uitest::ShowDirectory(window, tree);
        if (!photographed) {
            std::fputs("the progress window was not seen during the scan\n", stderr);
            ++g_failures;
        }

        {
            uitest::DialogScript script;
            script.Then(photograph("exclude_filters", 2));
            app::ui::ExcludeFilterDlg filters(dialog.m_scanInfo, tree, &window);
            filters.findChild<QWidget*>(QStringLiteral("id1232"))->setProperty("plainText", QStringLiteral("/temp/\n/.cache/"));
            filters.Exec();
        }
        {
            uitest::DialogScript script;
            script.Then(photograph("about", 1));
            app::ui::CAboutDlg::Show(&window);
        }
        {
            uitest::DialogScript script;
            script.Then(photograph("stop_scan_warning", 2));
            app::SmartWarning("Are you sure you want to stop the scan?", "CancelScan").DoModal();
            script.Then(photograph("missing_directory_question", 2));
            reports::ConfirmScanOfMissingDirectory(tree + "/gone");
        }
        {
            uitest::DialogScript script;
            app::FixedClusterSizes::ReplaceWithLines({"/srv/share/projects\t4096", "/home/alice/Photos\t65536",
                                                      "/mnt/backup\t131072"});
            script.Then([](QDialog& preferences) {
                save(preferences, "preferences");
                uitest::ControlOf<QAbstractButton>(preferences, app::ui::CPreferencesDlg::kClusterOverrides)->click();
                preferences.reject();
            });
            script.Then(photograph("cluster_sizes", 2));
            app::ui::CPreferencesDlg::Show(window, dialog);
        }
        {
            app::ui::CheckingForUpdatesDlg bar(app::UpdateCheck::CheckingBarFirstLine());
            bar.Open();
            uitest::WaitFor([] { return false; }, 2100); // two steps of the bar
            save(bar, "checking_bar");
        }
        {
            uitest::DialogScript script;
            script.Then([](QDialog& report) {
                uitest::ControlOf<QLineEdit>(report, app::ui::ErrorDlg::kEmail)->setText(QStringLiteral("alice@example.org"));
                save(report, "problem_report");
                report.done(QDialog::Rejected);
            });
            app::ui::ErrorDlg report(app::ErrorText(0, "Processing the Preferences"), app::GetSystemInfoText(), &window);
            report.Exec();
        }
        {
            uitest::DialogScript script;
            script.Then(photograph("export", 2)).Then(photograph("spreadsheet_report", 1));
            reports::ui::ExportDlg exportDialog(dialog.m_displayData, {dialog.m_view, false, dialog.m_sortMethod}, &window);
            exportDialog.Exec();
            // Generate writes the workbook of the sample store; a copy lands beside the pictures.
            std::string documents = env.Env().Root() + "/documents";
            QDir().mkpath(QString::fromStdString(documents + "/Documents"));
            env.Env().Set("HOME", documents);
            uitest::FakeOpener opener;
            reports::ui::ExcelReportDlg reportDialog(dialog.m_displayData, dialog.m_view, dialog.m_displayData.path, &window);
            reportDialog.Exec();
            QString workbook = g_output + QStringLiteral("/spreadsheet_report.xlsx");
            QFile::remove(workbook);
            if (opener.Opened().empty() || !QFile::copy(QString::fromStdString(opener.Opened()), workbook)) {
                std::fputs("the spreadsheet report wrote no workbook\n", stderr);
                ++g_failures;
            } else {
                std::printf("%s\n", qPrintable(workbook));
            }
        }
        {
            reports::ui::DirExploreDlg explorer(&window);
            explorer.Open(QRect(0, 0, 1200, 700));
            explorer.Navigate(QString::fromStdString(tree + "/Photos"));
            uitest::WaitFor([] { return false; }, 600); // the folder models read in the background
            save(explorer, "explorer");
        }
        photographAlertWindows(window, tree);
        photographGrowthWindows(window, env.Env().Root() + "/home/carol");
        app::ui::CSplashWnd::EnableSplashScreen(true);
        if (app::ui::CSplashWnd* splash = app::ui::CSplashWnd::ShowSplashScreen(&window)) {
            save(*splash, "splash");
        } else {
            ++g_failures;
        }
        app::ui::CSplashWnd::EnableSplashScreen(false);
    }
    uitest::SaveDatabaseWindowScreenshots([](QWidget& window, const char* name) { save(window, name); }, env.Env().Root());
    return g_failures == 0 ? 0 : 1;
}
