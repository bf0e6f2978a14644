#include "app/GrowthOutput.h"

#include "app/base/FormatBytes.h"
#include "platform/system/StringPrintf.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace app {

using platform::system::StringPrintf;
using scan::GrowthReport;
using scan::GrowthRow;
using scan::GrowthStatus;

namespace {

// A size change with its sign; the magnitude in the units.
std::string signedBytes(std::int64_t value, int units) {
    if (value == 0) {
        return FormatBytes(0, true, units);
    }
    std::int64_t magnitude =
        value == std::numeric_limits<std::int64_t>::min() ? std::numeric_limits<std::int64_t>::max() : std::abs(value);
    return (value > 0 ? "+" : "-") + FormatBytes(magnitude, true, units);
}

// Two decimals without a negative zero: a small shrink reads 0.00, not -0.00.
std::string decimal(double value) {
    std::string text = StringPrintf("%.2f", value);
    return text == "-0.00" ? "0.00" : text;
}

std::string percentText(const GrowthRow& row) {
    if (!row.percent) {
        return row.status == GrowthStatus::kNew ? "new" : "-";
    }
    std::string text = StringPrintf("%+.1f%%", *row.percent);
    return text == "-0.0%" ? "+0.0%" : text;
}

std::string oldText(const GrowthRow& row, int units) {
    return row.oldSize ? FormatBytes(*row.oldSize, true, units) : "new";
}

std::string newText(const GrowthRow& row, int units) {
    return row.newSize ? FormatBytes(*row.newSize, true, units) : scan::GrowthStatusName(row.status);
}

std::string perDayText(const GrowthRow& row, int units) {
    if (!row.perDay) {
        return "-";
    }
    double rounded = std::round(*row.perDay);
    if (!(std::fabs(rounded) < 9.0e18)) {
        rounded = std::copysign(9.0e18, rounded);
    }
    return signedBytes(static_cast<std::int64_t>(rounded), units);
}

// Columns right-aligned to their widest cell; the last (the directory) left as it is.
std::string table(const std::vector<std::vector<std::string>>& lines) {
    std::vector<std::size_t> widths;
    for (const auto& cells : lines) {
        widths.resize(std::max(widths.size(), cells.size()), 0);
        for (std::size_t i = 0; i + 1 < cells.size(); ++i) {
            widths[i] = std::max(widths[i], cells[i].size());
        }
    }
    std::string out;
    for (const auto& cells : lines) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i + 1 < cells.size()) {
                out.append(widths[i] - cells[i].size(), ' ');
                out += cells[i];
                out += "  ";
            } else {
                out += cells[i];
            }
        }
        out += '\n';
    }
    return out;
}

// Length of the UTF-8 sequence starting at text[i], or 0 when it is not a valid one (overlong
// forms, surrogates and values beyond U+10FFFF are not).
std::size_t utf8SequenceLength(std::string_view text, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    if (byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

std::string jsonNumber(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : "null";
}

std::string jsonDecimal(const std::optional<double>& value) {
    return value ? decimal(*value) : "null";
}

} // namespace

std::string JsonString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            std::size_t length = utf8SequenceLength(text, i);
            if (length == 0) {
                out += StringPrintf("\\udc%02x", byte);
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (byte) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                out += StringPrintf("\\u%04x", byte);
            } else {
                out += static_cast<char>(byte);
            }
        }
        ++i;
    }
    out += '"';
    return out;
}

std::string CsvTextCell(std::string_view text) {
    std::string cell = scan::ListingText(text);
    if (!cell.empty() && (cell[0] == '=' || cell[0] == '+' || cell[0] == '-' || cell[0] == '@')) {
        cell.insert(cell.begin(), '\'');
    }
    if (cell.find_first_of(",\"") == std::string::npos) {
        return cell;
    }
    std::string quoted = "\"";
    for (char c : cell) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    quoted += '"';
    return quoted;
}

GrowthRowTexts GrowthCellTexts(const GrowthRow& row, int units) {
    return {signedBytes(row.change, units), percentText(row), perDayText(row, units), oldText(row, units),
            newText(row, units)};
}

std::string GrowthFailureText(const GrowthReport& report, const std::string& directory, std::optional<int> days) {
    const char* name = directory.c_str();
    switch (report.outcome) {
    case scan::GrowthOutcome::kUnknownDirectory:
        return StringPrintf("%s is not in the scan store (stored as %s): it was never scanned", name,
                            report.storedRoot.c_str());
    case scan::GrowthOutcome::kTooFewScans:
        return StringPrintf("%s stored scan holds %s: the growth report needs two scans of the same directory tree",
                            report.scansOfTree == 0 ? "no" : "only one", name);
    case scan::GrowthOutcome::kNoScanOldEnough:
        return StringPrintf("no stored scan of %s is at least %d day%s older than the newest one (%04d-%02d-%02d)",
                            name, days.value_or(0), days.value_or(0) == 1 ? "" : "s", report.newerScan.date.year,
                            report.newerScan.date.month, report.newerScan.date.day);
    case scan::GrowthOutcome::kStoreFailed:
        return StringPrintf("the growth report for %s could not be read from the scan store: %s", name,
                            report.failure.c_str());
    case scan::GrowthOutcome::kReady:
        break;
    }
    return {};
}

std::string GrowthText(const GrowthReport& report, int units) {
    std::string out = StringPrintf("Growth below %s from %s to %s", scan::ListingText(report.localRoot).c_str(),
                                   scan::ScanDateText(report.olderScan.date).c_str(), scan::ScanDateText(report.newerScan.date).c_str());
    out += report.days > 0 ? StringPrintf(" (%.1f days)\n", report.days) : std::string("\n");
    if (report.firstLevelOnly) {
        out += StringPrintf("Only %s and its subdirectories are compared: a scan saved no deeper levels (/SAVESUBDIRS "
                            "saves them).\n",
                            scan::ListingText(report.localScanRoot).c_str());
    }
    if (report.rows.empty()) {
        out += "No directory changed in size.\n";
        return out;
    }
    std::vector<std::vector<std::string>> lines;
    lines.push_back({"Change", "Percent", "Per day", "Old", "New", "Directory"});
    for (const GrowthRow& row : report.rows) {
        GrowthRowTexts cells = GrowthCellTexts(row, units);
        lines.push_back({cells.change, cells.percent, cells.perDay, cells.oldSize, cells.newSize,
                         scan::ListingText(row.localPath)});
    }
    return out + "\n" + table(lines);
}

std::string GrowthCsv(const GrowthReport& report) {
    std::string out = "path,old,new,change,percent,per_day,status\r\n";
    for (const GrowthRow& row : report.rows) {
        out += CsvTextCell(row.localPath);
        out += ',' + (row.oldSize ? std::to_string(*row.oldSize) : std::string());
        out += ',' + (row.newSize ? std::to_string(*row.newSize) : std::string());
        out += ',' + std::to_string(row.change);
        out += ',' + (row.percent ? decimal(*row.percent) : std::string());
        out += ',' + (row.perDay ? decimal(*row.perDay) : std::string());
        out += ',' + CsvTextCell(scan::GrowthStatusName(row.status));
        out += "\r\n";
    }
    return out;
}

std::string GrowthJson(const GrowthReport& report) {
    if (report.rows.empty()) {
        return "[]\n";
    }
    std::string out = "[\n";
    for (std::size_t i = 0; i < report.rows.size(); ++i) {
        const GrowthRow& row = report.rows[i];
        out += "  {\"path\": " + JsonString(row.localPath) + ", \"old\": " + jsonNumber(row.oldSize) +
               ", \"new\": " + jsonNumber(row.newSize) + ", \"change\": " + std::to_string(row.change) +
               ", \"percent\": " + jsonDecimal(row.percent) + ", \"per_day\": " + jsonDecimal(row.perDay) +
               ", \"status\": " + JsonString(scan::GrowthStatusName(row.status)) + "}";
        out += i + 1 < report.rows.size() ? ",\n" : "\n";
    }
    return out + "]\n";
}

} // namespace app
