#include "scan/DisplayData.h"

#include <cstdio>
#include <tuple>

namespace scan {

ScanDateTime ScanDateTime::FromTm(const std::tm& local) {
    ScanDateTime value;
    value.state = State::kValid;
    value.year = local.tm_year + 1900;
    value.month = local.tm_mon + 1;
    value.day = local.tm_mday;
    value.hour = local.tm_hour;
    value.minute = local.tm_min;
    value.second = local.tm_sec;
    return value;
}

ScanDateTime ScanDateTime::Parse(const std::string& text) {
    ScanDateTime value;
    if (text.empty()) {
        return value;
    }
    int consumed = 0;
    int fields = std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%n", &value.year, &value.month,
                             &value.day, &value.hour, &value.minute, &value.second, &consumed);
    if (fields == 3) {
        value.hour = value.minute = value.second = 0;
    }
    static const int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (value.year % 4 == 0 && value.year % 100 != 0) || value.year % 400 == 0;
    bool valid = (fields == 6 || fields == 3) && value.month >= 1 && value.month <= 12 &&
                 value.day >= 1 && value.day <= kDaysInMonth[value.month - 1] &&
                 (value.month != 2 || value.day <= 28 || leap) && value.hour >= 0 && value.hour < 24 &&
                 value.minute >= 0 && value.minute < 60 && value.second >= 0 && value.second < 62;
    value.state = valid ? State::kValid : State::kInvalid;
    return value;
}

std::tm ScanDateTime::ToTm() const {
    std::tm result{};
    result.tm_year = year - 1900;
    result.tm_mon = month - 1;
    result.tm_mday = day;
    result.tm_hour = hour;
    result.tm_min = minute;
    result.tm_sec = second;
    result.tm_isdst = -1;
    std::tm normalized = result;
    std::time_t seconds = std::mktime(&normalized);
    if (seconds != static_cast<std::time_t>(-1)) {
        result.tm_wday = normalized.tm_wday;
        result.tm_yday = normalized.tm_yday;
        result.tm_isdst = normalized.tm_isdst;
    }
    return result;
}

std::time_t ScanDateTime::ToTimeT() const {
    std::tm value = ToTm();
    return std::mktime(&value);
}

bool ScanDateTime::operator<(const ScanDateTime& other) const {
    return std::tie(year, month, day, hour, minute, second) <
           std::tie(other.year, other.month, other.day, other.hour, other.minute, other.second);
}

std::optional<std::uint64_t> DisplayData::Value(std::uint32_t rowID, std::uint32_t scanID) const {
    auto found = m_values.find(key(rowID, scanID));
    if (found == m_values.end()) {
        return std::nullopt;
    }
    return found->second;
}

void DisplayData::SetValue(std::uint32_t rowID, std::uint32_t scanID, std::uint64_t value) {
    m_values[key(rowID, scanID)] = value;
}

void DisplayData::Clear() {
    path.clear();
    dirID = -1;
    scans.clear();
    rows.clear();
    m_values.clear();
}

} // namespace scan
