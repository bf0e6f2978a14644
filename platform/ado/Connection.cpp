#include "platform/ado/Connection.h"

#include "platform/ado/ConnectionString.h"
#include "platform/ado/ErrorCodes.h"
#include "platform/ado/Provider.h"

namespace platform::ado {

namespace {

[[noreturn]] void adoError(HRESULT code, const std::string& description) {
    throw ComError(code, SystemMessage(code), description, "ADODB.Connection");
}

} // namespace

Connection::Connection() = default;

Connection::~Connection() {
    try {
        Close();
    } catch (...) {
        // A rollback that fails while the object goes away has nobody to tell.
    }
}

void Connection::SetMode(int mode) {
    if (m_session) {
        adoError(adErrObjectOpen, "Operation is not allowed when the object is open.");
    }
    m_mode = mode;
}

void Connection::Open(const std::string& connectionString, const std::string& user,
                      const std::string& password) {
    if (m_session) {
        adoError(adErrObjectOpen, "Operation is not allowed when the object is open.");
    }
    ResolvedConnection resolved = ResolveConnectionString(connectionString, user, password);
    // Unknown mode opens for reading and writing, as a Jet or SQL Server provider would.
    int mode = m_mode == adModeUnknown ? adModeReadWrite | adModeShareDenyNone : m_mode;
    switch (resolved.kind) {
    case ProviderKind::kSqlite:
        if (resolved.target.empty()) {
            adoError(adErrInvalidConnection,
                     "The connection string names no database file (Data Source=).");
        }
        m_session = detail::OpenSqliteSession(resolved.target, mode, m_commandTimeout);
        break;
    case ProviderKind::kOdbc:
        m_session = detail::OpenOdbcSession(resolved.target, mode);
        break;
    case ProviderKind::kUnknown:
        if (resolved.provider.empty()) {
            adoError(adErrProviderNotFound,
                     "The connection string names no provider, data source or driver: \"" +
                         connectionString + "\"");
        }
        adoError(adErrProviderNotFound,
                 "Provider cannot be found. It may not be properly installed. "
                 "Provider \"" +
                     resolved.provider +
                     "\" is not available here; use Provider=SQLite, an ODBC "
                     "DSN or Driver, or PROVIDER=SQLOLEDB.");
    }
    m_connectionString = connectionString;
    m_inTransaction = false;
}

void Connection::Close() {
    if (!m_session) {
        return;
    }
    std::shared_ptr<detail::Session> session = std::move(m_session);
    if (m_inTransaction) {
        m_inTransaction = false;
        session->Rollback();
    }
}

std::string Connection::ProviderName() const {
    return session().Name();
}

detail::Session& Connection::session() const {
    if (!m_session) {
        adoError(adErrObjectClosed, "Operation is not allowed when the object is closed.");
    }
    return *m_session;
}

std::int64_t Connection::Execute(const std::string& sql, int /*options*/) {
    // Rows a query statement would return are discarded either way, so both option sets run
    // the same.
    return session().Execute(sql, m_commandTimeout);
}

std::unique_ptr<Recordset> Connection::OpenRecordset(const std::string& sql, int /*options*/) {
    return std::make_unique<Recordset>(session().Query(sql, m_commandTimeout));
}

std::unique_ptr<Command> Connection::Prepare(const std::string& sql) {
    detail::Session& current = session();
    return std::make_unique<Command>(m_session, current.Prepare(sql), &m_commandTimeout);
}

Command::Command(std::shared_ptr<detail::Session> session, std::unique_ptr<detail::PreparedStatement> statement,
                 const int* commandTimeout)
    : m_session(std::move(session)), m_statement(std::move(statement)), m_commandTimeout(commandTimeout) {}

Command::~Command() = default;

Command& Command::Bind(int index, std::int64_t value) {
    m_statement->Bind(index, value);
    return *this;
}

Command& Command::BindText(int index, const std::string& value, const std::string& literal) {
    m_statement->BindText(index, value, literal);
    return *this;
}

std::int64_t Command::Execute() {
    return m_statement->Execute(*m_commandTimeout);
}

Command& Command::AddToBatch() {
    m_statement->AddToBatch();
    return *this;
}

std::size_t Command::BatchRows() const {
    return m_statement->BatchRows();
}

std::int64_t Command::ExecuteBatch() {
    return m_statement->ExecuteBatch(*m_commandTimeout);
}

std::int64_t Connection::LastInsertedID() const {
    return session().LastInsertId();
}

void Connection::SetCommandTimeout(int seconds) {
    m_commandTimeout = seconds < 0 ? 0 : seconds;
}

int Connection::BeginTrans() {
    detail::Session& current = session();
    if (m_inTransaction) {
        adoError(adErrInvalidTransaction, "A transaction is already running on this connection.");
    }
    current.Begin();
    m_inTransaction = true;
    return 1;
}

void Connection::CommitTrans() {
    detail::Session& current = session();
    if (!m_inTransaction) {
        adoError(adErrInvalidTransaction, "No transaction is running on this connection.");
    }
    current.Commit();
    m_inTransaction = false;
}

void Connection::RollbackTrans() {
    detail::Session& current = session();
    if (!m_inTransaction) {
        adoError(adErrInvalidTransaction, "No transaction is running on this connection.");
    }
    m_inTransaction = false;
    current.Rollback();
}

} // namespace platform::ado
