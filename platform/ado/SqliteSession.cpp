// The embedded back end: a store file opened with the SQLite C API.
#include "platform/ado/Connection.h"
#include "platform/ado/ErrorCodes.h"
#include "platform/ado/Provider.h"

#include <sqlite3.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <mutex>

namespace platform::ado::detail {

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(int resultCode, const std::string& message, const std::string& sql = {}) {
    HRESULT code = CodeFromSqlite(resultCode, message);
    std::string description = message;
    if ((resultCode & 0xFF) == SQLITE_INTERRUPT) {
        description = "Query timeout expired";
    }
    throw ComError(code, SystemMessage(code), description,
                   sql.empty() ? "SQLite" : "SQLite: " + sql);
}

bool blank(const char* text) {
    for (; *text != '\0'; ++text) {
        if (*text != ' ' && *text != '\t' && *text != '\r' && *text != '\n' && *text != ';') {
            return false;
        }
    }
    return true;
}

bool declared(const std::string& upper, const char* part) {
    return upper.find(part) != std::string::npos;
}

// The ADO type for a column from its declared type, as the file's tables name it.
int typeFromDeclaration(const char* declaration) {
    std::string upper;
    for (const char* c = declaration; *c != '\0'; ++c) {
        upper += static_cast<char>(*c >= 'a' && *c <= 'z' ? *c - 'a' + 'A' : *c);
    }
    if (declared(upper, "BIGINT")) {
        return adBigInt;
    }
    if (declared(upper, "SMALLINT")) {
        return adSmallInt;
    }
    if (declared(upper, "TINYINT")) {
        return adTinyInt;
    }
    if (declared(upper, "BOOL") || declared(upper, "BIT")) {
        return adBoolean;
    }
    if (declared(upper, "DATE") || declared(upper, "TIME")) {
        return adDate;
    }
    if (declared(upper, "INT")) {
        return adInteger;
    }
    if (declared(upper, "CHAR") || declared(upper, "CLOB") || declared(upper, "TEXT")) {
        return adVarWChar;
    }
    if (declared(upper, "REAL") || declared(upper, "FLOA") || declared(upper, "DOUB")) {
        return adDouble;
    }
    if (declared(upper, "NUMERIC") || declared(upper, "DECIMAL")) {
        return adNumeric;
    }
    return adLongVarBinary;
}

// Expressions have no declared type; their first value decides.
int typeFromValue(int storage) {
    switch (storage) {
    case SQLITE_INTEGER:
        return adBigInt;
    case SQLITE_FLOAT:
        return adDouble;
    case SQLITE_TEXT:
        return adVarWChar;
    case SQLITE_BLOB:
        return adLongVarBinary;
    default:
        return adEmpty;
    }
}

class Statement {
public:
    Statement() = default;
    explicit Statement(sqlite3_stmt* statement) : m_statement(statement) {}
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return m_statement; }
    sqlite3_stmt** out() { return &m_statement; }

private:
    sqlite3_stmt* m_statement = nullptr;
};

class SqliteSession;

// Interrupts a statement that runs past the command time-out.
int progressCheck(void* context);

class SqliteSession : public Session, public std::enable_shared_from_this<SqliteSession> {
public:
    explicit SqliteSession(sqlite3* db) : m_db(db) {}
    ~SqliteSession() override { sqlite3_close_v2(m_db); }

    sqlite3* db() const { return m_db; }

    // Runs while a statement may take long; past the deadline the statement is interrupted.
    class Deadline {
    public:
        Deadline(SqliteSession& session, int timeoutSeconds) : m_session(session) {
            sqlite3_busy_timeout(session.m_db,
                                 timeoutSeconds > 0 ? timeoutSeconds * 1000 : INT_MAX);
            if (timeoutSeconds > 0) {
                session.m_deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
                sqlite3_progress_handler(session.m_db, 4000, &progressCheck, &session);
            }
        }
        ~Deadline() { sqlite3_progress_handler(m_session.m_db, 0, nullptr, nullptr); }
        Deadline(const Deadline&) = delete;
        Deadline& operator=(const Deadline&) = delete;

    private:
        SqliteSession& m_session;
    };

    bool pastDeadline() const { return Clock::now() > m_deadline; }

    std::int64_t Execute(const std::string& sql, int timeoutSeconds) override {
        Deadline deadline(*this, timeoutSeconds);
        std::int64_t changed = 0;
        const char* next = sql.c_str();
        while (*next != '\0' && !blank(next)) {
            Statement statement;
            const char* tail = nullptr;
            int rc = sqlite3_prepare_v2(m_db, next, -1, statement.out(), &tail);
            if (rc != SQLITE_OK) {
                fail(sqlite3_extended_errcode(m_db), sqlite3_errmsg(m_db), sql);
            }
            next = tail;
            if (statement.get() == nullptr) {
                continue; // a comment or blanks
            }
            while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE) {
                fail(sqlite3_extended_errcode(m_db), sqlite3_errmsg(m_db), sql);
            }
            changed += sqlite3_changes64(m_db);
        }
        return changed;
    }

    std::unique_ptr<Cursor> Query(const std::string& sql, int timeoutSeconds) override;
    std::unique_ptr<PreparedStatement> Prepare(const std::string& sql) override;

    void Begin() override { Execute("BEGIN", 0); }
    void Commit() override { Execute("COMMIT", 0); }
    void Rollback() override {
        // A failed statement may already have rolled the transaction back (disk full).
        if (!sqlite3_get_autocommit(m_db)) {
            Execute("ROLLBACK", 0);
        }
    }
    std::string Name() const override { return "SQLite"; }
    std::int64_t LastInsertId() const override { return sqlite3_last_insert_rowid(m_db); }

private:
    sqlite3* m_db;
    Clock::time_point m_deadline{};
};

// A statement compiled once; each Execute binds new values, steps it and resets it. A batch
// keeps each row's values and runs the rows one after the other.
class SqlitePreparedStatement : public PreparedStatement {
public:
    SqlitePreparedStatement(std::shared_ptr<SqliteSession> session, const std::string& sql)
        : m_session(std::move(session)), m_sql(sql) {
        if (sqlite3_prepare_v3(m_session->db(), sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, m_statement.out(),
                               nullptr) != SQLITE_OK) {
            fail(sqlite3_extended_errcode(m_session->db()), sqlite3_errmsg(m_session->db()), sql);
        }
    }

    void Bind(int index, std::int64_t value) override {
        if (sqlite3_bind_int64(m_statement.get(), index, value) != SQLITE_OK) {
            fail(sqlite3_extended_errcode(m_session->db()), sqlite3_errmsg(m_session->db()), m_sql);
        }
        remember(index, Value{value, {}, false});
    }

    void BindText(int index, const std::string& value, const std::string& /*literal*/) override {
        if (sqlite3_bind_text(m_statement.get(), index, value.data(), static_cast<int>(value.size()),
                              SQLITE_TRANSIENT) != SQLITE_OK) {
            fail(sqlite3_extended_errcode(m_session->db()), sqlite3_errmsg(m_session->db()), m_sql);
        }
        remember(index, Value{0, value, true});
    }

    void AddToBatch() override { m_batch.push_back(m_bound); }
    std::size_t BatchRows() const override { return m_batch.size(); }

    std::int64_t ExecuteBatch(int timeoutSeconds) override {
        std::vector<std::vector<Value>> rows;
        rows.swap(m_batch);
        std::int64_t changed = 0;
        for (const std::vector<Value>& row : rows) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                int index = static_cast<int>(i) + 1;
                if (row[i].isText) {
                    BindText(index, row[i].text, std::string());
                } else {
                    Bind(index, row[i].integer);
                }
            }
            changed += Execute(timeoutSeconds);
        }
        return changed;
    }

    std::int64_t Execute(int timeoutSeconds) override {
        SqliteSession::Deadline deadline(*m_session, timeoutSeconds);
        int rc = SQLITE_OK;
        while ((rc = sqlite3_step(m_statement.get())) == SQLITE_ROW) {
        }
        sqlite3_reset(m_statement.get());
        if (rc != SQLITE_DONE) {
            fail(sqlite3_extended_errcode(m_session->db()), sqlite3_errmsg(m_session->db()), m_sql);
        }
        return sqlite3_changes64(m_session->db());
    }

private:
    struct Value {
        std::int64_t integer;
        std::string text;
        bool isText;
    };

    // The values bound, for the batch.
    void remember(int index, Value value) {
        if (index < 1) {
            return;
        }
        if (m_bound.size() < static_cast<std::size_t>(index)) {
            m_bound.resize(static_cast<std::size_t>(index));
        }
        m_bound[static_cast<std::size_t>(index) - 1] = std::move(value);
    }

    std::shared_ptr<SqliteSession> m_session;
    std::string m_sql;
    Statement m_statement;
    std::vector<Value> m_bound;
    std::vector<std::vector<Value>> m_batch;
};

std::unique_ptr<PreparedStatement> SqliteSession::Prepare(const std::string& sql) {
    return std::make_unique<SqlitePreparedStatement>(shared_from_this(), sql);
}

int progressCheck(void* context) {
    return static_cast<SqliteSession*>(context)->pastDeadline() ? 1 : 0;
}

class SqliteCursor : public Cursor {
public:
    SqliteCursor(std::shared_ptr<SqliteSession> session, sqlite3_stmt* statement, std::string sql)
        : m_session(std::move(session)), m_statement(statement), m_sql(std::move(sql)) {
        int count = sqlite3_column_count(statement);
        for (int i = 0; i < count; ++i) {
            const char* declaration = sqlite3_column_decltype(statement, i);
            m_columns.emplace_back(sqlite3_column_name(statement, i),
                                   declaration != nullptr ? typeFromDeclaration(declaration)
                                                          : adEmpty);
        }
    }

    const std::vector<Field>& Columns() const override { return m_columns; }

    // The first step runs the query and is the one the time-out covers.
    void Start(int timeoutSeconds) {
        SqliteSession::Deadline deadline(*m_session, timeoutSeconds);
        step();
        for (std::size_t i = 0; i < m_columns.size() && m_pending; ++i) {
            if (m_columns[i].Type() == adEmpty) {
                m_columns[i].SetType(
                    typeFromValue(sqlite3_column_type(m_statement.get(), static_cast<int>(i))));
            }
        }
    }

    bool Fetch(std::vector<Field>& row) override {
        if (!m_pending) {
            return false;
        }
        row.resize(m_columns.size());
        sqlite3_stmt* statement = m_statement.get();
        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            int column = static_cast<int>(i);
            Field& field = row[i];
            switch (sqlite3_column_type(statement, column)) {
            case SQLITE_INTEGER:
                field.SetInteger(sqlite3_column_int64(statement, column));
                break;
            case SQLITE_FLOAT:
                field.SetReal(sqlite3_column_double(statement, column));
                break;
            case SQLITE_TEXT:
                field.SetText(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                              static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
                break;
            case SQLITE_BLOB:
                field.SetBlob(sqlite3_column_blob(statement, column),
                              static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
                break;
            default:
                field.SetNull();
                break;
            }
        }
        step();
        return true;
    }

private:
    void step() {
        int rc = sqlite3_step(m_statement.get());
        if (rc == SQLITE_ROW) {
            m_pending = true;
        } else if (rc == SQLITE_DONE) {
            m_pending = false;
        } else {
            m_pending = false;
            fail(sqlite3_extended_errcode(m_session->db()), sqlite3_errmsg(m_session->db()), m_sql);
        }
    }

    std::shared_ptr<SqliteSession> m_session;
    Statement m_statement;
    std::string m_sql;
    std::vector<Field> m_columns;
    bool m_pending = false;
};

std::unique_ptr<Cursor> SqliteSession::Query(const std::string& sql, int timeoutSeconds) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(m_db, sql.c_str(), -1, &raw, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(raw);
        fail(sqlite3_extended_errcode(m_db), sqlite3_errmsg(m_db), sql);
    }
    if (raw == nullptr) {
        fail(SQLITE_ERROR, "the command text holds no statement", sql);
    }
    auto cursor = std::make_unique<SqliteCursor>(shared_from_this(), raw, sql);
    cursor->Start(timeoutSeconds);
    return cursor;
}

} // namespace

std::shared_ptr<Session> OpenSqliteSession(const std::string& file, int mode, int timeoutSeconds) {
    // The file must exist: a connection never creates a store (EnsureAccessFile does).
    int flags = (mode & adModeWrite) != 0 ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    sqlite3* raw = nullptr;
    // Allocation statistics cost a global lock on every SQLite allocation; nothing reads them. Too
    // late (and harmless) once SQLite has started.
    static std::once_flag noMemoryStatistics;
    std::call_once(noMemoryStatistics, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
    int rc = sqlite3_open_v2(file.c_str(), &raw, flags | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = raw != nullptr ? sqlite3_errmsg(raw) : sqlite3_errstr(rc);
        sqlite3_close_v2(raw);
        fail(rc, message + ": " + file);
    }
    auto session = std::make_shared<SqliteSession>(raw);
    sqlite3_extended_result_codes(raw, 1);
    // Reading the schema proves the file is a store (sqlite3_open_v2 reads nothing yet).
    try {
        session->Execute("SELECT count(*) FROM sqlite_master", timeoutSeconds);
        // Stored paths are case-sensitive here, and a case-sensitive LIKE lets prefix searches
        // on paths use the path index.
        session->Execute("PRAGMA case_sensitive_like = ON", timeoutSeconds);
        if ((mode & adModeShareExclusive) == adModeShareExclusive) {
            session->Execute("PRAGMA locking_mode = EXCLUSIVE", timeoutSeconds);
        }
    } catch (const ComError& error) {
        throw ComError(error.Error(), error.ErrorMessage(), error.Description() + ": " + file,
                       "SQLite");
    }
    return session;
}

} // namespace platform::ado::detail
