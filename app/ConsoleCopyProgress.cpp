#include "app/ConsoleCopyProgress.h"

#include "app/ConsoleUserInterface.h"
#include "platform/system/StringPrintf.h"

namespace app {

namespace {

volatile sig_atomic_t g_stopRequested = 0;

void requestStop(int) {
    g_stopRequested = 1;
}

// Tables this small finish before a progress line would tell anything.
constexpr std::int64_t kRowsWorthShowing = 1000;

} // namespace

ConsoleCopyProgress::ConsoleCopyProgress(ConsoleUserInterface& console) : m_console(console) {
    g_stopRequested = 0;
    struct sigaction action {};
    action.sa_handler = &requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // database calls in progress carry on; the copy stops after
    ::sigaction(SIGINT, &action, &m_previousInterrupt);
    ::sigaction(SIGTERM, &action, &m_previousTerminate);
}

ConsoleCopyProgress::~ConsoleCopyProgress() {
    ::sigaction(SIGINT, &m_previousInterrupt, nullptr);
    ::sigaction(SIGTERM, &m_previousTerminate, nullptr);
}

void ConsoleCopyProgress::ShowText(const std::string& text) {
    m_rows = -1;
    m_done = 0;
    m_tenthsShown = 0;
    m_console.Print(text);
}

void ConsoleCopyProgress::SetRange(std::int64_t rows) {
    m_rows = rows;
}

void ConsoleCopyProgress::StepIt() {
    ++m_done;
    if (m_rows < kRowsWorthShowing) {
        return;
    }
    int tenths = static_cast<int>(m_done * 10 / m_rows);
    if (tenths > m_tenthsShown && tenths <= 10) {
        m_tenthsShown = tenths;
        m_console.Print(platform::system::StringPrintf("  %lld of %lld rows",
                                                       static_cast<long long>(m_done),
                                                       static_cast<long long>(m_rows)));
    }
}

bool ConsoleCopyProgress::CancelRequested() {
    if (g_stopRequested == 0) {
        return false;
    }
    if (!m_cancelShown) {
        m_cancelShown = true;
        m_console.Print("Stopping the database copy.");
    }
    return true;
}

} // namespace app
