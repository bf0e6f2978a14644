// The socket transport under the SMTP component against a scripted server: lines in pieces and
// lines in one packet, a server that closes, resets or never answers, endless data, deletion
// while connected or from inside an event handler, and values that try to break out of their
// header or command line.
#include "ScriptedSmtpServer.h"
#include "SmtpTestClient.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

using namespace netkittest;
using std::chrono::milliseconds;
using std::chrono::seconds;
using Clock = std::chrono::steady_clock;

namespace {

void Greet(ScriptedConnection& c) {
    c.Send("220 fake.test ESMTP\r\n");
    c.Expect("EHLO ");
    c.Send("250 fake.test\r\n");
}

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

} // namespace

TEST(SmtpTransport, LongReplyLineIsAssembledFromPiecesAndEndsOnlyWithItsTerminator) {
    const std::string longLine = "220 " + std::string(2996, 'g');
    // Exactly fills the receive buffer with the CR, the LF comes later.
    const std::string edgeLine = "250 " + std::string(2043, 'e');
    ScriptedSmtpServer server([&](ScriptedConnection& c) {
        c.Send(longLine.substr(0, 1500));
        c.Pause(300);
        c.Send(longLine.substr(1500) + "\r\n");
        c.Expect("EHLO ");
        c.Send("250 fake.test\r\n");
        c.Expect("NOOP");
        c.Send(edgeLine + "\r");
        c.Pause(200);
        c.Send("\n");
        c.Expect("QUIT");
        c.Send("221 bye\r\n");
    });
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    auto started = Clock::now();
    ASSERT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 0);
    EXPECT_GE(Clock::now() - started, milliseconds(290)) << "the first piece ended the wait";
    std::vector<std::string> received = smtp.sink.Traces(1);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], longLine);
    ASSERT_EQ(smtp->SetRawCommand("NOOP"), 0);
    EXPECT_EQ(std::string(smtp->GetReplyLine()), edgeLine);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);
    server.Finish();
    EXPECT_EQ(server.Failure(), "");
}

TEST(SmtpTransport, TwoRepliesInOnePacketAreTakenOnePerWait) {
    ScriptedSmtpServer server([](ScriptedConnection& c) {
        Greet(c);
        c.Expect("NOOP first");
        c.Send("250 first\r\n250 second\r\n");
        c.Expect("NOOP second"); // answered already
        c.Expect("QUIT");
        c.Send("221 bye\r\n");
    });
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    ASSERT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 0);
    EXPECT_EQ(smtp->SetRawCommand("NOOP first"), 0);
    EXPECT_STREQ(smtp->GetReplyLine(), "250 first");
    EXPECT_EQ(smtp->SetRawCommand("NOOP second"), 0);
    EXPECT_STREQ(smtp->GetReplyLine(), "250 second");
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);
    server.Finish();
    EXPECT_EQ(server.Failure(), "");
}

TEST(SmtpTransport, ServerClosingAfterTheGreetingEndsTheNextWait) {
    ScriptedSmtpServer server([](ScriptedConnection& c) {
        c.Send("220 fake.test going away\r\n");
        c.Close();
    });
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 301);
    EXPECT_EQ(smtp.LastError(), "Interrupted.");
    EXPECT_FALSE(bound.Expired());
    EXPECT_EQ(smtp->GetSocketHandle(), -1);
    std::vector<std::string> status = smtp.sink.Traces(2);
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.back(), "Disconnected.");
    // A new connect starts afresh.
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);
}

TEST(SmtpTransport, ServerThatNeverAnswersWaitsUntilTheHostPumpQuits) {
    ScriptedSmtpServer server([](ScriptedConnection& c) { c.WaitForClientEnd(); });
    SmtpClient smtp;
    smtp.Target(server.Port());
    auto started = Clock::now();
    {
        WaitBound bound(milliseconds(400));
        EXPECT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 301);
        EXPECT_TRUE(bound.Expired());
        EXPECT_GT(bound.Calls(), 10); // the pump ran all through the wait
        EXPECT_EQ(smtp.LastError(), "Interrupted.");
        // The quit stands, so the farewell does not wait either.
        EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 301);
    }
    auto elapsed = Clock::now() - started;
    EXPECT_GE(elapsed, milliseconds(390));
    EXPECT_LT(elapsed, seconds(5));
    std::vector<std::string> status = smtp.sink.Traces(2);
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.back(), "Disconnected.");
    EXPECT_NE(std::find(status.begin(), status.end(), "Forcing disconnection from mail server."),
              status.end());
    EXPECT_EQ(smtp->GetSocketHandle(), -1);
}

TEST(SmtpTransport, ConnectionRefusedIsReportedAsAnErrorEvent) {
    unsigned short port = 0;
    {
        ScriptedSmtpServer server([](ScriptedConnection&) {});
        port = server.Port();
    } // the listener is closed again
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(port);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 10061);
    EXPECT_EQ(smtp.LastError(), "[10061] Connection refused");
    std::vector<RecordedEvent> errors = smtp.sink.Named("Error");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].number, 162);
    EXPECT_EQ(errors[0].text, "Failed to connect: [10061] Connection refused");
    EXPECT_EQ(smtp->GetSocketHandle(), -1);
}

TEST(SmtpTransport, HostAndPortCannotChangeWhileConnected) {
    ScriptedSmtpServer server([](ScriptedConnection& c) {
        Greet(c);
        c.Expect("EHLO "); // a second connect greets again on the open connection
        c.Send("250 again\r\n");
        c.Expect("QUIT");
        c.Send("221 bye\r\n");
    });
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    ASSERT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 0);
    EXPECT_EQ(smtp->SetRemoteHost("127.0.0.2"), 101);
    EXPECT_EQ(smtp.LastError(), "You cannot change the RemoteHost at this time. A connection is in progress.");
    EXPECT_EQ(smtp->SetRemotePort(26), 100);
    EXPECT_EQ(smtp.LastError(), "You cannot change the RemotePort at this time. A connection is in progress.");
    EXPECT_STREQ(smtp->GetRemoteHost(), "127.0.0.1");
    EXPECT_EQ(smtp->GetRemotePort(), server.Port());
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 0);
    EXPECT_STREQ(smtp->GetReplyLine(), "250 again");
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);
    EXPECT_EQ(smtp->SetRemotePort(26), 0);
    server.Finish();
    EXPECT_EQ(server.Failure(), "");
}

TEST(SmtpTransport, DeletingResetsTheConnectionWhileDisconnectClosesIt) {
    std::string endings;
    {
        ScriptedSmtpServer server([&endings](ScriptedConnection& c) {
            Greet(c);
            endings = c.WaitForClientEnd();
        });
        SmtpClient smtp;
        WaitBound bound(seconds(20));
        smtp.Target(server.Port());
        ASSERT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 0);
        EXPECT_EQ(Wirekit_DeleteObject(WIREKIT_CLASS_SMTP, smtp.get()), 0);
        smtp.Release();
        server.Finish();
        EXPECT_EQ(server.Failure(), "");
    }
    EXPECT_EQ(endings, "reset");
    {
        ScriptedSmtpServer server([&endings](ScriptedConnection& c) {
            Greet(c);
            c.Expect("QUIT");
            c.Send("221 bye\r\n");
            endings = c.WaitForClientEnd();
        });
        SmtpClient smtp;
        WaitBound bound(seconds(20));
        smtp.Target(server.Port());
        ASSERT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 0);
        EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);
        server.Finish();
        EXPECT_EQ(server.Failure(), "");
    }
    EXPECT_EQ(endings, "closed");
}

TEST(SmtpTransport, DeletingFromAnEventHandlerEndsTheActionAndFreesLater) {
    std::string ending;
    ScriptedSmtpServer server([&ending](ScriptedConnection& c) {
        c.Send("220 fake.test\r\n");
        ending = c.WaitForClientEnd();
    });
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    ISMTPComponent* component = smtp.get();
    int deleted = -1;
    int eventsAfterDelete = 0;
    smtp.sink.onTrace = [&](int direction, const std::string&) {
        if (deleted == 0) {
            ++eventsAfterDelete;
        } else if (direction == 1) {
            deleted = Wirekit_DeleteObject(WIREKIT_CLASS_SMTP, component);
        }
    };
    // The call returns normally; the object is gone once it has (ASan checks both).
    EXPECT_EQ(component->SetAction(SMTP_ACTION_CONNECT), 301);
    smtp.Release();
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(eventsAfterDelete, 0);
    server.Finish();
    EXPECT_EQ(server.Failure(), "");
    EXPECT_EQ(ending, "reset");
}

TEST(SmtpTransport, PeerResetInTheMiddleOfTheDataGivesACleanError) {
    ScriptedSmtpServer server([](ScriptedConnection& c) {
        Greet(c);
        for (const char* command : {"RSET", "MAIL", "RCPT"}) {
            c.Expect(command);
            c.Send("250 ok\r\n");
        }
        c.Expect("DATA");
        c.Send("354 go\r\n");
        c.ReadSome(30000);
        c.Reset();
    });
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    smtp->SetTo("a@x.test");
    smtp->SetFrom("b@x.test");
    std::string body;
    for (int line = 0; body.size() < (1u << 20); ++line) {
        body += "line " + std::to_string(line) + " of a long message body\r\n";
    }
    ASSERT_EQ(smtp->SetBody(body.c_str()), 0);
    int result = smtp->SetAction(SMTP_ACTION_SEND);
    EXPECT_FALSE(bound.Expired());
    const std::string text = smtp.LastError();
    if (result == 10054) {
        EXPECT_EQ(text, "[10054] Connection reset by peer");
    } else if (result == 10057) {
        EXPECT_EQ(text, "[10057] Socket is not connected");
    } else {
        EXPECT_EQ(result, 301) << text;
        EXPECT_EQ(text, "Interrupted.");
    }
    // The connection is gone or useless; disconnecting cleans up without waiting.
    smtp->SetAction(SMTP_ACTION_DISCONNECT);
    EXPECT_EQ(smtp->GetSocketHandle(), -1);
    server.Finish();
    EXPECT_EQ(server.Failure(), "");
}

TEST(SmtpTransport, EndlessDataWithoutALineEndKeepsMemoryBounded) {
    std::size_t sent = 0;
    ScriptedSmtpServer server([&sent](ScriptedConnection& c) {
        c.Send("220 ");
        sent = c.SendForever('x');
    });
    SmtpClient smtp;
    smtp.Target(server.Port());
    long before = ResidentKilobytes();
    {
        WaitBound bound(milliseconds(1500));
        EXPECT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 301);
        EXPECT_TRUE(bound.Expired());
    }
    long after = ResidentKilobytes();
    std::size_t kept = std::string(smtp->GetReplyLine()).size();
    Wirekit_DeleteObject(WIREKIT_CLASS_SMTP, smtp.get());
    smtp.Release();
    server.Finish();
    EXPECT_GT(sent, 8u << 20) << "too little data went through to tell";
    EXPECT_LE(kept, 8192u);
    EXPECT_LT(after - before, 4096) << "kilobytes grown while " << sent << " bytes arrived";
}

TEST(SmtpTransport, LineBreaksInValuesNeverBecomeHeadersOrCommands) {
    std::vector<std::string> messages;
    ScriptedSmtpServer server(ScriptedSmtpServer::Lenient(messages));
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    ASSERT_EQ(smtp->SetTo("victim@x.test>\r\nRCPT TO:<extra@x.test"), 0);
    ASSERT_EQ(smtp->SetFrom("me@x.test\r\nRSET"), 0);
    ASSERT_EQ(smtp->SetSubject("Hello\r\nBcc: hidden@x.test"), 0);
    ASSERT_EQ(smtp->SetFoldWidth(0), 0);
    ASSERT_EQ(smtp->SetReplyTo("r@x.test\nX-Injected: 1"), 0);
    ASSERT_EQ(smtp->SetDate("Mon, 1 Jan 2024 10:00:00 +0100\r\n\tcontinued"), 0); // a real fold stays
    ASSERT_EQ(smtp->SetExtraHeaders("X-Raw: 1\r\n.\r\nX-Raw: 2"), 0);
    ASSERT_EQ(smtp->SetBody("body\r\n.\r\nQUIT\r\n"), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND), 0);
    EXPECT_EQ(smtp->SetRawCommand("NOOP\r\nRSET"), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);
    server.Finish();
    ASSERT_EQ(server.Failure(), "");

    std::vector<std::string> lines = server.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "RSET"), 1); // only the send's own
    EXPECT_NE(std::find(lines.begin(), lines.end(), "NOOP  RSET"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "MAIL FROM:<me@x.test  RSET>"), lines.end());
    int recipients = 0;
    for (const std::string& line : lines) {
        recipients += line.rfind("RCPT", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(recipients, 1);
    ASSERT_EQ(messages.size(), 1u);
    const std::string& data = messages[0];
    const std::string headers = data.substr(0, data.find("\r\n\r\n") + 2);
    EXPECT_EQ(headers.find("\r\nBcc:"), std::string::npos) << headers;
    EXPECT_EQ(headers.find("\r\nX-Injected:"), std::string::npos) << headers;
    EXPECT_EQ(headers.find("\r\nRCPT"), std::string::npos) << headers;
    EXPECT_NE(headers.find("\r\nSubject: Hello  Bcc: hidden@x.test\r\n"), std::string::npos) << headers;
    EXPECT_NE(headers.find("\r\nDate: Mon, 1 Jan 2024 10:00:00 +0100\r\n\tcontinued\r\n"), std::string::npos)
        << headers;
    EXPECT_NE(headers.find("\r\nX-Raw: 1\r\n..\r\nX-Raw: 2\r\n"), std::string::npos) << headers;
    EXPECT_NE(data.find("\r\nbody\r\n..\r\nQUIT\r\n"), std::string::npos) << data;
}
