/*
 * Facts about this machine and process that the program prints in its log and error reports:
 * the operating system's version numbers, the computer name, thread and process identifiers,
 * and the program's own version. Safe to call from any thread.
 */
#ifndef TALLYVOL_PLATFORM_SYSTEM_SYSTEMINFO_H
#define TALLYVOL_PLATFORM_SYSTEM_SYSTEMINFO_H

#include <string>

namespace platform::system {

struct OsVersion {
    int platformId = 0;      // 2, the identifier of the operating-system family the texts expect
    int major = 0;           // kernel release numbers (uname)
    int minor = 0;
    int build = 0;
    std::string servicePack; // the distribution's name (PRETTY_NAME of /etc/os-release)
};

OsVersion GetOsVersion();

// "%d  %d.%d.%d  %s" of the version: the platform text of log headers and error reports.
std::string PlatformText();

// The host name; "{failed to get computer name}" when it cannot be read.
std::string ComputerName();

int CurrentThreadId();
int CurrentProcessId();

struct ProgramVersion {
    int major;
    int minor;
    int release; // third part of the file version
    int build;
};
ProgramVersion GetProgramVersion();

} // namespace platform::system

#endif
