#include "reports/AutomatedSpreadsheet.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "platform/system/StringPrintf.h"
#include "reports/SpreadsheetReport.h"
#include "reports/SpreadsheetTexts.h"
#include "reports/WorkbookModel.h"
#include "reports/XlsxWriter.h"

#include <algorithm>
#include <exception>

namespace reports {

using platform::system::StringPrintf;

SpreadsheetOptions AutomatedSpreadsheetOptions(const ExportOptions& options,
                                               std::size_t scanCount) {
    SpreadsheetOptions spreadsheet = LoadSpreadsheetOptions();
    if (options.Precision >= 0 && options.Precision <= 3) {
        spreadsheet.Precision = options.Precision;
    }
    spreadsheet.NumColumns = options.Columns != 0
                                 ? options.Columns
                                 : static_cast<unsigned>(std::max<std::size_t>(scanCount, 1));
    if (options.Rows != 0) {
        spreadsheet.DataAmount = kSpecifyNumberOfRows;
        spreadsheet.MaxRows = options.Rows;
    }
    return spreadsheet;
}

bool RunAutomatedSpreadsheet(const ExportOptions& options, const scan::DisplayData& loaded,
                             const std::string& directory) {
    try {
        if (loaded.scans.empty()) {
            return false;
        }
        if (options.Destination != 1) {
            app::ReportError(0, kSpreadsheetNotPrintableText);
            return false;
        }
        WorkbookRequest request{0, AutomatedSpreadsheetOptions(options, loaded.scans.size()),
                                loaded.scans.front().scanID, SpreadsheetFreeSpace(directory)};
        WorkbookModel model(loaded, request);
        XlsxWriteResult written = XlsxWriter(model).Write(options.Path, true);
        if (!written.written) {
            app::ReportError(0, StringPrintf(kAutomatedWriteFailedText, options.Path.c_str(),
                                             written.errorText.c_str(), written.code));
            return false;
        }
        TV_DEBUG_LOG("ExportReport %s", options.Path.c_str());
        return true;
    } catch (const std::exception&) {
        TV_DEBUG_LOG("** Exception in ExportReport\n");
    }
    return false;
}

} // namespace reports
