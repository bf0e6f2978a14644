/*
 * The data-access objects the scan store is reached through, shaped like ADO's Connection:
 * open a connection string with a mode, execute statements, open recordsets, set the command
 * time-out, run transactions, close. The provider follows from the connection string:
 *
 *   Provider=SQLite;Data Source=FILE        the SQLite C API (the included store file)
 *   DSN=NAME;... / Driver=...;...            unixODBC with that data source or driver
 *   PROVIDER=SQLOLEDB;SERVER=..;DATABASE=..  unixODBC with the FreeTDS driver, keys translated
 *
 * Every failure is a thrown ComError with an HRESULT-like code (ErrorCodes.h), the system's
 * message for it and the driver's text as description. A connection belongs to one thread at a
 * time; share it between threads only with your own locking. Recordsets keep their
 * connection's back end alive, so closing a connection never invalidates a recordset in use.
 */
#ifndef TALLYVOL_PLATFORM_ADO_CONNECTION_H
#define TALLYVOL_PLATFORM_ADO_CONNECTION_H

#include "platform/ado/ComError.h"
#include "platform/ado/Recordset.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform::ado {

namespace detail {
class Session;
class PreparedStatement;
}

// A statement prepared on a connection and executed many times, as ADO's Command with Prepared
// set: the text holds "?" markers for parameters, numbered from 1. A text parameter comes with
// the SQL literal that stands for it (quoted and escaped for the database kind), which back ends
// without prepared statements put into the text. It keeps its connection's back end alive.
class Command {
public:
    Command(std::shared_ptr<detail::Session> session, std::unique_ptr<detail::PreparedStatement> statement,
            const int* commandTimeout);
    ~Command();
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    Command& Bind(int index, std::int64_t value);
    Command& BindText(int index, const std::string& value, const std::string& literal);
    // Runs it (options adCmdText | adExecuteNoRecords); returns the rows it changed.
    std::int64_t Execute();

    // Batches: AddToBatch keeps the values bound so far as one row (each row binds all its
    // values); ExecuteBatch runs the rows kept, in order, and empties the batch, also when it
    // fails. An ODBC back end sends an INSERT ... VALUES (...) batch as multi-row statements
    // (up to kMaxRowsPerStatement rows each: one round trip instead of one per row); such a
    // statement stores all its rows or none. SQLite runs the rows one by one.
    static constexpr std::size_t kMaxRowsPerStatement = 1000;
    Command& AddToBatch();
    std::size_t BatchRows() const;
    std::int64_t ExecuteBatch();

private:
    std::shared_ptr<detail::Session> m_session;
    std::unique_ptr<detail::PreparedStatement> m_statement;
    const int* m_commandTimeout;
};

// ---- Execute options (CommandTypeEnum and ExecuteOptionEnum) ----
inline constexpr int adCmdText = 1;
inline constexpr int adExecuteNoRecords = 128;

// ---- Connection modes (ConnectModeEnum) ----
inline constexpr int adModeUnknown = 0;
inline constexpr int adModeRead = 1;
inline constexpr int adModeWrite = 2;
inline constexpr int adModeReadWrite = 3;
inline constexpr int adModeShareDenyRead = 4;
inline constexpr int adModeShareDenyWrite = 8;
inline constexpr int adModeShareExclusive = 12;
inline constexpr int adModeShareDenyNone = 16;

// The default command time-out of a new connection, in seconds.
inline constexpr int kDefaultCommandTimeout = 30;

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The mode used by the next Open (ADO's default: adModeUnknown, which opens read-write).
    void SetMode(int mode);
    int Mode() const { return m_mode; }

    // Opens the connection string; a user name or password given here is added to it.
    void Open(const std::string& connectionString, const std::string& user = {},
              const std::string& password = {});
    bool IsOpen() const { return m_session != nullptr; }
    // Ends an open transaction (rolled back) and releases the connection. Harmless when closed.
    void Close();

    const std::string& ConnectionString() const { return m_connectionString; }
    // "SQLite", or the ODBC driver's name.
    std::string ProviderName() const;

    // Runs a statement that returns no rows (options adCmdText | adExecuteNoRecords, 129, or
    // adCmdText); returns the number of rows it changed.
    std::int64_t Execute(const std::string& sql, int options = adCmdText | adExecuteNoRecords);
    // Runs a query and returns its rows, positioned on the first.
    std::unique_ptr<Recordset> OpenRecordset(const std::string& sql, int options = adCmdText);
    // Prepares a statement with "?" markers for parameters. The command runs with the
    // connection's command time-out in force when it executes; it must not outlive the
    // connection object.
    std::unique_ptr<Command> Prepare(const std::string& sql);

    // The identifier (SQLite's rowid) the last successful insert on this connection generated,
    // statements and commands alike; 0 where only the server could tell (ODBC: ask it, e.g.
    // LAST_INSERT_ID()).
    std::int64_t LastInsertedID() const;

    // Seconds a statement may run; 0 waits without limit.
    int CommandTimeout() const { return m_commandTimeout; }
    void SetCommandTimeout(int seconds);

    // One level of transaction; returns the level (1). Nested calls fail.
    int BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool InTransaction() const { return m_inTransaction; }

private:
    detail::Session& session() const;

    std::shared_ptr<detail::Session> m_session;
    std::string m_connectionString;
    int m_mode = adModeUnknown;
    int m_commandTimeout = kDefaultCommandTimeout;
    bool m_inTransaction = false;
};

} // namespace platform::ado

#endif
