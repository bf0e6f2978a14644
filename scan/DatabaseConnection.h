/*
 * Reaching the scan store: opening a connection string the program's way (read-write with
 * sharing, no user name or password), proving at start-up that the store can be reached, the
 * download page offered when it cannot, and the connection settings' defaults. Used by the
 * scan engine, the database configuration and the copy. Main thread (these may show message
 * boxes); OpenConnectionString alone is safe on any thread.
 */
#ifndef TALLYVOL_SCAN_DATABASECONNECTION_H
#define TALLYVOL_SCAN_DATABASECONNECTION_H

#include <cstdint>
#include <memory>
#include <string>

namespace platform::ado {
class Connection;
}

namespace scan {

// The connection mode every store connection is opened with: read-write, sharing allowed.
inline constexpr int kStoreConnectionMode = 19;

struct OpenedConnection {
    std::shared_ptr<platform::ado::Connection> connection; // empty on failure
    std::uint32_t failureCode = 0;                         // the HRESULT-like code
    std::string failureText;
    explicit operator bool() const { return connection != nullptr; }
};

// Creates a connection, sets mode 19 and opens the string. On failure: "Exception while
// connecting to %s.  Err=%s,  Desc=%s,  HR=%0X" (also logged while debugging), or "Unknown
// Exception while connecting to %s" with 0x80004005.
OpenedConnection OpenConnectionString(const std::string& connectionString);

// With createOnly, only proves a connection object can be created. Otherwise opens the string;
// a failure asks whether to go to the download page (and then requests the program's end,
// app::RequestProgramEnd), or, during an automated run's scan, is reported without a question.
// True when the store can be reached.
bool TestConnection(bool createOnly, const std::string& connectionString);

// Opens the MDACPage address in the browser; reports when no browser can be started.
void OpenDownloadPage();

// The ConnectionString setting; an empty value means "DSN=" and the default data source name.
std::string StoredConnectionString();

// The program's answer to a user who declines to go on: logged, and asked of start-up
// (app::RequestProgramEnd), which ends the program once the current operation returns.
void EndProgram();

} // namespace scan

#endif
