// HTTP requests against a real local web server: what arrives, what comes back, and that every
// way a server can misbehave ends within the bounds set.
#include "platform/http/HttpRequest.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

using namespace platform::http;
using namespace testsupport;

namespace {

class Stopwatch {
public:
    long Milliseconds() const {
        return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - m_start)
                                     .count());
    }

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// A file to download into, read back whole.
class Target {
public:
    Target() : m_fd(::open((m_directory / "out").c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600)) {}
    ~Target() { ::close(m_fd); }
    int Fd() const { return m_fd; }
    std::string Content() const { return ReadFile(m_directory / "out"); }

private:
    TempDirectory m_directory;
    int m_fd;
};

// A loopback port on which nothing listens.
unsigned short closedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

HttpOptions quick() {
    HttpOptions options;
    options.userAgent = "TallyvolTest/1";
    options.connectTimeoutMilliseconds = 1000;
    options.totalTimeoutMilliseconds = 1500;
    options.maxRedirects = 3;
    return options;
}

} // namespace

TEST(HttpRequest, DownloadsWriteTheBodyAndSendTheCallersAgent) {
    HttpTestServer server;
    std::string page = "REG:DaysBetweenChecks-14\r\n";
    page += std::string("\0\x01\xff", 3);
    server.SetPage("settings2.asp", page);
    Target target;
    HttpResult result = HttpGetToFile(server.Address() + "/x/settings2.asp", target.Fd(), 1000, quick());
    ASSERT_TRUE(result.Succeeded()) << result.text;
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(result.bytes, page.size());
    EXPECT_EQ(target.Content(), page);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].RequestLine(), "GET /x/settings2.asp HTTP/1.1");
    EXPECT_EQ(server.Requests()[0].Header("User-Agent"), "TallyvolTest/1");
}

// Each way a download can fail, with the code it must give.
TEST(HttpRequest, DownloadFailuresAreCodesNeverExceptions) {
    HttpTestServer server;
    server.SetPage("big", std::string(10 << 20, 'x'));
    struct Case {
        std::string address;
        int code;
    };
    const Case cases[] = {
        {server.Address() + "/missing", kHttpStatusError},
        {server.Address() + "/big", kHttpTooLarge},
        {server.Address() + "/redirect-loop", kHttpTransferFailed},
        {"file:///etc/passwd", kHttpBadAddress},
        {"ftp://127.0.0.1/x", kHttpBadAddress},
        {"not an address", kHttpBadAddress},
        {"http://127.0.0.1:" + std::to_string(closedPort()) + "/x", kHttpCannotConnect},
        {"http://no-such-host.invalid/x", kHttpCannotResolve},
    };
    for (const Case& c : cases) {
        Target target;
        Stopwatch watch;
        HttpResult result = HttpGetToFile(c.address, target.Fd(), 1 << 20, quick());
        EXPECT_EQ(result.code, c.code) << c.address << ": " << result.text;
        EXPECT_FALSE(result.text.empty()) << c.address;
        EXPECT_LT(watch.Milliseconds(), 3000) << c.address;
        EXPECT_LE(target.Content().size(), 1u << 20) << c.address;
    }
}

TEST(HttpRequest, RedirectsAreFollowedWithinTheLimit) {
    HttpTestServer server;
    server.SetPage("final", "arrived");
    Target target;
    HttpResult result = HttpGetToFile(server.Address() + "/redirect-final", target.Fd(), 100, quick());
    ASSERT_TRUE(result.Succeeded()) << result.text;
    EXPECT_EQ(target.Content(), "arrived");

    HttpOptions noRedirects = quick();
    noRedirects.maxRedirects = 0;
    Target other;
    result = HttpGetToFile(server.Address() + "/redirect-final", other.Fd(), 100, noRedirects);
    EXPECT_TRUE(result.Succeeded()) << "a redirect not followed is the answer itself";
    EXPECT_EQ(result.status, 302);
}

TEST(HttpRequest, ProxyVariablesOfTheEnvironmentAreIgnored) {
    IsolatedEnvironment env;
    env.Set("http_proxy", "http://127.0.0.1:" + std::to_string(closedPort()));
    env.Set("HTTP_PROXY", "http://127.0.0.1:" + std::to_string(closedPort()));
    env.Set("all_proxy", "http://127.0.0.1:" + std::to_string(closedPort()));
    HttpTestServer server;
    server.SetPage("p", "direct");
    Target target;
    HttpResult result = HttpGetToFile(server.Address() + "/p", target.Fd(), 100, quick());
    ASSERT_TRUE(result.Succeeded()) << result.text;
    EXPECT_EQ(target.Content(), "direct");
}

// A server that accepts and never answers: the total time-out ends the request, and the cancel
// hook ends it sooner.
TEST(HttpRequest, AHungServerCostsTheTimeOutAndCancellingEndsItAtOnce) {
    HttpTestServer server;
    Target target;
    Stopwatch watch;
    HttpResult result = HttpGetToFile(server.Address() + "/hang", target.Fd(), 100, quick());
    EXPECT_EQ(result.code, kHttpTimedOut) << result.text;
    EXPECT_GE(watch.Milliseconds(), 1400);
    EXPECT_LT(watch.Milliseconds(), 2500);

    HttpOptions options = quick();
    options.totalTimeoutMilliseconds = 60000;
    Stopwatch cancelWatch;
    options.cancelled = [&cancelWatch] { return cancelWatch.Milliseconds() > 300; };
    Target other;
    result = HttpGetToFile(server.Address() + "/hang", other.Fd(), 100, options);
    EXPECT_EQ(result.code, kHttpCancelled) << result.text;
    EXPECT_LT(cancelWatch.Milliseconds(), 800);
}

// A POST sends its body as given; any answer counts, kept up to the limit.
TEST(HttpRequest, PostsSendTheBodyAndKeepTheAnswerUpToTheLimit) {
    HttpTestServer server;
    server.SetPostAnswer(std::string(5000, 'a') + "<tail>", 500);
    HttpOptions options = quick();
    options.headers = {"Content-Type: application/x-www-form-urlencoded", "Expect:"};
    std::string body = "Error=" + std::string(3000, 'e');
    struct Case {
        std::size_t limit;
        std::size_t kept;
        bool truncated;
    };
    for (const Case& c : {Case{8192, 5006, false}, Case{100, 100, true}}) {
        std::string answer;
        HttpResult result = HttpPostForm(server.Address() + "/ReportError.asp", body, c.limit, &answer, options);
        ASSERT_TRUE(result.Succeeded()) << result.text;
        EXPECT_EQ(result.status, 500);
        EXPECT_EQ(answer.size(), c.kept);
        EXPECT_EQ(result.truncated, c.truncated);
    }
    std::vector<ReceivedRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].RequestLine(), "POST /ReportError.asp HTTP/1.1");
    EXPECT_EQ(requests[0].body, body);
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].Header("Expect"), "") << "no 100-continue pause before the body";
}
