// The ODBC back end: any data source or driver unixODBC knows (the SQLite ODBC driver,
// MariaDB, FreeTDS for SQL Server). Text crosses in the narrow API, UTF-8 under a UTF-8 locale.
#include "platform/ado/Connection.h"
#include "platform/ado/ErrorCodes.h"
#include "platform/ado/Provider.h"

#include <sql.h>
#include <sqlext.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <strings.h>

namespace platform::ado::detail {

namespace {

struct Diagnostic {
    std::string state;
    long native = 0;
    std::string text;
};

Diagnostic diagnose(SQLSMALLINT handleType, SQLHANDLE handle) {
    Diagnostic diagnostic;
    for (SQLSMALLINT record = 1; record <= 8; ++record) {
        SQLCHAR state[8] = {};
        SQLINTEGER native = 0;
        SQLCHAR text[1024] = {};
        SQLSMALLINT length = 0;
        SQLRETURN rc =
            SQLGetDiagRec(handleType, handle, record, state, &native, text, sizeof text, &length);
        if (!SQL_SUCCEEDED(rc)) {
            break;
        }
        if (record == 1) {
            diagnostic.state = reinterpret_cast<char*>(state);
            diagnostic.native = native;
        } else {
            diagnostic.text += "; ";
        }
        diagnostic.text += reinterpret_cast<char*>(text);
    }
    if (diagnostic.state.empty()) {
        diagnostic.state = "HY000";
        diagnostic.text = "The ODBC driver reported a failure without details.";
    }
    return diagnostic;
}

[[noreturn]] void fail(SQLSMALLINT handleType, SQLHANDLE handle, bool sqliteDriver,
                       const std::string& sql = {}) {
    Diagnostic diagnostic = diagnose(handleType, handle);
    HRESULT code = CodeFromOdbc(diagnostic.state, diagnostic.native, diagnostic.text, sqliteDriver);
    char source[96];
    std::snprintf(source, sizeof source, "ODBC SQLSTATE=%s native=%ld", diagnostic.state.c_str(),
                  diagnostic.native);
    std::string where = source;
    if (!sql.empty()) {
        where += ": " + sql;
    }
    throw ComError(code, SystemMessage(code), diagnostic.text, where);
}

// The environment every connection of the process shares.
class Environment {
public:
    static std::shared_ptr<Environment> Get() {
        static std::mutex mutex;
        static std::weak_ptr<Environment> shared;
        std::lock_guard<std::mutex> lock(mutex);
        std::shared_ptr<Environment> environment = shared.lock();
        if (!environment) {
            environment = std::make_shared<Environment>();
            shared = environment;
        }
        return environment;
    }

    Environment() {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_handle))) {
            throw ComError(E_FAIL, SystemMessage(E_FAIL),
                           "The ODBC driver manager cannot be initialised.", "ODBC");
        }
        SQLSetEnvAttr(m_handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                      0);
    }
    ~Environment() { SQLFreeHandle(SQL_HANDLE_ENV, m_handle); }
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;
    SQLHENV handle() const { return m_handle; }

private:
    SQLHENV m_handle = SQL_NULL_HENV;
};

class StatementHandle {
public:
    StatementHandle() = default;
    ~StatementHandle() { reset(); }
    StatementHandle(const StatementHandle&) = delete;
    StatementHandle& operator=(const StatementHandle&) = delete;
    void reset() {
        if (m_handle != SQL_NULL_HSTMT) {
            SQLFreeHandle(SQL_HANDLE_STMT, m_handle);
            m_handle = SQL_NULL_HSTMT;
        }
        m_timeout = -1;
    }
    SQLHSTMT get() const { return m_handle; }
    SQLHSTMT* out() { return &m_handle; }
    int m_timeout = -1; // the query time-out set on the handle, -1 when not yet set

private:
    SQLHSTMT m_handle = SQL_NULL_HSTMT;
};

int adoType(SQLSMALLINT sqlType, bool isUnsigned) {
    switch (sqlType) {
    case SQL_CHAR:
        return adChar;
    case SQL_VARCHAR:
        return adVarChar;
    case SQL_LONGVARCHAR:
        return adLongVarChar;
    case SQL_WCHAR:
        return adWChar;
    case SQL_WVARCHAR:
        return adVarWChar;
    case SQL_WLONGVARCHAR:
        return adLongVarWChar;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return adNumeric;
    case SQL_INTEGER:
        return isUnsigned ? adUnsignedInt : adInteger;
    case SQL_SMALLINT:
        return isUnsigned ? adUnsignedSmallInt : adSmallInt;
    case SQL_TINYINT:
        return isUnsigned ? adUnsignedTinyInt : adTinyInt;
    case SQL_BIGINT:
        return isUnsigned ? adUnsignedBigInt : adBigInt;
    case SQL_BIT:
        return adBoolean;
    case SQL_REAL:
        return adSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return adDouble;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return adDBDate;
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return adDBTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return adDBTimeStamp;
    case SQL_BINARY:
        return adBinary;
    case SQL_VARBINARY:
        return adVarBinary;
    case SQL_LONGVARBINARY:
        return adLongVarBinary;
    case SQL_GUID:
        return adGUID;
    default:
        return adVarChar;
    }
}

class OdbcSession : public Session, public std::enable_shared_from_this<OdbcSession> {
public:
    explicit OdbcSession(std::shared_ptr<Environment> environment)
        : m_environment(std::move(environment)) {}

    ~OdbcSession() override {
        m_execute.reset();
        if (m_connected) {
            if (m_inTransaction) {
                SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_ROLLBACK);
            }
            SQLDisconnect(m_dbc);
        }
        if (m_dbc != SQL_NULL_HDBC) {
            SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        }
    }

    void Connect(const std::string& connectionString, int mode) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, m_environment->handle(), &m_dbc))) {
            fail(SQL_HANDLE_ENV, m_environment->handle(), false);
        }
        SQLSetConnectAttr(m_dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(15), 0);
        if ((mode & adModeWrite) == 0) {
            SQLSetConnectAttr(m_dbc, SQL_ATTR_ACCESS_MODE,
                              reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0);
        }
        SQLCHAR completed[1024];
        SQLSMALLINT completedLength = 0;
        SQLRETURN rc = SQLDriverConnect(
            m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString.c_str())),
            SQL_NTS, completed, sizeof completed, &completedLength, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) {
            fail(SQL_HANDLE_DBC, m_dbc, false);
        }
        m_connected = true;
        m_driver = info(SQL_DRIVER_NAME);
        m_dbms = info(SQL_DBMS_NAME);
        m_sqliteDriver = ::strcasestr(m_dbms.c_str(), "sqlite") != nullptr ||
                         ::strcasestr(m_driver.c_str(), "sqlite") != nullptr;
        if (::strcasestr(m_dbms.c_str(), "mariadb") != nullptr) {
            m_serverTimeout = ServerTimeout::kMariaDb;
        } else if (::strcasestr(m_dbms.c_str(), "mysql") != nullptr) {
            m_serverTimeout = ServerTimeout::kMySql;
        }
        if (m_sqliteDriver) {
            // As with the embedded back end: case-sensitive path prefixes that use the index.
            try {
                Execute("PRAGMA case_sensitive_like = ON", 0);
            } catch (const ComError&) {
                // An older driver that refuses pragmas still works, only slower.
            }
        }
    }

    std::int64_t Execute(const std::string& sql, int timeoutSeconds) override {
        applyServerTimeout(timeoutSeconds);
        if (m_execute.get() == SQL_NULL_HSTMT &&
            !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, m_execute.out()))) {
            fail(SQL_HANDLE_DBC, m_dbc, m_sqliteDriver, sql);
        }
        SQLHSTMT statement = m_execute.get();
        setTimeout(m_execute, timeoutSeconds);
        SQLRETURN rc = SQLExecDirect(
            statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            try {
                fail(SQL_HANDLE_STMT, statement, m_sqliteDriver, sql);
            } catch (...) {
                SQLFreeStmt(statement, SQL_CLOSE);
                throw;
            }
        }
        SQLLEN changed = 0;
        if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(SQLRowCount(statement, &changed))) {
            changed = 0;
        }
        // A batch may carry more results (T-SQL); each must be consumed for its errors to show.
        while (true) {
            rc = SQLMoreResults(statement);
            if (rc == SQL_NO_DATA) {
                break;
            }
            if (!SQL_SUCCEEDED(rc)) {
                try {
                    fail(SQL_HANDLE_STMT, statement, m_sqliteDriver, sql);
                } catch (...) {
                    SQLFreeStmt(statement, SQL_CLOSE);
                    throw;
                }
            }
        }
        SQLFreeStmt(statement, SQL_CLOSE);
        return changed < 0 ? 0 : static_cast<std::int64_t>(changed);
    }

    std::unique_ptr<Cursor> Query(const std::string& sql, int timeoutSeconds) override;
    std::unique_ptr<PreparedStatement> Prepare(const std::string& sql) override;

    void Begin() override {
        setAutocommit(false);
        m_inTransaction = true;
    }
    void Commit() override { endTransaction(SQL_COMMIT); }
    void Rollback() override { endTransaction(SQL_ROLLBACK); }

    std::string Name() const override { return m_dbms + " (" + m_driver + ")"; }
    std::int64_t LastInsertId() const override { return 0; }

    SQLHDBC dbc() const { return m_dbc; }
    bool sqliteDriver() const { return m_sqliteDriver; }

    // The MariaDB and MySQL drivers take the query time-out attribute but do not enforce it;
    // their servers end a statement that runs too long when the session asks them to.
    void applyServerTimeout(int timeoutSeconds) {
        if (m_serverTimeout == ServerTimeout::kNone || m_serverTimeoutSet == timeoutSeconds) {
            return;
        }
        m_serverTimeoutSet = timeoutSeconds;
        char sql[96];
        if (m_serverTimeout == ServerTimeout::kMariaDb) {
            std::snprintf(sql, sizeof sql, "SET SESSION max_statement_time=%d", timeoutSeconds);
        } else {
            std::snprintf(sql, sizeof sql, "SET SESSION max_execution_time=%lld",
                          static_cast<long long>(timeoutSeconds) * 1000);
        }
        try {
            ServerTimeout kind = m_serverTimeout;
            m_serverTimeout = ServerTimeout::kNone; // no recursion through Execute
            Execute(sql, 0);
            m_serverTimeout = kind;
        } catch (const ComError&) {
            // A server without the variable keeps running statements without a limit.
            m_serverTimeout = ServerTimeout::kNone;
        }
    }

    void setTimeout(StatementHandle& statement, int timeoutSeconds) {
        if (statement.m_timeout == timeoutSeconds) {
            return;
        }
        // Drivers that cannot honour the value substitute their own (01S02); that is no failure.
        SQLSetStmtAttr(statement.get(), SQL_ATTR_QUERY_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<std::intptr_t>(timeoutSeconds)), 0);
        statement.m_timeout = timeoutSeconds;
    }

private:
    std::string info(SQLUSMALLINT what) {
        SQLCHAR buffer[256] = {};
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetInfo(m_dbc, what, buffer, sizeof buffer, &length))) {
            return {};
        }
        return reinterpret_cast<char*>(buffer);
    }

    void setAutocommit(bool on) {
        SQLRETURN rc = SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT,
                                         reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(
                                             on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
                                         0);
        if (!SQL_SUCCEEDED(rc)) {
            fail(SQL_HANDLE_DBC, m_dbc, m_sqliteDriver);
        }
    }

    void endTransaction(SQLSMALLINT completion) {
        m_inTransaction = false;
        SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, m_dbc, completion);
        if (!SQL_SUCCEEDED(rc)) {
            Diagnostic diagnostic = diagnose(SQL_HANDLE_DBC, m_dbc);
            try {
                setAutocommit(true);
            } catch (const ComError&) {
            }
            HRESULT code =
                CodeFromOdbc(diagnostic.state, diagnostic.native, diagnostic.text, m_sqliteDriver);
            throw ComError(code, SystemMessage(code), diagnostic.text,
                           "ODBC SQLSTATE=" + diagnostic.state);
        }
        setAutocommit(true);
    }

    enum class ServerTimeout { kNone, kMariaDb, kMySql };

    std::shared_ptr<Environment> m_environment;
    ServerTimeout m_serverTimeout = ServerTimeout::kNone;
    int m_serverTimeoutSet = -1;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    bool m_connected = false;
    bool m_inTransaction = false;
    bool m_sqliteDriver = false;
    std::string m_driver;
    std::string m_dbms;
    StatementHandle m_execute;
};

class OdbcCursor : public Cursor {
public:
    explicit OdbcCursor(std::shared_ptr<OdbcSession> session) : m_session(std::move(session)) {}

    void Start(const std::string& sql, int timeoutSeconds) {
        m_sql = sql;
        m_session->applyServerTimeout(timeoutSeconds);
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, m_session->dbc(), m_statement.out()))) {
            fail(SQL_HANDLE_DBC, m_session->dbc(), m_session->sqliteDriver(), sql);
        }
        m_session->setTimeout(m_statement, timeoutSeconds);
        SQLRETURN rc = SQLExecDirect(
            m_statement.get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            failHere();
        }
        SQLSMALLINT count = 0;
        // Leading results without columns (row counts of a batch) are skipped.
        while (SQL_SUCCEEDED(SQLNumResultCols(m_statement.get(), &count)) && count == 0) {
            rc = SQLMoreResults(m_statement.get());
            if (rc == SQL_NO_DATA) {
                break;
            }
            if (!SQL_SUCCEEDED(rc)) {
                failHere();
            }
        }
        for (SQLUSMALLINT column = 1; column <= static_cast<SQLUSMALLINT>(count); ++column) {
            SQLCHAR name[256] = {};
            SQLSMALLINT nameLength = 0;
            SQLSMALLINT sqlType = 0;
            SQLULEN size = 0;
            SQLSMALLINT digits = 0;
            SQLSMALLINT nullable = 0;
            if (!SQL_SUCCEEDED(SQLDescribeCol(m_statement.get(), column, name, sizeof name,
                                              &nameLength, &sqlType, &size, &digits, &nullable))) {
                failHere();
            }
            SQLLEN isUnsigned = SQL_FALSE;
            SQLColAttribute(m_statement.get(), column, SQL_DESC_UNSIGNED, nullptr, 0, nullptr,
                            &isUnsigned);
            m_sqlTypes.push_back(sqlType);
            m_columns.emplace_back(reinterpret_cast<char*>(name),
                                   adoType(sqlType, isUnsigned == SQL_TRUE));
        }
    }

    const std::vector<Field>& Columns() const override { return m_columns; }

    bool Fetch(std::vector<Field>& row) override {
        if (m_columns.empty() || m_done) {
            return false;
        }
        SQLRETURN rc = SQLFetch(m_statement.get());
        if (rc == SQL_NO_DATA) {
            m_done = true;
            SQLFreeStmt(m_statement.get(), SQL_CLOSE);
            return false;
        }
        if (!SQL_SUCCEEDED(rc)) {
            failHere();
        }
        row.resize(m_columns.size());
        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            readColumn(static_cast<SQLUSMALLINT>(i + 1), m_sqlTypes[i], m_columns[i].Type(),
                       row[i]);
        }
        return true;
    }

private:
    [[noreturn]] void failHere() {
        fail(SQL_HANDLE_STMT, m_statement.get(), m_session->sqliteDriver(), m_sql);
    }

    void readColumn(SQLUSMALLINT column, SQLSMALLINT sqlType, int type, Field& field) {
        SQLHSTMT statement = m_statement.get();
        SQLLEN indicator = 0;
        switch (type) {
        case adInteger:
        case adSmallInt:
        case adTinyInt:
        case adUnsignedInt:
        case adUnsignedSmallInt:
        case adUnsignedTinyInt:
        case adBigInt:
        case adBoolean: {
            SQLBIGINT value = 0;
            check(SQLGetData(statement, column, SQL_C_SBIGINT, &value, sizeof value, &indicator));
            if (indicator == SQL_NULL_DATA) {
                field.SetNull();
            } else {
                field.SetInteger(value);
            }
            return;
        }
        case adSingle:
        case adDouble: {
            double value = 0;
            check(SQLGetData(statement, column, SQL_C_DOUBLE, &value, sizeof value, &indicator));
            if (indicator == SQL_NULL_DATA) {
                field.SetNull();
            } else {
                field.SetReal(value);
            }
            return;
        }
        case adDBTimeStamp:
        case adDBDate:
        case adDBTime:
            readDateTime(column, sqlType, field);
            return;
        case adBinary:
        case adVarBinary:
        case adLongVarBinary:
            readLong(column, SQL_C_BINARY, field);
            return;
        default:
            // Text, decimals (exact as text) and 64-bit unsigned numbers.
            readLong(column, SQL_C_CHAR, field);
            return;
        }
    }

    void readDateTime(SQLUSMALLINT column, SQLSMALLINT sqlType, Field& field) {
        SQLLEN indicator = 0;
        char text[40];
        if (sqlType == SQL_TYPE_DATE || sqlType == SQL_DATE) {
            SQL_DATE_STRUCT value{};
            check(SQLGetData(m_statement.get(), column, SQL_C_TYPE_DATE, &value, sizeof value,
                             &indicator));
            std::snprintf(text, sizeof text, "%04d-%02u-%02u", value.year, value.month, value.day);
        } else if (sqlType == SQL_TYPE_TIME || sqlType == SQL_TIME) {
            SQL_TIME_STRUCT value{};
            check(SQLGetData(m_statement.get(), column, SQL_C_TYPE_TIME, &value, sizeof value,
                             &indicator));
            std::snprintf(text, sizeof text, "%02u:%02u:%02u", value.hour, value.minute,
                          value.second);
        } else {
            SQL_TIMESTAMP_STRUCT value{};
            check(SQLGetData(m_statement.get(), column, SQL_C_TYPE_TIMESTAMP, &value, sizeof value,
                             &indicator));
            std::snprintf(text, sizeof text, "%04d-%02u-%02u %02u:%02u:%02u", value.year,
                          value.month, value.day, value.hour, value.minute, value.second);
        }
        if (indicator == SQL_NULL_DATA) {
            field.SetNull();
        } else {
            field.SetText(text, std::strlen(text));
        }
    }

    // Reads a value of any length in pieces.
    void readLong(SQLUSMALLINT column, SQLSMALLINT cType, Field& field) {
        std::string& buffer = field.TextBuffer();
        buffer.clear();
        char chunk[4096];
        const SQLLEN terminator = cType == SQL_C_CHAR ? 1 : 0;
        while (true) {
            SQLLEN indicator = 0;
            SQLRETURN rc =
                SQLGetData(m_statement.get(), column, cType, chunk, sizeof chunk, &indicator);
            if (rc == SQL_NO_DATA) {
                break;
            }
            if (!SQL_SUCCEEDED(rc)) {
                failHere();
            }
            if (indicator == SQL_NULL_DATA) {
                field.SetNull();
                return;
            }
            SQLLEN room = static_cast<SQLLEN>(sizeof chunk) - terminator;
            bool more = indicator == SQL_NO_TOTAL || indicator > room;
            SQLLEN got = more ? room : indicator;
            buffer.append(chunk, static_cast<std::size_t>(got));
            if (!more) {
                break;
            }
        }
        if (cType == SQL_C_CHAR) {
            field.MarkText();
        } else {
            field.MarkBlob();
        }
    }

    void check(SQLRETURN rc) {
        if (!SQL_SUCCEEDED(rc)) {
            failHere();
        }
    }

    std::shared_ptr<OdbcSession> m_session;
    StatementHandle m_statement;
    std::string m_sql;
    std::vector<Field> m_columns;
    std::vector<SQLSMALLINT> m_sqlTypes;
    bool m_done = false;
};

std::unique_ptr<Cursor> OdbcSession::Query(const std::string& sql, int timeoutSeconds) {
    auto cursor = std::make_unique<OdbcCursor>(shared_from_this());
    cursor->Start(sql, timeoutSeconds);
    return cursor;
}

// The values go into the text: every statement still takes one round trip to the server, and
// the drivers' own parameter handling would add nothing to integers but its quirks. A batch of
// an INSERT ... VALUES (...) goes as multi-row inserts, many rows per round trip (MariaDB,
// MySQL, SQL Server 2008 and SQLite 3.7.11 take them all).
class OdbcPreparedStatement : public PreparedStatement {
public:
    OdbcPreparedStatement(std::shared_ptr<OdbcSession> session, std::string sql)
        : m_session(std::move(session)), m_sql(std::move(sql)) {
        findValuesTuple();
    }

    void Bind(int index, std::int64_t value) override { set(index, std::to_string(value)); }

    void BindText(int index, const std::string& /*value*/, const std::string& literal) override {
        set(index, literal);
    }

    std::int64_t Execute(int timeoutSeconds) override {
        std::string text;
        text.reserve(m_sql.size() + 16 * m_values.size());
        fill(m_sql, m_values, text);
        return m_session->Execute(text, timeoutSeconds);
    }

    void AddToBatch() override { m_batch.push_back(m_values); }
    std::size_t BatchRows() const override { return m_batch.size(); }

    std::int64_t ExecuteBatch(int timeoutSeconds) override {
        std::vector<std::vector<std::string>> rows;
        rows.swap(m_batch);
        std::int64_t changed = 0;
        if (m_tuple.empty()) {
            for (const std::vector<std::string>& row : rows) {
                std::string text;
                fill(m_sql, row, text);
                changed += m_session->Execute(text, timeoutSeconds);
            }
            return changed;
        }
        std::string text;
        std::size_t inStatement = 0;
        for (const std::vector<std::string>& row : rows) {
            if (inStatement == 0) {
                text = m_prefix;
            } else {
                text += ", ";
            }
            fill(m_tuple, row, text);
            if (++inStatement == Command::kMaxRowsPerStatement || text.size() >= kMaxStatementBytes) {
                changed += m_session->Execute(text + m_suffix, timeoutSeconds);
                inStatement = 0;
            }
        }
        if (inStatement != 0) {
            changed += m_session->Execute(text + m_suffix, timeoutSeconds);
        }
        return changed;
    }

private:
    // Well below the servers' smallest packet limit (MySQL's 1 MB default of old).
    static constexpr std::size_t kMaxStatementBytes = 512 * 1024;

    void set(int index, std::string text) {
        if (index < 1) {
            return;
        }
        if (m_values.size() < static_cast<std::size_t>(index)) {
            m_values.resize(static_cast<std::size_t>(index));
        }
        m_values[static_cast<std::size_t>(index) - 1] = std::move(text);
    }

    static void fill(const std::string& pattern, const std::vector<std::string>& values, std::string& out) {
        std::size_t next = 0;
        for (char c : pattern) {
            if (c == '?' && next < values.size()) {
                out += values[next++];
            } else {
                out += c;
            }
        }
    }

    // "insert ... values (?, ?)": the text up to the tuple, the tuple and what follows it.
    void findValuesTuple() {
        std::string lower;
        for (char c : m_sql) {
            lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        std::size_t start = lower.find_first_not_of(" \t\r\n");
        std::size_t values = lower.rfind("values");
        if (start == std::string::npos || lower.compare(start, 6, "insert") != 0 || values == std::string::npos) {
            return;
        }
        std::size_t open = lower.find('(', values);
        std::size_t close = lower.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open ||
            lower.find_first_not_of(" \t\r\n;", close + 1) != std::string::npos ||
            lower.find_first_not_of(" \t\r\n", values + 6) != open) {
            return;
        }
        m_prefix = m_sql.substr(0, open);
        m_tuple = m_sql.substr(open, close - open + 1);
        m_suffix = m_sql.substr(close + 1);
    }

    std::shared_ptr<OdbcSession> m_session;
    std::string m_sql;
    std::string m_prefix;
    std::string m_tuple; // empty: not a multi-row insert; the rows go one by one
    std::string m_suffix;
    std::vector<std::string> m_values;
    std::vector<std::vector<std::string>> m_batch;
};

std::unique_ptr<PreparedStatement> OdbcSession::Prepare(const std::string& sql) {
    return std::make_unique<OdbcPreparedStatement>(shared_from_this(), sql);
}

} // namespace

std::shared_ptr<Session> OpenOdbcSession(const std::string& connectionString, int mode) {
    auto session = std::make_shared<OdbcSession>(Environment::Get());
    session->Connect(connectionString, mode);
    return session;
}

} // namespace platform::ado::detail
