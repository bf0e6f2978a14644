/*
 * The growth report (scan/GrowthReport.h) as --growth prints it: a table for people, CSV for
 * spreadsheets, JSON for programs. Names are data, never layout or code:
 *  - text: control characters (line breaks, tabs) in a name show as blanks;
 *  - CSV (RFC 4180, CR LF): a cell holding a comma or a double quote is put in double quotes,
 *    inner quotes doubled; control characters become blanks, so one row stays one line; a
 *    text cell beginning with "=", "+", "-" or "@" gets a leading apostrophe ("'"), which
 *    spreadsheet programs show as text instead of running it as a formula. Number cells are
 *    plain numbers;
 *  - JSON: every name is a valid JSON string: quotes, backslashes and control characters
 *    escaped; bytes that are not UTF-8 become the escapes \udc80 to \udcff (one per byte,
 *    the convention of Python's "surrogateescape", so os.fsencode gives the name's bytes back).
 * Pure functions; any thread.
 */
#ifndef TALLYVOL_APP_GROWTHOUTPUT_H
#define TALLYVOL_APP_GROWTHOUTPUT_H

#include "scan/GrowthReport.h"

#include <optional>
#include <string>
#include <string_view>

namespace app {

// One directory's cells as the table shows them (the window's list shows the same).
struct GrowthRowTexts {
    std::string change;  // signed, in the units
    std::string percent; // "+12.5%"; "new" for a new directory, "-" where there is none
    std::string perDay;  // signed, in the units; "-" when the scans are of the same moment
    std::string oldSize; // "new" for a new directory
    std::string newSize; // "deleted" or "excluded" for a directory gone
};
GrowthRowTexts GrowthCellTexts(const scan::GrowthRow& row, int units);

// Why a report of `directory` could not be made (its outcome is not kReady), as one sentence
// for a user; `days` is what the report was asked for.
std::string GrowthFailureText(const scan::GrowthReport& report, const std::string& directory,
                              std::optional<int> days);

// The table: a heading naming the directory and the two scans, then one line per directory
// (change, percent, change per day, old and new size in the units, 1 to 5 as FormatBytes).
std::string GrowthText(const scan::GrowthReport& report, int units);
// path,old,new,change,percent,per_day,status: sizes in bytes, empty where there is none.
std::string GrowthCsv(const scan::GrowthReport& report);
// An array of {"path","old","new","change","percent","per_day","status"}, largest change first.
std::string GrowthJson(const scan::GrowthReport& report);

// The text as a JSON string literal, quotes included.
std::string JsonString(std::string_view text);
// The text as one CSV cell.
std::string CsvTextCell(std::string_view text);

} // namespace app

#endif
