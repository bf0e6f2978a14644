// The SMTP component against a real mail server that nobody here wrote (aiosmtpd, the
// smtp_server fixture): the alert message exactly as the program sends it, then folding,
// dot-stuffing, copies and a server's own answers to EXPN and VRFY, checked from what the
// server received.
#include "SmtpTestClient.h"

#include "tests/support/SmtpTestServer.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

using namespace netkittest;
using std::chrono::seconds;

namespace {

// A text no other test's message holds.
std::string Marker(const std::string& what) {
    std::random_device random;
    return what + "-" + std::to_string(getpid()) + "-" + std::to_string(random());
}

std::string HeaderBlock(const std::string& data) {
    return data.substr(0, data.find("\r\n\r\n") + 2);
}

std::string BodyOf(const std::string& data) {
    return data.substr(data.find("\r\n\r\n") + 4);
}

} // namespace

class RealSmtpServer : public testing::Test {
protected:
    testsupport::SmtpTestServer server;
};

TEST_F(RealSmtpServer, ReceivesTheAlertMessageAsTheProgramSendsIt) {
    const std::string marker = Marker("alert");
    SmtpClient smtp;
    WaitBound bound(seconds(30));
    // The program's order: To, From, Subject, Body, RemoteHost, Date; then connect, send,
    // disconnect.
    ASSERT_EQ(smtp->SetTo("admin@example.org"), 0);
    ASSERT_EQ(smtp->SetFrom("tallyvol@example.org"), 0);
    ASSERT_EQ(smtp->SetSubject("Tallyvol Alert from FILESERVER"), 0);
    const std::string body = "The directory /srv/data grew by 512.00 MB. " + marker;
    ASSERT_EQ(smtp->SetBody(body.c_str()), 0);
    ASSERT_EQ(smtp->SetRemoteHost("localhost"), 0);
    ASSERT_EQ(smtp->SetDate("Tue, 5 Mar 2024 02:15:07 +0100"), 0);
    ASSERT_EQ(smtp->SetRemotePort(server.Port()), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 0) << smtp.LastError();
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND), 0) << smtp.LastError();
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0) << smtp.LastError();
    EXPECT_EQ(smtp->GetLastError(), nullptr);
    EXPECT_STREQ(smtp->GetReplyLine(), "221 Bye");

    auto mail = server.WaitForMessage(marker);
    ASSERT_TRUE(mail.has_value());
    EXPECT_EQ(mail->mailFrom, "tallyvol@example.org");
    EXPECT_EQ(mail->recipients, (std::vector<std::string>{"admin@example.org"}));
    EXPECT_EQ(mail->data, "To: admin@example.org\r\n"
                          "From: tallyvol@example.org\r\n"
                          "Subject: Tallyvol Alert from FILESERVER\r\n"
                          "Date: Tue, 5 Mar 2024 02:15:07 +0100\r\n"
                          "\r\n" +
                              body + "\r\n");
    // The server's own replies went through the trace.
    std::vector<std::string> received = smtp.sink.Traces(1);
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.front().substr(0, 4), "220 ");
    EXPECT_EQ(smtp.sink.Traces(0).front().substr(0, 5), "EHLO ");
}

TEST_F(RealSmtpServer, FoldedHeadersAndDotStuffedDataArriveIntact) {
    const std::string marker = Marker("fold");
    testsupport::TempDirectory directory("netkit-real");
    const std::string file = ".file starts with a dot\r\n.\r\n..two dots\r\nend of file\r\n";
    testsupport::WriteFile(directory / "part.txt", file);

    std::string subject;
    for (int word = 1; word <= 100; ++word) {
        subject += (word > 1 ? " " : "") + std::string("word") + std::to_string(word);
    }
    const std::string body = ".\r\n.leading dot\r\n..\r\nmiddle . dot\r\n" + marker + "\r\n.";
    SmtpClient smtp;
    WaitBound bound(seconds(30));
    smtp.Target(server.Port());
    ASSERT_EQ(smtp->SetFoldWidth(72), 0);
    ASSERT_EQ(smtp->SetSubject(subject.c_str()), 0);
    ASSERT_EQ(smtp->SetTo("one@example.org, \"Two, Person\" <two@example.org>"), 0);
    ASSERT_EQ(smtp->SetCc("three@example.org"), 0);
    ASSERT_EQ(smtp->SetBcc("four@example.org"), 0);
    ASSERT_EQ(smtp->SetFrom("Tallyvol <tallyvol@example.org>"), 0);
    ASSERT_EQ(smtp->SetReplyTo("noreply@example.org"), 0);
    ASSERT_EQ(smtp->SetExtraHeaders("X-Mailer: netkit\r\nX-Marker: yes\r\n\r\n"), 0);
    ASSERT_EQ(smtp->SetBody(body.c_str()), 0);
    ASSERT_EQ(smtp->SetMessageFile((directory / "part.txt").c_str()), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND), 0) << smtp.LastError();
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);

    auto mail = server.WaitForMessage(marker);
    ASSERT_TRUE(mail.has_value());
    EXPECT_EQ(mail->mailFrom, "tallyvol@example.org");
    EXPECT_EQ(mail->recipients, (std::vector<std::string>{"one@example.org", "two@example.org",
                                                          "three@example.org", "four@example.org"}));
    const std::string headers = HeaderBlock(mail->data);
    EXPECT_EQ(headers.find("Bcc"), std::string::npos);
    EXPECT_NE(headers.find("\r\nCc: three@example.org\r\n"), std::string::npos);
    EXPECT_NE(headers.find("\r\nReply-To: noreply@example.org\r\n"), std::string::npos);
    EXPECT_NE(headers.find("\r\nX-Mailer: netkit\r\nX-Marker: yes\r\n"), std::string::npos);

    // The subject spans several lines, each continuation starting with a tab; unfolded it is
    // the subject again (each fold took the place of one blank).
    std::size_t start = headers.find("Subject: ");
    ASSERT_NE(start, std::string::npos);
    std::size_t end = headers.find("\r\n", start);
    while (end + 2 < headers.size() && headers[end + 2] == '\t') {
        end = headers.find("\r\n", end + 2);
    }
    std::string folded = headers.substr(start + 9, end - start - 9);
    std::vector<std::string> pieces;
    for (std::size_t from = 0;;) {
        std::size_t fold = folded.find("\r\n\t", from);
        pieces.push_back(folded.substr(from, fold - from));
        if (fold == std::string::npos) {
            break;
        }
        from = fold + 3;
    }
    EXPECT_GE(pieces.size(), 6u);
    std::string unfolded;
    for (const std::string& piece : pieces) {
        EXPECT_GE(piece.size() + 1, pieces.size() > 1 && &piece != &pieces.back() ? 71u : 1u) << piece;
        unfolded += (unfolded.empty() ? "" : " ") + piece;
    }
    EXPECT_EQ(unfolded, subject);

    // The server removed the transparency dots: what arrives is the text as written.
    EXPECT_EQ(BodyOf(mail->data), body + file + "\r\n");
}

TEST_F(RealSmtpServer, SeveralMessagesOnOneConnectionAndTheServersOwnAnswers) {
    const std::string marker = Marker("multi");
    SmtpClient smtp;
    WaitBound bound(seconds(30));
    smtp.Target(server.Port());
    ASSERT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 0);
    for (int message = 1; message <= 3; ++message) {
        ASSERT_EQ(smtp->SetAction(SMTP_ACTION_RESET_MESSAGE), 0);
        smtp->SetTo("many@example.org");
        smtp->SetFrom("me@example.org");
        std::string body = marker + "-" + std::to_string(message);
        smtp->SetBody(body.c_str());
        EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND), 0) << smtp.LastError();
    }
    // aiosmtpd does not expand lists and answers VRFY with a 252 that it cannot verify.
    smtp->SetTo("staff");
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_EXPAND), 161);
    EXPECT_EQ(smtp.LastError().substr(0, 4), "502 ");
    smtp->SetTo("someone@example.org");
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_VERIFY), 0) << smtp.LastError();
    EXPECT_EQ(std::string(smtp->GetReplyLine()).substr(0, 4), "252 ");
    EXPECT_EQ(std::string(smtp->GetTo()), std::string(smtp->GetReplyLine()).substr(4));
    EXPECT_EQ(smtp->SetRawCommand("NOOP"), 0);
    EXPECT_EQ(smtp->SetRawCommand("BOGUS"), 161);
    EXPECT_EQ(smtp.LastError().substr(0, 4), "500 ");
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);
    for (int message = 1; message <= 3; ++message) {
        auto mail = server.WaitForMessage(marker + "-" + std::to_string(message));
        ASSERT_TRUE(mail.has_value()) << message;
        EXPECT_EQ(BodyOf(mail->data), marker + "-" + std::to_string(message) + "\r\n");
    }
}
