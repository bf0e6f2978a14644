#include "tests/support/RecordingUpdateCheckOwner.h"

#include "platform/ui/IUserInterface.h"

namespace testsupport {

void RecordingUpdateCheckOwner::ShowCheckingBar(const std::string& firstLine) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back("show:" + firstLine);
}

void RecordingUpdateCheckOwner::CloseCheckingBar() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back("close");
}

int RecordingUpdateCheckOwner::ShowMessage(const std::string& text, const std::string& caption, unsigned flags) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back("message:" + text);
    m_messages.push_back({text, caption, flags});
    return platform::ui::IDOK;
}

std::vector<std::string> RecordingUpdateCheckOwner::Events() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
}

std::vector<RecordingUpdateCheckOwner::Message> RecordingUpdateCheckOwner::Messages() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

} // namespace testsupport
