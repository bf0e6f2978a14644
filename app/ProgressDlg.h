/*
 * The scan progress window as the scanner drives it. One is current at a time. The window is
 * drawn by the user interface; this object keeps its state and throttles the expensive calls
 * (dispatching window events, repainting counters) to once per second, so the scanner may call
 * it for every directory entry. Main thread only.
 */
#ifndef TALLYVOL_APP_PROGRESSDLG_H
#define TALLYVOL_APP_PROGRESSDLG_H

#include <cstdint>
#include <functional>
#include <string>

namespace app {

class CProgressDlg {
public:
    using Clock = std::function<std::int64_t()>; // milliseconds, monotonic

    explicit CProgressDlg(Clock clock = {});
    ~CProgressDlg(); // destroys the window when still open

    CProgressDlg(const CProgressDlg&) = delete;
    CProgressDlg& operator=(const CProgressDlg&) = delete;

    // Shows the window (caption: string 109); false when it cannot be shown.
    bool Create();
    void SetRange(int high);
    // Advances the bar by one step; window events are dispatched at most once a second.
    void Step();
    void SetCurrentDirectory(const std::string& path);
    // Shows the counters, the text and the current directory, at most once a second.
    void UpdateCounts(long directories, long files, const std::string& text);
    // A status line such as "Saving file extension data...", shown at once.
    void SetStatusText(const std::string& text);
    // Whether Stop was confirmed; window events are dispatched at most once a second.
    bool Cancelled();
    void Destroy();

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
