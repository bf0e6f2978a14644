/*
 * The window of the store's path upgrade while the main window opens the store: the copy
 * window's layout titled "Upgrade Progress", "Upgrading data in DirNames table..." and a bar
 * over the paths, with nothing to cancel. UpgradeProgressScope makes it the scan engine's sink
 * for the life of the scope (opening the store runs no scan, so only the upgrade reports there)
 * and gives the engine its previous sink back afterwards. GUI thread.
 */
#ifndef TALLYVOL_DBCONFIG_UI_UPGRADEPROGRESS_H
#define TALLYVOL_DBCONFIG_UI_UPGRADEPROGRESS_H

#include "scan/ScanSink.h"

#include <QPointer>

class QWidget;

namespace scan {
class CScanInfo;
}

namespace dbconfig::ui {

class CopyDatabaseDlg;

class UpgradeProgress : public scan::IScanSink {
public:
    explicit UpgradeProgress(QWidget* owner) : m_owner(owner) {}
    ~UpgradeProgress() override;
    UpgradeProgress(const UpgradeProgress&) = delete;
    UpgradeProgress& operator=(const UpgradeProgress&) = delete;

    bool ConfirmMissingRoot(const std::string&) override { return false; }
    void Started(const std::string& root, bool showProgress) override;
    void Range(int steps) override;
    void Step() override;
    void Counts(long, long, const std::string&) override {}
    void Status(const std::string& text) override;
    bool Cancelled() override { return false; }
    void Problem(const scan::ScanProblem& problem) override;
    void Finished(const scan::ScanSummary& summary) override;

    // The window while the upgrade runs, or null.
    CopyDatabaseDlg* Window() const { return m_window; }

private:
    QPointer<QWidget> m_owner;
    CopyDatabaseDlg* m_window = nullptr;
};

class UpgradeProgressScope {
public:
    UpgradeProgressScope(scan::CScanInfo& scanInfo, QWidget* owner);
    ~UpgradeProgressScope();
    UpgradeProgressScope(const UpgradeProgressScope&) = delete;
    UpgradeProgressScope& operator=(const UpgradeProgressScope&) = delete;

private:
    scan::CScanInfo& m_scanInfo;
    scan::IScanSink* m_previous;
    UpgradeProgress m_progress;
};

} // namespace dbconfig::ui

#endif
