/*
 * The ODBC installer (unixODBC's libodbcinst.so.2), loaded at run time as the program was
 * designed to look it up: when the library or an entry point is missing, every request fails.
 * Registers system data sources: first through SQLConfigDataSourceW, the driver's own set-up
 * routine; drivers without one (the SQLite and MariaDB drivers on Linux) get the data source
 * written with the installer's profile calls instead. Main thread; not reentrant.
 */
#ifndef TALLYVOL_PLATFORM_ADO_ODBCINSTALLER_H
#define TALLYVOL_PLATFORM_ADO_ODBCINSTALLER_H

#include <string>
#include <vector>

namespace platform::ado {

// Request codes of SQLConfigDataSource.
inline constexpr int ODBC_ADD_DSN = 1;
inline constexpr int ODBC_CONFIG_DSN = 2;
inline constexpr int ODBC_REMOVE_DSN = 3;
inline constexpr int ODBC_ADD_SYS_DSN = 4;

class OdbcInstaller {
public:
    // The process's installer, loaded on first use.
    static OdbcInstaller& Instance();

    bool Available() const { return m_library != nullptr && m_configDataSource != nullptr; }

    // The driver names registered in odbcinst.ini.
    std::vector<std::string> InstalledDrivers();
    bool DriverInstalled(const std::string& driver);

    // Adds (or, with other request codes, changes or removes) a data source for `driver`.
    // `attributes` is "NAME=value" pairs each ended by a NUL, the list ended by a second NUL.
    // False when the installer is missing, the driver is not installed, or the request failed.
    bool ConfigDataSource(int request, const std::string& driver, const std::string& attributes);

    // The installer's text for the last failure (or why the request could not be made).
    const std::string& LastError() const { return m_lastError; }

private:
    OdbcInstaller();
    bool writeSystemDataSource(const std::string& driver, const std::string& attributes);
    std::string installerError();

    void* m_library = nullptr;
    int (*m_configDataSource)(void*, unsigned short, const unsigned short*,
                              const unsigned short*) = nullptr;
    int (*m_setConfigMode)(unsigned short) = nullptr;
    // The narrow forms: unixODBC's wide ones drop everything outside ASCII on the way to the
    // file, the narrow ones keep UTF-8 as it is.
    int (*m_writeDsnToIni)(const char*, const char*) = nullptr;
    int (*m_writePrivateProfileString)(const char*, const char*, const char*,
                                       const char*) = nullptr;
    int (*m_getInstalledDrivers)(unsigned short*, unsigned short, unsigned short*) = nullptr;
    short (*m_installerError)(unsigned short, unsigned int*, unsigned short*, unsigned short,
                              unsigned short*) = nullptr;
    std::string m_lastError;
};

// UTF-8 to and from the installer's 16-bit text.
std::u16string ToUtf16(const std::string& text);
std::string FromUtf16(const std::u16string& text);

} // namespace platform::ado

#endif
