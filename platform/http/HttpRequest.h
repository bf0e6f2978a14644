/*
 * HTTP requests in place of WinINet and URLDownloadToFile: a GET whose answer goes into a file
 * descriptor and a form POST whose answer is read up to a limit, both over libcurl. Every
 * request is bounded: a connect time-out and a total time-out are always set (a server that
 * accepts and never answers costs at most the total time-out plus about a tenth of a second),
 * the caller's cancel hook is polled every 100 ms, only http and https are spoken (also after a
 * redirect), redirects are limited, and no proxy is used (proxy variables in the environment
 * are ignored, so a cron job's or a login shell's settings never send the request elsewhere).
 *
 * Nothing throws across these functions: the result carries a code and a text. Any thread; each
 * call uses its own libcurl handles.
 */
#ifndef TALLYVOL_PLATFORM_HTTP_HTTPREQUEST_H
#define TALLYVOL_PLATFORM_HTTP_HTTPREQUEST_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::http {

// Result codes; 0 is success.
inline constexpr int kHttpOk = 0;
inline constexpr int kHttpBadAddress = 1;       // not an http or https address, or malformed
inline constexpr int kHttpCannotResolve = 2;    // the host name is unknown
inline constexpr int kHttpCannotConnect = 3;    // refused or unreachable
inline constexpr int kHttpTimedOut = 4;         // a time-out ran out
inline constexpr int kHttpCancelled = 5;        // the cancel hook asked to stop
inline constexpr int kHttpTooLarge = 6;         // a download passed its byte limit
inline constexpr int kHttpStatusError = 7;      // a download was answered with status 400 or more
inline constexpr int kHttpWriteFailed = 8;      // the download could not be written
inline constexpr int kHttpTransferFailed = 9;   // anything else: TLS, protocol, reset, redirects
inline constexpr int kHttpSetupFailed = 10;     // libcurl could not be set up (memory, options)

struct HttpOptions {
    std::string userAgent;
    long connectTimeoutMilliseconds = 5000;
    long totalTimeoutMilliseconds = 10000;
    long maxRedirects = 0;            // 0: a redirect is an answer like any other
    std::vector<std::string> headers; // "Name: value" lines; "Name:" removes a default header
    std::function<bool()> cancelled;  // true stops the request
};

struct HttpResult {
    int code = kHttpOk;
    std::string text;        // what failed, for the log; empty on success
    long status = 0;         // HTTP status of the answer; 0 when none arrived
    std::uint64_t bytes = 0; // answer bytes delivered to the caller
    bool truncated = false;  // a POST's answer was longer than its limit; the rest was not read

    bool Succeeded() const { return code == kHttpOk; }
};

// GETs `url` and writes the answer body to `fd` (from its current offset). A body of more than
// `maxBytes` bytes, or an answer status of 400 or more, is a failure.
HttpResult HttpGetToFile(const std::string& url, int fd, std::uint64_t maxBytes,
                         const HttpOptions& options) noexcept;

// POSTs `body` as it is (the caller sets the content type among the headers) and keeps at most
// `maxAnswerBytes` bytes of the answer in *answer. Any answer counts: the status is reported,
// not judged. An answer longer than the limit is cut there (truncated) and still a success.
HttpResult HttpPostForm(const std::string& url, const std::string& body, std::size_t maxAnswerBytes,
                        std::string* answer, const HttpOptions& options) noexcept;

} // namespace platform::http

#endif
