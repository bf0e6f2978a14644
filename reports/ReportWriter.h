/*
 * The report writer: turns the scans loaded for one directory into a report file (HTML,
 * comma-separated or tab-separated text) and either leaves it where the user asked or prints
 * it. Bound to the view the scans are shown in and to the loaded scans; the export dialog and
 * the automated run create one, run one report and drop it. Main thread only;
 * a report is written synchronously and nothing is kept afterwards.
 */
#ifndef TALLYVOL_REPORTS_REPORTWRITER_H
#define TALLYVOL_REPORTS_REPORTWRITER_H

#include "reports/ExportOptions.h"
#include "scan/DisplayData.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace reports {

class ReportWriter {
public:
    ReportWriter(const ReportView& view, const scan::DisplayData& displayData);

    // Writes one report whose first scan column is the scan `startScanId` (one of the loaded
    // scans). With saveSettings the options are stored first; quiet drops the completion
    // message of a report written to a file. Failures are reported to the user (problem report),
    // never thrown; false after one.
    bool ExportReport(const ExportOptions& options, std::uint32_t startScanId, bool saveSettings, bool quiet);

private:
    // Everything between opening and closing the file; each row is one call of `write`.
    void writeReport(const std::function<void(const std::string&)>& write, const ExportOptions& options,
                     std::uint32_t startScanId) const;
    std::string cellText(std::uint64_t value, const ExportOptions& options) const;

    ReportView m_view;
    const scan::DisplayData& m_displayData;
};

// The file a report is written to: Path for a file, else ~tvexp.html, .csv or .txt in the
// private directory of print files.
std::string ReportOutputPath(const ExportOptions& options, const std::string& printDirectory);

// The scans that become the report's columns, left to right: from the start scan towards older
// scans, or with reverseOrder oldest on the left so that the start scan ends up right-most
// whenever enough older scans exist. At most `columns` scans; none when the start scan is not
// among `scans` (newest first).
std::vector<scan::LoadedScan> SelectReportColumns(const std::vector<scan::LoadedScan>& scans,
                                                  std::uint32_t startScanId, unsigned columns, bool reverseOrder);

} // namespace reports

#endif
