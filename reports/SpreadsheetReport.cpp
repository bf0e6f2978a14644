#include "reports/SpreadsheetReport.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "platform/shell/PendingOpen.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"
#include "reports/SpreadsheetFileName.h"
#include "reports/SpreadsheetTexts.h"
#include "reports/WorkbookModel.h"
#include "reports/XlsxWriter.h"
#include "scan/fs/Volume.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <exception>
#include <thread>

namespace reports {

namespace ui = platform::ui;
using platform::system::StringPrintf;

namespace {

// Copies of one report in the same second get " (2)", " (3)" ...; past this, something else is
// wrong with the directory.
constexpr int kMaxCopies = 99;
constexpr int kOpenerPollMilliseconds = 20;

SpreadsheetReportResult cannotWrite(const std::string& path, int code, const std::string& text) {
    ui::UI().MessageBox(StringPrintf(kCannotWriteText, path.c_str(), text.c_str(), code),
                        kCannotWriteCaption, ui::MB_OK | ui::MB_ICONERROR);
    return {SpreadsheetOutcome::kFailed, {}};
}

SpreadsheetReportResult show(const std::string& path) {
    platform::shell::OpenResult opened;
    {
        // The spreadsheet program may take seconds to come up: the windows keep painting.
        ui::WaitCursor wait;
        platform::shell::PendingOpen opener(path);
        std::optional<platform::shell::OpenResult> result;
        while (!(result = opener.Poll())) {
            ui::UI().DispatchPendingMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(kOpenerPollMilliseconds));
        }
        opened = *result;
    }
    if (opened.status == platform::shell::OpenStatus::kOpened) {
        return {SpreadsheetOutcome::kShown, path};
    }
    TV_DEBUG_LOG("Opening %s failed: %s (%d)", path.c_str(), opened.detail.c_str(), opened.code);
    std::string text =
        StringPrintf(kCannotOpenText, path.c_str(), opened.detail.c_str(), opened.code);
    // No opener, or no application for the type (xdg-open's "tool not found" and "action failed").
    if (opened.status == platform::shell::OpenStatus::kOpenerMissing || opened.code == 3 ||
        opened.code == 4) {
        text += kCannotOpenHint;
    }
    ui::UI().MessageBox(text, kCannotOpenCaption, ui::MB_OK | ui::MB_ICONERROR);
    return {SpreadsheetOutcome::kNotShown, path};
}

} // namespace

std::optional<std::uint64_t> SpreadsheetFreeSpace(const std::string& directory) {
    std::uint64_t totalFree = 0;
    std::uint64_t freeToCaller = 0;
    std::uint64_t totalBytes = 0;
    if (!scan::FENGetFreeSpace(directory, totalFree, freeToCaller, totalBytes)) {
        return std::nullopt;
    }
    return freeToCaller;
}

SpreadsheetReportResult GenerateSpreadsheetReport(const scan::DisplayData& loaded, int view,
                                                  const SpreadsheetOptions& options,
                                                  std::uint32_t startScanID,
                                                  const std::string& directory) {
    int step = 0;
    try {
        if (options.NumColumns == 0) {
            ui::UI().MessageBox(kNoColumnsText, kNoColumnsCaption, ui::MB_OK);
            return {SpreadsheetOutcome::kInputRefused, {}};
        }
        SaveSpreadsheetOptions(options);
        bool loadedScan = std::any_of(
            loaded.scans.begin(), loaded.scans.end(),
            [startScanID](const scan::LoadedScan& scan) { return scan.scanID == startScanID; });
        if (startScanID == 0 || !loadedScan) {
            ui::UI().MessageBox(kNoStartColumnText, kNoStartColumnCaption, ui::MB_OK);
            return {SpreadsheetOutcome::kInputRefused, {}};
        }

        step = 1;
        std::string path;
        bool written = false;
        int error = 0;
        std::string errorText;
        {
            ui::WaitCursor wait;
            WorkbookRequest request{view, options, startScanID, SpreadsheetFreeSpace(directory)};
            WorkbookModel model(loaded, request);

            step = 2;
            std::string folder = SpreadsheetReportDirectory(&error);
            std::time_t now = std::time(nullptr);
            if (folder.empty()) {
                path = SpreadsheetFileName(loaded.path, now);
                errorText = std::strerror(error);
            } else {
                step = 3;
                XlsxWriter writer(model);
                XlsxWriteResult result;
                for (int copy = 1; copy <= kMaxCopies; ++copy) {
                    path = folder + "/" + SpreadsheetFileName(loaded.path, now, copy);
                    result = writer.Write(path, false);
                    if (result.written || result.code != EEXIST) {
                        break;
                    }
                }
                written = result.written;
                error = result.code;
                errorText = result.errorText;
            }
        }
        if (!written) {
            return cannotWrite(path, error, errorText);
        }
        TV_DEBUG_LOG("Spreadsheet report written to %s", path.c_str());

        step = 4;
        return show(path);
    } catch (const std::exception& error) {
        TV_DEBUG_LOG("** Exception in ExcelReportDlg\n");
        TV_DEBUG_LOG("%s", error.what());
        app::ReportError(step, kWritingSpreadsheetActivity);
        return {SpreadsheetOutcome::kFailed, {}};
    }
}

} // namespace reports
