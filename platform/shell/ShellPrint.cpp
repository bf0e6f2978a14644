#include "platform/shell/ShellPrint.h"

#include "platform/process/ChildProcess.h"
#include "platform/system/Paths.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform::shell {

using platform::process::ChildOptions;
using platform::process::ChildResult;
using platform::process::RunChildProcess;

namespace {

constexpr int kConverterSeconds = 120;
constexpr int kPrintCommandSeconds = 60;

std::string lowerExtension(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string extension = path.substr(dot);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return extension;
}

std::string pdfPathFor(const std::string& path) {
    std::string extension = lowerExtension(path);
    return path.substr(0, path.size() - extension.size()) + ".pdf";
}

// A program's messages as one line: lines trimmed, empty ones dropped, the rest joined.
std::string oneLine(const std::string& text) {
    std::string result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        std::size_t first = line.find_first_not_of(" \t\r");
        if (first != std::string::npos) {
            line = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
            result += result.empty() ? line : "  " + line;
        }
        start = end + 1;
    }
    return result;
}

// Fills detail and code of a child that ran but did not succeed.
void describeFailure(const ChildResult& child, int seconds, PrintResult& result) {
    char text[96];
    if (child.timedOut) {
        std::snprintf(text, sizeof text, "no answer within %d seconds", seconds);
        result.detail = text;
        result.code = -1;
    } else if (child.signal != 0) {
        std::snprintf(text, sizeof text, "ended by signal %d", child.signal);
        result.detail = text;
        result.code = -1;
    } else {
        result.detail = oneLine(child.output);
        result.code = child.exitCode;
        if (result.detail.empty()) {
            std::snprintf(text, sizeof text, "exit status %d", child.exitCode);
            result.detail = text;
        }
    }
}

bool convertToPdf(const std::string& converter, const std::string& html, const std::string& pdf,
                  PrintResult& result) {
    if (::access(converter.c_str(), X_OK) != 0) {
        result.status = PrintStatus::kConverterMissing;
        result.code = errno;
        result.detail = converter + ": " + std::strerror(result.code);
        return false;
    }
    // The PDF lies in a shared temporary directory: never follow a link planted under its name,
    // and keep the report to its owner.
    int fd = ::open(pdf.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        result.status = PrintStatus::kConversionFailed;
        result.code = errno;
        result.detail = std::strerror(result.code);
        return false;
    }
    ChildOptions options;
    // Rendering to a file needs no screen; a display that is set but unreachable must not stop
    // the print.
    options.environment = {"QT_QPA_PLATFORM=offscreen"};
    options.standardOutput = fd;
    options.timeoutSeconds = kConverterSeconds;
    ChildResult child = RunChildProcess({converter, html, "-"}, options);
    ::close(fd);
    if (child.spawnError != 0) {
        result.status = PrintStatus::kConversionFailed;
        result.code = child.spawnError;
        result.detail = std::strerror(child.spawnError);
        return false;
    }
    if (!child.Succeeded()) {
        result.status = PrintStatus::kConversionFailed;
        describeFailure(child, kConverterSeconds, result);
        return false;
    }
    return true;
}

} // namespace

std::string HtmlToPdfConverterPath() {
    return platform::system::ProgramDirectory() + "/" + kHtmlToPdfConverter;
}

PrintResult ShellPrint(const std::string& file) {
    return ShellPrint(file, HtmlToPdfConverterPath());
}

PrintResult ShellPrint(const std::string& file, const std::string& converter) {
    PrintResult result;
    result.printedFile = file;
    std::string extension = lowerExtension(file);
    if (extension == ".html" || extension == ".htm") {
        result.printedFile = pdfPathFor(file);
        if (!convertToPdf(converter, file, result.printedFile, result)) {
            return result;
        }
    }

    ChildOptions options;
    options.timeoutSeconds = kPrintCommandSeconds;
    ChildResult child = RunChildProcess({kPrintCommand, "--", result.printedFile}, options);
    if (child.spawnError != 0) {
        result.status =
            child.spawnError == ENOENT ? PrintStatus::kPrintCommandMissing : PrintStatus::kPrintCommandFailed;
        result.code = child.spawnError;
        result.detail = std::strerror(child.spawnError);
        return result;
    }
    if (!child.Succeeded()) {
        result.status = PrintStatus::kPrintCommandFailed;
        describeFailure(child, kPrintCommandSeconds, result);
        return result;
    }
    result.status = PrintStatus::kQueued;
    result.detail = oneLine(child.output);
    return result;
}

} // namespace platform::shell
