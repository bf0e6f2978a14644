#include "platform/ado/ErrorCodes.h"

#include <sqlite3.h>

#include <cstring>

namespace platform::ado {

namespace {

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// SQLITE_ERROR covers every statement that cannot be prepared; its message says why.
HRESULT codeFromSqliteMessage(const std::string& message) {
    if (contains(message, "no such table")) {
        return DB_E_NOTABLE;
    }
    if (contains(message, "no such column") || contains(message, "has no column named")) {
        return DB_E_PARAMNOTOPTIONAL;
    }
    return DB_E_ERRORSINCOMMAND;
}

} // namespace

HRESULT CodeFromSqlite(int resultCode, const std::string& message) {
    switch (resultCode & 0xFF) {
    case SQLITE_ERROR:
        return codeFromSqliteMessage(message);
    case SQLITE_CONSTRAINT:
        return DB_E_INTEGRITYVIOLATION;
    case SQLITE_MISMATCH:
        return DB_E_CANTCONVERTVALUE;
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
        return DB_E_DATAOVERFLOW;
    case SQLITE_FULL:
        return E_DISKFULL;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return DB_SEC_E_PERMISSIONDENIED;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_INTERRUPT:
        // Interrupts come only from the command time-out; a lock still held after the time-out
        // is a time-out too.
        return DB_E_ABORTLIMITREACHED;
    case SQLITE_NOMEM:
        return E_OUTOFMEMORY;
    default:
        // SQLITE_CANTOPEN, SQLITE_NOTADB, SQLITE_CORRUPT, SQLITE_IOERR and the rest: the file
        // cannot be used; the message says how.
        return E_FAIL;
    }
}

HRESULT CodeFromOdbc(const std::string& sqlState, long nativeError, const std::string& message,
                     bool sqliteDriver) {
    if (sqliteDriver && (sqlState == "HY000" || sqlState == "S1000")) {
        if (nativeError > 0 && nativeError < 256 && nativeError != SQLITE_ERROR) {
            return CodeFromSqlite(static_cast<int>(nativeError), message);
        }
        return codeFromSqliteMessage(message);
    }
    // Chosen as a deadlock's victim (MariaDB 1213, SQL Server 1205): the transaction was rolled
    // back. Before the error numbers, since SQL Server's 1205 is MariaDB's lock wait time-out.
    if (sqlState == "40001") {
        return XACT_E_ABORTED;
    }
    // MariaDB and MySQL report these under varying SQLSTATEs (HY000, HY018, 70100); their own
    // error numbers are what identifies them.
    switch (nativeError) {
    case 1205: // lock wait time-out
    case 1969: // max_statement_time exceeded
    case 3024: // max_execution_time exceeded
        return DB_E_ABORTLIMITREACHED;
    case 1213: // deadlock: this transaction was rolled back
        return XACT_E_ABORTED;
    case 1021: // disk full
    case 1114: // table full
        return E_DISKFULL;
    default:
        break;
    }
    if (startsWith(sqlState, "23")) {
        return DB_E_INTEGRITYVIOLATION;
    }
    if (sqlState == "42S02" || sqlState == "S0002") {
        return DB_E_NOTABLE;
    }
    if (sqlState == "42S22" || sqlState == "S0022") {
        return DB_E_PARAMNOTOPTIONAL;
    }
    if (sqlState == "HYT00" || sqlState == "HYT01" || sqlState == "S1T00" || sqlState == "70100") {
        return DB_E_ABORTLIMITREACHED;
    }
    if (sqlState == "28000") {
        return DB_SEC_E_AUTH_FAILED;
    }
    if (sqlState == "42000" &&
        (nativeError == 1044 || nativeError == 1045 || nativeError == 1142)) {
        return DB_SEC_E_PERMISSIONDENIED; // MariaDB: access denied to a database or table
    }
    if (startsWith(sqlState, "42") || startsWith(sqlState, "37")) {
        return DB_E_ERRORSINCOMMAND;
    }
    if (sqlState == "22001" || sqlState == "22003") {
        return DB_E_DATAOVERFLOW;
    }
    if (startsWith(sqlState, "22")) {
        return DB_E_CANTCONVERTVALUE;
    }
    if (sqlState == "HY008") {
        return DB_E_CANCELED;
    }
    if (sqlState == "HY001") {
        return E_OUTOFMEMORY;
    }
    return E_FAIL;
}

std::string SystemMessage(HRESULT code) {
    switch (static_cast<std::uint32_t>(code)) {
    case 0x80004005:
        return "Unspecified error";
    case 0x8007000E:
        return "Not enough storage is available to complete this operation.";
    case 0x80070005:
        return "Access is denied.";
    case 0x80070070:
        return "There is not enough space on the disk.";
    case 0x80070002:
        return "The system cannot find the file specified.";
    case 0x80020005:
        return "Type mismatch.";
    default:
        return {};
    }
}

} // namespace platform::ado
