#include "platform/shell/PendingOpen.h"

#include "platform/process/Process.h"

#include <algorithm>

namespace platform::shell {

PendingOpen::PendingOpen(const std::string& file, int waitMilliseconds)
    : m_deadline(std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, waitMilliseconds))) {
    // Built in one piece: assigning the directory afterwards trips GCC 12's -Wrestrict under the
    // sanitizers.
    const process::LaunchOptions options{process::kNullStream, process::kInheritStream, process::kInheritStream, "/", {}};
    int error = 0;
    m_pid = process::LaunchProcess({kOpenCommand, file}, options, &error);
    if (m_pid < 0) {
        m_result = OpenResult{OpenStatus::kOpenerMissing, process::ErrorText(error), error};
    }
}

PendingOpen::~PendingOpen() {
    if (m_pid > 0) {
        process::ReapInBackground(m_pid);
    }
}

void PendingOpen::collect(int milliseconds) {
    int status = 0;
    if (m_pid <= 0 || !process::WaitForProcess(m_pid, milliseconds, &status)) {
        return;
    }
    m_pid = -1;
    m_result = status == 0 ? OpenResult{} : OpenResult{OpenStatus::kOpenerFailed, OpenerStatusText(status), status};
}

std::optional<OpenResult> PendingOpen::Poll() {
    if (m_result) {
        return m_result;
    }
    collect(0);
    if (!m_result && std::chrono::steady_clock::now() >= m_deadline) {
        // Still starting the application, or waiting for it to close: it has the file.
        m_result = OpenResult{};
    }
    return m_result;
}

OpenResult PendingOpen::Wait() {
    while (!Poll()) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(m_deadline - std::chrono::steady_clock::now());
        collect(static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count())));
    }
    return *m_result;
}

} // namespace platform::shell
