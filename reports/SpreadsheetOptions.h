/*
 * The choices of one spreadsheet report: how many scans become columns, which rows are kept
 * (all, small ones grouped, or a fixed number) and the unit of the size cells. The report
 * dialog loads them from the settings when it is created and saves them on Generate; an
 * automated run starts from the saved values. Main thread.
 */
#ifndef TALLYVOL_REPORTS_SPREADSHEETOPTIONS_H
#define TALLYVOL_REPORTS_SPREADSHEETOPTIONS_H

namespace reports {

enum SpreadsheetDataAmount { kUseAllData = 0, kGroupSmallNumbers = 1, kSpecifyNumberOfRows = 2 };

struct SpreadsheetOptions {
    unsigned NumColumns = 10;            // ExcelNumColumns: scan columns at most
    int DataAmount = kGroupSmallNumbers; // ExcelDataAmount
    unsigned MaxRows = 20;               // ExcelMaxRows: rows kept for kSpecifyNumberOfRows
    int Precision = 2;                   // ExcelPrecision: 0 bytes, 1 K, 2 MB, 3 GB
};

// The saved choices; a stored value outside its range reads as that setting's default.
SpreadsheetOptions LoadSpreadsheetOptions();
void SaveSpreadsheetOptions(const SpreadsheetOptions& options);

// "byte", "K", "MB" or "GB": the unit word of chart titles.
const char* SpreadsheetUnitWord(int precision);

} // namespace reports

#endif
