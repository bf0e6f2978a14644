/*
 * The command time-out of one operation on a connection, restored when the operation ends:
 * create a SetCommandTimeout for the scope of the statements. While the SQLDisableTimeouts
 * setting is on (the default), statements run without a time-out whatever is asked. Main
 * thread, or the thread that owns the connection.
 */
#ifndef TALLYVOL_SCAN_COMMANDTIMEOUT_H
#define TALLYVOL_SCAN_COMMANDTIMEOUT_H

#include <memory>

namespace platform::ado {
class Connection;
}

namespace scan {

// The seconds the directory-cache load, parent repair, directory lookup, scan loading and
// purge ask for.
inline constexpr int kLongCommandTimeout = 30000;

class SetCommandTimeout {
public:
    SetCommandTimeout(std::shared_ptr<platform::ado::Connection> connection, int seconds);
    ~SetCommandTimeout();
    SetCommandTimeout(const SetCommandTimeout&) = delete;
    SetCommandTimeout& operator=(const SetCommandTimeout&) = delete;

private:
    std::shared_ptr<platform::ado::Connection> m_connection;
    int m_previous = 0;
    bool m_remembered = false;
};

// Whether statements run without time-outs. Read from the settings (written back as 1 when
// absent) on first use and again after RefreshTimeoutSetting: the guard runs once per
// directory of a scan, too often to read the settings store each time.
bool TimeoutsDisabled();
void RefreshTimeoutSetting();

} // namespace scan

#endif
