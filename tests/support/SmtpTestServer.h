/*
 * A real mail server for tests (aiosmtpd, started by tests/support/smtp_server.py) and the
 * messages it received. Under CTest the server of the `smtp_server` fixture is used (its
 * directory comes in TALLYVOL_SMTP_SERVER_DIR); a test binary run by hand starts a private one
 * and stops it when the object goes. Messages of concurrent tests share the fixture's server:
 * find yours by a marker only your message carries. Test thread only.
 */
#ifndef TALLYVOL_TESTS_SUPPORT_SMTPTESTSERVER_H
#define TALLYVOL_TESTS_SUPPORT_SMTPTESTSERVER_H

#include "tests/support/TempDirectory.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct ReceivedMail {
    std::string mailFrom;                // the MAIL FROM address
    std::vector<std::string> recipients; // the RCPT TO addresses, in order
    std::string data;                    // the message as received (headers, blank line, body)
};

class SmtpTestServer {
public:
    SmtpTestServer();
    ~SmtpTestServer();
    SmtpTestServer(const SmtpTestServer&) = delete;
    SmtpTestServer& operator=(const SmtpTestServer&) = delete;

    unsigned short Port() const { return m_port; }
    // The first message whose data holds `marker`, waiting for it up to `timeoutMilliseconds`.
    std::optional<ReceivedMail> WaitForMessage(const std::string& marker,
                                               int timeoutMilliseconds = 10000) const;

private:
    std::unique_ptr<TempDirectory> m_own; // only when no fixture server is running
    std::string m_directory;
    unsigned short m_port = 0;
};

} // namespace testsupport

#endif
