#include "alerts/GrowthMailText.h"

#include "app/base/FormatBytes.h"
#include "platform/system/StringPrintf.h"

namespace alerts {

using platform::system::StringPrintf;

namespace {

std::string percentText(const scan::GrowthRow& row) {
    if (row.status == scan::GrowthStatus::kNew) {
        return "new";
    }
    return row.percent ? StringPrintf("+%.1f%%", *row.percent) : std::string("from 0");
}

} // namespace

std::string GrowthMailText(const scan::GrowthReport& report, int units) {
    if (report.outcome != scan::GrowthOutcome::kReady) {
        return {};
    }
    std::string directory = scan::ListingText(report.localRoot);
    if (report.rows.empty()) {
        if (report.firstLevelOnly) {
            return StringPrintf("\r\n\r\nNo directory level below %s is stored: /SAVESUBDIRS stores every level, "
                                "so that alerts can show where below it the space went.\r\n",
                                directory.c_str());
        }
        return StringPrintf("\r\n\r\nNo directory below %s grew between the scans of %s and %s.\r\n",
                            directory.c_str(), scan::ScanDateText(report.olderScan.date).c_str(),
                            scan::ScanDateText(report.newerScan.date).c_str());
    }
    std::string text = StringPrintf("\r\n\r\nLargest growth below %s between the scans of %s and %s:\r\n",
                                    directory.c_str(), scan::ScanDateText(report.olderScan.date).c_str(),
                                    scan::ScanDateText(report.newerScan.date).c_str());
    for (const scan::GrowthRow& row : report.rows) {
        text += StringPrintf("  +%s (%s)  %s\r\n", app::FormatBytes(row.change, true, units).c_str(),
                             percentText(row).c_str(), scan::ListingText(row.localPath).c_str());
    }
    return text;
}

} // namespace alerts
