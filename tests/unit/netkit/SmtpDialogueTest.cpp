// The SMTP dialogue against a scripted server: greeting, EHLO and HELO, the send sequence and
// its exact bytes, recipient and sender forms, EXPN, VRFY, raw commands, busy and interrupt.
#include "ScriptedSmtpServer.h"
#include "SmtpTestClient.h"

#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace netkittest;
using std::chrono::seconds;

namespace {

void Greet(ScriptedConnection& c) {
    c.Send("220 fake.test ESMTP\r\n");
    c.Expect("EHLO ");
    c.Send("250-fake.test\r\n250 HELP\r\n");
}

// The lines of the server's log that begin with `prefix`.
std::vector<std::string> Starting(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0) {
            found.push_back(line);
        }
    }
    return found;
}

} // namespace

TEST(SmtpConnect, EhloRefusedIsGreetedAgainWithHelo) {
    ScriptedSmtpServer server([](ScriptedConnection& c) {
        c.Send("220 fake.test ESMTP\r\n");
        c.Expect("EHLO client.test");
        c.Send("500 Command not recognized\r\n");
        c.Expect("HELO client.test");
        c.Send("250 fake.test\r\n");
        c.Expect("QUIT");
        c.Send("221 bye\r\n");
        c.WaitForClientEnd();
    });
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    ASSERT_EQ(smtp->SetHeloDomain("client.test"), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 0);
    EXPECT_EQ(smtp->GetLastError(), nullptr);
    EXPECT_STREQ(smtp->GetReplyLine(), "250 fake.test");
    EXPECT_NE(smtp->GetSocketHandle(), -1);
    EXPECT_STREQ(smtp->GetLocalAddress(), "127.0.0.1");
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);
    EXPECT_EQ(smtp->GetSocketHandle(), -1);
    server.Finish();
    EXPECT_EQ(server.Failure(), "");
    EXPECT_EQ(smtp.sink.Traces(0), (std::vector<std::string>{"EHLO client.test", "HELO client.test", "QUIT"}));
    EXPECT_EQ(smtp.sink.Traces(1), (std::vector<std::string>{"220 fake.test ESMTP", "500 Command not recognized",
                                                             "250 fake.test", "221 bye"}));
    EXPECT_EQ(smtp.sink.Traces(2), (std::vector<std::string>{"Connecting to mail server.", "Connected.",
                                                             "Disconnected."}));
}

TEST(SmtpConnect, HeloOnlyWhenEhloIsNotAllowedAndTheHostNameByDefault) {
    ScriptedSmtpServer server([](ScriptedConnection& c) {
        c.Send("220-fake.test ESMTP\r\n220 second greeting line\r\n");
        c.Expect("HELO ");
        c.Send("250 fake.test\r\n");
        c.Expect("QUIT");
        c.Send("221 bye\r\n");
        c.WaitForClientEnd();
    });
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    ASSERT_EQ(smtp->SetAllowEhlo(0), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 0);
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(std::string(smtp->GetHeloDomain()), std::string(host).substr(0, 100));
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);
    server.Finish();
    EXPECT_EQ(server.Failure(), "");
    EXPECT_EQ(server.Lines(), (std::vector<std::string>{"HELO " + std::string(smtp->GetHeloDomain()), "QUIT"}));
}

TEST(SmtpConnect, ContinuationAndPreliminaryRepliesAreReadThrough) {
    ScriptedSmtpServer server([](ScriptedConnection& c) {
        Greet(c);
        c.Expect("NOOP");
        c.Send("100 hold on\r\n250-still\r\n250 done\r\n");
        c.Expect("XCMD");
        c.Send("451-temporary\r\n451 failure here\r\n");
        c.WaitForClientEnd();
    });
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    ASSERT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 0);
    EXPECT_EQ(smtp->SetRawCommand("NOOP"), 0);
    EXPECT_STREQ(smtp->GetReplyLine(), "250 done");
    EXPECT_EQ(smtp->SetRawCommand("XCMD"), 161);
    EXPECT_EQ(smtp.LastError(), "451 failure here");
    EXPECT_STREQ(smtp->GetReplyLine(), "451 failure here");
}

TEST(SmtpSend, PutsTheMessageOnTheWireExactly) {
    std::vector<std::string> messages;
    ScriptedSmtpServer server(ScriptedSmtpServer::Lenient(messages));
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    ASSERT_EQ(smtp->SetTo("\"Doe, John\" <john@x.test>, jane@x.test (Jane)"), 0);
    ASSERT_EQ(smtp->SetCc("<carl@x.test> Carl"), 0);
    ASSERT_EQ(smtp->SetBcc("(hidden) bob@x.test"), 0);
    ASSERT_EQ(smtp->SetFrom("Alerts <alerts@x.test>"), 0);
    ASSERT_EQ(smtp->SetSubject("Growth alert"), 0);
    ASSERT_EQ(smtp->SetReplyTo("admin@x.test"), 0);
    ASSERT_EQ(smtp->SetDate("Mon, 1 Jan 2024 10:00:00 +0100"), 0);
    ASSERT_EQ(smtp->SetExtraHeaders("X-Tallyvol: 1\n"), 0);
    ASSERT_EQ(smtp->SetBody("line1\r\n.\r\n..two\r\n.three"), 0);
    EXPECT_STREQ(smtp->GetBody(), "line1\r\n..\r\n...two\r\n..three");

    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND), 0);
    EXPECT_EQ(smtp->GetLastError(), nullptr);
    EXPECT_STREQ(smtp->GetExtraHeaders(), "X-Tallyvol: 1\r\n");
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);
    server.Finish();
    ASSERT_EQ(server.Failure(), "");

    std::vector<std::string> lines = server.Lines();
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.begin() + 9),
              (std::vector<std::string>{"RSET", "MAIL FROM:<alerts@x.test>", "RCPT TO:<john@x.test>",
                                        "RCPT TO:<jane@x.test>", "RCPT TO:<carl@x.test>",
                                        "RCPT TO:<bob@x.test>", "DATA", "QUIT"}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "To: \"Doe, John\" <john@x.test>, jane@x.test (Jane)\r\n"
                           "From: Alerts <alerts@x.test>\r\n"
                           "Subject: Growth alert\r\n"
                           "Reply-To: admin@x.test\r\n"
                           "Date: Mon, 1 Jan 2024 10:00:00 +0100\r\n"
                           "Cc: <carl@x.test> Carl\r\n"
                           "X-Tallyvol: 1\r\n"
                           "\r\n"
                           "line1\r\n..\r\n...two\r\n..three\r\n");
    std::vector<RecordedEvent> transfer;
    for (const RecordedEvent& event : smtp.sink.events) {
        if (event.name.find("Transfer") != std::string::npos) {
            transfer.push_back(event);
        }
    }
    ASSERT_EQ(transfer.size(), 3u);
    EXPECT_EQ(transfer[0].name, "StartTransfer");
    EXPECT_EQ(transfer[1].name, "Transfer");
    EXPECT_EQ(transfer[1].number, 26); // the body as stuffed
    EXPECT_EQ(transfer[2].name, "EndTransfer");
}

TEST(SmtpSend, OptionalHeadersAreLeftOutAndTheBodyGoesInBlocks) {
    std::vector<std::string> messages;
    ScriptedSmtpServer server(ScriptedSmtpServer::Lenient(messages));
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    ASSERT_EQ(smtp->SetTo("a@x.test"), 0);
    ASSERT_EQ(smtp->SetFrom("b@x.test"), 0);
    std::string body(20000, 'z');
    ASSERT_EQ(smtp->SetBody(body.c_str()), 0);
    // Send connects by itself.
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);
    server.Finish();
    ASSERT_EQ(server.Failure(), "");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "To: a@x.test\r\nFrom: b@x.test\r\n\r\n" + body + "\r\n");
    std::vector<int> counts;
    for (const RecordedEvent& event : smtp.sink.Named("Transfer")) {
        counts.push_back(event.number);
    }
    EXPECT_EQ(counts, (std::vector<int>{8192, 16384, 20000}));
}

TEST(SmtpSend, CommandWordsSenderFormsAndRecipientLists) {
    std::vector<std::string> messages;
    ScriptedSmtpServer server(ScriptedSmtpServer::Lenient(messages));
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    const std::string longAddress = std::string(300, 'l') + "@x.test";
    const std::string to = "\"q,uoted\"@x.test, (a (nested) comment) dave@x.test, <eve@x.test> junk, , "
                           "  a b@x.test  , " + longAddress;
    ASSERT_EQ(smtp->SetFoldWidth(0), 0);
    ASSERT_EQ(smtp->SetTo(to.c_str()), 0);
    ASSERT_EQ(smtp->SetFrom("<plain@x.test>"), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND_SAML), 0);
    ASSERT_EQ(smtp->SetFrom("plain2@x.test"), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND_SOML), 0);
    ASSERT_EQ(smtp->SetFrom("\x07<> BODY=8BITMIME"), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND_SEND), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);
    server.Finish();
    ASSERT_EQ(server.Failure(), "");
    std::vector<std::string> lines = server.Lines();
    EXPECT_EQ(Starting(lines, "SAML"), (std::vector<std::string>{"SAML FROM:<plain@x.test>"}));
    EXPECT_EQ(Starting(lines, "SOML"), (std::vector<std::string>{"SOML FROM:<plain2@x.test>"}));
    EXPECT_EQ(Starting(lines, "SEND"), (std::vector<std::string>{"SEND FROM:<> BODY=8BITMIME"}));
    std::vector<std::string> expected = {"RCPT TO:<\"q,uoted\"@x.test>", "RCPT TO:<dave@x.test>",
                                         "RCPT TO:<eve@x.test>", "RCPT TO:<a b@x.test>",
                                         "RCPT TO:<" + longAddress.substr(0, 255) + ">"};
    std::vector<std::string> rcpt = Starting(lines, "RCPT");
    ASSERT_EQ(rcpt.size(), 15u);
    EXPECT_EQ(std::vector<std::string>(rcpt.begin(), rcpt.begin() + 5), expected);
    EXPECT_EQ(messages.size(), 3u);
}

TEST(SmtpSend, RejectedBccIsReportedAndTheMessageStillGoes) {
    std::string data;
    ScriptedSmtpServer server([&data](ScriptedConnection& c) {
        Greet(c);
        c.Expect("RSET");
        c.Send("250 ok\r\n");
        c.Expect("MAIL FROM:<me@x.test>");
        c.Send("250 ok\r\n");
        c.Expect("RCPT TO:<you@x.test>");
        c.Send("250 ok\r\n");
        c.Expect("RCPT TO:<ghost@x.test>");
        c.Send("550 5.1.1 no such user\r\n");
        c.Expect("RCPT TO:<real@x.test>");
        c.Send("250 ok\r\n");
        c.Expect("DATA");
        c.Send("354 go\r\n");
        data = c.ReadData();
        c.Send("250 queued\r\n");
        c.Expect("QUIT");
        c.Send("221 bye\r\n");
    });
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    ASSERT_EQ(smtp->SetTo("you@x.test"), 0);
    ASSERT_EQ(smtp->SetBcc("ghost@x.test, real@x.test"), 0);
    ASSERT_EQ(smtp->SetFrom("me@x.test"), 0);
    ASSERT_EQ(smtp->SetBody("hello"), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND), 0);
    EXPECT_EQ(smtp->GetLastError(), nullptr);
    std::vector<RecordedEvent> errors = smtp.sink.Named("Error");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].number, 161);
    EXPECT_EQ(errors[0].text, "550 5.1.1 no such user");
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);
    server.Finish();
    EXPECT_EQ(server.Failure(), "");
    EXPECT_EQ(data, "To: you@x.test\r\nFrom: me@x.test\r\n\r\nhello\r\n"); // no Bcc header
}

TEST(SmtpSend, RejectedRecipientOrMissingFieldsEndTheActionAndKeepTheConnection) {
    ScriptedSmtpServer server([](ScriptedConnection& c) {
        Greet(c);
        c.Expect("RSET");
        c.Send("250 ok\r\n");
        c.Expect("MAIL FROM:");
        c.Send("250 ok\r\n");
        c.Expect("RCPT TO:<nobody@x.test>");
        c.Send("550 unknown recipient\r\n");
        c.Expect("NOOP");
        c.Send("250 still here\r\n");
        c.Expect("QUIT");
        c.Send("221 bye\r\n");
    });
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    ASSERT_EQ(smtp->SetAction(SMTP_ACTION_CONNECT), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND), 164);
    EXPECT_EQ(smtp.LastError(), "Please specify a sender (From).");
    ASSERT_EQ(smtp->SetFrom("me@x.test"), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND), 165);
    EXPECT_EQ(smtp.LastError(), "Please specify a recipient (To).");
    EXPECT_NE(smtp->GetSocketHandle(), -1);
    ASSERT_EQ(smtp->SetTo("nobody@x.test"), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND), 161);
    EXPECT_EQ(smtp.LastError(), "550 unknown recipient");
    EXPECT_EQ(smtp->SetRawCommand("NOOP"), 0);
    EXPECT_STREQ(smtp->GetReplyLine(), "250 still here");
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_DISCONNECT), 0);
    server.Finish();
    EXPECT_EQ(server.Failure(), "");
}

TEST(SmtpSend, MessageFileIsDotStuffedAcrossItsBlocks) {
    testsupport::TempDirectory directory("netkit-file");
    // A "." starts the file, another starts the second 2048-byte block, one more follows a
    // line feed that ends the first block.
    std::string content = ".first\n" + std::string(2040, 'a') + "\n" + ".second\r\nplain.\n.\n";
    std::string stuffed = "..first\n" + std::string(2040, 'a') + "\n" + "..second\r\nplain.\n..\n";
    ASSERT_EQ(content[2048], '.');
    testsupport::WriteFile(directory / "message.txt", content);
    std::vector<std::string> messages;
    ScriptedSmtpServer server(ScriptedSmtpServer::Lenient(messages));
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    ASSERT_EQ(smtp->SetTo("a@x.test"), 0);
    ASSERT_EQ(smtp->SetFrom("b@x.test"), 0);
    ASSERT_EQ(smtp->SetBody("Body first.\r\n"), 0);
    ASSERT_EQ(smtp->SetMessageFile((directory / "message.txt").c_str()), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND), 0);
    smtp->SetAction(SMTP_ACTION_DISCONNECT);
    server.Finish();
    ASSERT_EQ(server.Failure(), "");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "To: a@x.test\r\nFrom: b@x.test\r\n\r\nBody first.\r\n" + stuffed + "\r\n");
    std::vector<std::string> order;
    for (const RecordedEvent& event : smtp.sink.events) {
        if (event.name != "Trace") {
            order.push_back(event.name);
        }
    }
    EXPECT_EQ(order, (std::vector<std::string>{"StartTransfer", "Transfer", "EndTransfer", "StartTransfer",
                                               "Transfer", "Transfer", "EndTransfer"}));
    EXPECT_EQ(smtp.sink.Named("Transfer").back().number, static_cast<int>(stuffed.size()));
}

TEST(SmtpSend, UnreadableMessageFilesFailWithTheirCodes) {
    testsupport::TempDirectory directory("netkit-file");
    auto script = [](ScriptedConnection& c) {
        Greet(c);
        for (const char* command : {"RSET", "MAIL", "RCPT"}) {
            c.Expect(command);
            c.Send("250 ok\r\n");
        }
        c.Expect("DATA");
        c.Send("354 go\r\n");
        c.WaitForClientEnd();
    };
    {
        ScriptedSmtpServer server(script);
        SmtpClient smtp;
        WaitBound bound(seconds(20));
        smtp.Target(server.Port());
        smtp->SetTo("a@x.test");
        smtp->SetFrom("b@x.test");
        smtp->SetMessageFile((directory / "missing.txt").c_str());
        EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND), 302);
        EXPECT_EQ(smtp.LastError(), "Can't open file for reading.");
    }
    {
        ScriptedSmtpServer server(script);
        SmtpClient smtp;
        WaitBound bound(seconds(20));
        smtp.Target(server.Port());
        smtp->SetTo("a@x.test");
        smtp->SetFrom("b@x.test");
        smtp->SetMessageFile(directory.Path().c_str()); // opens, but cannot be read
        EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND), 6);
        EXPECT_EQ(smtp.LastError(), "[6] (no description available)");
    }
}

TEST(SmtpActions, ExpandVerifyAndClear) {
    ScriptedSmtpServer server([](ScriptedConnection& c) {
        Greet(c);
        c.Expect("EXPN staff@x.test");
        c.Send("250-Ann <ann@x.test>\r\n250 Bob <bob@x.test>\r\n");
        c.Expect("VRFY carl");
        c.Send("250 Carl Smith <carl@x.test>\r\n");
        c.Expect("VRFY nobody");
        c.Send("550 unknown\r\n");
        c.WaitForClientEnd();
    });
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    ASSERT_EQ(smtp->SetTo("staff@x.test"), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_EXPAND), 0); // connects first
    std::vector<RecordedEvent> expanded = smtp.sink.Named("Expand");
    ASSERT_EQ(expanded.size(), 2u);
    EXPECT_EQ(expanded[0].text, "Ann <ann@x.test>");
    EXPECT_EQ(expanded[1].text, "Bob <bob@x.test>");
    ASSERT_EQ(smtp->SetTo("carl"), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_VERIFY), 0);
    EXPECT_STREQ(smtp->GetTo(), "Carl Smith <carl@x.test>");
    ASSERT_EQ(smtp->SetTo("nobody"), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_VERIFY), 161);
    EXPECT_STREQ(smtp->GetTo(), "nobody");

    for (auto setter : {&ISMTPComponent::SetFrom, &ISMTPComponent::SetTo, &ISMTPComponent::SetCc,
                        &ISMTPComponent::SetBcc, &ISMTPComponent::SetReplyTo, &ISMTPComponent::SetDate,
                        &ISMTPComponent::SetSubject, &ISMTPComponent::SetExtraHeaders,
                        &ISMTPComponent::SetBody, &ISMTPComponent::SetMessageFile}) {
        ASSERT_EQ((smtp.get()->*setter)("something"), 0);
    }
    ASSERT_EQ(smtp->SetHeloDomain("kept.test"), 0);
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_RESET_MESSAGE), 0);
    for (const char* value : {smtp->GetFrom(), smtp->GetTo(), smtp->GetCc(), smtp->GetBcc(),
                              smtp->GetReplyTo(), smtp->GetDate(), smtp->GetSubject(),
                              smtp->GetExtraHeaders(), smtp->GetBody(), smtp->GetMessageFile()}) {
        EXPECT_STREQ(value, "");
    }
    EXPECT_STREQ(smtp->GetHeloDomain(), "kept.test");
    EXPECT_NE(smtp->GetSocketHandle(), -1); // clearing the message leaves the connection
}

TEST(SmtpActions, HandlersMeetBusyAndCanInterrupt) {
    ScriptedSmtpServer server([](ScriptedConnection& c) {
        Greet(c);
        for (const char* command : {"RSET", "MAIL", "RCPT"}) {
            c.Expect(command);
            c.Send("250 ok\r\n");
        }
        c.Expect("DATA");
        c.WaitForClientEnd(); // never answers
    });
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    smtp->SetTo("a@x.test");
    smtp->SetFrom("b@x.test");
    std::vector<int> nested;
    std::string busyText;
    smtp.sink.onTrace = [&](int direction, const std::string& text) {
        if (direction == 0 && text == "DATA") {
            nested.push_back(smtp->GetAction());
            nested.push_back(smtp->SetAction(SMTP_ACTION_CONNECT));
            busyText = smtp.LastError();
            nested.push_back(smtp->SetRawCommand("NOOP"));
            nested.push_back(smtp->SetAction(SMTP_ACTION_INTERRUPT));
        }
    };
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND), 301);
    EXPECT_LT(std::chrono::steady_clock::now() - started, seconds(5));
    EXPECT_EQ(smtp.LastError(), "Interrupted.");
    EXPECT_EQ(nested, (std::vector<int>{3, 166, 166, 0}));
    EXPECT_EQ(busyText, "Busy performing current action.");
    EXPECT_EQ(smtp->GetAction(), 0);
    EXPECT_FALSE(bound.Expired());
    // The interrupt was used up: it does not stop the next wait.
    EXPECT_EQ(smtp->DoEvents(), 1);
}

TEST(SmtpSend, MessageFileContinuesABodyThatHasNoLineEnd) {
    testsupport::TempDirectory directory("netkit-file");
    testsupport::WriteFile(directory / "rest.txt", ".5 percent\n.\n");
    std::vector<std::string> messages;
    ScriptedSmtpServer server(ScriptedSmtpServer::Lenient(messages));
    SmtpClient smtp;
    WaitBound bound(seconds(20));
    smtp.Target(server.Port());
    smtp->SetTo("a@x.test");
    smtp->SetFrom("b@x.test");
    smtp->SetBody("Grew by 0");
    smtp->SetMessageFile((directory / "rest.txt").c_str());
    EXPECT_EQ(smtp->SetAction(SMTP_ACTION_SEND), 0);
    smtp->SetAction(SMTP_ACTION_DISCONNECT);
    server.Finish();
    ASSERT_EQ(server.Failure(), "");
    ASSERT_EQ(messages.size(), 1u);
    // The file's first dot is inside the line "Grew by 0.5 percent": not doubled.
    EXPECT_EQ(messages[0], "To: a@x.test\r\nFrom: b@x.test\r\n\r\nGrew by 0.5 percent\n..\n\r\n");
}

namespace {

struct FlatLog {
    std::vector<int> ids;
    std::vector<std::string> expanded;
    std::vector<intptr_t> transferred;
};
FlatLog* g_flatLog = nullptr;

int FlatRecorder(void*, int id, int, intptr_t* params, int*) {
    g_flatLog->ids.push_back(id);
    if (id == SMTP_EVENT_EXPAND) {
        g_flatLog->expanded.emplace_back(reinterpret_cast<const char*>(params[0]));
    } else if (id == SMTP_EVENT_TRANSFER) {
        g_flatLog->transferred.push_back(params[0]);
    }
    return 0;
}

} // namespace

TEST(SmtpFlatBinding, SendsAndExpandsWithEventIdentifiers) {
    std::vector<std::string> messages;
    ScriptedSmtpServer server([&messages](ScriptedConnection& c) {
        Greet(c);
        c.Expect("EXPN list");
        c.Send("250-one\r\n250 two\r\n");
        for (const char* command : {"RSET", "MAIL", "RCPT"}) {
            c.Expect(command);
            c.Send("250 ok\r\n");
        }
        c.Expect("DATA");
        c.Send("354 go\r\n");
        messages.push_back(c.ReadData());
        c.Send("250 queued\r\n");
        c.Expect("QUIT");
        c.Send("221 bye\r\n");
    });
    FlatLog log;
    g_flatLog = &log;
    WaitBound bound(seconds(20));
    void* smtp = SMTP_Init(&FlatRecorder, 0);
    ASSERT_NE(smtp, nullptr);
    auto text = [](const char* value) { return reinterpret_cast<intptr_t>(value); };
    ASSERT_EQ(SMTP_Set(smtp, SMTP_PROP_REMOTE_HOST, 0, text("127.0.0.1"), 0), 0);
    ASSERT_EQ(SMTP_Set(smtp, SMTP_PROP_REMOTE_PORT, 0, server.Port(), 0), 0);
    ASSERT_EQ(SMTP_Set(smtp, SMTP_PROP_TO, 0, text("list"), 0), 0);
    EXPECT_EQ(SMTP_Set(smtp, SMTP_PROP_ACTION, 0, SMTP_ACTION_EXPAND, 0), 0);
    EXPECT_EQ(log.expanded, (std::vector<std::string>{"one", "two"}));
    ASSERT_EQ(SMTP_Set(smtp, SMTP_PROP_TO, 0, text("to@x.test"), 0), 0);
    ASSERT_EQ(SMTP_Set(smtp, SMTP_PROP_FROM, 0, text("from@x.test"), 0), 0);
    ASSERT_EQ(SMTP_Set(smtp, SMTP_PROP_BODY, 0, text("flat body"), 0), 0);
    log.ids.clear();
    EXPECT_EQ(SMTP_Set(smtp, SMTP_PROP_ACTION, 0, SMTP_ACTION_SEND, 0), 0);
    EXPECT_EQ(SMTP_GetLastError(smtp), nullptr);
    EXPECT_EQ(SMTP_Get(smtp, SMTP_PROP_ACTION, 0, nullptr), 0);
    EXPECT_EQ(SMTP_Set(smtp, SMTP_PROP_ACTION, 0, SMTP_ACTION_DISCONNECT, 0), 0);
    EXPECT_EQ(SMTP_Close(smtp), 0);
    g_flatLog = nullptr;
    server.Finish();
    ASSERT_EQ(server.Failure(), "");
    std::vector<int> transferIds;
    for (int id : log.ids) {
        if (id != SMTP_EVENT_TRACE) {
            transferIds.push_back(id);
        }
    }
    EXPECT_EQ(transferIds, (std::vector<int>{SMTP_EVENT_START_TRANSFER, SMTP_EVENT_TRANSFER,
                                             SMTP_EVENT_END_TRANSFER}));
    EXPECT_EQ(log.transferred, (std::vector<intptr_t>{9}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "To: to@x.test\r\nFrom: from@x.test\r\n\r\nflat body\r\n");
}
