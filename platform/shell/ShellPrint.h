/*
 * The shell's "print" verb: hands a file to the default printer through the program that
 * prints its type. Here that is the CUPS client: text and comma-separated files go to `lp` as
 * they are; an HTML file is first rendered to PDF beside itself (same name, ".pdf") by the
 * converter installed beside the program, and the PDF is printed. The call waits until `lp`
 * has queued the job, so a missing print command or printer can be told to the user.
 * Main thread; blocks for as long as the converter and `lp` run.
 */
#ifndef TALLYVOL_PLATFORM_SHELL_SHELLPRINT_H
#define TALLYVOL_PLATFORM_SHELL_SHELLPRINT_H

#include <string>

namespace platform::shell {

inline constexpr const char* kPrintCommand = "lp";
inline constexpr const char* kHtmlToPdfConverter = "tallyvol-htmltopdf";

enum class PrintStatus {
    kQueued,              // lp accepted the job
    kPrintCommandMissing, // no lp on PATH
    kPrintCommandFailed,  // lp refused (no default printer, scheduler down, ...)
    kConverterMissing,    // the HTML-to-PDF converter is not installed beside the program
    kConversionFailed,    // the converter could not render the file
};

struct PrintResult {
    PrintStatus status = PrintStatus::kQueued;
    std::string printedFile; // what went (or would have gone) to lp: the PDF for an HTML file
    std::string detail;      // the failing program's message, or the system's text for `code`
    int code = 0;            // the failing program's exit status, or an errno value
};

PrintResult ShellPrint(const std::string& file);
// The same with the converter at `converter` instead of beside the program.
PrintResult ShellPrint(const std::string& file, const std::string& converter);

// The converter's full path: beside the running executable.
std::string HtmlToPdfConverterPath();

} // namespace platform::shell

#endif
