#include "platform/http/HttpRequest.h"

#include <curl/curl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <mutex>

namespace platform::http {

namespace {

// How often the cancel hook is polled while nothing arrives.
constexpr int kPollMilliseconds = 100;
// libcurl enforces the total time-out itself; this is a second line should it ever not (a
// resolver thread that never returns, say): past the time-out plus this, the request is dropped.
constexpr long kBackstopMilliseconds = 1000;

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct MultiDeleter {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

bool globalInit() {
    static std::once_flag once;
    static CURLcode result = CURLE_FAILED_INIT;
    std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
    return result == CURLE_OK;
}

// Where the answer goes, and why a write callback refused it.
struct Sink {
    int fd = -1;                  // download: the file
    std::string* answer = nullptr; // POST: the kept answer
    std::uint64_t limit = 0;
    std::uint64_t bytes = 0;
    bool tooLarge = false;
    bool truncated = false;
    bool writeFailed = false;
};

std::size_t writeToFile(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    std::size_t length = size * count;
    if (sink->bytes + length > sink->limit) {
        sink->tooLarge = true;
        return 0; // anything but `length` ends the transfer
    }
    std::size_t done = 0;
    while (done < length) {
        ssize_t written = ::write(sink->fd, data + done, length - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            sink->writeFailed = true;
            return 0;
        }
        done += static_cast<std::size_t>(written);
    }
    sink->bytes += length;
    return length;
}

std::size_t writeToString(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    std::size_t length = size * count;
    std::uint64_t room = sink->limit - sink->bytes;
    if (length > room) {
        sink->answer->append(data, static_cast<std::size_t>(room));
        sink->bytes = sink->limit;
        sink->truncated = true;
        return 0; // the rest is not wanted: stop reading
    }
    sink->answer->append(data, length);
    sink->bytes += length;
    return length;
}

// Sets options, remembering the first that failed.
class Options {
public:
    explicit Options(CURL* handle) : m_handle(handle) {}
    template <typename T>
    void Set(CURLoption option, T value) {
        CURLcode code = curl_easy_setopt(m_handle, option, value);
        if (m_first == CURLE_OK) {
            m_first = code;
        }
    }
    CURLcode First() const { return m_first; }

private:
    CURL* m_handle;
    CURLcode m_first = CURLE_OK;
};

HttpResult failure(int code, std::string text) {
    HttpResult result;
    result.code = code;
    result.text = std::move(text);
    return result;
}

int codeFor(CURLcode code, const Sink& sink) {
    switch (code) {
    case CURLE_OK:
        return kHttpOk;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return kHttpBadAddress;
    case CURLE_COULDNT_RESOLVE_HOST:
        return kHttpCannotResolve;
    case CURLE_COULDNT_CONNECT:
        return kHttpCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return kHttpTimedOut;
    case CURLE_FILESIZE_EXCEEDED:
        return kHttpTooLarge;
    case CURLE_HTTP_RETURNED_ERROR:
        return kHttpStatusError;
    case CURLE_OUT_OF_MEMORY:
        return kHttpSetupFailed;
    case CURLE_WRITE_ERROR:
        if (sink.truncated) return kHttpOk;
        if (sink.tooLarge) return kHttpTooLarge;
        return kHttpWriteFailed;
    default:
        return kHttpTransferFailed;
    }
}

// Options every request gets.
void setCommon(Options& options, const std::string& url, const HttpOptions& http, curl_slist* headers,
               char* errorBuffer) {
    options.Set(CURLOPT_URL, url.c_str());
    options.Set(CURLOPT_PROTOCOLS_STR, "http,https");
    options.Set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    options.Set(CURLOPT_NOSIGNAL, 1L);
    options.Set(CURLOPT_PROXY, ""); // direct: proxy variables of the environment are ignored
    options.Set(CURLOPT_CONNECTTIMEOUT_MS, http.connectTimeoutMilliseconds);
    options.Set(CURLOPT_TIMEOUT_MS, http.totalTimeoutMilliseconds);
    options.Set(CURLOPT_USERAGENT, http.userAgent.c_str());
    options.Set(CURLOPT_FOLLOWLOCATION, http.maxRedirects > 0 ? 1L : 0L);
    options.Set(CURLOPT_MAXREDIRS, http.maxRedirects);
    options.Set(CURLOPT_ERRORBUFFER, errorBuffer);
    if (headers != nullptr) {
        options.Set(CURLOPT_HTTPHEADER, headers);
    }
}

// Runs the transfer, polling the cancel hook; the final CURLcode comes back in *code.
HttpResult run(CURL* easy, const HttpOptions& http, CURLcode* code) {
    MultiHandle multi(curl_multi_init());
    if (!multi) {
        return failure(kHttpSetupFailed, "curl_multi_init failed");
    }
    CURLMcode added = curl_multi_add_handle(multi.get(), easy);
    if (added != CURLM_OK) {
        return failure(kHttpSetupFailed, curl_multi_strerror(added));
    }
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(http.totalTimeoutMilliseconds + kBackstopMilliseconds);
    HttpResult result;
    bool finished = false;
    for (;;) {
        int running = 0;
        CURLMcode performed = curl_multi_perform(multi.get(), &running);
        if (performed != CURLM_OK) {
            result = failure(kHttpTransferFailed, curl_multi_strerror(performed));
            break;
        }
        if (running == 0) {
            finished = true;
            break;
        }
        if (http.cancelled && http.cancelled()) {
            result = failure(kHttpCancelled, "cancelled");
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            result = failure(kHttpTimedOut, "no end after the total time-out");
            break;
        }
        CURLMcode polled = curl_multi_poll(multi.get(), nullptr, 0, kPollMilliseconds, nullptr);
        if (polled != CURLM_OK) {
            result = failure(kHttpTransferFailed, curl_multi_strerror(polled));
            break;
        }
    }
    *code = CURLE_OK;
    if (finished) {
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                *code = message->data.result;
            }
        }
    }
    curl_multi_remove_handle(multi.get(), easy);
    return result;
}

HttpResult perform(const std::string& url, const HttpOptions& http, Sink& sink, bool isPost,
                   const std::string* body) {
    if (!globalInit()) {
        return failure(kHttpSetupFailed, "curl_global_init failed");
    }
    EasyHandle easy(curl_easy_init());
    if (!easy) {
        return failure(kHttpSetupFailed, "curl_easy_init failed");
    }
    HeaderList headers;
    for (const std::string& line : http.headers) {
        curl_slist* longer = curl_slist_append(headers.get(), line.c_str());
        if (longer == nullptr) {
            return failure(kHttpSetupFailed, "out of memory for the request headers");
        }
        headers.release();
        headers.reset(longer);
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    Options options(easy.get());
    setCommon(options, url, http, headers.get(), errorBuffer);
    options.Set(CURLOPT_WRITEDATA, static_cast<void*>(&sink));
    if (isPost) {
        options.Set(CURLOPT_WRITEFUNCTION, &writeToString);
        options.Set(CURLOPT_POST, 1L);
        options.Set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
        options.Set(CURLOPT_POSTFIELDS, body->c_str());
    } else {
        options.Set(CURLOPT_WRITEFUNCTION, &writeToFile);
        options.Set(CURLOPT_HTTPGET, 1L);
        options.Set(CURLOPT_FAILONERROR, 1L);
        options.Set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(sink.limit));
    }
    if (options.First() != CURLE_OK) {
        return failure(kHttpSetupFailed, curl_easy_strerror(options.First()));
    }

    CURLcode code = CURLE_OK;
    HttpResult result = run(easy.get(), http, &code);
    long status = 0;
    if (curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status) == CURLE_OK) {
        result.status = status;
    }
    result.bytes = sink.bytes;
    result.truncated = sink.truncated;
    if (result.code == kHttpOk) {
        result.code = codeFor(code, sink);
        if (result.code != kHttpOk) {
            result.text = curl_easy_strerror(code);
            if (errorBuffer[0] != '\0') {
                result.text += std::string(": ") + errorBuffer;
            }
        }
    }
    return result;
}

} // namespace

HttpResult HttpGetToFile(const std::string& url, int fd, std::uint64_t maxBytes,
                         const HttpOptions& options) noexcept {
    try {
        Sink sink;
        sink.fd = fd;
        sink.limit = maxBytes;
        return perform(url, options, sink, false, nullptr);
    } catch (...) {
        return failure(kHttpSetupFailed, "internal error");
    }
}

HttpResult HttpPostForm(const std::string& url, const std::string& body, std::size_t maxAnswerBytes,
                        std::string* answer, const HttpOptions& options) noexcept {
    try {
        answer->clear();
        Sink sink;
        sink.answer = answer;
        sink.limit = maxAnswerBytes;
        return perform(url, options, sink, true, &body);
    } catch (...) {
        return failure(kHttpSetupFailed, "internal error");
    }
}

} // namespace platform::http
