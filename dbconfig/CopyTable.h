/*
 * Copying every stored scan from one store into another, table by table, in the order that
 * keeps each table's references to earlier ones: DirNames, Extensions, ScanDefinition,
 * Filters, ExtensionInfo, SizeData. Rows are read whole from the old connection and written
 * as plain insert statements on the new one, so any database kind copies into any other;
 * identifiers keep their values, only SizeData's row key is left to the new database.
 *
 * Failures are reported here (the error report names the step that failed) and end the copy;
 * rows already written stay. Main thread: the progress window is driven from the copy's loop.
 */
#ifndef TALLYVOL_DBCONFIG_COPYTABLE_H
#define TALLYVOL_DBCONFIG_COPYTABLE_H

#include <string>

namespace platform::ado {
class Connection;
}

namespace dbconfig {

class ICopyProgress;

// One table of the copy, in order.
struct CopyTableStep {
    const char* table;
    const char* progressText;
    bool identityInsert; // explicit identifiers are written (matters to SQL Server)
};
inline constexpr CopyTableStep kCopyTableSteps[] = {
    {"DirNames", "Copying Table: DirNames (1 of 6)", true},
    {"Extensions", "Copying Table: Extensions (2 of 6)", true},
    {"ScanDefinition", "Copying Table: ScanDefinition (3 of 6)", true},
    {"Filters", "Copying Table: Filters (4 of 6)", true},
    {"ExtensionInfo", "Copying Table: ExtensionInfo (5 of 6)", true},
    {"SizeData", "Copying Table: SizeData (6 of 6)", false},
};

// The steps a failure is reported with.
inline constexpr const char* kStepGettingData = "Getting all existing data from old database";
inline constexpr const char* kStepMapping = "Mapping source to destination fields";
inline constexpr const char* kStepIterating = "Iterating through source data";
inline constexpr const char* kStepBuilding = "Building destination command string";
inline constexpr const char* kStepExecuting = "Executing insert SQL";
inline constexpr const char* kStepMoving = "Moving to next source record";

// Copies one table; true when every row was written, false on failure (reported) or cancel.
bool CopyTable(platform::ado::Connection& oldConnection, platform::ado::Connection& newConnection,
               const std::string& table, const std::string& progressText, ICopyProgress& progress,
               int targetKind, bool identityInsert);

// Copies the six tables, stopping at the first that does not complete; when all do, says
// "Database copying completed." (titled "Done"). True when all six completed.
bool CopyDatabase(platform::ado::Connection& oldConnection,
                  platform::ado::Connection& newConnection, int targetKind,
                  ICopyProgress& progress);

} // namespace dbconfig

#endif
