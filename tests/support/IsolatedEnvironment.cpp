#include "tests/support/IsolatedEnvironment.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/Settings.h"

#include <cstdlib>

namespace testsupport {

IsolatedEnvironment::IsolatedEnvironment() : m_root("tallyvol-env") {
    MakeDirectories(Home());
    MakeDirectories(ConfigHome());
    Set("TALLYVOL_HOME", Home());
    Set("XDG_CONFIG_HOME", ConfigHome());
    // Test programs live apart from the data files (scripts, the empty store template) the
    // build puts beside the program.
    Set("TALLYVOL_DATA_DIR", std::string(TALLYVOL_BINARY_DIR) + "/bin");
    // Concurrent tests must not wait for each other's single-scan lock.
    Set("TALLYVOL_LOCK_DIR", Root());
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
