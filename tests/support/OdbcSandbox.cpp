#include "tests/support/OdbcSandbox.h"

#include "tests/support/TempDirectory.h"

#include <unistd.h>

#include <cstdlib>

namespace testsupport {

namespace {

std::string sandboxPath() {
    const char* base = std::getenv("TMPDIR");
    return std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/tallyvol-odbc-" +
           std::to_string(::getpid());
}

} // namespace

OdbcSandbox::OdbcSandbox() {
    prepare(FileExists("/etc/odbcinst.ini") ? ReadFile("/etc/odbcinst.ini") : std::string());
}

OdbcSandbox::OdbcSandbox(const std::map<std::string, std::string>& drivers) {
    std::string list;
    for (const auto& [name, library] : drivers) {
        list +=
            "[" + name + "]\nDescription=" + name + "\nDriver=" + library + "\nUsageCount=1\n\n";
    }
    prepare(list);
}

void OdbcSandbox::prepare(const std::string& driverList) {
    m_directory = sandboxPath();
    RemoveTree(m_directory);
    MakeDirectories(m_directory);
    WriteFile(DriverList(), driverList);
    WriteFile(SystemDataSources(), "");
    WriteFile(m_directory + "/user-odbc.ini", "");
    for (const char* name : {"ODBCSYSINI", "ODBCINI", "ODBCINSTINI"}) {
        const char* current = std::getenv(name);
        m_saved[name] = current != nullptr ? std::optional<std::string>(current) : std::nullopt;
    }
    ::setenv("ODBCSYSINI", m_directory.c_str(), 1);
    ::setenv("ODBCINI", (m_directory + "/user-odbc.ini").c_str(), 1);
    ::unsetenv("ODBCINSTINI");
}

OdbcSandbox::~OdbcSandbox() {
    RemoveTree(m_directory);
    for (const auto& [name, value] : m_saved) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
}

} // namespace testsupport
