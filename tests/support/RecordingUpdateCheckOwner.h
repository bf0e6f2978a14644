/*
 * An update-check owner for tests: records the checking bar's life and every message, answers
 * message boxes with IDOK. Calls may come from the update check's worker thread.
 */
#ifndef TALLYVOL_TESTS_SUPPORT_RECORDINGUPDATECHECKOWNER_H
#define TALLYVOL_TESTS_SUPPORT_RECORDINGUPDATECHECKOWNER_H

#include "app/IUpdateCheckOwner.h"

#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

class RecordingUpdateCheckOwner : public app::IUpdateCheckOwner {
public:
    struct Message {
        std::string text;
        std::string caption;
        unsigned flags = 0;
    };

    void ShowCheckingBar(const std::string& firstLine) override;
    void CloseCheckingBar() override;
    int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override;

    // Snapshots, safe while a worker runs.
    std::vector<std::string> Events() const; // "show:<first line>", "close", "message:<text>"
    std::vector<Message> Messages() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
    std::vector<Message> m_messages;
};

} // namespace testsupport

#endif
