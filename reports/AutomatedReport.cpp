#include "reports/AutomatedReport.h"

#include "app/CTallyvol32Dlg.h"
#include "app/CommandLine.h"
#include "reports/AutomatedSpreadsheet.h"
#include "reports/ReportWriter.h"

namespace reports {

ExportOptions AutomatedReportOptions(const app::CTallyvol32Dlg& dialog) {
    ExportOptions options = LoadExportOptions();
    app::ApplyPrintFormat(dialog.m_printFormat, options);
    if (dialog.m_printDestination == 2) {
        options.Destination = 1;
        options.Path = dialog.m_printFilePath;
    } else {
        options.Destination = 0;
    }
    return options;
}

void RunAutomatedReport(const app::CTallyvol32Dlg& dialog, const scan::DisplayData& displayData) {
    ExportOptions options = AutomatedReportOptions(dialog);
    if (displayData.scans.empty()) {
        return;
    }
    if (options.Format == kExportFormatSpreadsheet) {
        RunAutomatedSpreadsheet(options, displayData, dialog.m_directory);
        return;
    }
    ReportWriter writer(dialog, displayData);
    writer.ExportReport(options, displayData.scans.front().scanID, false, true);
}

} // namespace reports
