#include "reports/ExportOptions.h"

#include "app/base/Settings.h"

namespace reports {

using namespace app::settings;

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
