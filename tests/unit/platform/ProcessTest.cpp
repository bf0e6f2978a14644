// Starting programs from a command line: the splitting rules, no shell in between, nothing
// waited for, no zombie left, no descriptor leaked.
#include "platform/process/Process.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ProcessWatch.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <chrono>

using platform::process::SplitCommandLine;
using platform::process::StartCommandLine;
using platform::process::StartDetachedProcess;
using namespace testsupport;

namespace {

// A script that writes each argument as "<argument>" on a line of its own to the file named by
// TALLYVOL_TEST_RECORD (so it also shows that the environment is inherited), then "END".
std::string writeRecorder(const std::string& path) {
    WriteFile(path, "#!/bin/sh\n"
                    "for a in \"$@\"; do printf '<%s>\\n' \"$a\" >> \"$TALLYVOL_TEST_RECORD\"; done\n"
                    "printf 'END\\n' >> \"$TALLYVOL_TEST_RECORD\"\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

} // namespace

TEST(Process, CommandLinesSplitAtBlanksOutsideQuotes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitCommandLine("prog a  b\tc"), (V{"prog", "a", "b", "c"}));
    EXPECT_EQ(SplitCommandLine("  \"/opt/my tools/prog\" \"/srv/data dir\" 12 K  "),
              (V{"/opt/my tools/prog", "/srv/data dir", "12", "K"}));
    EXPECT_EQ(SplitCommandLine("prog \"\" x"), (V{"prog", "", "x"})) << "an empty quoted argument stays";
    EXPECT_EQ(SplitCommandLine("prog a\"b c\"d"), (V{"prog", "ab cd"})) << "quotes inside a token join it";
    EXPECT_EQ(SplitCommandLine("prog \"unterminated arg"), (V{"prog", "unterminated arg"}));
    EXPECT_EQ(SplitCommandLine("prog back\\slash 'single quoted'"), (V{"prog", "back\\slash", "'single", "quoted'"}))
        << "only double quotes group, and backslashes are plain characters";
    EXPECT_TRUE(SplitCommandLine("   ").empty());
}

TEST(Process, ProgramsRunAsGivenWithoutAShell) {
    IsolatedEnvironment env;
    TempDirectory dir;
    std::string tools = dir / "my tools; $(touch pwned) `id`";
    MakeDirectories(tools);
    std::string script = writeRecorder(tools + "/record args.sh");
    std::string record = dir / "record.txt";
    env.Set("TALLYVOL_TEST_RECORD", record);

    std::string command = "\"" + script + "\" \"/srv/a dir\" ;echo $HOME |cat *.txt > out `id` $(touch pwned2) 1,024 K";
    int error = 0;
    ASSERT_GT(StartCommandLine(command, &error), 0) << std::strerror(error);
    ASSERT_TRUE(WaitForFile(record, 10, "END\n"));
    EXPECT_EQ(ReadFile(record), "</srv/a dir>\n<;echo>\n<$HOME>\n<|cat>\n<*.txt>\n<>>\n<out>\n<`id`>\n<$(touch>\n"
                                "<pwned2)>\n<1,024>\n<K>\nEND\n");
    EXPECT_FALSE(FileExists("pwned")) << "no shell saw the path";
    EXPECT_FALSE(FileExists("pwned2")) << "no shell saw the arguments";
    EXPECT_TRUE(WaitUntilNoZombies(10)) << "the ended program was collected";
}

TEST(Process, ProgramsAreFoundThroughThePathAndNotWaitedFor) {
    IsolatedEnvironment env;
    TempDirectory dir;
    std::string record = dir / "record.txt";
    WriteFile(dir / "bin/slow-recorder", "#!/bin/sh\nsleep 1\nprintf 'done %s\\n' \"$1\" > \"$TALLYVOL_TEST_RECORD\"\n");
    ::chmod((dir / "bin/slow-recorder").c_str(), 0755);
    env.Set("TALLYVOL_TEST_RECORD", record);
    env.Set("PATH", dir / "bin" + ":/usr/bin:/bin");

    auto start = std::chrono::steady_clock::now();
    ASSERT_GT(StartDetachedProcess({"slow-recorder", "x y"}), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(800)) << "the start does not wait";
    EXPECT_FALSE(FileExists(record));
    ASSERT_TRUE(WaitForFile(record, 10, "\n"));
    EXPECT_EQ(ReadFile(record), "done x y\n");
    EXPECT_TRUE(WaitUntilNoZombies(10));
}

TEST(Process, ProgramsThatCannotStartReportWhy) {
    TempDirectory dir;
    int error = 0;
    EXPECT_EQ(StartCommandLine("", &error), -1);
    EXPECT_EQ(StartCommandLine("\"\" arg", &error), -1);
    EXPECT_EQ(StartCommandLine(dir / "missing.sh", &error), -1);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(StartCommandLine("tallyvol-no-such-program-anywhere", &error), -1);
    EXPECT_EQ(error, ENOENT);
    WriteFile(dir / "not-executable.sh", "#!/bin/sh\nexit 0\n");
    ::chmod((dir / "not-executable.sh").c_str(), 0644);
    if (::geteuid() != 0) {
        EXPECT_EQ(StartCommandLine(dir / "not-executable.sh", &error), -1);
        EXPECT_EQ(error, EACCES);
    }
    WriteFile(dir / "directory/x", "");
    EXPECT_EQ(StartCommandLine(dir / "directory", &error), -1);
    EXPECT_TRUE(ZombieChildren().empty());
}

TEST(Process, OnlyTheStandardStreamsAreInherited) {
    IsolatedEnvironment env;
    TempDirectory dir;
    std::string record = dir / "fds.txt";
    int leaky = ::open("/dev/null", O_RDONLY); // deliberately without close-on-exec
    ASSERT_GE(leaky, 3);
    WriteFile(dir / "fds.sh", "#!/bin/sh\nif [ -e /proc/$$/fd/" + std::to_string(leaky) +
                                  " ]; then echo leaked; else echo closed; fi > \"$1\"\n");
    ::chmod((dir / "fds.sh").c_str(), 0755);
    ASSERT_GT(StartDetachedProcess({dir / "fds.sh", record}), 0);
    ASSERT_TRUE(WaitForFile(record, 10, "\n"));
    ::close(leaky);
    EXPECT_EQ(ReadFile(record), "closed\n");
    EXPECT_TRUE(WaitUntilNoZombies(10));
}
