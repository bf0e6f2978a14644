#include "reports/ReportWriter.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/FormatBytes.h"
#include "app/view/GridContent.h"
#include "brand/Brand.h"
#include "platform/shell/ShellPrint.h"
#include "platform/system/Paths.h"
#include "platform/system/PrivateDirectory.h"
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
        // A temporary print file is nobody else's business and never reached through a link; a
        // report file in a directory other users can write is never another user's file.
        m_fd = temporary ? ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)
                         : platform::system::OpenForWriting(path, O_WRONLY, 0666);
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

    // The first write error is kept (a full disk): the rest is not written, and the report
    // fails when it is closed.
    void Write(const std::string& text) {
        std::size_t done = 0;
        while (m_fd >= 0 && m_writeError == 0 && done < text.size()) {
            ssize_t count = ::write(m_fd, text.data() + done, text.size() - done);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                m_writeError = count < 0 ? errno : ENOSPC;
                return;
            }
            done += static_cast<std::size_t>(count);
        }
    }

    // 0, or the errno of the first failed write or of closing.
    int Close() {
        if (m_fd >= 0) {
            if (::close(m_fd) != 0 && m_writeError == 0) {
                m_writeError = errno;
            }
            m_fd = -1;
        }
        return m_writeError;
    }

private:
    int m_fd = -1;
    int m_writeError = 0;
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

// True when the report was queued; otherwise the failure is reported.
bool reportPrintFailure(const std::string& reportFile, const platform::shell::PrintResult& result) {
    using platform::shell::PrintStatus;
    std::string text;
    switch (result.status) {
    case PrintStatus::kQueued:
        return true;
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
    return false;
}

} // namespace

std::string ReportOutputPath(const ExportOptions& options, const std::string& printDirectory) {
    if (options.Destination != 0) {
        return options.Path;
    }
    return printDirectory + "/~tvexp" + ReportFileExtension(ReportFormatOf(options.Format));
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
    std::vector<std::size_t> order;
    if (m_view.sortMethod != 0) {
        order = app::SortedRowOrder(m_displayData, m_view.sortMethod);
    } else {
        order.resize(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            order[r] = r;
        }
    }
    std::size_t rowLimit = options.Rows != 0 && options.Rows < rows.size() ? options.Rows : rows.size();
    std::size_t written = 0;
    for (std::size_t r : order) {
        if (written >= rowLimit) {
            break;
        }
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

bool ReportWriter::ExportReport(const ExportOptions& options, std::uint32_t startScanId, bool saveSettings,
                                bool quiet) {
    try {
        if (saveSettings) {
            SaveExportOptions(options);
        }
        bool toPrinter = options.Destination == 0;
        // A print file goes where only we can write; the directory goes once lp has queued it.
        platform::system::PrivateDirectory printDirectory("tallyvol-print");
        if (toPrinter && printDirectory.Error() != 0) {
            app::ReportError(0, StringPrintf("Trying to open file for export/print.  Filename is %s.  Error is %s (%d)",
                                             platform::system::TempDirectory().c_str(),
                                             std::strerror(printDirectory.Error()), printDirectory.Error()));
            return false;
        }
        std::string path = ReportOutputPath(options, printDirectory.Path());

        OutputFile file;
        if (int error = file.Open(path, toPrinter); error != 0) {
            app::ReportError(0, StringPrintf("Trying to open file for export/print.  Filename is %s.  Error is %s (%d)",
                                          path.c_str(), std::strerror(error), error));
            return false;
        }
        TV_DEBUG_LOG("ExportReport %s", path.c_str());

        writeReport([&file](const std::string& text) { file.Write(text); }, options, startScanId);
        if (int error = file.Close(); error != 0) {
            app::ReportError(0, StringPrintf("Trying to write file for export/print.  Filename is %s.  Error is %s (%d)",
                                             path.c_str(), std::strerror(error), error));
            return false;
        }

        if (toPrinter) {
            platform::shell::PrintResult printed = platform::shell::ShellPrint(path);
            TV_DEBUG_LOG("Printed %s: %s", printed.printedFile.c_str(), printed.detail.c_str());
            return reportPrintFailure(path, printed);
        }
        if (!quiet) {
            platform::ui::UI().MessageBox("Export complete", "Success", platform::ui::MB_OK);
        }
        return true;
    } catch (const std::exception&) {
        TV_DEBUG_LOG("** Exception in ExportReport\n");
    }
    return false;
}

} // namespace reports
