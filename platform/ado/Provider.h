/*
 * What a back end supplies to Connection and Recordset: a session (one open database
 * connection) and cursors over query results. Internal to the data-access layer; a session and
 * its cursors belong to the thread that owns the Connection. Every failure is thrown as a
 * ComError carrying the back end's code mapped by ErrorCodes.h.
 */
#ifndef TALLYVOL_PLATFORM_ADO_PROVIDER_H
#define TALLYVOL_PLATFORM_ADO_PROVIDER_H

#include "platform/ado/Field.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::ado::detail {

class Cursor {
public:
    virtual ~Cursor() = default;
    // The columns, named and typed; values unset.
    virtual const std::vector<Field>& Columns() const = 0;
    // Reads the next row into `row` (sized like Columns()); false at the end.
    virtual bool Fetch(std::vector<Field>& row) = 0;
};

// A statement prepared once and run many times with new parameter values ("?" markers, numbered
// from 1): integers, and texts given both as the value and as the SQL literal that stands for
// it in the kind's dialect (a back end that fills the values into the text uses the literal).
class PreparedStatement {
public:
    virtual ~PreparedStatement() = default;
    virtual void Bind(int index, std::int64_t value) = 0;
    virtual void BindText(int index, const std::string& value, const std::string& literal) = 0;
    // Runs it with the values bound; returns the rows it changed.
    virtual std::int64_t Execute(int timeoutSeconds) = 0;
    // Keeps the values bound now as one more row of the batch.
    virtual void AddToBatch() = 0;
    virtual std::size_t BatchRows() const = 0;
    // Runs every row of the batch, in as few statements as the back end allows, and empties the
    // batch whether it succeeds or not; returns the rows changed.
    virtual std::int64_t ExecuteBatch(int timeoutSeconds) = 0;
};

class Session {
public:
    virtual ~Session() = default;
    // Runs a statement (or several, where the back end allows it); returns the rows it changed.
    virtual std::int64_t Execute(const std::string& sql, int timeoutSeconds) = 0;
    // Runs a query; its result is read through the cursor. The time-out covers running the
    // query and producing its first row.
    virtual std::unique_ptr<Cursor> Query(const std::string& sql, int timeoutSeconds) = 0;
    virtual std::unique_ptr<PreparedStatement> Prepare(const std::string& sql) = 0;
    virtual void Begin() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    // "SQLite" or the ODBC driver's name.
    virtual std::string Name() const = 0;
    // The row identifier the session's last successful insert generated; 0 where the back end
    // cannot tell without asking the server.
    virtual std::int64_t LastInsertId() const = 0;
};

// Mode: the ADO connection mode (read, write, sharing bits).
std::shared_ptr<Session> OpenSqliteSession(const std::string& file, int mode, int timeoutSeconds);
std::shared_ptr<Session> OpenOdbcSession(const std::string& connectionString, int mode);

} // namespace platform::ado::detail

#endif
