// Sending a problem report to a real local web server: the form as received byte for byte, the
// answer address rule, the three outcomes with their texts, and a server that never answers.
#include "app/ProblemReportSender.h"
#include "app/base/Settings.h"
#include "platform/ui/IUserInterface.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/RecordingUpdateCheckOwner.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <thread>

using namespace app;
using namespace testsupport;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kSuccessWithout =
    "The problem report was successfully sent.  There are no online notes about this problem.  This might be a good "
    "time to see if there is a newer version available.  Do you want to check?";
const std::string kFailure =
    "There was an error sending the problem report.  This might be a good time to see if there is a newer version "
    "available.  Do you want to check?";

std::string successWith(const std::string& address) {
    return "The problem report was successfully sent.  There is information about this error at: " + address +
           "\r\n\r\nWould you like to open a browser to that location?";
}

long millisecondsSince(Clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

class ProblemReportTest : public ::testing::Test {
protected:
    void SetUp() override { SetSetting(settings::ErrorReportServer, m_server.HostAndPort()); }

    ProblemReportOutcome send(const std::string& email = "") {
        return ProblemReportSender().Send("An error occurred while: x\r\nDetails: None", "Program: /p", email);
    }

    IsolatedEnvironment m_env;
    HttpTestServer m_server;
};

} // namespace

TEST(ProblemReportForm, EncodingKeepsLettersAndDigitsOnly) {
    struct Case {
        std::string text, encoded;
    };
    const Case cases[] = {
        {"a :x", "a+%3Ax"},
        {"AZaz09", "AZaz09"},
        {"-._~*", "%2D%2E%5F%7E%2A"},
        {"\r\n\t", "%0D%0A%09"},
        {"100% & =", "100%25+%26+%3D"},
        {"caf\xc3\xa9", "caf%C3%A9"},           // UTF-8: one %XX per byte
        {"\xe2\x82\xac", "%E2%82%AC"},          // the euro sign
        {std::string("\0\xff", 2), "%00%FF"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProblemReportSender::FormEncode(c.text), c.encoded) << c.text;
    }
    EXPECT_EQ(ProblemReportSender::FormBody("e 1", "s&2", "a :x"), "Error=e+1&System=s%262&Email=a+%3Ax");
}

TEST(ProblemReportForm, TheAnswerAddress) {
    struct Case {
        std::string answer, address;
    };
    const Case cases[] = {
        {"<html><ANSWERURL>http://kb.example/q?id=7</ANSWERURL></html>", "http://kb.example/q?id=7&prodID=TV3"},
        {"<ANSWERURL>https://kb.example/a</ANSWERURL><ANSWERURL>http://second</ANSWERURL>",
         "https://kb.example/a&prodID=TV3"},
        {"</ANSWERURL><ANSWERURL>HTTP://kb.example/b</ANSWERURL>", "HTTP://kb.example/b&prodID=TV3"},
        {"<ANSWERURL>http://kb.example/unterminated", ""},
        {"<answerurl>http://kb.example/c</answerurl>", ""},
        {"no answer at all", ""},
        {"", ""},
        // Opened with the desktop's "open" action once the user agrees: web addresses only, and
        // no line breaks that could forge lines of the question.
        {"<ANSWERURL>file:///etc/passwd</ANSWERURL>", ""},
        {"<ANSWERURL>/usr/bin/xterm</ANSWERURL>", ""},
        {"<ANSWERURL>--help</ANSWERURL>", ""},
        {"<ANSWERURL>http://a\r\n\r\nWould you like</ANSWERURL>", ""},
        {"<ANSWERURL></ANSWERURL>", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProblemReportSender::FindAnswerAddress(c.answer), c.address) << c.answer;
    }
}

TEST(ProblemReportForm, TheReportServerSetting) {
    struct Case {
        std::string server, address;
    };
    const Case cases[] = {
        {"www.corvane.example", "http://www.corvane.example:80/ReportError.asp"},
        {"127.0.0.1:8080", "http://127.0.0.1:8080/ReportError.asp"},
        {"[::1]", "http://[::1]:80/ReportError.asp"},
        {"[::1]:81", "http://[::1]:81/ReportError.asp"},
        {"host:0", ""},
        {"host:65536", ""},
        {"host:", ""},
        {"host:8o", ""},
        {"evil.example/x?", ""},
        {"user@host", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProblemReportSender::ReportAddress(c.server), c.address) << c.server;
    }
    IsolatedEnvironment env;
    EXPECT_EQ(ProblemReportSender::ReportAddress(GetSetting(settings::ErrorReportServer)),
              "http://www.corvane.example:80/ReportError.asp")
        << "by default the brand's server";
}

TEST_F(ProblemReportTest, TheFormArrivesByteForByte) {
    ProblemReportOutcome outcome =
        ProblemReportSender().Send("An error occurred while: caf\xc3\xa9\r\nDetails: DBG=3", "Program: /p 1", "a :x");
    EXPECT_EQ(outcome.kind, ProblemReportOutcome::kSentWithoutAnswer) << outcome.failure;
    std::vector<ReceivedRequest> requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const ReceivedRequest& request = requests[0];
    EXPECT_EQ(request.RequestLine(), "POST /ReportError.asp HTTP/1.1");
    EXPECT_EQ(request.body, "Error=An+error+occurred+while%3A+caf%C3%A9%0D%0ADetails%3A+DBG%3D3"
                            "&System=Program%3A+%2Fp+1&Email=a+%3Ax");
    EXPECT_EQ(request.Header("User-Agent"), "CV_ErrReporter");
    EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.Header("Accept"), "*/*");
    EXPECT_EQ(request.Header("Content-Length"), std::to_string(request.body.size()));
    EXPECT_EQ(request.Header("Host"), m_server.HostAndPort());
}

// What the server answers, and the box that follows.
TEST_F(ProblemReportTest, TheOutcomesOfAnAnswer) {
    const std::string longAnswer = std::string(8192, ' ') + "<ANSWERURL>http://late.example</ANSWERURL>";
    struct Case {
        std::string answer;
        int status;
        ProblemReportOutcome::Kind kind;
        std::string question;
    };
    const Case cases[] = {
        {"<ANSWERURL>http://kb.example/q?id=7</ANSWERURL>", 200, ProblemReportOutcome::kSentWithAnswer,
         successWith("http://kb.example/q?id=7&prodID=TV3")},
        {"<ANSWERURL>http://kb.example/e</ANSWERURL>", 500, ProblemReportOutcome::kSentWithAnswer,
         successWith("http://kb.example/e&prodID=TV3")},
        {"<ANSWERURL>http://kb.example/unterminated", 200, ProblemReportOutcome::kSentWithoutAnswer, kSuccessWithout},
        {"", 404, ProblemReportOutcome::kSentWithoutAnswer, kSuccessWithout},
        {longAnswer, 200, ProblemReportOutcome::kSentWithoutAnswer, kSuccessWithout},
    };
    for (const Case& c : cases) {
        m_server.SetPostAnswer(c.answer, c.status);
        ProblemReportOutcome outcome = send();
        EXPECT_EQ(outcome.kind, c.kind) << c.answer.substr(0, 60);
        EXPECT_EQ(outcome.caption, "Success");
        EXPECT_EQ(outcome.question, c.question);
        EXPECT_EQ(outcome.flags, platform::ui::MB_YESNO);
        EXPECT_TRUE(outcome.closesWindow);
        EXPECT_EQ(outcome.status, c.status);
    }
}

TEST_F(ProblemReportTest, AnythingButAnAnswerIsTheErrorBoxAndTheWindowStays) {
    for (const std::string& server : {std::string("127.0.0.1:1"), std::string("no-such-host.invalid"),
                                      std::string("bad/host")}) {
        SetSetting(settings::ErrorReportServer, server);
        ProblemReportOutcome outcome = send();
        EXPECT_EQ(outcome.kind, ProblemReportOutcome::kFailed) << server;
        EXPECT_EQ(outcome.caption, "Error");
        EXPECT_EQ(outcome.question, kFailure);
        EXPECT_EQ(outcome.flags, platform::ui::MB_YESNO);
        EXPECT_FALSE(outcome.closesWindow);
        EXPECT_FALSE(outcome.failure.empty());
    }
    EXPECT_EQ(std::string(ProblemReportSender::kConfirmCancelCaption), "Confirm Cancel");
    EXPECT_EQ(std::string(ProblemReportSender::kConfirmCancelText),
              "Are you sure you don't want to submit this error?  If you don't, you won't find out if there are known "
              "solutions to this problem.\r\n\r\nAre you sure you want to skip submitting this error?");
}

// A server that accepts and never answers: the send ends in the "Error" box after its 10 s
// bound, or as soon as the window cancels it.
TEST_F(ProblemReportTest, AHungServerEndsInTheErrorBoxWithinTheBound) {
    m_server.HangPosts();
    Clock::time_point start = Clock::now();
    ProblemReportOutcome outcome = send();
    long elapsed = millisecondsSince(start);
    EXPECT_EQ(outcome.kind, ProblemReportOutcome::kFailed);
    EXPECT_EQ(outcome.question, kFailure);
    EXPECT_GE(elapsed, 9500);
    EXPECT_LT(elapsed, 11500);

    ProblemReportSender sender;
    std::thread canceller([&sender] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sender.Cancel();
    });
    start = Clock::now();
    outcome = sender.Send("e", "s", "");
    canceller.join();
    EXPECT_EQ(outcome.kind, ProblemReportOutcome::kFailed);
    EXPECT_LT(millisecondsSince(start), 1000);
}

TEST_F(ProblemReportTest, YesOpensTheAnswerAddressOrChecksForANewerVersion) {
    // A stand-in for the desktop's opener records what it was asked to open, and where.
    std::string bin = m_env.Root() + "/bin";
    std::string record = m_env.Root() + "/opened";
    WriteFile(bin + "/xdg-open", "#!/bin/sh\necho \"$PWD|$*\" > '" + record + "'\n");
    ::chmod((bin + "/xdg-open").c_str(), 0755);
    m_env.Set("PATH", bin + ":" + std::string(std::getenv("PATH")));
    SetSetting(settings::HomePage, m_server.Address() + "/tallyvol");
    m_server.SetPage("settings2.asp", "REG:LatestBuild-77\r\n");
    RecordingUpdateCheckOwner mainWindow;

    m_server.SetPostAnswer("<ANSWERURL>http://kb.example/q?id=7</ANSWERURL>");
    ProblemReportOutcome withAnswer = send();
    ProblemReportSender::FollowUp(withAnswer, false, &mainWindow);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(FileExists(record)) << "No opens nothing";
    ProblemReportSender::FollowUp(withAnswer, true, &mainWindow);
    for (int i = 0; i < 100 && !FileExists(record); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(ReadFile(record), "/|http://kb.example/q?id=7&prodID=TV3\n");

    m_server.SetPostAnswer("");
    ProblemReportOutcome withoutAnswer = send();
    ProblemReportSender::FollowUp(withoutAnswer, true, nullptr);
    EXPECT_EQ(GetSetting(settings::LatestBuild), 1) << "no main window: no check";
    ProblemReportSender::FollowUp(withoutAnswer, true, &mainWindow);
    EXPECT_EQ(GetSetting(settings::LatestBuild), 77);

    SetSetting(settings::LatestBuild, 1);
    SetSetting(settings::ErrorReportServer, "127.0.0.1:1");
    ProblemReportOutcome failed = send();
    ProblemReportSender::FollowUp(failed, false, &mainWindow);
    EXPECT_EQ(GetSetting(settings::LatestBuild), 1);
    ProblemReportSender::FollowUp(failed, true, &mainWindow);
    EXPECT_EQ(GetSetting(settings::LatestBuild), 77);
}
