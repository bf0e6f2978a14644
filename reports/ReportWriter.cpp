#include "reports/ReportWriter.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/FormatBytes.h"
#include "brand/Brand.h"
#include "platform/shell/ShellPrint.h"
#include "platform/system/Paths.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"
#include "reports/ReportFormat.h"
#include "reports/ScanDateLabel.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>

namespace reports {

namespace {

using platform::system::StringPrintf;

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile() { Close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates or replaces the file for writing, alone: a second writer of the same file (two
    // scheduled runs printing at once) is refused rather than mixed in. Returns 0 or an errno.
    int Open(const std::string& path, bool temporary) {
        int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
        // A temporary print file sits in a directory every user can write: a link planted under
        // its name must not redirect the report, and other users have no business reading it.
        if (temporary) {
            flags |= O_NOFOLLOW;
        }
        m_fd = ::open(path.c_str(), flags, temporary ? 0600 : 0666);
        if (m_fd < 0) {
            return errno;
        }
        struct stat st {};
        if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(m_fd, &st) != 0 ||
            (S_ISREG(st.st_mode) && ::ftruncate(m_fd, 0) != 0)) {
            int error = errno;
            Close();
            return error;
        }
        return 0;
    }

    // Write errors are not reported: the report goes on with what can be written.
    void Write(const std::string& text) {
        std::size_t done = 0;
        while (m_fd >= 0 && done < text.size()) {
            ssize_t count = ::write(m_fd, text.data() + done, text.size() - done);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                return;
            }
            done += static_cast<std::size_t>(count);
        }
    }

    void Close() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    int m_fd = -1;
};


std::string firstHeaderCell(int view) {
    switch (view) {
    case 1:
        return "Extension Sizes";
    case 2:
        return "Extensions";
    default:
        return "Directories";
    }
}

void reportPrintFailure(const std::string& reportFile, const platform::shell::PrintResult& result) {
    using platform::shell::PrintStatus;
    std::string text;
    switch (result.status) {
    case PrintStatus::kQueued:
        return;
    case PrintStatus::kPrintCommandMissing:
        text = StringPrintf("Trying to print file.  Filename is %s.  The print command lp (CUPS client) was not found.",
                         result.printedFile.c_str());
        break;
    case PrintStatus::kPrintCommandFailed:
        text = StringPrintf("Trying to print file.  Filename is %s.  The default printer could not be reached.  "
                         "Error is %s (%d)",
                         result.printedFile.c_str(), result.detail.c_str(), result.code);
        break;
    case PrintStatus::kConverterMissing:
        text = StringPrintf("Trying to print file.  Filename is %s.  The HTML to PDF converter was not found.  "
                         "Error is %s (%d)",
                         reportFile.c_str(), result.detail.c_str(), result.code);
        break;
    case PrintStatus::kConversionFailed:
        text = StringPrintf("Trying to print file.  Filename is %s.  Converting it to PDF failed.  Error is %s (%d)",
                         reportFile.c_str(), result.detail.c_str(), result.code);
        break;
    }
    app::ReportError(0, text);
}

} // namespace

std::string ReportOutputPath(const ExportOptions& options) {
    if (options.Destination != 0) {
        return options.Path;
    }
    return platform::system::TempDirectory() + "~tvexp" + ReportFileExtension(ReportFormatOf(options.Format));
}

std::vector<scan::LoadedScan> SelectReportColumns(const std::vector<scan::LoadedScan>& scans,
                                                  std::uint32_t startScanId, unsigned columns, bool reverseOrder) {
    std::vector<scan::LoadedScan> order = scans;
    if (reverseOrder) {
        std::reverse(order.begin(), order.end());
    }
    auto start = std::find_if(order.begin(), order.end(),
                              [startScanId](const scan::LoadedScan& entry) { return entry.scanID == startScanId; });
    if (start == order.end()) {
        return {};
    }
    std::size_t first = static_cast<std::size_t>(start - order.begin());
    if (reverseOrder) {
        // Step back so that the start scan stands right-most; Columns 0 means from the oldest.
        std::size_t back = columns == 0 ? first : std::min<std::size_t>(first, columns - 1);
        first -= back;
    }
    std::size_t count = std::min<std::size_t>(columns, order.size() - first);
    return std::vector<scan::LoadedScan>(order.begin() + static_cast<std::ptrdiff_t>(first),
                                         order.begin() + static_cast<std::ptrdiff_t>(first + count));
}

ReportWriter::ReportWriter(const ReportView& view, const scan::DisplayData& displayData)
    : m_view(view), m_displayData(displayData) {}

std::string ReportWriter::cellText(std::uint64_t value, const ExportOptions& options) const {
    // Counts are never scaled; sizes go through the one size formatter.
    if (m_view.view == 2) {
        return std::to_string(value);
    }
    return app::FormatBytes(static_cast<std::int64_t>(value), options.ShowUnits, options.Precision + 1);
}

void ReportWriter::writeReport(const std::function<void(const std::string&)>& write, const ExportOptions& options,
                               std::uint32_t startScanId) const {
    ReportFormat format = ReportFormatOf(options.Format);
    write(ReportHeader(format, FullProductName, m_displayData.path, LocalDateTimeText(std::time(nullptr))));

    std::vector<scan::LoadedScan> columns =
        SelectReportColumns(m_displayData.scans, startScanId, options.Columns, options.ReverseOrder);
    std::vector<std::string> cells{firstHeaderCell(m_view.view)};
    for (const scan::LoadedScan& column : columns) {
        cells.push_back(ScanDateLabel(column.date));
    }
    write(ReportRow(format, cells, RowKind::kHeader));

    // Totals wrap like the unsigned 64-bit sums they are.
    std::vector<std::uint64_t> totals(columns.size(), 0);
    const std::vector<scan::DisplayRow>& rows = m_displayData.rows;
    std::size_t rowLimit = options.Rows != 0 && options.Rows < rows.size() ? options.Rows : rows.size();
    std::size_t written = 0;
    for (std::size_t r = 0; r < rows.size() && written < rowLimit; ++r) {
        cells.assign(1, RowLabel(rows[r].name));
        bool hasData = false;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            std::optional<std::uint64_t> value = m_displayData.Value(rows[r].id, columns[c].scanID);
            if (!value) {
                cells.emplace_back(" ");
                continue;
            }
            hasData = true;
            totals[c] += *value;
            cells.push_back(cellText(*value, options));
        }
        // Rows left out for having no data do not count towards the limit.
        if (hasData || m_view.showBlankRows) {
            write(ReportRow(format, cells, RowKind::kData));
            ++written;
        }
    }

    if (options.IncludeTotals) {
        cells.assign(1, "*** Totals ***");
        for (std::uint64_t total : totals) {
            cells.push_back(cellText(total, options));
        }
        write(ReportRow(format, cells, RowKind::kData));
    }
    write(ReportFooter(format));
}

void ReportWriter::ExportReport(const ExportOptions& options, std::uint32_t startScanId, bool saveSettings,
                                bool quiet) {
    try {
        if (saveSettings) {
            SaveExportOptions(options);
        }
        bool toPrinter = options.Destination == 0;
        std::string path = ReportOutputPath(options);

        OutputFile file;
        if (int error = file.Open(path, toPrinter); error != 0) {
            app::ReportError(0, StringPrintf("Trying to open file for export/print.  Filename is %s.  Error is %s (%d)",
                                          path.c_str(), std::strerror(error), error));
            return;
        }
        TV_DEBUG_LOG("ExportReport %s", path.c_str());

        writeReport([&file](const std::string& text) { file.Write(text); }, options, startScanId);
        file.Close();

        if (toPrinter) {
            platform::shell::PrintResult printed = platform::shell::ShellPrint(path);
            TV_DEBUG_LOG("Printed %s: %s", printed.printedFile.c_str(), printed.detail.c_str());
            reportPrintFailure(path, printed);
        } else if (!quiet) {
            platform::ui::UI().MessageBox("Export complete", "Success", platform::ui::MB_OK);
        }
    } catch (const std::exception&) {
        TV_DEBUG_LOG("** Exception in ExportReport\n");
    }
}

} // namespace reports
