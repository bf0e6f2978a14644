#include "tests/support/IsolatedEnvironment.h"

#include "app/DiagnosticLog.h"
#include "app/Settings.h"

#include <cstdlib>

namespace testsupport {

IsolatedEnvironment::IsolatedEnvironment() : m_root("tallyvol-env") {
    MakeDirectories(Home());
    MakeDirectories(ConfigHome());
    Set("TALLYVOL_HOME", Home());
    Set("XDG_CONFIG_HOME", ConfigHome());
    app::ResetDiagnosticLogForTesting();
    app::SetMachineString(LogDirectory(), "LogDir");
}

IsolatedEnvironment::~IsolatedEnvironment() {
    app::ResetDiagnosticLogForTesting();
    for (const auto& [name, value] : m_saved) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
}

void IsolatedEnvironment::Set(const std::string& name, const std::string& value) {
    if (m_saved.find(name) == m_saved.end()) {
        const char* current = std::getenv(name.c_str());
        m_saved[name] = current != nullptr ? std::optional<std::string>(current) : std::nullopt;
    }
    ::setenv(name.c_str(), value.c_str(), 1);
}

} // namespace testsupport
