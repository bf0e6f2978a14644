#include "dbconfig/ui/UpgradeProgress.h"

#include "app/base/DiagnosticLog.h"
#include "dbconfig/ui/CopyDatabaseDlg.h"
#include "scan/CScanInfo.h"

namespace dbconfig::ui {

UpgradeProgress::~UpgradeProgress() {
    delete m_window;
}

void UpgradeProgress::Started(const std::string&, bool showProgress) {
    delete m_window;
    m_window = nullptr;
    if (!showProgress) {
        return;
    }
    try {
        m_window = new CopyDatabaseDlg(m_owner);
        m_window->SetUpgradeMode();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in UpgradeProgress\n");
    }
}

void UpgradeProgress::Range(int steps) {
    if (m_window != nullptr) {
        m_window->SetRange(steps);
    }
}

void UpgradeProgress::Step() {
    if (m_window != nullptr) {
        m_window->StepIt();
    }
}

void UpgradeProgress::Status(const std::string& text) {
    if (m_window != nullptr) {
        // The text comes after the range: the bar keeps its range and position.
        m_window->ShowStatus(text);
    }
}

void UpgradeProgress::Problem(const scan::ScanProblem& problem) {
    app::WriteLogLine(scan::DescribeScanProblem(problem));
}

void UpgradeProgress::Finished(const scan::ScanSummary&) {
    delete m_window;
    m_window = nullptr;
}

UpgradeProgressScope::UpgradeProgressScope(scan::CScanInfo& scanInfo, QWidget* owner)
    : m_scanInfo(scanInfo), m_previous(&scanInfo.Sink()), m_progress(owner) {
    m_scanInfo.SetSink(&m_progress);
}

UpgradeProgressScope::~UpgradeProgressScope() {
    m_scanInfo.SetSink(m_previous);
}

} // namespace dbconfig::ui
