// The tallyvol binary started as a user or cron would start it, in an isolated home.
#include "app/base/Settings.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ProcessRunner.h"

#include <gtest/gtest.h>

#include <regex>

using testsupport::IsolatedEnvironment;
using testsupport::ReadFile;
using testsupport::RunTallyvol;

namespace {

std::map<std::string, std::string> isolated(const IsolatedEnvironment& env) {
    return {{"TALLYVOL_HOME", env.Home()}, {"XDG_CONFIG_HOME", env.ConfigHome()}};
}

} // namespace

TEST(ProgramStartup, HelpAndVersion) {
    IsolatedEnvironment env;
    auto help = RunTallyvol({"--help"}, isolated(env));
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("/ALERTSIZE=K"), std::string::npos);
    EXPECT_NE(help.out.find("/PRINTFORMAT="), std::string::npos);
    auto version = RunTallyvol({"--version"}, isolated(env));
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "Tallyvol 3.2.0 build 1\n");
}

TEST(ProgramStartup, AFirstStartWithDebugCreatesTheLogAndEveryKeyItRead) {
    IsolatedEnvironment env;
    testsupport::RemoveTree(env.Home());
    testsupport::RemoveTree(env.ConfigHome());
    std::string logDirectory = env.Root() + "/newlogs/deeper";
    auto environment = isolated(env);
    // Without /DEBUG= the first start writes no log (the default log directory is /tmp, which a
    // test must not fill); every key it read is in the hives at its default.
    auto first = RunTallyvol({"/FREEPERCENT=1", "/DIR=/"}, environment);
    ASSERT_EQ(first.exitCode, 0) << first.err;

    std::string machine = ReadFile(env.MachineHive());
    for (const char* key : {"\"DebugLogs\"=dword:00000000", "\"LogRun\"=dword:00000000",
                            "\"UseSystemTimeFormat\"=dword:00000001", "\"AutomatedAutoDeleteDays\"=dword:00000007",
                            "\"PrintFilePath\"=\"DIRSIZE.TXT\"", "\"PrintDestination\"=dword:00000001",
                            "\"DBSource\"=dword:00000000"}) {
        EXPECT_NE(machine.find(key), std::string::npos) << key << "\n" << machine;
    }
    std::string user = ReadFile(env.UserHive());
    for (const char* key : {"\"PreferredUnits\"=dword:00000002", "\"PreferredSortMethod\"=dword:00000002",
                            "\"SubDirSave\"=dword:00000001", "\"SymlinkCheck\"=dword:00000000"}) {
        EXPECT_NE(user.find(key), std::string::npos) << key << "\n" << user;
    }

    // Now with the debug log, in a directory that does not exist yet.
    app::SetMachineString(logDirectory, "LogDir");
    auto second = RunTallyvol({"/DEBUG=1", "/FREEPERCENT=1", "/DIR=/"}, environment);
    ASSERT_EQ(second.exitCode, 0) << second.err;
    std::string log = ReadFile(logDirectory + "/TallyvolLog.txt");
    EXPECT_EQ(log.rfind("Platform:2  ", 0), 0u) << log;
    EXPECT_NE(log.find("   Command Line: /DEBUG=1 /FREEPERCENT=1 /DIR=/  (, 0)\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("   Automated /FREEPERCENT=1  (, 0)\r\n"), std::string::npos);
    EXPECT_NE(log.find("   Automated /DIR=/  (, 0)\r\n"), std::string::npos);
    EXPECT_NE(log.find("   Version: 3.2 Bld 1\n  (, 0)\r\n"), std::string::npos);
    EXPECT_NE(log.find("   Automated  (, 0)\r\n"), std::string::npos);
}

TEST(ProgramStartup, LaunchAndShutdownLinesOnlyWithLogRun) {
    IsolatedEnvironment env;
    testsupport::WriteFile(env.MachineHive(), "Windows Registry Editor Version 5.00\n\n"
                                              "[HKEY_LOCAL_MACHINE\\software\\Tallyvol\\Settings]\n"
                                              "\"LogRun\"=dword:00000001\n"
                                              "\"LogDir\"=\"" + env.LogDirectory() + "\"\n");
    testsupport::MakeDirectories(env.LogDirectory());
    auto result = RunTallyvol({"/FREEALERT=1", "extra"}, isolated(env));
    ASSERT_EQ(result.exitCode, 0);
    std::string log = ReadFile(env.LogFile());
    EXPECT_TRUE(std::regex_search(log, std::regex(R"(   .+, PID=\d+, Tallyvol launched with CmdLine=/FREEALERT=1 extra\r\n)")))
        << log;
    EXPECT_TRUE(std::regex_search(log, std::regex(R"(   .+, PID=\d+,    Tallyvol shutting down\r\n)"))) << log;
}

TEST(ProgramStartup, AnInteractiveStartWithoutTheDesktopPartSaysSo) {
    IsolatedEnvironment env;
    auto environment = isolated(env);
    environment["TALLYVOL_UI_LIBRARY"] = env.Root() + "/no-such-libtallyvol-ui.so";
    auto result = RunTallyvol({"/DIR=/srv"}, environment);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.out.find("Usage: tallyvol"), std::string::npos);
    EXPECT_NE(result.out.find("The Tallyvol desktop window is not installed"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("no-such-libtallyvol-ui.so"), std::string::npos) << result.err;
}

TEST(ProgramStartup, AnInteractiveStartWithoutADisplaySaysSo) {
    if (!testsupport::FileExists(std::string(TALLYVOL_BINARY_DIR) + "/lib/libtallyvol-ui.so")) {
        GTEST_SKIP() << "this build has no window library (Qt 6 Widgets missing)";
    }
    IsolatedEnvironment env;
    auto environment = isolated(env);
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment[name] = "";
    }
    auto result = RunTallyvol({}, environment);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("needs a graphical display"), std::string::npos) << result.err;

    // A display that does not answer is told too, rather than ending the program.
    environment["DISPLAY"] = ":4711";
    result = RunTallyvol({}, environment);
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("the display :4711 does not answer"), std::string::npos) << result.err;
}

TEST(ProgramStartup, ACorruptHiveStillStartsAndKeepsWhatCouldBeParsed) {
    IsolatedEnvironment env;
    testsupport::WriteFile(env.MachineHive(), std::string("\x00\x01garbage\n", 10) +
                                                  "[HKEY_LOCAL_MACHINE\\software\\Tallyvol\\Settings]\n"
                                                  "\"ManualAutoDeleteDays\"=dword:00000003\n"
                                                  "\"Broken\"=dword:\n");
    auto result = RunTallyvol({"/FREEALERT=1"}, isolated(env));
    EXPECT_EQ(result.exitCode, 0);
    std::string machine = ReadFile(env.MachineHive());
    EXPECT_NE(machine.find("\"ManualAutoDeleteDays\"=dword:00000003"), std::string::npos) << machine;
}
