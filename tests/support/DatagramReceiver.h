/*
 * A unix datagram socket owned by a test, standing in for the syslog daemon's /dev/log: the
 * code under test is pointed at its path (LOGSINK_SOCKET) and the test reads what arrived.
 */
#ifndef TALLYVOL_TESTS_SUPPORT_DATAGRAMRECEIVER_H
#define TALLYVOL_TESTS_SUPPORT_DATAGRAMRECEIVER_H

#include <optional>
#include <string>

namespace testsupport {

class DatagramReceiver {
public:
    // Binds a datagram socket (or a listening stream socket) at `path`.
    explicit DatagramReceiver(const std::string& path, bool stream = false);
    ~DatagramReceiver();
    DatagramReceiver(const DatagramReceiver&) = delete;
    DatagramReceiver& operator=(const DatagramReceiver&) = delete;

    const std::string& Path() const { return m_path; }
    // The next datagram (for a stream socket: everything one connection sent), or nothing
    // after `seconds`.
    std::optional<std::string> Receive(double seconds = 5);

private:
    std::string m_path;
    bool m_stream;
    int m_fd = -1;
};

} // namespace testsupport

#endif
