#include "reports/AutomatedReport.h"

#include "app/base/DiagnosticLog.h"
#include "platform/system/StringPrintf.h"
#include "reports/AutomatedSpreadsheet.h"
#include "reports/ReportWriter.h"

#include <cstdio>

namespace reports {

using platform::system::StringPrintf;

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

bool RunAutomatedReport(const AutomatedReportRequest& request, const scan::DisplayData& displayData) {
    ExportOptions options = AutomatedReportOptions(request);
    if (displayData.scans.empty()) {
        // A report of nothing is not a report: whoever reads the job's mail must hear of it.
        std::string text = StringPrintf("No report was written: the store holds no scans of %s.",
                                        request.directory.c_str());
        app::WriteLogLine(text);
        std::fprintf(stderr, "Tallyvol: %s\n", text.c_str());
        return false;
    }
    if (options.Format == kExportFormatSpreadsheet) {
        return RunAutomatedSpreadsheet(options, displayData, request.directory);
    }
    ReportWriter writer(request.view, displayData);
    return writer.ExportReport(options, displayData.scans.front().scanID, false, true);
}

} // namespace reports
