// The volume of a directory: the mount point holding it and its free space, against the
// system's own answers, and on a file system mounted for the test.
#include "app/base/DiagnosticLog.h"
#include "platform/system/SystemInfo.h"
#include "scan/fs/StoredPath.h"
#include "scan/fs/Volume.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/TempDirectory.h"
#include "tests/unit/scan/WalkTestSupport.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

using testsupport::TempDirectory;

namespace {

// The mount point found the test's way: up the real path until the device changes.
std::string mountPointByDevice(const std::string& path) {
    char resolved[PATH_MAX];
    std::string current = ::realpath(path.c_str(), resolved) != nullptr ? resolved : path;
    struct stat st {};
    ::stat(current.c_str(), &st);
    while (current != "/") {
        std::string parent = current.substr(0, current.rfind('/'));
        if (parent.empty()) {
            parent = "/";
        }
        struct stat up {};
        if (::stat(parent.c_str(), &up) != 0 || up.st_dev != st.st_dev) {
            break;
        }
        current = parent;
    }
    return current;
}

constexpr std::uint64_t kTolerance = 256ULL << 20; // other processes write while the test runs

} // namespace

// What df shows as available on the volume holding the path, in bytes.
static std::uint64_t dfAvailable(const std::string& path) {
    std::string command = "df -B1 --output=avail '" + path + "' | tail -n 1";
    FILE* pipe = ::popen(command.c_str(), "r");
    char line[64] = {};
    std::uint64_t available = 0;
    if (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr) {
        available = std::strtoull(line, nullptr, 10);
    }
    if (pipe != nullptr) {
        ::pclose(pipe);
    }
    return available;
}

// Free space is what df shows as available: blocks reserved for root are not free for the data
// an alert protects (the root file system here reserves a large share).
TEST(FENGetFreeSpace, MatchesTheVolumesOwnFigures) {
    TempDirectory temp;
    struct statvfs volume {};
    ASSERT_EQ(::statvfs(temp.Path().c_str(), &volume), 0);
    std::uint64_t available = dfAvailable(temp.Path());
    ASSERT_GT(available, 0u);
    for (const std::string& path : std::vector<std::string>{temp.Path(), temp.Path() + "/", scan::MakeStoredPath(temp.Path(), false)}) {
        std::uint64_t totalFree = 0, freeToCaller = 0, totalBytes = 0;
        ASSERT_TRUE(scan::FENGetFreeSpace(path, totalFree, freeToCaller, totalBytes)) << path;
        EXPECT_EQ(totalBytes, static_cast<std::uint64_t>(volume.f_blocks) * volume.f_frsize);
        EXPECT_NEAR(static_cast<double>(totalFree), static_cast<double>(available), kTolerance);
        EXPECT_EQ(freeToCaller, totalFree);
        EXPECT_LE(totalFree, totalBytes);
    }
}

TEST(FENGetFreeSpace, AMissingPathFailsWithItsLogLine) {
    testsupport::IsolatedEnvironment env;
    app::EnableDebugLog();
    TempDirectory temp;
    std::uint64_t totalFree = 7, freeToCaller = 7, totalBytes = 7;
    EXPECT_FALSE(scan::FENGetFreeSpace(temp / "missing/", totalFree, freeToCaller, totalBytes));
    EXPECT_EQ(totalFree + freeToCaller + totalBytes, 21u);
    EXPECT_NE(testsupport::ReadFile(env.LogFile())
                  .find("FenGetFreeSpace returning failure because " + temp / "missing" + " (orig=" + temp / "missing/" +
                        ") does not exist"),
              std::string::npos);
}

TEST(GetScanRoot, IsTheMountPointHoldingTheDirectory) {
    TempDirectory temp;
    testsupport::MakeDirectories(temp / "a/b");
    EXPECT_EQ(scan::GetScanRoot(temp / "a/b"), mountPointByDevice(temp / "a/b"));
    EXPECT_EQ(scan::GetScanRoot("/"), "/");
    EXPECT_EQ(scan::GetScanRoot(temp / "missing/x/"), temp / "missing/x");
    const std::string host = platform::system::ComputerName();
    EXPECT_EQ(scan::GetScanRoot("//" + host + temp.Path() + "/a"), mountPointByDevice(temp.Path()));
}

TEST(GetScanRoot, AMountedVolumeIsItsOwnRootWithItsOwnSpace) {
    TempDirectory temp;
    testsupport::MakeDirectories(temp / "mnt");
    int status = walktest::RunInChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", (temp / "mnt").c_str(), "tmpfs", 0, "size=4m") != 0) {
            return 77;
        }
        testsupport::MakeDirectories(temp / "mnt/deep/er");
        if (scan::GetScanRoot(temp / "mnt/deep/er") != temp / "mnt" || scan::GetScanRoot(temp / "mnt") != temp / "mnt") {
            return 1;
        }
        std::uint64_t totalFree = 0, freeToCaller = 0, totalBytes = 0;
        if (!scan::FENGetFreeSpace(temp / "mnt/deep", totalFree, freeToCaller, totalBytes) ||
            totalBytes != 4u << 20 || totalFree > totalBytes) {
            return 2;
        }
        return 0;
    });
    if (status == 77) {
        GTEST_SKIP() << "mounting needs CAP_SYS_ADMIN, which this test process lacks";
    }
    EXPECT_EQ(status, 0) << "1 scan root, 2 free space";
}
