#include "app/ui/MainWindow.h"

#include "app/CTallyvol32Dlg.h"
#include "app/RecentDirectories.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "app/base/Settings.h"
#include "app/ui/BrandResources.h"
#include "app/ui/CAboutDlg.h"
#include "app/ui/CSplashWnd.h"
#include "app/ui/CStaticLink.h"
#include "app/ui/DrawButton.h"
#include "app/ui/ExcludeFilterDlg.h"
#include "app/ui/GrowthChartPanel.h"
#include "app/ui/ModalRunner.h"
#include "app/ui/QtUserInterface.h"
#include "app/ui/TopGrowthDlg.h"
#include "app/ui/WindowFont.h"
#include "app/ui/WindowHooks.h"
#include "brand/Brand.h"
#include "dbconfig/ui/UpgradeProgress.h"
#include "platform/shell/PendingOpen.h"
#include "platform/system/StringPrintf.h"
#include "platform/system/SystemInfo.h"
#include "platform/ui/IUserInterface.h"
#include "reports/ui/DirExploreDlg.h"
#include "scan/fs/StoredPath.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>

#include <algorithm>

namespace app::ui {

namespace ui = platform::ui;

namespace {

using Flag = ResizeLayout::Flag;
constexpr int kFixed = Flag::kKeepNear | Flag::kKeepSize; // 3
constexpr int kFilterMode = 3;

// The view box's entries in list order, and the view each one stands for.
const char* const kViewNames[] = {"Directory Sizes", "File Extension Counts", "File Extension Sizes"};
constexpr int kViewOfEntry[] = {0, 2, 1};
const char* const kSortNames[] = {"Sort by Name", "Sort by Size/Extension Count",
                                  "Sort by Change in Size/Extension Count"};
constexpr int kSortOfEntry[] = {kSortByName, kSortBySize, kSortByChange};

int entryOf(const int* values, int count, int value) {
    for (int i = 0; i < count; ++i) {
        if (values[i] == value) {
            return i;
        }
    }
    return 0;
}

} // namespace

MainWindow::MainWindow(CTallyvol32Dlg& dialog, QWidget* parent)
    : TemplateDialog(kTemplate, parent), m_dialog(dialog), m_directory(Control<QComboBox>(kDirectory)),
      m_view(Control<QComboBox>(kView)), m_sort(Control<QComboBox>(kSort)),
      m_symlinkCheck(Control<QCheckBox>(kSymlinkCheck)), m_viewFiles(Control<QCheckBox>(kViewFiles)),
      m_freeSpace(Control<QLabel>(kFreeSpace)), m_clusterSize(Control<QLabel>(kClusterSize)),
      m_clusterLabel(Control<QLabel>(kClusterLabel)), m_filter(Control<DrawButton>(kFilter)),
      m_grid(Control<grid::CGrid>(kGrid)), m_chart(new GrowthChartPanel(this)),
      m_showChart(FindControl<QCheckBox>(kGrowthChart)) {
    m_timer1.setSingleShot(true);
    m_timer1.setInterval(kTimer1Milliseconds);
    m_timer2.setSingleShot(true);
    m_timer2.setInterval(kTimer2Milliseconds);
    connect(&m_timer1, &QTimer::timeout, this, &MainWindow::ManagePath);
    connect(&m_timer2, &QTimer::timeout, this, &MainWindow::ManagePath);
    m_chart->hide();
    OnInitDialog();
}

MainWindow::~MainWindow() {
    if (!m_destroyed) {
        OnDestroy();
    }
}

void MainWindow::OnInitDialog() {
    try {
        TV_DEBUG_LOG("CTallyvol32Dlg::OnInitDialog");
        m_grid->SetOwner(this);

        auto* link = Control<CStaticLink>(kSymlinkLink);
        if (*SymbolicLinkDetectionLink != '\0') {
            link->SetLink(QString::fromUtf8(SymbolicLinkDetectionLink));
        } else {
            link->hide();
        }
        auto* banner = Control<QLabel>(kBanner);
        banner->setPixmap(BrandPixmap(BRAND_RT_BITMAP, kBannerBitmap));
        platform::system::ProgramVersion version = platform::system::GetProgramVersion();
        auto* bannerText = Control<QLabel>(kBannerText);
        bannerText->setText(QStringLiteral("Version %1.%2 (Build %3)").arg(version.major).arg(version.minor).arg(version.build));
        QPalette bannerPalette = bannerText->palette();
        bannerPalette.setColor(QPalette::WindowText, Qt::white);
        bannerText->setPalette(bannerPalette);

        ApplyFont(*this);
        m_layout.SetInitialSize(size());
        registerLayout();
        // Down to this size the scaled controls stay clear of the fixed ones beside them.
        setMinimumSize(size().width() * 15 / 16, size().height() * 3 / 4);
        fillChoiceBoxes();
        m_dialog.m_save = 1;
        CSplashWnd::ShowSplashScreen(this);

        // No window manager here has a system menu: the about item is on the banner's menu.
        if (!BrandString(kAboutMenuString).isEmpty()) {
            banner->setContextMenuPolicy(Qt::CustomContextMenu);
            bannerText->setContextMenuPolicy(Qt::CustomContextMenu);
            auto showMenu = [this, banner](const QPoint& position) {
                QMenu menu(this);
                menu.addAction(BrandString(kAboutMenuString), this, &MainWindow::OnAbout);
                menu.exec(banner->mapToGlobal(position));
            };
            connect(banner, &QWidget::customContextMenuRequested, this, showMenu);
            connect(bannerText, &QWidget::customContextMenuRequested, this, showMenu);
        }
        QPixmap icon = BrandPixmap(BRAND_RT_GROUP_ICON, kMainIcon);
        if (!icon.isNull()) {
            setWindowIcon(QIcon(icon));
        }
        m_grid->SetNameColumnWidth(CTallyvol32Dlg::StoredNameColumnWidth());
        QTimer::singleShot(0, this, [this] { applyLayout(); });
        setWindowTitle(QString::fromStdString(m_dialog.WindowTitle()));

        {
            dbconfig::ui::UpgradeProgressScope upgradeProgress(m_dialog.m_scanInfo, this);
            m_dialog.OpenDatabaseForWindow();
        }
        if (ProgramEndRequested()) {
            return; // the user declined to go on: the window is not shown and the program ends
        }
        m_dialog.DeleteExpiredScans();
        FillRecentDirectories();
        if (m_dialog.m_checkForUpdates != 0 && WindowHooks::Instance().startUpdateCheck) {
            WindowHooks::Instance().startUpdateCheck(*this, m_dialog);
        }

        connect(m_directory, &QComboBox::editTextChanged, this, [this] { m_timer2.start(); });
        connect(m_directory, &QComboBox::activated, this, [this] { m_timer1.start(); });
        connect(m_directory->lineEdit(), &QLineEdit::returnPressed, this, [this] {
            m_timer2.stop();
            m_timer1.start();
        });
        connect(Control<QAbstractButton>(kBrowse), &QAbstractButton::clicked, this, &MainWindow::OnBrowse);
        connect(Control<QAbstractButton>(kScan), &QAbstractButton::clicked, this, &MainWindow::OnScan);
        connect(m_view, &QComboBox::currentIndexChanged, this, &MainWindow::OnViewChange);
        connect(m_sort, &QComboBox::currentIndexChanged, this, &MainWindow::OnSortChange);
        connect(m_viewFiles, &QCheckBox::toggled, this, &MainWindow::OnViewFiles);
        connect(m_filter, &QAbstractButton::clicked, this, &MainWindow::OnFilter);
        connect(Control<QAbstractButton>(kHelp), &QAbstractButton::clicked, this, &MainWindow::OnHelp);
        connect(Control<QAbstractButton>(kReports), &QAbstractButton::clicked, this, &MainWindow::OnReports);
        connect(Control<QAbstractButton>(kExport), &QAbstractButton::clicked, this, &MainWindow::OnPrint);
        connect(Control<QAbstractButton>(kPrefs), &QAbstractButton::clicked, this, &MainWindow::OnPreference);
        connect(Control<QAbstractButton>(kAlerts), &QAbstractButton::clicked, this, &MainWindow::OnAlerts);
        connect(Control<QAbstractButton>(kExit), &QAbstractButton::clicked, this, &QWidget::close);
        connectGrowthChart();
        // Enter in the directory box loads the directory; it presses no button.
        for (QPushButton* button : findChildren<QPushButton*>()) {
            button->setAutoDefault(false);
            button->setDefault(false);
        }

        pushControls();
        m_directory->setFocus();
        if (m_dialog.m_databaseConnected) {
            m_directory->lineEdit()->selectAll();
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnInitDialog\n");
    }
}

void MainWindow::registerLayout() {
    for (int id : {kScan, kReports, kExport, kPrefs, kAlerts, kHelp, kExit, kDirectory, kBrowse, kView, kSort,
                   kSortLabel, kDirectoryLabel, kViewFiles, kGrowthChart}) {
        m_layout.Add(FindControl<QWidget>(id), 0, kFixed);
    }
    m_layout.Add(m_grid, 0, Flag::kKeepNear);
    for (int id : {kBanner, kBannerText}) {
        m_layout.Add(FindControl<QWidget>(id), Flag::kKeepSize, kFixed);
    }
    for (int id : {kFreeSpaceLabel, kFreeSpace, kClusterLabel, kClusterSize, kDisplayLabel, kFilter, kSymlinkCheck,
                   kSymlinkLink, kTopGrowth}) {
        m_layout.Add(FindControl<QWidget>(id), kFixed, kFixed);
    }
}

void MainWindow::fillChoiceBoxes() {
    QSignalBlocker viewBlocker(m_view);
    QSignalBlocker sortBlocker(m_sort);
    m_view->clear();
    for (const char* name : kViewNames) {
        m_view->addItem(QString::fromUtf8(name));
    }
    m_view->setCurrentIndex(0);
    m_sort->clear();
    for (const char* name : kSortNames) {
        m_sort->addItem(QString::fromUtf8(name));
    }
}

void MainWindow::readControls() {
    m_dialog.m_directory = m_directory->currentText().toStdString();
    m_dialog.m_symlinkCheck = m_symlinkCheck->isChecked() ? 1 : 0;
    m_dialog.m_view = kViewOfEntry[std::clamp(m_view->currentIndex(), 0, 2)];
    m_dialog.m_sortMethod = kSortOfEntry[std::clamp(m_sort->currentIndex(), 0, 2)];
}

void MainWindow::pushControls() {
    {
        QSignalBlocker blocker(m_directory);
        if (m_directory->currentText().toStdString() != m_dialog.m_directory) {
            m_directory->setEditText(QString::fromStdString(m_dialog.m_directory));
        }
    }
    m_symlinkCheck->setChecked(m_dialog.m_symlinkCheck != 0);
    {
        QSignalBlocker viewBlocker(m_view);
        QSignalBlocker sortBlocker(m_sort);
        m_view->setCurrentIndex(entryOf(kViewOfEntry, 3, m_dialog.m_view));
        m_sort->setCurrentIndex(entryOf(kSortOfEntry, 3, m_dialog.m_sortMethod));
    }
    {
        QSignalBlocker blocker(m_viewFiles);
        m_viewFiles->setChecked(m_explorer != nullptr);
    }
    pushStatistics();
}

void MainWindow::pushStatistics() {
    m_freeSpace->setText(QString::fromStdString(m_dialog.m_freeSpaceText));
    m_clusterSize->setText(QString::fromStdString(m_dialog.m_clusterSizeText));
    m_clusterLabel->setText(QString::fromStdString(m_dialog.m_clusterLabelText));
}

void MainWindow::FillRecentDirectories() {
    QStringList entries;
    for (const std::string& entry : RecentDirectories()) {
        entries.append(QString::fromStdString(entry));
    }
    entries.sort(); // the box keeps its list sorted
    QSignalBlocker blocker(m_directory);
    QString text = m_directory->currentText();
    m_directory->clear();
    m_directory->addItems(entries);
    m_directory->setEditText(text);
}

void MainWindow::showEvent(QShowEvent* event) {
    TemplateDialog::showEvent(event);
    if (m_shown) {
        return;
    }
    m_shown = true;
    try {
        pushControls();
        m_timer1.start();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnShowWindow\n");
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    TemplateDialog::resizeEvent(event);
    applyLayout();
}

void MainWindow::changeEvent(QEvent* event) {
    TemplateDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        applyLayout();
    }
}

void MainWindow::applyLayout() {
    m_layout.Apply(size());
    // Before the rules are registered (a font applied while the window is made) nothing moves.
    if (!m_chart->isHidden() && m_layout.InitialSize().isValid()) {
        m_chart->TakeLowerPartOf(*m_grid);
    }
}

void MainWindow::connectGrowthChart() {
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, m_chart,
            [this](const QModelIndex& current) { m_chart->ShowRow(current.isValid() ? current.row() : -1); });
    connect(m_chart, &GrowthChartPanel::ScanChosen, m_grid, &grid::CGrid::SelectScanColumn);
    if (auto* topGrowth = FindControl<QAbstractButton>(kTopGrowth)) {
        connect(topGrowth, &QAbstractButton::clicked, this, &MainWindow::OnTopGrowth);
    }
    if (m_showChart == nullptr) {
        return; // a brand without the check box: no chart
    }
    bool shown = GetSetting(settings::ShowGrowthChart) != 0;
    {
        QSignalBlocker blocker(m_showChart);
        m_showChart->setChecked(shown);
    }
    m_chart->setVisible(shown);
    connect(m_showChart, &QCheckBox::toggled, this, &MainWindow::OnGrowthChart);
}

void MainWindow::ManagePath() {
    // The scan dispatches events while it runs; loading then would work under its feet.
    if (m_scanning) {
        return;
    }
    try {
        m_timer1.stop();
        m_timer2.stop();
        readControls();
        std::string typed = m_dialog.m_directory;
        bool loaded = m_dialog.ManagePath();
        // A slash the user just typed stays: the next component is on its way.
        bool changed = typed != m_dialog.m_directory && typed != m_dialog.m_directory + "/";
        if (changed) {
            QSignalBlocker blocker(m_directory);
            m_directory->setEditText(QString::fromStdString(m_dialog.m_directory));
        }
        if (loaded) {
            ++m_loads;
            FillGrid();
        }
        pushStatistics();
        if (m_explorer) {
            m_explorer->Navigate(QString::fromStdString(m_dialog.m_loadedDirectory));
        }
        if (changed) {
            ui::UI().DispatchPendingMessages();
            m_directory->lineEdit()->end(false);
        }
        updateFilterButton();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in ManagePath\n");
    }
}

void MainWindow::updateFilterButton() {
    if (m_dialog.m_databaseConnected) {
        m_filter->SetColorMode(m_dialog.DirectoryHasFilters() ? kFilterMode : 0);
    }
}

void MainWindow::FillGrid() {
    ui::WaitCursor wait;
    m_grid->SetContent(m_dialog.m_displayData, m_dialog.CurrentGridOptions());
    m_chart->SetContent(m_dialog.m_displayData, m_grid->Model().Plan());
}

void MainWindow::UpdateStats() {
    m_dialog.UpdateStats();
    pushStatistics();
}

void MainWindow::OnScan() {
    if (m_scanning) {
        return;
    }
    try {
        readControls();
        m_timer1.stop();
        m_timer2.stop();
        m_scanning = true;
        m_dialog.OnScan();
        m_scanning = false;
        FillRecentDirectories();
        pushControls();
        UpdateStats();
        FillGrid();
    } catch (...) {
        m_scanning = false;
        TV_DEBUG_LOG("** Exception in OnScan\n");
    }
    if (m_closeAfterScan) {
        close();
    }
}

void MainWindow::OnBack() {
    try {
        m_dialog.OnBack();
        m_timer1.start();
        pushControls();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnBack\n");
    }
}

void MainWindow::OnDlgClickGrid(const QString& rowName) {
    try {
        readControls();
        std::string name = rowName.toStdString();
        if (CTallyvol32Dlg::IsSummaryRowName(name)) {
            return;
        }
        TV_DEBUG_LOG("OnDlgClickGrid scandir=%s gridDir=%s", m_dialog.m_directory.c_str(), name.c_str());
        m_dialog.m_directory = m_dialog.DirectoryBelowLoaded(name);
        pushControls();
        if (m_dialog.m_scanOnClick != 0) {
            OnScan();
        } else {
            m_timer1.start();
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnDblClickGrid\n");
    }
}

void MainWindow::OnDeleteColumn(int column) {
    try {
        QString header = m_grid->Model().ColumnHeader(column);
        std::uint32_t scanID = m_grid->Model().ScanIDOfColumn(column);
        if (header.isEmpty() || scanID == 0) {
            return;
        }
        std::string question = platform::system::StringPrintf(
            "Are you sure you want to delete the data from %s (including this scan in sub-directories?)",
            header.toUtf8().constData());
        if (ui::UI().MessageBox(question, "Confirm Column Delete", ui::MB_YESNO | ui::MB_DEFBUTTON2) != ui::IDYES) {
            return;
        }
        m_dialog.DeleteScanColumn(scanID);
        FillGrid();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnDeleteColumn\n");
    }
}

void MainWindow::OnViewChange(int index) {
    try {
        m_dialog.ChangeView(kViewOfEntry[std::clamp(index, 0, 2)]);
        FillGrid();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnViewChange\n");
    }
}

void MainWindow::OnSortChange(int index) {
    try {
        m_dialog.m_sortMethod = kSortOfEntry[std::clamp(index, 0, 2)];
        FillGrid();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnSortChange\n");
    }
}

void MainWindow::OnViewFiles(bool checked) {
    try {
        if (!checked) {
            delete m_explorer.data();
            return;
        }
        QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
        QRect workArea = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
        QSize frame = frameGeometry().size() - size();
        move(workArea.topLeft());
        resize(std::max(1, workArea.width() / 3 * 2 - frame.width()), std::max(1, workArea.height() - frame.height()));
        m_explorer = new reports::ui::DirExploreDlg(this);
        m_explorer->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_explorer, &QObject::destroyed, this, [this] {
            QSignalBlocker blocker(m_viewFiles);
            m_viewFiles->setChecked(false);
        });
        m_explorer->Open(workArea);
        ManagePath();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnViewFiles\n");
    }
}

void MainWindow::OnGrowthChart(bool checked) {
    try {
        SetSetting(settings::ShowGrowthChart, checked ? 1 : 0);
        m_chart->setVisible(checked);
        applyLayout();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnGrowthChart\n");
    }
}

void MainWindow::OnTopGrowth() {
    if (m_scanning) {
        return;
    }
    try {
        // A directory typed a moment ago is loaded first: the list is of what the grid shows.
        if (m_timer1.isActive() || m_timer2.isActive()) {
            ManagePath();
        }
        if (!m_dialog.m_databaseConnected) {
            return;
        }
        const std::string& loaded = m_dialog.m_loadedDirectory.empty() ? m_dialog.m_directory : m_dialog.m_loadedDirectory;
        std::optional<std::string> chosen = TopGrowthDlg::Choose(m_dialog.m_scanInfo, loaded, m_dialog.m_units, this);
        if (!chosen) {
            return;
        }
        m_dialog.m_directory = *chosen;
        pushControls();
        ManagePath();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnTopGrowth\n");
    }
}

void MainWindow::OnBrowse() {
    try {
        readControls();
        QFileDialog chooser(this, QStringLiteral("Enter the path to scan"), QString::fromStdString(m_dialog.m_directory));
        chooser.setFileMode(QFileDialog::Directory);
        chooser.setOption(QFileDialog::ShowDirsOnly);
        if (RunModal(chooser) != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
            return;
        }
        m_dialog.m_directory = chooser.selectedFiles().first().toStdString();
        pushControls();
        ManagePath();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnBrowse\n");
    }
}

void MainWindow::OnFilter() {
    try {
        readControls();
        if (!m_dialog.m_databaseConnected) {
            return;
        }
        ExcludeFilterDlg filters(m_dialog.m_scanInfo, scan::NormalizePath(m_dialog.m_directory), this);
        filters.Exec();
        updateFilterButton();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnFilter\n");
    }
}

void MainWindow::OnHelp() {
    try {
        // Nobody waits for the browser; its opener is reaped when it ends.
        platform::shell::PendingOpen opener(CTallyvol32Dlg::HelpFilePath());
        if (std::optional<platform::shell::OpenResult> result = opener.Poll();
            result && result->status != platform::shell::OpenStatus::kOpened) {
            TV_DEBUG_LOG("Opening the help failed: %s (%d)", result->detail.c_str(), result->code);
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnHelp\n");
    }
}

void MainWindow::runHook(const char* handler, const std::function<void(QWidget&, CTallyvol32Dlg&)>& hook) {
    try {
        readControls();
        if (hook) {
            hook(*this, m_dialog);
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in %s\n", handler);
    }
}

void MainWindow::OnReports() {
    runHook("ExcelReportDlg", WindowHooks::Instance().reports);
}

void MainWindow::OnPrint() {
    runHook("OnPrint", WindowHooks::Instance().exportReport);
}

void MainWindow::OnPreference() {
    const WindowHooks::MainWindowHook& hook = WindowHooks::Instance().preferences;
    if (!hook) {
        return;
    }
    runHook("OnPreference", hook);
    try {
        m_dialog.ReopenDatabase();
        UpdateStats();
        FillGrid();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnPreference\n");
    }
}

void MainWindow::OnAlerts() {
    runHook("OnAlerts", WindowHooks::Instance().alerts);
}

void MainWindow::OnAbout() {
    CAboutDlg::Show(this);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    // Escape would end the program's only window: it does nothing here.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    TemplateDialog::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_scanning) {
        // The scan stops at its next check and keeps what it committed; the window closes then.
        m_closeAfterScan = true;
        if (QtUserInterface* installed = QtUserInterface::Installed()) {
            installed->CancelProgressWithoutAsking();
        }
        event->ignore();
        return;
    }
    TemplateDialog::closeEvent(event);
}

void MainWindow::OnOK() {
    done(QDialog::Accepted);
}

// Reached through the close button (QDialog turns a close into a rejection).
void MainWindow::OnCancel() {
    done(QDialog::Rejected);
}

void MainWindow::done(int result) {
    if (m_scanning) {
        close();
        return;
    }
    if (!m_destroyed) {
        OnDestroy();
    }
    TemplateDialog::done(result);
}

void MainWindow::OnDestroy() {
    m_destroyed = true;
    try {
        readControls();
        m_dialog.SaveDisplaySettings(m_grid->NameColumnWidth());
        delete m_explorer.data();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnDestroy\n");
    }
}

} // namespace app::ui
