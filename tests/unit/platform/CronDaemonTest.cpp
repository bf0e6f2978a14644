// Finding the cron daemon and the three outcome lines of starting it. A stand-in daemon is a
// copy of sleep named "cron"; a real daemon that happens to run on the machine is allowed for.
#include "platform/taskscheduler/CronDaemon.h"
#include "platform/process/Process.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace platform::taskscheduler;
using namespace testsupport;

namespace {

std::string outcomeOf(int* result) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* out = ::open_memstream(&text, &size);
    *result = StartTaskScheduler(out);
    std::fclose(out);
    std::string outcome(text, size);
    std::free(text);
    return outcome;
}

bool isNamedCron(pid_t pid) {
    std::FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (file == nullptr) {
        return false;
    }
    char buffer[256] = {};
    std::size_t count = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    return std::string(buffer, count).find("(cron)") != std::string::npos;
}

} // namespace

TEST(CronDaemon, ARunningDaemonIsFoundAndAnEndedOneIsNot) {
    pid_t real = FindCronDaemon();
    TempDirectory directory;
    std::string fake = directory / "cron";
    ASSERT_EQ(std::system(("cp /bin/sleep '" + fake + "'").c_str()), 0);
    pid_t pid = platform::process::LaunchProcess({fake, "30"}, {});
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 200 && !isNamedCron(pid); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(isNamedCron(pid));
    EXPECT_NE(FindCronDaemon(), 0);
    if (real == 0) {
        EXPECT_EQ(FindCronDaemon(), pid);
    }
    int result = -1;
    EXPECT_EQ(outcomeOf(&result), "cron is already running.\n");
    EXPECT_EQ(result, 0);

    // Ended but not yet collected: a zombie is no daemon.
    ::kill(pid, SIGKILL);
    for (int i = 0; i < 200 && isNamedCron(pid) && FindCronDaemon() == pid; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (real == 0) {
        EXPECT_EQ(FindCronDaemon(), 0);
    }
    ::waitpid(pid, nullptr, 0);
}

TEST(CronDaemon, OnlyRootMayStartIt) {
    if (FindCronDaemon() != 0) {
        GTEST_SKIP() << "a cron daemon runs on this machine";
    }
    if (::geteuid() != 0) {
        int result = 0;
        EXPECT_EQ(outcomeOf(&result), "Could not start cron.\n");
        EXPECT_EQ(result, EPERM);
        return;
    }
    EXPECT_EXIT(
        {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
                std::_Exit(3);
            }
            int result = 0;
            std::_Exit(outcomeOf(&result) == "Could not start cron.\n" && result == EPERM ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
