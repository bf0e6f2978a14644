// The command part of cron lines, checked the way cron runs it: cron's own "%" rule applied
// (crontab(5): an unescaped "%" ends the command, "\%" is a "%"), then a real /bin/sh -c, with a
// recorder in place of the program that writes down the arguments and environment it got.
#include "platform/taskscheduler/CronCommand.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace platform::taskscheduler;
using namespace testsupport;

namespace {

// What cron hands to the shell: the command up to its first unescaped "%", where a backslash
// right before a "%" is dropped and a backslash escapes only the character after it.
std::string asCronPassesIt(const std::string& command) {
    std::string result;
    bool escaped = false;
    for (char c : command) {
        if (escaped) {
            if (c == '%') {
                result.back() = '%';
            } else {
                result += c;
            }
            escaped = false;
            continue;
        }
        if (c == '%') {
            break;
        }
        escaped = c == '\\';
        result += c;
    }
    return result;
}

struct ShellRun {
    std::vector<std::string> arguments;
    std::string home;
};

// Runs the command as cron would; the recorder writes one argument per line, then HOME=.
ShellRun runAsCron(const TempDirectory& directory, const std::string& command) {
    ProcessResult result = RunProcess("/bin/sh", {"-c", asCronPassesIt(command)}, {}, 30);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    ShellRun run;
    std::string text = ReadFile(directory / "record");
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\x1e', start)) != std::string::npos; start = end + 1) {
        run.arguments.push_back(text.substr(start, end - start));
    }
    if (!run.arguments.empty()) {
        run.home = run.arguments.back();
        run.arguments.pop_back();
    }
    return run;
}

} // namespace

TEST(CronCommand, ParametersSplitAtBlanksOutsideQuotesAndKeepTheQuotes) {
    struct Case {
        const char* parameters;
        std::vector<std::string> tokens;
    } cases[] = {
        {"/DIR=\"/srv/my data\" /ALERTSIZE=5  /SAVE /PID=1,3",
         {"/DIR=\"/srv/my data\"", "/ALERTSIZE=5", "/SAVE", "/PID=1,3"}},
        {"   /SCAN   ", {"/SCAN"}},
        {"/DIR=\"it's $(touch /tmp/x) \"%d\" \\ back\" /SCAN",
         {"/DIR=\"it's $(touch /tmp/x) \"%d\" \\ back\"", "/SCAN"}},
        {"/NOTIFY=\"a b\"\tc", {"/NOTIFY=\"a b\"\tc"}}, // only the blank separates
        {"/DIR=\"open ended", {"/DIR=\"open ended"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitParameters(c.parameters), c.tokens) << c.parameters;
    }
}

TEST(CronCommand, EveryArgumentReachesTheProgramExactlyWithNoShellEffect) {
    TempDirectory directory("tallyvol cron's %d");
    std::string program = directory / "bin dir's \\%x/record $(args)";
    WriteFile(program, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\036' \"$a\"; done > \"$(dirname "
                       "\"$0\")/../record\"\n"
                       "printf '%s\\036' \"$TALLYVOL_HOME\" >> \"$(dirname \"$0\")/../record\"\n");
    ::chmod(program.c_str(), 0755);
    std::string pwned = directory / "pwned";
    std::vector<std::string> awkward = {
        "/DIR=\"it's $(touch " + pwned + ") \"%d\" \\ back\"",
        "'%'",
        "\\%",
        "\\\\%",
        "%%",
        "a\\",
        "\"`touch " + pwned + "`\"",
        "\"$HOME;touch " + pwned + "\"",
        "|&<>*?~[a]{b,c}#",
        "-n",
        "é∑\x01",
        "\\'\\\"x\\\"",
    };
    std::string parameters;
    for (const std::string& token : awkward) {
        parameters += token + " ";
    }
    std::string home = directory / "home $USER '\\%' %";
    std::string problem;
    std::string command =
        BuildCronCommand({{"TALLYVOL_HOME", home}}, program, parameters, &problem);
    ASSERT_TRUE(problem.empty()) << problem;
    EXPECT_EQ(command.find('\n'), std::string::npos);

    ShellRun run = runAsCron(directory, command);
    EXPECT_EQ(run.arguments, awkward);
    EXPECT_EQ(run.home, home);
    EXPECT_FALSE(FileExists(pwned));
}

TEST(CronCommand, WhatACronLineCannotHoldIsRefusedWithTheReason) {
    std::string problem;
    struct Case {
        EnvironmentEntries environment;
        std::string application;
        std::string parameters;
        const char* reason;
    } cases[] = {
        {{}, "/usr/bin/tallyvol", "/DIR=\"a\nb\"", "command line holds a line break"},
        {{}, "/usr/bin/tallyvol", "/DIR=\"a\rb\"", "command line holds a line break"},
        {{}, "/opt/x\n/tallyvol", "/SCAN", "program's path holds a line break"},
        {{{"TALLYVOL_HOME", "/h\n"}},
         "/usr/bin/tallyvol",
         "/SCAN",
         "TALLYVOL_HOME holds a line break"},
        {{{"BAD-NAME", "x"}},
         "/usr/bin/tallyvol",
         "/SCAN",
         "is not the name of an environment variable"},
        {{}, "", "/SCAN", "not known"},
        {{}, "/" + std::string(996, 'p'), "", "cron accepts at most 998"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuildCronCommand(c.environment, c.application, c.parameters, &problem), "");
        EXPECT_NE(problem.find(c.reason), std::string::npos) << problem;
    }
    std::string longest = BuildCronCommand({}, "/" + std::string(995, 'p'), "", &problem);
    EXPECT_EQ(longest.size(), kMaxCronCommandLength);
    EXPECT_TRUE(problem.empty());
}
