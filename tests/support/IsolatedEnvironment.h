/*
 * Gives a test its own program home and per-user configuration: TALLYVOL_HOME and
 * XDG_CONFIG_HOME point into a fresh temporary directory, so settings, logs and stores never
 * touch the machine's; TALLYVOL_DATA_DIR names the build's data files (the test programs do
 * not sit beside them). The previous values come back when it ends. The default log directory
 * is moved into the home too, so no test writes /tmp/TallyvolLog.txt.
 */
#ifndef TALLYVOL_TESTS_SUPPORT_ISOLATEDENVIRONMENT_H
#define TALLYVOL_TESTS_SUPPORT_ISOLATEDENVIRONMENT_H

#include "tests/support/TempDirectory.h"

#include <map>
#include <optional>
#include <string>

namespace testsupport {

class IsolatedEnvironment {
public:
    IsolatedEnvironment();
    ~IsolatedEnvironment();
    IsolatedEnvironment(const IsolatedEnvironment&) = delete;
    IsolatedEnvironment& operator=(const IsolatedEnvironment&) = delete;

    const std::string& Root() const { return m_root.Path(); }
    std::string Home() const { return m_root / "home"; }           // TALLYVOL_HOME
    std::string ConfigHome() const { return m_root / "config"; }   // XDG_CONFIG_HOME
    std::string LogDirectory() const { return m_root / "log"; }
    std::string MachineHive() const { return Home() + "/machine.reg"; }
    std::string UserHive() const { return ConfigHome() + "/tallyvol/user.reg"; }
    std::string LogFile() const { return LogDirectory() + "/TallyvolLog.txt"; }

    // Sets a variable for the rest of the test.
    void Set(const std::string& name, const std::string& value);

private:
    TempDirectory m_root;
    std::map<std::string, std::optional<std::string>> m_saved;
};

} // namespace testsupport

#endif
