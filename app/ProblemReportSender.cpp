#include "app/ProblemReportSender.h"

#include "app/InternetSettings.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/Settings.h"
#include "platform/http/HttpRequest.h"
#include "platform/process/Process.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"

namespace app {

using platform::system::StringPrintf;

namespace {

constexpr const char* kAnswerOpen = "<ANSWERURL>";
constexpr const char* kAnswerClose = "</ANSWERURL>";
constexpr const char* kProductTag = "&prodID=TV3";

bool isAsciiAlphanumeric(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

// A host name or address as a URL may carry it: letters, digits, ".", "-", "_", or an IPv6
// address in brackets.
bool isHost(const std::string& host) {
    if (host.empty()) {
        return false;
    }
    if (host.front() == '[') {
        return host.size() > 2 && host.back() == ']' &&
               host.find_first_not_of("0123456789abcdefABCDEF:.", 1) == host.size() - 1;
    }
    for (char c : host) {
        if (!isAsciiAlphanumeric(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') {
            return false;
        }
    }
    return true;
}

ProblemReportOutcome sentWithAnswer(const std::string& address) {
    ProblemReportOutcome outcome;
    outcome.kind = ProblemReportOutcome::kSentWithAnswer;
    outcome.answerAddress = address;
    outcome.caption = "Success";
    outcome.question = StringPrintf("The problem report was successfully sent.  There is information about this "
                                    "error at: %s\r\n\r\nWould you like to open a browser to that location?",
                                    address.c_str());
    outcome.flags = platform::ui::MB_YESNO;
    outcome.closesWindow = true;
    return outcome;
}

ProblemReportOutcome sentWithoutAnswer() {
    ProblemReportOutcome outcome;
    outcome.kind = ProblemReportOutcome::kSentWithoutAnswer;
    outcome.caption = "Success";
    outcome.question = "The problem report was successfully sent.  There are no online notes about this problem.  "
                       "This might be a good time to see if there is a newer version available.  Do you want to "
                       "check?";
    outcome.flags = platform::ui::MB_YESNO;
    outcome.closesWindow = true;
    return outcome;
}

ProblemReportOutcome failed(std::string why) {
    ProblemReportOutcome outcome;
    outcome.kind = ProblemReportOutcome::kFailed;
    outcome.caption = "Error";
    outcome.question = "There was an error sending the problem report.  This might be a good time to see if there "
                       "is a newer version available.  Do you want to check?";
    outcome.flags = platform::ui::MB_YESNO;
    outcome.closesWindow = false;
    outcome.failure = std::move(why);
    return outcome;
}

} // namespace

std::string ProblemReportSender::FormEncode(const std::string& text) {
    std::string encoded;
    encoded.reserve(text.size() * 3);
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (isAsciiAlphanumeric(byte)) {
            encoded += c;
        } else if (byte == ' ') {
            encoded += '+';
        } else {
            encoded += StringPrintf("%%%02X", byte);
        }
    }
    return encoded;
}

std::string ProblemReportSender::FormBody(const std::string& errorText, const std::string& systemInfo,
                                          const std::string& email) {
    return "Error=" + FormEncode(errorText) + "&System=" + FormEncode(systemInfo) + "&Email=" + FormEncode(email);
}

std::string ProblemReportSender::FindAnswerAddress(const std::string& answer) {
    std::size_t open = answer.find(kAnswerOpen);
    if (open == std::string::npos) {
        return {};
    }
    std::size_t start = open + std::char_traits<char>::length(kAnswerOpen);
    std::size_t close = answer.find(kAnswerClose, start);
    if (close == std::string::npos) {
        return {};
    }
    std::string address = answer.substr(start, close - start);
    // The address is opened with the desktop's "open" action once the user agrees: only a web
    // address, and no line breaks that could forge lines of the question it is shown in.
    if (!startsWithIgnoringCase(address, "http://") && !startsWithIgnoringCase(address, "https://")) {
        return {};
    }
    for (char c : address) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return {};
        }
    }
    return address + kProductTag;
}

std::string ProblemReportSender::ReportAddress(const std::string& server) {
    std::string host = server;
    std::string port = "80";
    std::size_t colon = server.rfind(':');
    if (colon != std::string::npos && server.find(']', colon) == std::string::npos) {
        host = server.substr(0, colon);
        port = server.substr(colon + 1);
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(port) < 1 || std::stoi(port) > 65535) {
            return {};
        }
    }
    if (!isHost(host)) {
        return {};
    }
    return "http://" + host + ":" + port + kPath;
}

ProblemReportOutcome ProblemReportSender::Send(const std::string& errorText, const std::string& systemInfo,
                                               const std::string& email) {
    std::string server = GetSetting(settings::ErrorReportServer);
    std::string address = ReportAddress(server);
    if (address.empty()) {
        TV_DEBUG_LOG("The problem report server \"%s\" is not a host name", server.c_str());
        return failed("the report server \"" + server + "\" is not a host name");
    }
    platform::http::HttpOptions options;
    options.userAgent = kAgent;
    options.connectTimeoutMilliseconds = kConnectTimeoutMilliseconds;
    options.totalTimeoutMilliseconds = kTotalTimeoutMilliseconds;
    options.maxRedirects = 0; // the report goes to the configured server only
    options.headers = {"Accept: */*", std::string("Content-Type: ") + kContentType, "Expect:"};
    options.cancelled = [this] { return m_cancelled.load(); };

    std::string answer;
    platform::http::HttpResult result = platform::http::HttpPostForm(
        address, FormBody(errorText, systemInfo, email), kMaxAnswerBytes, &answer, options);
    // Any answer means the report arrived; its status does not change that, and a cut-off
    // answer is still searched.
    if (result.status == 0 || result.code == platform::http::kHttpCancelled) {
        TV_DEBUG_LOG("Sending the problem report to %s failed: %s", address.c_str(), result.text.c_str());
        return failed(result.text);
    }
    std::string answerAddress = FindAnswerAddress(answer);
    ProblemReportOutcome outcome = answerAddress.empty() ? sentWithoutAnswer() : sentWithAnswer(answerAddress);
    outcome.status = result.status;
    return outcome;
}

void ProblemReportSender::FollowUp(const ProblemReportOutcome& outcome, bool answeredYes,
                                   IUpdateCheckOwner* mainWindow) {
    if (!answeredYes) {
        return;
    }
    if (outcome.kind == ProblemReportOutcome::kSentWithAnswer) {
        platform::process::LaunchOptions launch;
        launch.workingDirectory = "/";
        launch.standardInput = platform::process::kNullStream;
        int error = 0;
        pid_t pid = platform::process::LaunchProcess({"xdg-open", outcome.answerAddress}, launch, &error);
        if (pid < 0) {
            TV_DEBUG_LOG("Cannot start xdg-open: %s", platform::process::ErrorText(error).c_str());
            return;
        }
        platform::process::ReapInBackground(pid);
        return;
    }
    if (mainWindow != nullptr) {
        DownloadInternetSettings(*mainWindow);
    }
}

} // namespace app
