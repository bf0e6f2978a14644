// What cron and the people reading its mail can rely on: the exit status of every outcome of an
// unattended run, no password in anything that leaves the process, no file written through a
// link or into another user's file where other users can write, and every directory the scan
// could not count or store said so. The tallyvol binary runs as cron runs it.
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/SmtpTestServer.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

using namespace testsupport;

namespace {

struct RunWorld {
    IsolatedEnvironment env;
    std::string tree = env.Root() + "/tree";
    std::string report = env.Root() + "/report.txt";

    RunWorld() {
        MakeDirectories(env.LogDirectory());
        WriteSizedFile(tree + "/a/one", 5000);
        WriteSizedFile(tree + "/b/two", 9000);
        // Enough directories that their rows outgrow a small disk.
        for (int i = 0; i < 300; ++i) {
            MakeDirectories(tree + "/many/directory number " + std::to_string(i));
        }
    }
    std::map<std::string, std::string> environment() const {
        return {{"TALLYVOL_HOME", env.Home()}, {"XDG_CONFIG_HOME", env.ConfigHome()}, {"TMPDIR", env.Root()}};
    }
    ProcessResult run(const std::vector<std::string>& arguments) const {
        return RunTallyvol(arguments, environment());
    }
    // Runs the program inside a private mount namespace after the shell commands `prepare`,
    // which may mount a file system of their own over the program's home (its settings are
    // carried over).
    ProcessResult runMounted(const std::string& prepare, const std::vector<std::string>& arguments) const {
        std::string command = "cp \"$TALLYVOL_HOME/machine.reg\" \"$TMPDIR/saved.reg\" && " + prepare +
                              " && exec '" TALLYVOL_BINARY "'";
        for (const std::string& argument : arguments) {
            command += " '" + argument + "'";
        }
        return RunProcess("/usr/bin/unshare", {"--mount", "/bin/sh", "-c", command}, environment());
    }
};

bool isRoot() {
    return ::geteuid() == 0;
}

// A TCP port on the loopback interface that nothing listens on.
int closedPort() {
    int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}

} // namespace

// Every outcome of an unattended run and its exit status, with what standard error says.
TEST(UnattendedFaults, EveryOutcomeHasItsExitStatus) {
    struct Case {
        const char* what;
        std::function<std::vector<std::string>(RunWorld&)> arguments;
        int status;
        const char* said; // on standard error ("" for nothing at all)
        bool needsMounts = false;
        const char* prepare = "";
    };
    const Case cases[] = {
        {"a scan stored", [](RunWorld& r) { return std::vector<std::string>{"/DIR=" + r.tree, "/SCAN", "/SAVE"}; }, 0, ""},
        {"a missing directory",
         [](RunWorld& r) { return std::vector<std::string>{"/DIR=" + r.env.Root() + "/gone", "/SCAN", "/SAVE"}; }, 1,
         "does not exist"},
        {"a report to a path that cannot be written",
         [](RunWorld& r) {
             return std::vector<std::string>{"/DIR=" + r.tree, "/SCAN", "/SAVE",
                                             "/PRINT=FILE=" + r.env.Root() + "/no/such/dir.txt"};
         },
         1, "Trying to open file for export/print"},
        {"a report of a directory without stored scans",
         [](RunWorld& r) { return std::vector<std::string>{"/DIR=" + r.tree + "/a", "/PRINT=FILE=" + r.report}; }, 1,
         "holds no scans of"},
        {"a threshold that is no whole number",
         [](RunWorld& r) { return std::vector<std::string>{"/DIR=" + r.tree, "/ALERTSIZE=-5", "/SAVE"}; }, 1,
         "/ALERTSIZE=-5: not a whole number"},
        {"unknown options only warned about",
         [](RunWorld& r) { return std::vector<std::string>{"/DIR=" + r.tree, "/SCAN", "/SAVE", "/NOSUCH", "--nosuch"}; }, 0,
         "ignoring the unknown option /NOSUCH"},
        {"a profile that does not exist only warned about",
         [](RunWorld& r) { return std::vector<std::string>{"/DIR=" + r.tree, "/MAXSIZE=999999", "/SAVE", "/PID=7"}; }, 0,
         "there is no notification profile 7"},
        {"an alert whose e-mail could not be sent",
         [](RunWorld& r) {
             WriteFile(r.env.Home() + "/PROFILES.INI", "[Settings]\nLastID=1\n[PID-1]\nDescription=Mail\nType=3\n"
                                                       "Str1=ops@example.test\nStr2=127.0.0.1:" +
                                                           std::to_string(closedPort()) + "\n");
             return std::vector<std::string>{"/DIR=" + r.tree, "/SCAN", "/SAVE", "/MAXSIZE=1", "/PID=1"};
         },
         1, "did not go out by its profile's own means"},
        {"a full disk under the store",
         [](RunWorld& r) { return std::vector<std::string>{"/DIR=" + r.tree, "/SCAN", "/SAVE"}; }, 1, "", true,
         "mount -t tmpfs -o size=80k tmpfs \"$TALLYVOL_HOME\" && cp \"$TMPDIR/saved.reg\" \"$TALLYVOL_HOME/machine.reg\""},
        {"a read-only store",
         [](RunWorld& r) { return std::vector<std::string>{"/DIR=" + r.tree, "/SCAN", "/SAVE"}; }, 1, "", true,
         "mount -t tmpfs tmpfs \"$TALLYVOL_HOME\" && cp \"$TMPDIR/saved.reg\" \"$TALLYVOL_HOME/machine.reg\" && '"
         TALLYVOL_BINARY "' \"/DIR=$TMPDIR/tree/a\" /SCAN /SAVE && mount -o remount,ro \"$TALLYVOL_HOME\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsMounts && !isRoot()) {
            continue; // mounting a file system of a test's own needs root
        }
        RunWorld r;
        MakeDirectories(r.env.Home());
        ProcessResult result = c.needsMounts ? r.runMounted(c.prepare, c.arguments(r)) : r.run(c.arguments(r));
        EXPECT_EQ(result.exitCode, c.status) << result.err;
        if (*c.said == '\0' && c.status == 0) {
            EXPECT_EQ(result.err, "");
        } else if (*c.said != '\0') {
            EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
        } else {
            EXPECT_NE(result.err, "") << "a failure is said on standard error";
        }
    }
}

// A failing central store: its connection string's password reaches neither standard error
// (cron's mail), nor the log, nor the alert e-mail with the system information; the files that
// hold it are the owner's alone.
TEST(UnattendedFaults, APasswordNeverLeavesTheProcess) {
    RunWorld r;
    SmtpTestServer mail;
    MakeDirectories(r.env.Home());
    WriteFile(r.env.MachineHive(),
              "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\Tallyvol]\n"
              "\"DBSource\"=dword:00000003\n\"ConnectionString\"=\"Driver=MariaDB Unicode;Server=127.0.0.1;Port=" +
                  std::to_string(closedPort()) + ";Database=tv;UID=scan;PWD=Pa55w0rd-Secret;\"\n"
                  "[HKEY_LOCAL_MACHINE\\software\\Tallyvol\\Settings]\n\"LogDir\"=\"" + r.env.LogDirectory() + "\"\n");
    WriteFile(r.env.Home() + "/PROFILES.INI", "[Settings]\nLastID=1\n[PID-1]\nDescription=Mail\nType=3\n"
                                              "Str1=ops@example.test\nStr2=127.0.0.1:" + std::to_string(mail.Port()) + "\n");
    ProcessResult result = r.run({"/DIR=" + r.tree, "/SCAN", "/SAVE", "/DEBUG=1"});
    EXPECT_EQ(result.exitCode, 1);
    std::optional<ReceivedMail> sent = mail.WaitForMessage("Connection String:");
    ASSERT_TRUE(sent) << "the error report reaches the profile";
    for (const std::string& text : {result.err, ReadFile(r.env.LogFile()), sent->data}) {
        EXPECT_EQ(text.find("Pa55w0rd"), std::string::npos) << text;
    }
    EXPECT_NE(sent->data.find("PWD=****"), std::string::npos) << sent->data;
    for (const std::string& file : {r.env.LogFile(), r.env.MachineHive()}) {
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0) << file;
        EXPECT_EQ(st.st_mode & 077, 0u) << file << " is readable by others";
    }
}

// Where other users can write (the log directory, the temporary directory), a link or a file of
// theirs under one of our names is never written into, and a directory name cannot add a line of
// its choosing to the log.
TEST(UnattendedFaults, SharedDirectoriesCannotBeTurnedAgainstTheRun) {
    if (!isRoot()) {
        GTEST_SKIP() << "files owned by another user can only be made as root";
    }
    RunWorld r;
    std::string shared = r.env.Root() + "/shared";
    MakeDirectories(shared);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    std::string payload = "x\n* * * * * root touch /tmp/owned";
    MakeDirectories(r.tree + "/" + payload);
    MakeDirectories(r.env.Home());
    WriteFile(r.env.MachineHive(), "Windows Registry Editor Version 5.00\n\n"
                                   "[HKEY_LOCAL_MACHINE\\software\\Tallyvol\\Settings]\n\"LogDir\"=\"" + shared + "\"\n");
    std::string victim = r.env.Root() + "/victim";
    WriteFile(victim, "precious\n");
    std::string log = shared + "/TallyvolLog.txt";
    std::string print = shared + "/~tvexp.txt";
    std::string bin = r.env.Root() + "/bin";
    WriteFile(bin + "/lp", "#!/bin/sh\nfor f; do :; done\nprintf '%s' \"$f\" > '" + r.env.Root() + "/lp-file'\n");
    ASSERT_EQ(::chmod((bin + "/lp").c_str(), 0755), 0);
    std::map<std::string, std::string> environment = r.environment();
    environment["TMPDIR"] = shared;
    environment["PATH"] = bin + ":/usr/bin:/bin";
    std::vector<std::string> arguments{"/DIR=" + r.tree, "/SCAN", "/SAVE", "/PRINT=LPT1", "/DEBUG=1"};

    // A link under the log's name, another user's print file.
    ASSERT_EQ(::symlink(victim.c_str(), log.c_str()), 0);
    WriteFile(print, "theirs\n");
    ASSERT_EQ(::chown(print.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(print.c_str(), 0666), 0);
    ProcessResult result = RunTallyvol(arguments, environment);
    EXPECT_EQ(ReadFile(victim), "precious\n");
    EXPECT_EQ(ReadFile(print), "theirs\n");
    std::string printed = ReadFile(r.env.Root() + "/lp-file");
    EXPECT_EQ(printed.rfind(shared + "/tallyvol-print-", 0), 0u) << "printed " << printed;
    EXPECT_FALSE(FileExists(printed)) << "the private print directory goes once lp has the file";

    // Another user's file under the log's name; then the log is ours and one event is one line.
    ::unlink(log.c_str());
    WriteFile(log, "theirs\n");
    ASSERT_EQ(::chown(log.c_str(), 65534, 65534), 0);
    RunTallyvol(arguments, environment);
    EXPECT_EQ(ReadFile(log), "theirs\n");
    ::unlink(log.c_str());
    arguments[0] = "/DIR=" + r.tree + "/" + payload; // the log names the directory it scans
    RunTallyvol(arguments, environment);
    std::string written = ReadFile(log);
    EXPECT_NE(written.find("x\\n* * * * * root touch /tmp/owned"), std::string::npos) << written;
    EXPECT_EQ(written.find("\n* * * * *"), std::string::npos) << written;
}

// Directories the scan cannot read count as far as they were read, directories whose path is
// too long for the store get no row: both are counted and named on standard error (the first
// few) and in the log (all).
TEST(UnattendedFaults, WhatTheScanCouldNotCountOrStoreIsSaid) {
    if (!isRoot()) {
        GTEST_SKIP() << "a directory unreadable to the scan needs the scan to run as another user";
    }
    RunWorld r;
    MakeDirectories(r.tree + "/locked/inside");
    ASSERT_EQ(::chmod((r.tree + "/locked").c_str(), 0700), 0);
    std::string deep = r.tree;
    for (int level = 0; level < 60; ++level) {
        deep += "/level";
    }
    MakeDirectories(deep);
    std::string everything = r.env.Root();
    RunProcess("/bin/chown", {"-R", "65534:65534", everything});
    RunProcess("/bin/chown", {"-R", "0:0", r.tree + "/locked"});
    ProcessResult result = RunProcess("/usr/bin/setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                                           TALLYVOL_BINARY, "/DIR=" + r.tree, "/SCAN", "/SAVESUBDIRS"},
                                      r.environment());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("1 directory could not be read"), std::string::npos) << result.err;
    // Stored paths are //HOST plus the path: of the 60 levels, those beyond 254 characters.
    EXPECT_NE(result.err.find("with a path too long to store"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("first: " + r.tree + "/level/"), std::string::npos) << result.err;
    std::string log = ReadFile(r.env.LogFile());
    EXPECT_NE(log.find(r.tree + "/locked could not be read (Permission denied)"), std::string::npos) << log;
    EXPECT_NE(log.find(deep + " has a path too long to store"), std::string::npos) << log;
}
