#include "reports/SpreadsheetOptions.h"

#include "app/base/Settings.h"

namespace reports {

using namespace app::settings;

namespace {

int inRange(int value, int low, int high, int fallback) {
    return value >= low && value <= high ? value : fallback;
}

} // namespace

SpreadsheetOptions LoadSpreadsheetOptions() {
    SpreadsheetOptions options;
    options.NumColumns = static_cast<unsigned>(app::GetSetting(ExcelNumColumns));
    options.DataAmount = inRange(app::GetSetting(ExcelDataAmount), kUseAllData,
                                 kSpecifyNumberOfRows, ExcelDataAmount.defaultValue);
    options.MaxRows = static_cast<unsigned>(app::GetSetting(ExcelMaxRows));
    options.Precision = inRange(app::GetSetting(ExcelPrecision), 0, 3, ExcelPrecision.defaultValue);
    return options;
}

void SaveSpreadsheetOptions(const SpreadsheetOptions& options) {
    app::SetSetting(ExcelNumColumns, static_cast<int>(options.NumColumns));
    app::SetSetting(ExcelPrecision, options.Precision);
    app::SetSetting(ExcelDataAmount, options.DataAmount);
    app::SetSetting(ExcelMaxRows, static_cast<int>(options.MaxRows));
}

const char* SpreadsheetUnitWord(int precision) {
    switch (precision) {
    case 0:
        return "byte";
    case 1:
        return "K";
    case 3:
        return "GB";
    default:
        return "MB";
    }
}

} // namespace reports
