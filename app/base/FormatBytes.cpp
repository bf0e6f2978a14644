#include "app/base/FormatBytes.h"

namespace app {

namespace {

std::string groupDigits(const std::string& digits) {
    std::size_t start = (!digits.empty() && digits[0] == '-') ? 1 : 0;
    std::string out = digits.substr(0, start);
    std::size_t count = digits.size() - start;
    for (std::size_t i = 0; i < count; ++i) {
        if (i != 0 && (count - i) % 3 == 0) {
            out += ',';
        }
        out += digits[start + i];
    }
    return out;
}

} // namespace

std::string FormatBytes(std::int64_t value, bool withUnits, int units) {
    if (value == -1) {
        return {};
    }
    if (units == kUnitSmart) {
        if (value < 0 || value <= 999999) {
            units = kUnitBytes;
        } else if (value <= 999999999) {
            units = kUnitK;
        } else if (value <= 999999999999LL) {
            units = kUnitMB;
        } else {
            units = kUnitGB;
        }
    }
    std::int64_t shown = value;
    const char* unitName = " bytes";
    switch (units) {
    case kUnitK:
        shown = value / 1024;
        unitName = " K";
        break;
    case kUnitMB:
        shown = value / (1024LL * 1024);
        unitName = " MB";
        break;
    case kUnitGB:
        shown = value / (1024LL * 1024 * 1024);
        unitName = " GB";
        break;
    default:
        if (value == 1) {
            unitName = " byte";
        }
        break;
    }
    std::string digits = std::to_string(shown);
    if (!withUnits) {
        return digits;
    }
    if (shown == 0 && value != 0) {
        return "<1";
    }
    return groupDigits(digits) + unitName;
}

} // namespace app
