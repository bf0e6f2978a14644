#include "reports/XlsxWriter.h"

#include "app/base/DiagnosticLog.h"
#include "platform/system/StagedFile.h"
#include "platform/system/StringPrintf.h"

#include <langinfo.h>
#include <sys/stat.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace reports {

namespace {

constexpr std::uint64_t kLargestExactDouble = 1ULL << 53;
constexpr const char* kReplacementCharacter = "\xEF\xBF\xBD";
constexpr uint8_t kPaperLetter = 1;
constexpr uint8_t kPaperA4 = 9;
constexpr std::size_t kPieLabelLimit = 20; // more slices than this get no percentage labels
// A legend of more entries than this covers the plot and cannot be read: the chart goes without
// (each series still carries its name).
constexpr std::size_t kLegendLimit = 40;
constexpr std::size_t kMarkerLimit = 30; // scans up to which line charts mark every point

// The paper of the user's locale: letter where the locale's paper is 216 mm wide, else A4.
uint8_t localePaper() {
    auto width = static_cast<int>(reinterpret_cast<std::intptr_t>(::nl_langinfo(_NL_PAPER_WIDTH)));
    return width == 216 ? kPaperLetter : kPaperA4;
}

// A double holds the value exactly when its significant bits fit in 53.
bool exactAsDouble(std::uint64_t value) {
    if (value <= kLargestExactDouble) {
        return true;
    }
    int bits = 64 - __builtin_clzll(value);
    return (value & ((1ULL << (bits - 53)) - 1)) == 0;
}

std::size_t characterCount(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

bool fileError(int error) {
    switch (error) {
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        return true;
    default:
        return false;
    }
}

double columnWidth(std::size_t characters, double low, double high) {
    return std::clamp(static_cast<double>(characters) + 2.0, low, high);
}

// The workbook under construction: remembers the first failure of the library and frees an
// unfinished workbook (no file is made until it is closed).
class WorkbookBuilder {
public:
    explicit WorkbookBuilder(const std::string& path) {
        lxw_workbook_options options{};
        m_workbook = workbook_new_opt(path.c_str(), &options);
        if (m_workbook == nullptr) {
            m_error = LXW_ERROR_MEMORY_MALLOC_FAILED;
            return;
        }
        m_bold = workbook_add_format(m_workbook);
        format_set_bold(m_bold);
        m_paper = localePaper();
    }
    ~WorkbookBuilder() {
        if (m_workbook != nullptr) {
            lxw_workbook_free(m_workbook);
        }
    }
    WorkbookBuilder(const WorkbookBuilder&) = delete;
    WorkbookBuilder& operator=(const WorkbookBuilder&) = delete;

    bool Ok() const { return m_error == LXW_NO_ERROR; }
    void Check(lxw_error error) {
        if (m_error == LXW_NO_ERROR) {
            m_error = error;
        }
    }

    void AddDataSheet(const WorkbookSheet& sheet);
    void AddChartSheet(const WorkbookChart& chart, const WorkbookSheet& source, bool first);

    int Close() {
        if (m_workbook == nullptr) {
            return m_error;
        }
        lxw_workbook* workbook = m_workbook;
        m_workbook = nullptr;
        if (!Ok()) {
            lxw_workbook_free(workbook);
            return m_error;
        }
        return workbook_close(workbook);
    }

private:
    void writeNumber(lxw_worksheet* worksheet, lxw_row_t row, lxw_col_t col, std::uint64_t value);
    void addLineSeries(lxw_chart* chart, const WorkbookSheet& source);
    void addPieSeries(lxw_chart* chart, const WorkbookSheet& source);
    void styleLineChart(lxw_chart* chart, const WorkbookChart& plan, std::size_t columns);

    lxw_workbook* m_workbook = nullptr;
    lxw_format* m_bold = nullptr;
    uint8_t m_paper = kPaperA4;
    lxw_error m_error = LXW_NO_ERROR;
};

void WorkbookBuilder::writeNumber(lxw_worksheet* worksheet, lxw_row_t row, lxw_col_t col,
                                  std::uint64_t value) {
    Check(worksheet_write_number(worksheet, row, col, static_cast<double>(value), nullptr));
    if (!exactAsDouble(value)) {
        // The cell holds the nearest number, so sums and charts still work; the note keeps
        // every digit.
        std::string note = platform::system::StringPrintf("Exact value: %llu",
                                                          static_cast<unsigned long long>(value));
        Check(worksheet_write_comment(worksheet, row, col, note.c_str()));
    }
}

void WorkbookBuilder::AddDataSheet(const WorkbookSheet& sheet) {
    if (!Ok()) {
        return;
    }
    lxw_worksheet* worksheet = workbook_add_worksheet(m_workbook, sheet.name.c_str());
    if (worksheet == nullptr) {
        Check(LXW_ERROR_SHEETNAME_ALREADY_USED);
        return;
    }
    std::size_t labelWidth = characterCount(sheet.title);
    Check(worksheet_write_string(worksheet, 0, 0, SpreadsheetText(sheet.title).c_str(), m_bold));
    std::size_t dateWidth = 0;
    for (std::size_t c = 0; c < sheet.columnLabels.size(); ++c) {
        dateWidth = std::max(dateWidth, characterCount(sheet.columnLabels[c]));
        Check(worksheet_write_string(worksheet, 0, static_cast<lxw_col_t>(c + 1),
                                     SpreadsheetText(sheet.columnLabels[c]).c_str(), m_bold));
    }
    for (std::size_t r = 0; r < sheet.rows.size() && Ok(); ++r) {
        const WorkbookRow& row = sheet.rows[r];
        auto sheetRow = static_cast<lxw_row_t>(r + 1);
        std::string label = SpreadsheetText(row.label);
        labelWidth = std::max(labelWidth, characterCount(label));
        Check(worksheet_write_string(worksheet, sheetRow, 0, label.c_str(), nullptr));
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            if (row.cells[c]) {
                writeNumber(worksheet, sheetRow, static_cast<lxw_col_t>(c + 1), *row.cells[c]);
            }
        }
    }
    Check(worksheet_set_column(worksheet, 0, 0, columnWidth(labelWidth, 12, 60), nullptr));
    if (!sheet.columnLabels.empty()) {
        Check(worksheet_set_column(worksheet, 1, static_cast<lxw_col_t>(sheet.columnLabels.size()),
                                   columnWidth(dateWidth, 12, 30), nullptr));
    }
    worksheet_freeze_panes(worksheet, 1, 1);
    worksheet_set_landscape(worksheet);
    worksheet_set_paper(worksheet, m_paper);
    Check(worksheet_repeat_rows(worksheet, 0, 0));
    Check(worksheet_repeat_columns(worksheet, 0, 0));
}

// Plotted by rows: each row is a series across the scan columns, named by its label.
void WorkbookBuilder::addLineSeries(lxw_chart* chart, const WorkbookSheet& source) {
    const char* sheet = source.name.c_str();
    auto lastColumn = static_cast<lxw_col_t>(std::max<std::size_t>(source.columnLabels.size(), 1));
    std::size_t series = std::min(std::max<std::size_t>(source.rows.size(), 1), kMaxChartSeries);
    for (std::size_t r = 0; r < series; ++r) {
        auto row = static_cast<lxw_row_t>(r + 1);
        lxw_chart_series* line = chart_add_series(chart, nullptr, nullptr);
        if (line == nullptr) {
            Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
            return;
        }
        chart_series_set_categories(line, sheet, 0, 1, 0, lastColumn);
        chart_series_set_values(line, sheet, row, 1, row, lastColumn);
        chart_series_set_name_range(line, sheet, row, 0);
        // A marker on every point, so that a report of one scan still shows its values; along
        // many scans markers would only thicken the line.
        if (source.columnLabels.size() <= kMarkerLimit) {
            chart_series_set_marker_type(line, LXW_CHART_MARKER_CIRCLE);
            chart_series_set_marker_size(line, 5);
        } else {
            chart_series_set_marker_type(line, LXW_CHART_MARKER_NONE);
        }
        lxw_chart_line stroke{};
        stroke.width = 2.0f;
        chart_series_set_line(line, &stroke);
    }
}

// Plotted by columns: each scan column is a series over the rows; a pie shows the first.
void WorkbookBuilder::addPieSeries(lxw_chart* chart, const WorkbookSheet& source) {
    const char* sheet = source.name.c_str();
    auto lastRow = static_cast<lxw_row_t>(std::max<std::size_t>(source.rows.size(), 1));
    std::size_t series =
        std::min(std::max<std::size_t>(source.columnLabels.size(), 1), kMaxChartSeries);
    for (std::size_t c = 0; c < series; ++c) {
        auto column = static_cast<lxw_col_t>(c + 1);
        lxw_chart_series* pie = chart_add_series(chart, nullptr, nullptr);
        if (pie == nullptr) {
            Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
            return;
        }
        chart_series_set_categories(pie, sheet, 1, 0, lastRow, 0);
        chart_series_set_values(pie, sheet, 1, column, lastRow, column);
        chart_series_set_name_range(pie, sheet, 0, column);
        if (source.rows.size() <= kPieLabelLimit) {
            chart_series_set_labels_percentage(pie);
            chart_series_set_labels_position(pie, LXW_CHART_LABEL_POSITION_BEST_FIT);
            chart_series_set_labels_leader_line(pie);
        }
    }
}

void WorkbookBuilder::styleLineChart(lxw_chart* chart, const WorkbookChart& plan,
                                     std::size_t columns) {
    lxw_chart_axis* categories = chart_axis_get(chart, LXW_CHART_AXIS_TYPE_X);
    lxw_chart_axis* values = chart_axis_get(chart, LXW_CHART_AXIS_TYPE_Y);
    if (categories == nullptr || values == nullptr) {
        Check(LXW_ERROR_PARAMETER_VALIDATION);
        return;
    }
    lxw_chart_font dates{};
    dates.size = 9;
    dates.rotation = columns > 6 ? -45 : 0;
    chart_axis_set_num_font(categories, &dates);
    chart_axis_set_label_position(categories, LXW_CHART_AXIS_LABEL_POSITION_LOW);
    chart_axis_set_num_format(values, "#,##0");
    if (!plan.valueUnit.empty()) {
        lxw_chart_font unitFont{};
        unitFont.size = 10;
        unitFont.bold = LXW_FALSE;
        chart_axis_set_name(values, plan.valueUnit.c_str());
        chart_axis_set_name_font(values, &unitFont);
    }
}

void WorkbookBuilder::AddChartSheet(const WorkbookChart& plan, const WorkbookSheet& source,
                                    bool first) {
    if (!Ok()) {
        return;
    }
    lxw_chartsheet* chartsheet = workbook_add_chartsheet(m_workbook, plan.name.c_str());
    lxw_chart* chart = workbook_add_chart(
        m_workbook, plan.type == ChartType::kLine ? LXW_CHART_LINE : LXW_CHART_PIE);
    if (chartsheet == nullptr || chart == nullptr) {
        Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
        return;
    }
    if (plan.type == ChartType::kLine) {
        addLineSeries(chart, source);
        styleLineChart(chart, plan, source.columnLabels.size());
    } else {
        addPieSeries(chart, source);
    }
    std::string title = SpreadsheetText(plan.title);
    chart_title_set_name(chart, title.c_str());
    lxw_chart_font titleFont{};
    titleFont.bold = LXW_TRUE;
    titleFont.size = 14;
    chart_title_set_name_font(chart, &titleFont);
    std::size_t legendEntries = plan.type == ChartType::kLine
                                    ? std::min(source.rows.size(), kMaxChartSeries)
                                    : source.rows.size();
    chart_legend_set_position(chart, legendEntries > kLegendLimit ? LXW_CHART_LEGEND_NONE
                                                                  : LXW_CHART_LEGEND_RIGHT);
    lxw_chart_font legendFont{};
    legendFont.size = 9;
    chart_legend_set_font(chart, &legendFont);
    Check(chartsheet_set_chart(chartsheet, chart));
    chartsheet_set_landscape(chartsheet);
    chartsheet_set_paper(chartsheet, m_paper);
    if (first) {
        chartsheet_activate(chartsheet);
    }
}

} // namespace

std::string SpreadsheetText(const std::string& text, std::size_t maxBytes) {
    std::string out;
    out.reserve(text.size());
    auto append = [&](const char* bytes, std::size_t length) {
        if (out.size() + length <= maxBytes) {
            out.append(bytes, length);
            return true;
        }
        return false;
    };
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = data[i];
        std::size_t length = lead < 0x80           ? 1
                             : (lead >> 5) == 0x6  ? 2
                             : (lead >> 4) == 0xE  ? 3
                             : (lead >> 3) == 0x1E ? 4
                                                   : 0;
        std::uint32_t code = length == 1   ? lead
                             : length == 2 ? lead & 0x1F
                             : length == 3 ? lead & 0x0F
                                           : lead & 0x07;
        bool valid = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            valid = (data[i + k] & 0xC0) == 0x80;
            code = (code << 6) | (data[i + k] & 0x3F);
        }
        static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && code >= kSmallest[length] && code <= 0x10FFFF &&
                (code < 0xD800 || code > 0xDFFF) && code != 0xFFFE && code != 0xFFFF &&
                (code >= 0x20 || code == '\t' || code == '\n' || code == '\r');
        bool fits = valid ? append(text.data() + i, length) : append(kReplacementCharacter, 3);
        if (!fits) {
            break;
        }
        i += valid ? length : 1;
    }
    return out;
}

std::string OpenElsewhereLockFile(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (const std::string& lock : {directory + ".~lock." + name + "#", directory + "~$" + name}) {
        struct stat info {};
        if (::lstat(lock.c_str(), &info) == 0) {
            return lock;
        }
    }
    return {};
}

XlsxWriter::XlsxWriter(const WorkbookModel& model) : m_model(model) {}

int XlsxWriter::render(const std::string& path) const {
    WorkbookBuilder builder(path);
    for (const WorkbookSheet& sheet : m_model.Sheets()) {
        builder.AddDataSheet(sheet);
    }
    bool first = true;
    for (const WorkbookChart& chart : m_model.Charts()) {
        const WorkbookSheet* source = m_model.Sheet(chart.sourceSheet);
        if (source == nullptr) {
            builder.Check(LXW_ERROR_PARAMETER_VALIDATION);
            break;
        }
        builder.AddChartSheet(chart, *source, first);
        first = false;
    }
    return builder.Close();
}

XlsxWriteResult XlsxWriter::Write(const std::string& path, bool replaceExisting) const {
    XlsxWriteResult result;
    if (std::string lock = OpenElsewhereLockFile(path); !lock.empty()) {
        result.code = EBUSY;
        result.errorText =
            "The file is open in another program (its lock file " + lock + " exists)";
        return result;
    }
    platform::system::StagedFile staged(path);
    if (staged.Error() != 0) {
        result.code = staged.Error();
        result.errorText = std::strerror(result.code);
        return result;
    }
    errno = 0;
    int error = render(staged.StagingPath());
    if (error != LXW_NO_ERROR) {
        int systemError = errno;
        result.code = error;
        result.errorText = lxw_strerror(static_cast<lxw_error>(error));
        // Creating or filling the file fails for a system reason (a full disk) that the library
        // only prints: errno still holds it.
        if (systemError != 0 && fileError(error)) {
            result.code = systemError;
            result.errorText += std::string(" ") + std::strerror(systemError);
        }
        TV_DEBUG_LOG("Writing %s failed: %s (%d)", path.c_str(), result.errorText.c_str(), error);
        return result;
    }
    int committed = staged.Commit(replaceExisting ? platform::system::StagedFile::Existing::kReplace
                                                  : platform::system::StagedFile::Existing::kKeep);
    if (committed != 0) {
        result.code = committed;
        result.errorText = std::strerror(committed);
        return result;
    }
    result.written = true;
    return result;
}

} // namespace reports
