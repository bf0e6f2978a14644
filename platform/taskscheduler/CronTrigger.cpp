#include "platform/taskscheduler/CronTrigger.h"

#include "platform/system/StringPrintf.h"

#include <array>
#include <cctype>
#include <vector>

namespace platform::taskscheduler {

using platform::system::StringPrintf;

namespace {

constexpr std::array<const char*, 7> kDayNames = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
constexpr std::array<const char*, 12> kMonthNames = {"jan", "feb", "mar", "apr", "may", "jun",
                                                     "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr std::array<const char*, 8> kKeywords = {"@reboot", "@hourly",  "@daily",  "@midnight",
                                                  "@weekly", "@monthly", "@yearly", "@annually"};

struct FieldRule {
    int low;
    int high;
    const char* const* names; // three-letter names numbered from nameBase, or null
    int nameCount;
    int nameBase;
};

// Minute, hour, day of month, month, day of week (0 and 7 are Sunday), as cron reads them.
const std::array<FieldRule, 5> kFieldRules = {{
    {0, 59, nullptr, 0, 0},
    {0, 23, nullptr, 0, 0},
    {1, 31, nullptr, 0, 0},
    {1, 12, kMonthNames.data(), 12, 1},
    {0, 7, kDayNames.data(), 7, 0},
}};

std::string lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(separator, start);
        parts.push_back(
            text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// A decimal number or, where the field has them, a three-letter name.
std::optional<int> readValue(const std::string& text, const FieldRule& rule) {
    if (text.empty()) {
        return std::nullopt;
    }
    if (std::isdigit(static_cast<unsigned char>(text[0]))) {
        if (text.size() > 4) {
            return std::nullopt;
        }
        int value = 0;
        for (char c : text) {
            if (!std::isdigit(static_cast<unsigned char>(c))) {
                return std::nullopt;
            }
            value = value * 10 + (c - '0');
        }
        if (value < rule.low || value > rule.high) {
            return std::nullopt;
        }
        return value;
    }
    std::string name = lower(text);
    for (int i = 0; i < rule.nameCount; ++i) {
        if (name == rule.names[i]) {
            return i + rule.nameBase;
        }
    }
    return std::nullopt;
}

// item = ("*" | value | value "-" value) ["/" step], as cron's own parser reads a field.
bool validItem(const std::string& item, const FieldRule& rule) {
    std::string range = item;
    std::size_t slash = item.find('/');
    if (slash != std::string::npos) {
        range = item.substr(0, slash);
        std::string step = item.substr(slash + 1);
        FieldRule stepRule{1, rule.high - rule.low + 1, nullptr, 0, 0};
        if (!readValue(step, stepRule)) {
            return false;
        }
    }
    if (range == "*") {
        return true;
    }
    std::size_t dash = range.find('-');
    if (dash == std::string::npos) {
        return readValue(range, rule).has_value();
    }
    std::optional<int> first = readValue(range.substr(0, dash), rule);
    std::optional<int> last = readValue(range.substr(dash + 1), rule);
    return first && last && *first <= *last;
}

bool validField(const std::string& field, const FieldRule& rule) {
    for (const std::string& item : split(field, ',')) {
        if (!validItem(item, rule)) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> result;
    std::string current;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            if (!current.empty()) {
                result.push_back(std::move(current));
                current.clear();
            }
        } else {
            current += c;
        }
    }
    if (!current.empty()) {
        result.push_back(std::move(current));
    }
    return result;
}

bool validTime(int hour, int minute) {
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59;
}

} // namespace

std::optional<CronTrigger> CronTrigger::Daily(int hour, int minute) {
    if (!validTime(hour, minute)) {
        return std::nullopt;
    }
    CronTrigger trigger;
    trigger.m_kind = Kind::Daily;
    trigger.m_hour = hour;
    trigger.m_minute = minute;
    return trigger;
}

std::optional<CronTrigger> CronTrigger::Weekly(unsigned days, int hour, int minute) {
    if (!validTime(hour, minute) || days == 0 || (days & ~kAllDays) != 0) {
        return std::nullopt;
    }
    CronTrigger trigger;
    trigger.m_kind = Kind::Weekly;
    trigger.m_days = days;
    trigger.m_hour = hour;
    trigger.m_minute = minute;
    return trigger;
}

std::optional<CronTrigger> CronTrigger::Monthly(int dayOfMonth, int hour, int minute) {
    if (!validTime(hour, minute) || dayOfMonth < 1 || dayOfMonth > 31) {
        return std::nullopt;
    }
    CronTrigger trigger;
    trigger.m_kind = Kind::Monthly;
    trigger.m_dayOfMonth = dayOfMonth;
    trigger.m_hour = hour;
    trigger.m_minute = minute;
    return trigger;
}

std::optional<CronTrigger> CronTrigger::EveryMinutes(int minutes) {
    bool valid = (minutes >= 1 && minutes <= 59) ||
                 (minutes % 60 == 0 && minutes >= 60 && minutes <= 23 * 60);
    if (!valid) {
        return std::nullopt;
    }
    CronTrigger trigger;
    trigger.m_kind = Kind::EveryMinutes;
    trigger.m_interval = minutes;
    return trigger;
}

CronTrigger CronTrigger::AtStartup() {
    CronTrigger trigger;
    trigger.m_kind = Kind::AtStartup;
    return trigger;
}

std::optional<CronTrigger> CronTrigger::Parse(const std::string& specification) {
    std::vector<std::string> fields = words(specification);
    CronTrigger custom;
    if (fields.size() == 1 && fields[0][0] == '@') {
        std::string keyword = lower(fields[0]);
        bool known = false;
        for (const char* candidate : kKeywords) {
            known = known || keyword == candidate;
        }
        if (!known) {
            return std::nullopt;
        }
        if (keyword == "@reboot") {
            return AtStartup();
        }
        custom.m_custom = keyword;
        return custom;
    }
    if (fields.size() != 5) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (!validField(fields[i], kFieldRules[i])) {
            return std::nullopt;
        }
    }
    custom.m_custom =
        fields[0] + " " + fields[1] + " " + fields[2] + " " + fields[3] + " " + fields[4];

    // A written form of one of the kinds comes back as that kind; compare by writing it again,
    // so that only the exact form matches ("05 2 * * *" stays as the user wrote it).
    auto number = [](const std::string& text) {
        int value = 0;
        for (char c : text) {
            if (!std::isdigit(static_cast<unsigned char>(c)) || value > 10000) {
                return -1;
            }
            value = value * 10 + (c - '0');
        }
        return text.empty() ? -1 : value;
    };
    std::vector<std::optional<CronTrigger>> candidates;
    int minute = number(fields[0]);
    int hour = number(fields[1]);
    candidates.push_back(Daily(hour, minute));
    candidates.push_back(Monthly(number(fields[2]), hour, minute));
    unsigned days = 0;
    for (const std::string& day : split(fields[4], ',')) {
        int value = number(day);
        days |= value >= 0 && value <= 6 ? 1u << value : 0x80u;
    }
    candidates.push_back(Weekly(days, hour, minute));
    if (fields[0].rfind("*/", 0) == 0) {
        candidates.push_back(EveryMinutes(number(fields[0].substr(2))));
    }
    if (fields[0] == "0" && fields[1].rfind("*/", 0) == 0) {
        int hours = number(fields[1].substr(2));
        candidates.push_back(EveryMinutes(hours > 0 && hours < 24 ? hours * 60 : -1));
    }
    for (const std::optional<CronTrigger>& candidate : candidates) {
        if (candidate && candidate->Specification() == custom.m_custom) {
            return candidate;
        }
    }
    return custom;
}

std::string CronTrigger::Specification() const {
    switch (m_kind) {
    case Kind::Daily:
        return StringPrintf("%d %d * * *", m_minute, m_hour);
    case Kind::Weekly: {
        std::string list;
        for (int day = 0; day < 7; ++day) {
            if ((m_days & (1u << day)) != 0) {
                list += (list.empty() ? "" : ",") + std::to_string(day);
            }
        }
        return StringPrintf("%d %d * * %s", m_minute, m_hour, list.c_str());
    }
    case Kind::Monthly:
        return StringPrintf("%d %d %d * *", m_minute, m_hour, m_dayOfMonth);
    case Kind::EveryMinutes:
        if (m_interval < 60) {
            return StringPrintf("*/%d * * * *", m_interval);
        }
        return StringPrintf("0 */%d * * *", m_interval / 60);
    case Kind::AtStartup:
        return "@reboot";
    case Kind::Custom:
        break;
    }
    return m_custom;
}

std::string CronTrigger::Describe() const {
    switch (m_kind) {
    case Kind::Daily:
        return StringPrintf("Daily at %02d:%02d", m_hour, m_minute);
    case Kind::Weekly: {
        static const std::array<const char*, 7> kShort = {"Sun", "Mon", "Tue", "Wed",
                                                          "Thu", "Fri", "Sat"};
        std::string list;
        for (int day = 0; day < 7; ++day) {
            if ((m_days & (1u << day)) != 0) {
                list +=
                    (list.empty() ? "" : ", ") + std::string(kShort[static_cast<std::size_t>(day)]);
            }
        }
        return StringPrintf("Weekly on %s at %02d:%02d", list.c_str(), m_hour, m_minute);
    }
    case Kind::Monthly:
        return StringPrintf("Monthly on day %d at %02d:%02d", m_dayOfMonth, m_hour, m_minute);
    case Kind::EveryMinutes:
        if (m_interval < 60) {
            return m_interval == 1 ? "Every minute" : StringPrintf("Every %d minutes", m_interval);
        }
        return m_interval == 60 ? "Every hour" : StringPrintf("Every %d hours", m_interval / 60);
    case Kind::AtStartup:
        return "At start-up";
    case Kind::Custom:
        break;
    }
    return m_custom;
}

} // namespace platform::taskscheduler
