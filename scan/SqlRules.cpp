#include "scan/SqlRules.h"

#include "scan/DisplayData.h"

#include <cstdio>

namespace scan {

char DateQuote(int /*kind*/) {
    return '\'';
}

std::string FormatDateLiteral(int kind, const std::tm& dateTime) {
    char text[80];
    char quote = DateQuote(kind);
    std::snprintf(text, sizeof text, "%c%04d-%02d-%02d %02d:%02d:%02d%c", quote,
                  dateTime.tm_year + 1900, dateTime.tm_mon + 1, dateTime.tm_mday, dateTime.tm_hour,
                  dateTime.tm_min, dateTime.tm_sec, quote);
    return text;
}

std::string FormatDateLiteral(int kind, const ScanDateTime& dateTime) {
    if (dateTime.state != ScanDateTime::State::kValid) {
        char quote = DateQuote(kind);
        return quote + std::string("Invalid DateTime") + quote;
    }
    return FormatDateLiteral(kind, dateTime.ToTm());
}

std::string EscapePath(int kind, const std::string& path, bool forLike) {
    if (kind != kMySqlDatabase || path.find('\\') == std::string::npos) {
        return path;
    }
    const char* replacement = forLike ? "\\\\\\\\" : "\\\\";
    std::string escaped;
    escaped.reserve(path.size() + 8);
    for (char c : path) {
        if (c == '\\') {
            escaped += replacement;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string DoubleQuotes(const std::string& text) {
    if (text.find('\'') == std::string::npos) {
        return text;
    }
    std::string doubled;
    doubled.reserve(text.size() + 4);
    for (char c : text) {
        doubled += c;
        if (c == '\'') {
            doubled += '\'';
        }
    }
    return doubled;
}

std::string PathForSql(int kind, const std::string& path, bool forLike) {
    return EscapePath(kind, DoubleQuotes(path), forLike);
}

} // namespace scan
