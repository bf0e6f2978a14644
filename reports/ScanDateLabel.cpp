#include "reports/ScanDateLabel.h"

#include "app/base/RunState.h"

namespace reports {

namespace {

std::string formatTime(const char* format, const std::tm& value) {
    char buffer[256];
    std::size_t length = std::strftime(buffer, sizeof buffer, format, &value);
    return std::string(buffer, length);
}

} // namespace

std::string ScanDateLabel(const scan::ScanDateTime& date, bool useSystemTimeFormat) {
    switch (date.state) {
    case scan::ScanDateTime::State::kNull:
        return {};
    case scan::ScanDateTime::State::kInvalid:
        return "Invalid DateTime";
    case scan::ScanDateTime::State::kValid:
        break;
    }
    return formatTime(useSystemTimeFormat ? "%c" : "%b %-d, %-I:%M %p", date.ToTm());
}

std::string ScanDateLabel(const scan::ScanDateTime& date) {
    return ScanDateLabel(date, app::UseSystemTimeFormatFlag());
}

std::string LocalDateTimeText(std::time_t when) {
    std::tm local{};
    if (::localtime_r(&when, &local) == nullptr) {
        return {};
    }
    return formatTime("%c", local);
}

} // namespace reports
