#include "platform/ado/Field.h"

#include "platform/ado/ErrorCodes.h"

#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace platform::ado {

namespace {

[[noreturn]] void mismatch(const std::string& name, const char* why) {
    throw ComError(DISP_E_TYPEMISMATCH, SystemMessage(DISP_E_TYPEMISMATCH),
                   "Field " + name + ": " + why);
}

// Leading and trailing blanks are allowed, as in a variant conversion; nothing else.
bool parseInteger(const std::string& text, std::int64_t* out) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE) {
        return false;
    }
    while (*end == ' ') {
        ++end;
    }
    if (*end == '.') {
        // "5000000000.000000": a decimal whose fraction is zero is still that integer.
        ++end;
        while (*end == '0') {
            ++end;
        }
    }
    while (*end == ' ') {
        ++end;
    }
    if (*end != '\0') {
        return false;
    }
    *out = value;
    return true;
}

bool parseUnsigned(const std::string& text, std::uint64_t* out) {
    const char* begin = text.c_str();
    while (*begin == ' ') {
        ++begin;
    }
    if (*begin == '-') {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(begin, &end, 10);
    if (end == begin || errno == ERANGE) {
        return false;
    }
    while (*end == ' ') {
        ++end;
    }
    if (*end != '\0') {
        return false;
    }
    *out = value;
    return true;
}

} // namespace

std::int64_t Field::AsInt64() const {
    switch (m_storage) {
    case Storage::kInteger:
        return m_integer;
    case Storage::kReal:
        if (!std::isfinite(m_real) || std::fabs(m_real) > 9.2e18) {
            mismatch(m_name, "value out of range");
        }
        return static_cast<std::int64_t>(std::llround(m_real));
    case Storage::kText: {
        std::int64_t value = 0;
        if (!parseInteger(m_text, &value)) {
            mismatch(m_name, "not a number");
        }
        return value;
    }
    default:
        mismatch(m_name, IsNull() ? "NULL value" : "binary value");
    }
}

std::uint64_t Field::AsUInt64() const {
    if (m_storage == Storage::kText) {
        std::uint64_t value = 0;
        if (parseUnsigned(m_text, &value)) {
            return value;
        }
    }
    std::int64_t value = AsInt64();
    if (value < 0) {
        mismatch(m_name, "negative value");
    }
    return static_cast<std::uint64_t>(value);
}

int Field::AsInt() const {
    return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(AsInt64())));
}

double Field::AsDouble() const {
    switch (m_storage) {
    case Storage::kInteger:
        return static_cast<double>(m_integer);
    case Storage::kReal:
        return m_real;
    case Storage::kText: {
        const char* begin = m_text.c_str();
        char* end = nullptr;
        double value = std::strtod(begin, &end);
        if (end == begin) {
            mismatch(m_name, "not a number");
        }
        return value;
    }
    default:
        mismatch(m_name, IsNull() ? "NULL value" : "binary value");
    }
}

std::string Field::AsString() const {
    char buffer[64];
    switch (m_storage) {
    case Storage::kInteger:
        std::snprintf(buffer, sizeof buffer, "%" PRId64, m_integer);
        return buffer;
    case Storage::kReal:
        std::snprintf(buffer, sizeof buffer, "%.15g", m_real);
        return buffer;
    case Storage::kText:
    case Storage::kBlob:
        return m_text;
    default:
        mismatch(m_name, "NULL value");
    }
}

bool Field::AsDateTime(std::tm* out) const {
    if (m_storage != Storage::kText) {
        return false;
    }
    std::tm value{};
    int consumed = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    const char* text = m_text.c_str();
    if (std::sscanf(text, "%4d-%2d-%2d%n", &year, &month, &day, &consumed) == 3) {
        const char* rest = text + consumed;
        int more = 0;
        if ((*rest == ' ' || *rest == 'T') &&
            std::sscanf(rest + 1, "%2d:%2d:%2d%n", &hour, &minute, &second, &more) == 3) {
            rest += 1 + more;
            if (*rest == '.') {
                ++rest;
                while (*rest >= '0' && *rest <= '9') {
                    ++rest;
                }
            }
        }
        if (*rest != '\0') {
            return false;
        }
    } else if (std::sscanf(text, "%2d:%2d:%2d%n", &hour, &minute, &second, &consumed) == 3 &&
               text[consumed] == '\0') {
        // A time of day alone falls on the day dates count from.
        year = 1899;
        month = 12;
        day = 30;
    } else {
        return false;
    }
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
        return false;
    }
    value.tm_year = year - 1900;
    value.tm_mon = month - 1;
    value.tm_mday = day;
    value.tm_hour = hour;
    value.tm_min = minute;
    value.tm_sec = second;
    value.tm_isdst = -1;
    *out = value;
    return true;
}

} // namespace platform::ado
