// The growth report's three forms with names of every awkward kind: JSON read back by Python's
// strict parser byte for byte, CSV read back by Python's csv module, cells that would be
// formulas, and a table whose rows stay one line each.
#include "app/GrowthOutput.h"
#include "app/base/FormatBytes.h"
#include "tests/support/ProcessRunner.h"

#include <gtest/gtest.h>

using namespace app;
using scan::GrowthReport;
using scan::GrowthRow;
using scan::GrowthStatus;

namespace {

std::string hex(const std::string& bytes) {
    static const char* const kDigits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

// Names whose bytes must come back unchanged from the JSON.
const std::string kNames[] = {
    "/srv/plain",
    "/srv/quote\"and\\backslash",
    "/srv/line\nbreak\ttab\rcr\x01\x1f\x7f",
    "/srv/bad\xff\xfeutf8",
    "/srv/\xc3\xbcnicode \xe2\x82\xac \xf0\x9f\x98\x80",
    "/srv/overlong\xc0\xaf",
    "/srv/surrogate\xed\xa0\x80",
    "/srv/cut\xe2\x82",
    "=cmd|' /C calc'!A0",
};

GrowthReport reportOf(const std::vector<std::string>& names) {
    GrowthReport report;
    report.outcome = scan::GrowthOutcome::kReady;
    report.localRoot = "/srv";
    report.days = 2;
    std::int64_t change = 1000000;
    for (const std::string& name : names) {
        GrowthRow row;
        row.localPath = name;
        row.oldSize = 4096;
        row.newSize = 4096 + change;
        row.change = change;
        row.percent = change * 100.0 / 4096;
        row.perDay = change / 2.0;
        report.rows.push_back(row);
        change -= 1000;
    }
    return report;
}

testsupport::ProcessResult python(const std::string& program, const std::string& input) {
    return testsupport::RunProcess("/usr/bin/python3", {"-c", program}, {}, 60, input);
}

} // namespace

TEST(GrowthOutput, JsonGivesEveryNameBackByteForByte) {
    std::vector<std::string> names(std::begin(kNames), std::end(kNames));
    GrowthReport report = reportOf(names);
    // A new directory, a deleted one: no old size, no new size, no percentages.
    report.rows[0].oldSize.reset();
    report.rows[0].percent.reset();
    report.rows[0].status = GrowthStatus::kNew;
    report.rows[1].newSize.reset();
    report.rows[1].change = -4096;
    report.rows[1].percent = -100.0;
    report.rows[1].perDay.reset();
    report.rows[1].status = GrowthStatus::kDeleted;

    // Strict JSON (no control characters in strings, valid UTF-8 text); names back through
    // the surrogate escapes.
    testsupport::ProcessResult result = python(
        "import json,sys\n"
        "rows=json.loads(sys.stdin.buffer.read().decode('utf-8','strict'))\n"
        "for r in rows:\n"
        "  print(r['path'].encode('utf-8','surrogateescape').hex(),r['old'],r['new'],r['change'],r['percent'],\n"
        "        r['per_day'],r['status'],','.join(sorted(r)))\n",
        GrowthJson(report));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = result.out.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(result.out.substr(start, end - start));
    }
    ASSERT_EQ(lines.size(), names.size()) << result.out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i].substr(0, lines[i].find(' ')), hex(names[i]));
        EXPECT_NE(lines[i].find(" change,new,old,path,per_day,percent,status"), std::string::npos) << lines[i];
    }
    EXPECT_NE(lines[0].find(" None 1004096 1000000 None 500000.0 new "), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find(" 4096 None -4096 -100.0 None deleted "), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find(" 4096 1002096 998000 24365.23 499000.0 grown "), std::string::npos) << lines[2];
    EXPECT_EQ(GrowthJson(GrowthReport{}), "[]\n");
}

TEST(GrowthOutput, CsvCellsAreDataNeverFormulasOrLineBreaks) {
    struct Case {
        std::string text;
        std::string cell;
    };
    const Case cases[] = {
        {"/srv/plain", "/srv/plain"},
        {"=1+1", "'=1+1"},
        {"+1", "'+1"},
        {"-1", "'-1"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"=a,b", "\"'=a,b\""},
        {"line\nbreak\r\ttab", "line break  tab"},
        {"\n=x", " =x"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CsvTextCell(c.text), c.cell) << c.text;
    }

    std::vector<std::string> names(std::begin(kNames), std::end(kNames));
    names.push_back("/srv/a, b \"c\"");
    GrowthReport report = reportOf(names);
    report.rows[0].oldSize.reset();
    report.rows[0].percent.reset();
    report.rows[0].status = GrowthStatus::kNew;
    testsupport::ProcessResult result = python("import csv,sys\n"
                                               "rows=list(csv.reader(sys.stdin.buffer.read().decode('utf-8',"
                                               "'surrogateescape').splitlines()))\n"
                                               "print(len(rows)); print(rows[0]); print(rows[1]); print(rows[-1])\n"
                                               "print(set(len(r) for r in rows))\n",
                                               GrowthCsv(report));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, std::to_string(names.size() + 1) + "\n" +
                              "['path', 'old', 'new', 'change', 'percent', 'per_day', 'status']\n"
                              "['/srv/plain', '', '1004096', '1000000', '', '500000.00', 'new']\n"
                              "['/srv/a, b \"c\"', '4096', '995096', '991000', '24194.34', '495500.00', 'grown']\n"
                              "{7}\n");
}

TEST(GrowthOutput, TheTableKeepsOneLinePerDirectory) {
    std::vector<std::string> names(std::begin(kNames), std::end(kNames));
    GrowthReport report = reportOf(names);
    report.firstLevelOnly = true;
    report.localScanRoot = "/srv";
    report.rows[3].change = -5000;
    report.rows[3].percent = -50.0;
    report.rows[3].perDay = -2500;
    std::string text = GrowthText(report, kUnitBytes);
    std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    EXPECT_EQ(lines, 2 + 1 + 1 + names.size()) << text; // heading, note, blank line, columns, rows
    EXPECT_NE(text.find("/srv/line break tab cr   "), std::string::npos) << text;
    EXPECT_NE(text.find("+1,000,000 bytes  +24414.1%  +500,000 bytes  4,096 bytes  1,004,096 bytes  /srv/plain\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("-5,000 bytes"), std::string::npos) << text;
    EXPECT_NE(text.find("-2,500 bytes"), std::string::npos) << text;
    EXPECT_NE(text.find("Only /srv and its subdirectories are compared"), std::string::npos) << text;

    report.rows.clear();
    EXPECT_NE(GrowthText(report, kUnitBytes).find("No directory changed in size.\n"), std::string::npos);
}
