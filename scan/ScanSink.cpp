#include "scan/ScanSink.h"

#include "platform/system/StringPrintf.h"

#include <cstring>

namespace scan {

using platform::system::StringPrintf;

namespace {

const char* kindText(ScanProblemKind kind) {
    switch (kind) {
    case ScanProblemKind::kUnreadable:
        return "could not be read";
    case ScanProblemKind::kVanished:
        return "vanished during the scan";
    case ScanProblemKind::kPathTooLong:
        return "has a path too long to store";
    }
    return "";
}

std::string countText(long count, const char* singular, const char* plural, const char* what) {
    return StringPrintf("%ld %s %s", count, count == 1 ? singular : plural, what);
}

} // namespace

void ScanProblemCounts::Add(const ScanProblem& problem) {
    switch (problem.kind) {
    case ScanProblemKind::kUnreadable:
        ++unreadable;
        break;
    case ScanProblemKind::kVanished:
        ++vanished;
        break;
    case ScanProblemKind::kPathTooLong:
        ++pathTooLong;
        break;
    }
    if (examples.size() < kExamplesKept) {
        examples.push_back(problem);
    }
}

std::string ScanProblemCounts::Describe() const {
    if (Total() == 0) {
        return {};
    }
    std::string text;
    auto add = [&text](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
    if (unreadable != 0) {
        add(countText(unreadable, "directory", "directories", "could not be read (counted as far as read)"));
    }
    if (vanished != 0) {
        add(countText(vanished, "entry", "entries", "vanished during the scan"));
    }
    if (pathTooLong != 0) {
        add(countText(pathTooLong, "directory", "directories", "with a path too long to store (not stored)"));
    }
    text += "; first:";
    for (const ScanProblem& problem : examples) {
        text += " " + problem.path + ";";
    }
    text.pop_back();
    return text;
}

std::string DescribeScanProblem(const ScanProblem& problem) {
    std::string text = "Scan: " + problem.path + " " + kindText(problem.kind);
    if (problem.error != 0) {
        text += StringPrintf(" (%s)", std::strerror(problem.error));
    }
    return text;
}

} // namespace scan
