// E-mail alerts through the network library: a real mail server receives them, and a server
// that accepts the connection but never answers is given up after the configured time.
#include "alerts/DeliverAlert.h"
#include "alerts/EventLog.h"
#include "app/base/Settings.h"
#include "tests/support/DatagramReceiver.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ScriptedUserInterface.h"
#include "tests/support/SmtpTestServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <regex>

using alerts::DeliverAlert;
using alerts::Notification;
using namespace testsupport;

namespace {

Notification mailProfile(const std::string& addresses, const std::string& server) {
    Notification profile(0);
    profile.Type = alerts::kEMail;
    profile.Str1 = addresses;
    profile.Str2 = server;
    return profile;
}

// A listening socket that accepts connections and never says a word.
class SilentServer {
public:
    SilentServer() {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_fd, 4);
        socklen_t length = sizeof address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(m_fd); }
    unsigned short Port() const { return m_port; }

private:
    int m_fd = -1;
    unsigned short m_port = 0;
};

} // namespace

TEST(MailDelivery, AnAlertReachesTheMailServerWithItsHeaders) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    SmtpTestServer server;
    std::string marker = "marker-" + std::to_string(::getpid()) + "-1";
    std::string message = "The disk space taken up by //host/srv/a b increased by more than 500 K.  " + marker +
                          "\r\n.line starting with a dot";
    DeliverAlert(mailProfile("ops@example.com|tallyvol@example.com", "127.0.0.1:" + std::to_string(server.Port())),
                 "/srv", message, 1);
    std::optional<ReceivedMail> mail = server.WaitForMessage(marker);
    ASSERT_TRUE(mail);
    EXPECT_TRUE(ui.messageBoxes.empty()) << "delivered: no fallback";
    EXPECT_EQ(mail->mailFrom, "tallyvol@example.com");
    ASSERT_EQ(mail->recipients.size(), 1u);
    EXPECT_EQ(mail->recipients[0], "ops@example.com");
    EXPECT_NE(mail->data.find("Subject: Tallyvol Alert from "), std::string::npos) << mail->data;
    EXPECT_TRUE(std::regex_search(mail->data, std::regex(R"(Date: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), \d{1,2} )"
                                                         R"((Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) )"
                                                         R"(\d{4} \d{2}:\d{2}:\d{2} [+-]\d{4})")))
        << mail->data;
    EXPECT_NE(mail->data.find(marker + "\r\n.line starting with a dot"), std::string::npos)
        << "the dot-stuffing is undone by the server";
}

TEST(MailDelivery, ARecipientWithATrailingBarSendsFromItself) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    SmtpTestServer server;
    std::string marker = "marker-" + std::to_string(::getpid()) + "-2";
    DeliverAlert(mailProfile("ops@example.com|", "127.0.0.1:" + std::to_string(server.Port())), "/srv", marker, 1);
    std::optional<ReceivedMail> mail = server.WaitForMessage(marker);
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->mailFrom, "ops@example.com");
}

TEST(MailDelivery, AServerThatNeverAnswersIsGivenUpAfterTheConfiguredTime) {
    IsolatedEnvironment env;
    DatagramReceiver syslog(env.Root() + "/syslog.sock");
    env.Set("LOGSINK_SOCKET", syslog.Path());
    env.Set("TALLYVOL_LOGSINK_LIBRARY", "");
    alerts::ResetEventLogForTesting();
    ScriptedUserInterface ui;
    app::SetMachineInt("SMTPTimeoutSeconds", 2);
    SilentServer silent;

    auto start = std::chrono::steady_clock::now();
    DeliverAlert(mailProfile("ops@example.com", "127.0.0.1:" + std::to_string(silent.Port())), "/srv", "hung", 1);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 1.9);
    EXPECT_LT(seconds, 10.0);

    std::optional<std::string> record = syslog.Receive(5);
    ASSERT_TRUE(record);
    // The fallback says that the server did not answer, not that the wait was interrupted.
    EXPECT_NE(record->find("hung     [This alert is being delivered via an alternate means because  the SMTP server "
                           "could not be contacted (the server did not answer within 2 seconds)"),
              std::string::npos)
        << *record;
    alerts::ResetEventLogForTesting();
}

TEST(MailDelivery, TheAppendixGoesIntoTheMailOnlyAndNeverStopsIt) {
    IsolatedEnvironment env;
    DatagramReceiver syslog(env.Root() + "/syslog.sock");
    env.Set("LOGSINK_SOCKET", syslog.Path());
    env.Set("TALLYVOL_LOGSINK_LIBRARY", "");
    alerts::ResetEventLogForTesting();
    ScriptedUserInterface ui;
    SmtpTestServer server;
    std::string port = std::to_string(server.Port());
    std::string marker = "marker-" + std::to_string(::getpid()) + "-appendix";

    DeliverAlert(mailProfile("ops@example.com", "127.0.0.1:" + port), "/srv", marker + " grew", 1,
                 [] { return std::string("\r\n\r\nthe list"); });
    std::optional<ReceivedMail> mail = server.WaitForMessage(marker + " grew");
    ASSERT_TRUE(mail);
    EXPECT_NE(mail->data.find(marker + " grew\r\n\r\nthe list"), std::string::npos) << mail->data;

    DeliverAlert(mailProfile("ops@example.com", "127.0.0.1:" + port), "/srv", marker + " again", 1,
                 []() -> std::string { throw std::runtime_error("store gone"); });
    mail = server.WaitForMessage(marker + " again");
    ASSERT_TRUE(mail) << "a failing appendix leaves the message alone";
    EXPECT_TRUE(ui.messageBoxes.empty());

    // A mail that cannot go out falls back with the message alone.
    unsigned short closed = 0;
    {
        SilentServer gone;
        closed = gone.Port();
    }
    DeliverAlert(mailProfile("ops@example.com", "127.0.0.1:" + std::to_string(closed)), "/srv", marker + " fell", 1,
                 [] { return std::string("APPENDIX"); });
    std::optional<std::string> record = syslog.Receive(5);
    ASSERT_TRUE(record);
    EXPECT_NE(record->find(marker + " fell     [This alert is being delivered"), std::string::npos) << *record;
    EXPECT_EQ(record->find("APPENDIX"), std::string::npos) << *record;
    alerts::ResetEventLogForTesting();
}
