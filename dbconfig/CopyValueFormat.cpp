#include "dbconfig/CopyValueFormat.h"

#include "platform/ado/Field.h"
#include "scan/DisplayData.h"
#include "scan/SqlRules.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace dbconfig {

using namespace platform::ado;

namespace {

template <typename Number> void appendNumber(std::string& out, Number value) {
    char buffer[24];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)error; // 24 characters hold every 64-bit number
    out.append(buffer, end);
}

void appendDate(std::string& out, const std::tm* value, int targetKind) {
    if (value == nullptr) {
        scan::ScanDateTime invalid;
        invalid.state = scan::ScanDateTime::State::kInvalid;
        out += scan::FormatDateLiteral(targetKind, invalid);
        return;
    }
    out += scan::FormatDateLiteral(targetKind, *value);
}

// 100-nanosecond intervals since 1601-01-01 (UTC), as a date.
void appendFileTime(std::string& out, const Field& field, int targetKind) {
    constexpr std::int64_t kIntervalsPerSecond = 10000000;
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;
    std::time_t seconds =
        static_cast<std::time_t>(field.AsInt64() / kIntervalsPerSecond - kSecondsFrom1601To1970);
    std::tm value{};
    appendDate(out, ::gmtime_r(&seconds, &value), targetKind);
}

void appendText(std::string& out, const Field& field, int targetKind) {
    out += '\'';
    out += scan::PathForSql(targetKind, field.AsString());
    out += '\'';
}

} // namespace

void AppendCopyValue(std::string& out, const Field& field, int targetKind) {
    int type = field.Type();
    if (field.IsNull()) {
        // NULL stays NULL: there is no text of the column's type that would stand for it.
        out += "NULL";
        return;
    }
    switch (type) {
    case adSmallInt:
    case adInteger:
    case adTinyInt:
        appendNumber(out, field.AsInt());
        return;
    case adUnsignedTinyInt:
    case adUnsignedSmallInt:
    case adUnsignedInt:
        appendNumber(out, static_cast<std::uint32_t>(field.AsInt()));
        return;
    case adBigInt:
        appendNumber(out, field.AsInt64());
        return;
    case adUnsignedBigInt:
        appendNumber(out, field.AsUInt64());
        return;
    case adBoolean:
        out += field.AsInt64() != 0 ? '1' : '0';
        return;
    case adSingle:
    case adDouble:
    case adCurrency:
    case adDecimal:
    case adNumeric:
    case adVarNumeric: {
        char buffer[512];
        std::snprintf(buffer, sizeof buffer, "%f", field.AsDouble());
        out += buffer;
        return;
    }
    case adDate:
    case adDBDate:
    case adDBTime:
    case adDBTimeStamp: {
        std::tm value{};
        appendDate(out, field.AsDateTime(&value) ? &value : nullptr, targetKind);
        return;
    }
    case adFileTime:
        appendFileTime(out, field, targetKind);
        return;
    case adBSTR:
    case adChar: // fixed-width text is text: its first character alone would lose the rest
    case adWChar:
    case adVarChar:
    case adLongVarChar:
    case adVarWChar:
    case adLongVarWChar:
        appendText(out, field, targetKind);
        return;
    default:
        return; // no text for this type: an empty place between the commas
    }
}

} // namespace dbconfig
