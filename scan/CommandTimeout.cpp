#include "scan/CommandTimeout.h"

#include "app/base/Settings.h"
#include "platform/ado/Connection.h"

#include <atomic>

namespace scan {

namespace {

// -1: not read yet; else the setting's value.
std::atomic<int> g_timeoutsDisabled{-1};

} // namespace

bool TimeoutsDisabled() {
    int value = g_timeoutsDisabled.load();
    if (value < 0) {
        value = app::GetSetting(app::settings::SQLDisableTimeouts) != 0 ? 1 : 0;
        g_timeoutsDisabled.store(value);
    }
    return value != 0;
}

void RefreshTimeoutSetting() {
    g_timeoutsDisabled.store(-1);
}

SetCommandTimeout::SetCommandTimeout(std::shared_ptr<platform::ado::Connection> connection,
                                     int seconds)
    : m_connection(std::move(connection)) {
    if (!m_connection) {
        return;
    }
    try {
        m_previous = m_connection->CommandTimeout();
        m_remembered = true;
        m_connection->SetCommandTimeout(TimeoutsDisabled() ? 0 : seconds);
    } catch (...) {
        // A time-out that cannot be read or set leaves the connection's own.
    }
}

SetCommandTimeout::~SetCommandTimeout() {
    if (!m_connection || !m_remembered) {
        return;
    }
    try {
        m_connection->SetCommandTimeout(m_previous);
    } catch (...) {
    }
}

} // namespace scan
