/*
 * A web server of the test's own (tests/support/http_server.py, Python's http.server on
 * 127.0.0.1 at a free port), started when the object is made and stopped by its process id when
 * it goes. Pages and the answer to posts are files in its directory; every request it received
 * can be read back, head and body as they arrived. Test thread only.
 */
#ifndef TALLYVOL_TESTS_SUPPORT_HTTPTESTSERVER_H
#define TALLYVOL_TESTS_SUPPORT_HTTPTESTSERVER_H

#include "tests/support/TempDirectory.h"

#include <string>
#include <vector>

namespace testsupport {

struct ReceivedRequest {
    std::string head; // request line and headers, CR LF separated
    std::string body;

    std::string RequestLine() const { return head.substr(0, head.find("\r\n")); }
    // The value of a header (name compared without case); empty when missing.
    std::string Header(const std::string& name) const;
};

class HttpTestServer {
public:
    HttpTestServer();
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    unsigned short Port() const { return m_port; }
    // "http://127.0.0.1:<port>"
    std::string Address() const;
    // "127.0.0.1:<port>"
    std::string HostAndPort() const;

    // GET .../<name> answers with `content`.
    void SetPage(const std::string& name, const std::string& content);
    // POSTs answer with `content` and `status`.
    void SetPostAnswer(const std::string& content, int status = 200);
    // POSTs are accepted and never answered.
    void HangPosts();

    // Every request so far, in the order received.
    std::vector<ReceivedRequest> Requests() const;

private:
    TempDirectory m_directory{"tallyvol-http"};
    unsigned short m_port = 0;
};

} // namespace testsupport

#endif
