/*
 * The scan progress window as the scanner drives it, and the main dialog's scan sink: it shows
 * the progress of interactive scans, asks before a missing directory is scanned, and writes
 * what a scan could not read or store into the log (and, in automated runs, on standard error,
 * which cron mails to the job's owner). One window is current at a time. The window is drawn by
 * the user interface; this object keeps its state and throttles the expensive calls
 * (dispatching window events, repainting counters) to once per second, so the scanner may call
 * it for every directory entry. Main thread only.
 */
#ifndef TALLYVOL_APP_PROGRESSDLG_H
#define TALLYVOL_APP_PROGRESSDLG_H

#include "scan/ScanSink.h"

#include <cstdint>
#include <functional>
#include <string>

namespace app {

class CProgressDlg : public scan::IScanSink {
public:
    using Clock = std::function<std::int64_t()>; // milliseconds, monotonic

    explicit CProgressDlg(Clock clock = {});
    ~CProgressDlg() override; // destroys the window when still open

    CProgressDlg(const CProgressDlg&) = delete;
    CProgressDlg& operator=(const CProgressDlg&) = delete;

    // Shows the window (caption: string 109); false when it cannot be shown.
    bool Create();
    void SetRange(int high);
    // Advances the bar by one step; window events are dispatched at most once a second.
    void Step() override;
    void SetCurrentDirectory(const std::string& path);
    // Shows the counters, the text and the current directory, at most once a second.
    void UpdateCounts(long directories, long files, const std::string& text);
    // A status line such as "Saving file extension data...", shown at once.
    void SetStatusText(const std::string& text);
    // Whether Stop was confirmed; window events are dispatched at most once a second.
    bool Cancelled() override;
    void Destroy();

    // ---- The scan sink ----
    bool ConfirmMissingRoot(const std::string& path) override;
    void Started(const std::string& root, bool showProgress) override;
    void Range(int steps) override { SetRange(steps); }
    void Counts(long directories, long files, const std::string& currentDirectory) override {
        UpdateCounts(directories, files, currentDirectory);
    }
    void Status(const std::string& text) override { SetStatusText(text); }
    void Problem(const scan::ScanProblem& problem) override;
    void Finished(const scan::ScanSummary& summary) override;

    bool IsOpen() const { return m_open; }
    int Position() const { return m_position; }

    // The progress window of the scan in progress, or none.
    static CProgressDlg* Current();
    // Shows the status line in the current progress window, if one is open.
    static void ShowStatusInCurrent(const std::string& text);

private:
    bool due(std::int64_t& last);

    Clock m_clock;
    bool m_open = false;
    int m_low = 0;
    int m_high = 100;
    int m_step = 1;
    int m_position = 0;
    bool m_cancel = false;
    std::string m_currentDirectory;
    std::int64_t m_lastStepDispatch = -1000000;
    std::int64_t m_lastCountsUpdate = -1000000;
    std::int64_t m_lastCancelDispatch = -1000000;
};

} // namespace app

#endif
