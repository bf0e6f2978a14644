// The diagnostic log's file format and its rules for opening, headers and line ends.
#include "app/base/DiagnosticLog.h"
#include "app/base/Settings.h"
#include "tests/support/IsolatedEnvironment.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <regex>
#include <sstream>
#include <thread>
#include <vector>

using namespace app;
using testsupport::IsolatedEnvironment;
using testsupport::ReadFile;

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

const std::regex kPrefix(R"(^\d{2}/\d{2}/\d{4} \d{2}:\d{2}:\d{2}\.\d{3}  TID:\d{4,}  PID:\d{4,}   )");

} // namespace

TEST(DiagnosticLog, ANewFileStartsWithTheFourHeaderLines) {
    IsolatedEnvironment env;
    EnableDebugLog();
    TV_DEBUG_LOG("Automated /SCAN");
    std::vector<std::string> lines = linesOf(ReadFile(env.LogFile()));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(std::regex_search(lines[0], std::regex(R"(^Platform:2  \d+\.\d+\.\d+  )"))) << lines[0];
    EXPECT_EQ(lines[1].rfind("Path: ", 0), 0u);
    EXPECT_EQ(lines[2].rfind("CWD: /", 0), 0u);
    EXPECT_EQ(lines[3], " Version: 3.2.0 Build 1");
    EXPECT_TRUE(std::regex_search(lines[4], kPrefix)) << lines[4];
    EXPECT_EQ(lines[4].substr(lines[4].size() - 25), "   Automated /SCAN  (, 0)");
}

TEST(DiagnosticLog, AnExistingFileGetsNoHeaderAndLinesEndAsTheirTextSays) {
    IsolatedEnvironment env;
    testsupport::WriteFile(env.LogFile(), "old line\r\n");
    WriteLogLine("plain");
    WriteLogLine("ends with its own line feed\n");
    std::string text = ReadFile(env.LogFile());
    EXPECT_EQ(text.find("Platform:"), std::string::npos);
    EXPECT_NE(text.find("   plain\r\n"), std::string::npos);
    EXPECT_NE(text.find("   ends with its own line feed\n"), std::string::npos);
    EXPECT_EQ(text.find("line feed\n\r\n"), std::string::npos);
    EXPECT_EQ(text.find("line feed\r\n"), std::string::npos);
}

TEST(DiagnosticLog, DebugLinesAreWrittenOnlyWhileDebugLoggingIsOn) {
    IsolatedEnvironment env;
    TV_DEBUG_LOG("invisible");
    DebugLog("", 0, "also invisible");
    EXPECT_FALSE(testsupport::FileExists(env.LogFile()));
    EnableDebugLog();
    DebugLog("", 0, "Completed scan of %s in %d ms", "/srv", 12);
    std::string text = ReadFile(env.LogFile());
    EXPECT_NE(text.find("   Completed scan of /srv in 12 ms  (, 0)\r\n"), std::string::npos);
    EXPECT_EQ(text.find("invisible"), std::string::npos);
}

// The default log directory is a private one that a new machine does not have yet: the first
// line, debug logging or not, makes it (readable by its owner only), so no error line of an
// automated run is lost.
TEST(DiagnosticLog, TheFirstLineCreatesTheLogDirectoryAndAnOwnerOnlyFile) {
    IsolatedEnvironment env;
    std::string deep = env.Root() + "/logs/deep/x";
    SetMachineString(deep, "LogDir");
    WriteLogLine("launch line");
    EXPECT_NE(ReadFile(deep + "/TallyvolLog.txt").find("launch line"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat((deep + "/TallyvolLog.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(deep.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    EnableDebugLog();
    WriteLogLine("now written");
    EXPECT_NE(ReadFile(deep + "/TallyvolLog.txt").find("now written"), std::string::npos);
}

TEST(DiagnosticLog, LongMessagesAreCutSoTheSuffixStillFits) {
    IsolatedEnvironment env;
    EnableDebugLog();
    std::string huge(40000, 'x');
    DebugLog("", 0, "%s", huge.c_str());
    std::vector<std::string> lines = linesOf(ReadFile(env.LogFile()));
    ASSERT_EQ(lines.size(), 5u);
    std::string body = lines[4].substr(lines[4].find("   x") + 3);
    EXPECT_EQ(body, std::string(32668, 'x') + "  (, 0)");
}

TEST(DiagnosticLog, LinesFromManyThreadsNeverTear) {
    IsolatedEnvironment env;
    EnableDebugLog();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            std::string text(200, static_cast<char>('a' + t));
            for (int i = 0; i < 200; ++i) {
                WriteLogLine(text);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    std::vector<std::string> lines = linesOf(ReadFile(env.LogFile()));
    ASSERT_EQ(lines.size(), 4u + 800u);
    for (std::size_t i = 4; i < lines.size(); ++i) {
        ASSERT_TRUE(std::regex_search(lines[i], kPrefix)) << lines[i];
        std::string body = lines[i].substr(lines[i].size() - 200);
        ASSERT_EQ(body, std::string(200, body[0])) << "line " << i;
    }
}

TEST(DiagnosticLog, AnUnopenableLogLosesLinesSilently) {
    IsolatedEnvironment env;
    testsupport::WriteFile(env.Root() + "/file", "x");
    SetMachineString(env.Root() + "/file/sub", "LogDir");
    WriteLogLine("lost");
    EnableDebugLog();
    TV_DEBUG_LOG("lost too");
    SUCCEED();
}
