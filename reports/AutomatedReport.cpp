#include "reports/AutomatedReport.h"

#include "reports/AutomatedSpreadsheet.h"
#include "reports/ReportWriter.h"

namespace reports {

ExportOptions AutomatedReportOptions(const AutomatedReportRequest& request) {
    ExportOptions options = LoadExportOptions();
    ApplyPrintFormat(request.printFormat, options);
    if (request.printDestination == 2) {
        options.Destination = 1;
        options.Path = request.printFilePath;
    } else {
        options.Destination = 0;
    }
    return options;
}

void RunAutomatedReport(const AutomatedReportRequest& request, const scan::DisplayData& displayData) {
    ExportOptions options = AutomatedReportOptions(request);
    if (displayData.scans.empty()) {
        return;
    }
    if (options.Format == kExportFormatSpreadsheet) {
        RunAutomatedSpreadsheet(options, displayData, request.directory);
        return;
    }
    ReportWriter writer(request.view, displayData);
    writer.ExportReport(options, displayData.scans.front().scanID, false, true);
}

} // namespace reports
