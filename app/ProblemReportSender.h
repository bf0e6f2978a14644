/*
 * Sending a problem report to the vendor's web server, and what the error window says after.
 * The report is posted as a form (Error, System, Email) to the machine setting
 * ErrorReportServer (default the brand's CompanyWebServer), port 80 unless the setting names
 * one, path "/ReportError.asp"; the answer (at most 8192 bytes) may name a page about the
 * problem between <ANSWERURL> and </ANSWERURL>. The outcome carries the exact Yes/No question
 * the window asks; the answer address is only ever shown in that question, and FollowUp opens
 * it only when the user said Yes.
 *
 * Send blocks for up to about ten seconds (connect 5 s, whole request 10 s): the error window
 * calls it off the GUI thread and keeps its events flowing, and may Cancel from the GUI thread.
 */
#ifndef TALLYVOL_APP_PROBLEMREPORTSENDER_H
#define TALLYVOL_APP_PROBLEMREPORTSENDER_H

#include "app/IUpdateCheckOwner.h"

#include <atomic>
#include <cstddef>
#include <string>

namespace app {

struct ProblemReportOutcome {
    enum Kind { kSentWithAnswer, kSentWithoutAnswer, kFailed };
    Kind kind = kFailed;
    std::string answerAddress; // with "&prodID=TV3"; only for kSentWithAnswer
    std::string caption;       // "Success" or "Error"
    std::string question;      // the Yes/No box's text
    unsigned flags = 0;        // the box's flags (platform/ui values)
    bool closesWindow = false; // the error window closes after the box (it stays open on failure)
    long status = 0;           // the answer's HTTP status, 0 when none came
    std::string failure;       // why sending failed, for the debug log
};

class ProblemReportSender {
public:
    static constexpr const char* kAgent = "CV_ErrReporter";
    static constexpr const char* kPath = "/ReportError.asp";
    static constexpr const char* kContentType = "application/x-www-form-urlencoded";
    static constexpr std::size_t kMaxAnswerBytes = 8192;
    static constexpr long kConnectTimeoutMilliseconds = 5000;
    static constexpr long kTotalTimeoutMilliseconds = 10000;

    static constexpr const char* kConfirmCancelCaption = "Confirm Cancel";
    static constexpr const char* kConfirmCancelText =
        "Are you sure you don't want to submit this error?  If you don't, you won't find out if there "
        "are known solutions to this problem.\r\n\r\nAre you sure you want to skip submitting this error?";

    // Posts the report and decides the box that follows.
    ProblemReportOutcome Send(const std::string& errorText, const std::string& systemInfo,
                              const std::string& email);
    // Stops a Send running on another thread; it then ends as a failure.
    void Cancel() { m_cancelled = true; }

    // After the outcome's box: Yes on an answer address opens it in the browser; Yes otherwise
    // downloads the internet settings, when the main window exists (`mainWindow` not null).
    static void FollowUp(const ProblemReportOutcome& outcome, bool answeredYes, IUpdateCheckOwner* mainWindow);

    // Letters and digits stay, a blank becomes "+", every other byte "%XX" (upper-case hex).
    // Text is UTF-8, so a character outside ASCII becomes one "%XX" per byte of its encoding.
    static std::string FormEncode(const std::string& text);
    // "Error=%s&System=%s&Email=%s", each part form-encoded.
    static std::string FormBody(const std::string& errorText, const std::string& systemInfo,
                                const std::string& email);
    // The address between "<ANSWERURL>" and the "</ANSWERURL>" after it, plus "&prodID=TV3";
    // empty when there is none, or when it is not an http or https address of printable text.
    static std::string FindAnswerAddress(const std::string& answer);
    // "http://<server>:<port>/ReportError.asp" for a "host" or "host:port" setting; empty when
    // the setting is not such a name.
    static std::string ReportAddress(const std::string& server);

private:
    std::atomic<bool> m_cancelled{false};
};

} // namespace app

#endif
