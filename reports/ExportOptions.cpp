#include "reports/ExportOptions.h"

#include "app/base/Settings.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <vector>

namespace reports {

using namespace app::settings;

namespace {

std::string upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// The leading decimal integer of the text as a 32-bit integer (0 when there is none), taken
// as the unsigned field.
unsigned leadingUnsigned(const std::string& text) {
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    value = std::clamp<long long>(value, INT_MIN, INT_MAX);
    return static_cast<unsigned>(static_cast<int>(value));
}

} // namespace


void ApplyPrintFormat(const std::string& printFormat, ExportOptions& options) {
    // The fields are keywords, so their case does not matter.
    std::string text = upper(printFormat);
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        std::string field = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!field.empty()) {
            fields.push_back(field);
        }
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }

    options.ShowUnits = false;
    if (fields.size() >= 1) {
        const std::string& precision = fields[0];
        if (precision == "BYTES") options.Precision = 0;
        else if (precision == "K") options.Precision = 1;
        else if (precision == "MB") options.Precision = 2;
        else if (precision == "GB") options.Precision = 3;
        else if (precision == "SMART") options.Precision = 4;
    }
    if (fields.size() >= 2) {
        options.ShowUnits = fields[1] == "UNITS";
    }
    if (fields.size() >= 3) {
        const std::string& format = fields[2];
        if (format == "HTML") options.Format = 0;
        else if (format == "CSV") options.Format = 1;
        else if (format == "TEXT") options.Format = 2;
        else if (format == "XLSX") options.Format = kExportFormatSpreadsheet;
    }
    if (fields.size() >= 4) {
        options.Columns = leadingUnsigned(fields[3]);
    }
    if (fields.size() >= 5) {
        options.Rows = leadingUnsigned(fields[4]);
    }
    if (fields.size() >= 6 && fields[5] == "REVCOLS") {
        options.ReverseOrder = true;
    }
    if (fields.size() >= 7) {
        options.IncludeTotals = fields[6] == "TOTALS";
    }
}

ExportOptions LoadExportOptions() {
    ExportOptions options;
    options.Path = app::GetSetting(ExportPath);
    options.Destination = app::GetSetting(ExportDest);
    options.Format = app::GetSetting(ExportFormat);
    options.Columns = static_cast<unsigned>(app::GetSetting(ExportColumns));
    options.Rows = static_cast<unsigned>(app::GetSetting(ExportRows));
    options.ShowUnits = app::GetSetting(ExportShowUnits) != 0;
    options.Precision = app::GetSetting(ExportPrecision);
    options.ReverseOrder = app::GetSetting(ExportReverseOrder) != 0;
    options.IncludeTotals = app::GetSetting(ExportIncludeTotals) != 0;
    return options;
}

void SaveExportOptions(const ExportOptions& options) {
    app::SetSetting(ExportPath, options.Path);
    app::SetSetting(ExportDest, options.Destination);
    app::SetSetting(ExportFormat, options.Format);
    app::SetSetting(ExportColumns, static_cast<int>(options.Columns));
    app::SetSetting(ExportRows, static_cast<int>(options.Rows));
    app::SetSetting(ExportShowUnits, options.ShowUnits ? 1 : 0);
    app::SetSetting(ExportPrecision, options.Precision);
    app::SetSetting(ExportReverseOrder, options.ReverseOrder ? 1 : 0);
    app::SetSetting(ExportIncludeTotals, options.IncludeTotals ? 1 : 0);
}

} // namespace reports
