#include "app/ProgressDlg.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "platform/ui/IUserInterface.h"
#include "reports/DirNotExist.h"

#include <chrono>
#include <cstdio>

namespace app {

namespace {

constexpr std::int64_t kThrottleMs = 1000;
constexpr int kTitleStringId = 109;
CProgressDlg* g_current = nullptr;

std::int64_t steadyNow() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

CProgressDlg::CProgressDlg(Clock clock) : m_clock(clock ? std::move(clock) : Clock(steadyNow)) {}

CProgressDlg::~CProgressDlg() {
    Destroy();
}

CProgressDlg* CProgressDlg::Current() {
    return g_current;
}

void CProgressDlg::ShowStatusInCurrent(const std::string& text) {
    if (g_current != nullptr) {
        g_current->SetStatusText(text);
    }
}

bool CProgressDlg::due(std::int64_t& last) {
    std::int64_t now = m_clock();
    if (now - last < kThrottleMs) {
        return false;
    }
    last = now;
    return true;
}

bool CProgressDlg::Create() {
    m_open = platform::ui::UI().ProgressOpen(kTitleStringId);
    if (m_open) {
        platform::ui::UI().ProgressSetRange(m_low, m_high);
        platform::ui::UI().ProgressSetPosition(m_position);
        g_current = this;
    }
    return m_open;
}

void CProgressDlg::SetRange(int high) {
    m_low = 0;
    m_high = high;
    if (m_open) {
        platform::ui::UI().ProgressSetRange(m_low, m_high);
    }
}

void CProgressDlg::Step() {
    if (!m_open) {
        return;
    }
    if (due(m_lastStepDispatch)) {
        platform::ui::UI().DispatchPendingMessages();
    }
    m_position += m_step;
    platform::ui::UI().ProgressSetPosition(m_position);
}

void CProgressDlg::SetCurrentDirectory(const std::string& path) {
    m_currentDirectory = path;
    if (!m_open) {
        return;
    }
    platform::ui::UI().ProgressShowCurrentDirectory(path);
    platform::ui::UI().DispatchPendingMessages();
}

void CProgressDlg::UpdateCounts(long directories, long files, const std::string& text) {
    if (!m_open || !due(m_lastCountsUpdate)) {
        return;
    }
    char dirs[32];
    char fileCount[32];
    std::snprintf(dirs, sizeof dirs, "%ld", directories);
    std::snprintf(fileCount, sizeof fileCount, "%ld", files);
    platform::ui::UI().ProgressShowCounts(dirs, fileCount, text, m_currentDirectory);
    platform::ui::UI().DispatchPendingMessages();
}

void CProgressDlg::SetStatusText(const std::string& text) {
    if (!m_open) {
        return;
    }
    platform::ui::UI().ProgressShowText(text);
    platform::ui::UI().DispatchPendingMessages();
}

bool CProgressDlg::Cancelled() {
    if (!m_open) {
        return m_cancel;
    }
    if (due(m_lastCancelDispatch)) {
        platform::ui::UI().DispatchPendingMessages();
        m_cancel = m_cancel || platform::ui::UI().ProgressCancelRequested();
    }
    return m_cancel;
}

bool CProgressDlg::ConfirmMissingRoot(const std::string& path) {
    return reports::ConfirmScanOfMissingDirectory(path);
}

void CProgressDlg::Started(const std::string&, bool showProgress) {
    m_cancel = false;
    m_position = 0;
    if (showProgress) {
        Create();
    }
}

void CProgressDlg::Problem(const scan::ScanProblem& problem) {
    WriteLogLine(scan::DescribeScanProblem(problem));
}

void CProgressDlg::Finished(const scan::ScanSummary& summary) {
    Destroy();
    std::string problems = summary.problems.Describe();
    if (problems.empty()) {
        return;
    }
    WriteLogLine("Scan incomplete: " + problems);
    if (AutomatedScanInProgress) {
        std::fprintf(stderr, "Tallyvol: scan incomplete: %s\n", problems.c_str());
    }
}

void CProgressDlg::Destroy() {
    if (m_open) {
        platform::ui::UI().ProgressClose();
        m_open = false;
    }
    if (g_current == this) {
        g_current = nullptr;
    }
}

} // namespace app
