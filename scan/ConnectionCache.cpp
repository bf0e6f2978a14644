#include "scan/ConnectionCache.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ErrorCodes.h"
#include "platform/system/StringPrintf.h"
#include "scan/CommandTimeout.h"
#include "scan/DatabaseConnection.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <new>

namespace scan {

using platform::ado::ComError;
using platform::ado::Connection;
using platform::system::StringPrintf;

namespace {

std::uint32_t currentThreadId() {
    return static_cast<std::uint32_t>(::syscall(SYS_gettid));
}

} // namespace

std::shared_ptr<Connection> ConnectionCache::Get(bool fresh) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    std::uint32_t thread = currentThreadId();
    if (!fresh) {
        auto cached = m_connections.find(thread);
        if (cached != m_connections.end()) {
            return cached->second;
        }
    }
    std::shared_ptr<Connection> connection;
    try {
        connection = std::make_shared<Connection>();
    } catch (const std::bad_alloc&) {
        auto code = static_cast<unsigned>(platform::ado::E_OUTOFMEMORY);
        app::ReportError(
            3,
            StringPrintf("Trying to create the Microsoft ADODB::Connection object.  This is most "
                         "likely caused by not having a new enough MDAC (Microsoft Data Access "
                         "Components).  ErrNum=%0X",
                         code));
        TV_DEBUG_LOG("##### Failed to CoCreate ADODB::Connection!  hr=%0X", code);
        return nullptr;
    }
    std::string connectionString = StoredConnectionString();
    try {
        connection->SetMode(kStoreConnectionMode);
        connection->Open(connectionString, std::string(), std::string());
    } catch (const ComError& error) {
        app::ReportComError(error,
                            StringPrintf("Trying to open the \"%s\" database connection.  HR=%0X",
                                         connectionString.c_str(), error.Code()),
                            9);
        TV_DEBUG_LOG("##### Failed to open Connection=%s!  hr=%0X", connectionString.c_str(),
                     error.Code());
        return nullptr;
    }
    if (!fresh) {
        m_connections[thread] = connection;
    }
    return connection;
}

void ConnectionCache::Reset() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_connections.clear();
    // Each scan starts from the stored setting again.
    RefreshTimeoutSetting();
}

std::size_t ConnectionCache::Count() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_connections.size();
}

} // namespace scan
