#include "reports/ReportFormat.h"

#include "app/view/GridContent.h"

#include <cctype>

namespace reports {

namespace {

std::string withoutCommas(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c != ',') {
            result += c;
        }
    }
    return result;
}

// Names come from the file system and may hold anything: a line break or a tab inside a cell
// would start a new row or column, so they become blanks.
std::string oneLine(const std::string& text) {
    std::string result = text;
    for (char& c : result) {
        if (c == '\r' || c == '\n' || c == '\t') {
            c = ' ';
        }
    }
    return result;
}

// A cell that a spreadsheet program would read as a formula ("=", "+", "-", "@") starts with an
// apostrophe instead, which shows the text as it is.
std::string harmlessCsvCell(const std::string& text) {
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@')) {
        return "'" + text;
    }
    return text;
}

std::string joined(const std::vector<std::string>& cells, char separator) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i != 0) {
            line += separator;
        }
        line += cells[i];
    }
    return line;
}

std::string htmlRow(const std::vector<std::string>& cells, RowKind kind) {
    std::string row = "<tr>";
    for (std::size_t i = 0; i < cells.size(); ++i) {
        bool header = kind == RowKind::kHeader;
        row += (header || i == 0) ? "<td>" : "<td align=right>";
        if (header) {
            row += "<b>" + HtmlEscape(cells[i]) + "</b>";
        } else {
            row += HtmlEscape(cells[i]);
            if (i == 0) {
                row += "&nbsp;";
            }
        }
        row += "</td>";
    }
    row += "</tr>\r\n";
    return row;
}

} // namespace

ReportFormat ReportFormatOf(int format) {
    switch (format) {
    case kFormatHtml:
        return kFormatHtml;
    case kFormatCsv:
        return kFormatCsv;
    default:
        return kFormatText;
    }
}

const char* ReportFileExtension(ReportFormat format) {
    switch (format) {
    case kFormatHtml:
        return ".html";
    case kFormatCsv:
        return ".csv";
    case kFormatText:
        break;
    }
    return ".txt";
}

std::string ReportHeader(ReportFormat format, const std::string& productName, const std::string& directory,
                         const std::string& printDate) {
    switch (format) {
    case kFormatHtml:
        // The directory is a name from the file system like any cell text, so it is escaped too.
        return "<html><body><font face=arial>" + productName + " Report<br>Directory: " + HtmlEscape(directory) +
               "<br>Print Date: " + printDate + "<br>\r\n<table border=1 cellpadding=0 cellspacing=0>";
    case kFormatCsv:
        return {};
    case kFormatText:
        break;
    }
    return productName + " Report\r\nDirectory: " + oneLine(directory) + "\r\nPrint Date: " + printDate + "\r\n\r\n";
}

std::string ReportFooter(ReportFormat format) {
    return format == kFormatHtml ? "</table></body></html>" : std::string();
}

std::string ReportRow(ReportFormat format, const std::vector<std::string>& cells, RowKind kind) {
    switch (format) {
    case kFormatHtml:
        return htmlRow(cells, kind);
    case kFormatCsv: {
        std::vector<std::string> stripped;
        stripped.reserve(cells.size());
        for (const std::string& cell : cells) {
            stripped.push_back(harmlessCsvCell(oneLine(withoutCommas(cell))));
        }
        return joined(stripped, ',') + "\r\n";
    }
    case kFormatText:
        break;
    }
    std::vector<std::string> cleaned;
    cleaned.reserve(cells.size());
    for (const std::string& cell : cells) {
        cleaned.push_back(oneLine(cell));
    }
    return joined(cleaned, '\t') + "\r\n";
}

std::string RowLabel(const std::string& name) {
    return app::RowDisplayName(name); // the grid's rule: reports show rows as the grid does
}

std::string HtmlEscape(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            result += "&amp;";
            break;
        case '<':
            result += "&lt;";
            break;
        case '>':
            result += "&gt;";
            break;
        case '"':
            result += "&quot;";
            break;
        default:
            result += c;
            break;
        }
    }
    return result;
}

} // namespace reports
