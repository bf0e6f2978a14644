#include "platform/system/SystemInfo.h"

#include "platform/system/BuildConfig.h"

#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace platform::system {

namespace {

std::string distributionName() {
    std::ifstream in("/etc/os-release");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("PRETTY_NAME=", 0) == 0) {
            std::string value = line.substr(12);
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')) {
                value = value.substr(1, value.size() - 2);
            }
            return value;
        }
    }
    return {};
}

} // namespace

OsVersion GetOsVersion() {
    OsVersion version;
    version.platformId = 2;
    struct utsname names {};
    if (::uname(&names) == 0) {
        std::sscanf(names.release, "%d.%d.%d", &version.major, &version.minor, &version.build);
    }
    version.servicePack = distributionName();
    return version;
}

std::string PlatformText() {
    OsVersion version = GetOsVersion();
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%d  %d.%d.%d  %s", version.platformId, version.major,
                  version.minor, version.build, version.servicePack.c_str());
    return buffer;
}

std::string ComputerName() {
    char buffer[256] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0 || buffer[0] == '\0') {
        return "{failed to get computer name}";
    }
    return buffer;
}

int CurrentThreadId() {
    return static_cast<int>(::syscall(SYS_gettid));
}

int CurrentProcessId() {
    return static_cast<int>(::getpid());
}

ProgramVersion GetProgramVersion() {
    return {kVersionMajor, kVersionMinor, kVersionRelease, kVersionBuild};
}

} // namespace platform::system
