/*
 * The HRESULT-like codes the data-access layer reports, and how the back ends' own errors map
 * onto them: SQLite result codes and ODBC SQLSTATEs. Callers tell failures apart by these
 * codes (a unique-key violation and a missing table have codes of their own); the driver's
 * text travels in the error's description. docs/error-codes.md holds the table. Pure
 * functions; any thread.
 */
#ifndef TALLYVOL_PLATFORM_ADO_ERRORCODES_H
#define TALLYVOL_PLATFORM_ADO_ERRORCODES_H

#include "platform/ado/ComError.h"

#include <string>

namespace platform::ado {

constexpr HRESULT MakeCode(std::uint32_t value) {
    return static_cast<HRESULT>(value);
}

// ---- General ----
inline constexpr HRESULT E_OUTOFMEMORY = MakeCode(0x8007000E);
inline constexpr HRESULT E_ACCESSDENIED = MakeCode(0x80070005);
inline constexpr HRESULT E_DISKFULL = MakeCode(0x80070070);     // HRESULT of ERROR_DISK_FULL
inline constexpr HRESULT E_FILENOTFOUND = MakeCode(0x80070002); // HRESULT of ERROR_FILE_NOT_FOUND
inline constexpr HRESULT DISP_E_TYPEMISMATCH = MakeCode(0x80020005);

// ---- OLE DB provider errors ----
inline constexpr HRESULT DB_E_CANTCONVERTVALUE = MakeCode(0x80040E07);
inline constexpr HRESULT DB_SEC_E_PERMISSIONDENIED = MakeCode(0x80040E09);
inline constexpr HRESULT DB_E_PARAMNOTOPTIONAL = MakeCode(0x80040E10); // unknown column
inline constexpr HRESULT DB_E_ERRORSINCOMMAND = MakeCode(0x80040E14); // syntax and other SQL errors
inline constexpr HRESULT DB_E_INTEGRITYVIOLATION = MakeCode(0x80040E2F); // unique key, constraint
inline constexpr HRESULT DB_E_ABORTLIMITREACHED = MakeCode(0x80040E31);  // time-out expired
inline constexpr HRESULT DB_E_NOTABLE = MakeCode(0x80040E37);
inline constexpr HRESULT DB_E_CANCELED = MakeCode(0x80040E4E);
inline constexpr HRESULT DB_SEC_E_AUTH_FAILED = MakeCode(0x80040E4D);
inline constexpr HRESULT DB_E_DATAOVERFLOW = MakeCode(0x80040E57);
// The server ended the transaction to break a deadlock with another writer: it was rolled back,
// and running it again may succeed.
inline constexpr HRESULT XACT_E_ABORTED = MakeCode(0x8004D019);

// ---- ADO object errors ----
inline constexpr HRESULT adErrItemNotFound = MakeCode(0x800A0CC1);
inline constexpr HRESULT adErrNoCurrentRecord = MakeCode(0x800A0BCD);
inline constexpr HRESULT adErrObjectClosed = MakeCode(0x800A0E78);
inline constexpr HRESULT adErrObjectOpen = MakeCode(0x800A0E79);
inline constexpr HRESULT adErrProviderNotFound = MakeCode(0x800A0E7A);
inline constexpr HRESULT adErrInvalidConnection = MakeCode(0x800A0E7D);
inline constexpr HRESULT adErrInvalidTransaction = MakeCode(0x800A0CAE);

// The code for an SQLite result (extended codes welcome) and its message.
HRESULT CodeFromSqlite(int resultCode, const std::string& message);

// The code for an ODBC diagnostic. `sqliteDriver` is set when the driver is the SQLite ODBC
// driver, which reports most failures as HY000 with the SQLite result code as native error.
HRESULT CodeFromOdbc(const std::string& sqlState, long nativeError, const std::string& message,
                     bool sqliteDriver);

// The system's text for a code, as the error's message; empty for codes the system has no text
// for (the error then falls back to "IDispatch error #%d" or "Unknown error 0x%0lX").
std::string SystemMessage(HRESULT code);

} // namespace platform::ado

#endif
