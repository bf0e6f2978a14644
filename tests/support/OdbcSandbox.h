/*
 * A private ODBC configuration for one test: ODBCSYSINI and ODBCINI point into a directory of
 * this process, holding a copy of the machine's driver list (odbcinst.ini) or the drivers the
 * test names, and empty data-source lists. Data sources the test creates land there, never in
 * /etc. unixODBC reads ODBCSYSINI once per process, so the directory's path is the same for
 * every sandbox of a process (its contents are rebuilt each time); run one sandbox at a time.
 */
#ifndef TALLYVOL_TESTS_SUPPORT_ODBCSANDBOX_H
#define TALLYVOL_TESTS_SUPPORT_ODBCSANDBOX_H

#include <map>
#include <optional>
#include <string>

namespace testsupport {

class OdbcSandbox {
public:
    // The machine's registered drivers (/etc/odbcinst.ini).
    OdbcSandbox();
    // Exactly these drivers: section name -> driver library (e.g. "libmaodbc.so").
    explicit OdbcSandbox(const std::map<std::string, std::string>& drivers);
    ~OdbcSandbox();
    OdbcSandbox(const OdbcSandbox&) = delete;
    OdbcSandbox& operator=(const OdbcSandbox&) = delete;

    const std::string& Directory() const { return m_directory; }
    std::string SystemDataSources() const { return m_directory + "/odbc.ini"; }
    std::string DriverList() const { return m_directory + "/odbcinst.ini"; }

private:
    void prepare(const std::string& driverList);

    std::string m_directory;
    std::map<std::string, std::optional<std::string>> m_saved;
};

} // namespace testsupport

#endif
