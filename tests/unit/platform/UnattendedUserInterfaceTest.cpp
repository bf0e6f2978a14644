// The interface of automated runs: nothing waits for a person, every message is recorded, and
// an alert's box reaches the desktop through the helper program when there is a desktop.
#include "platform/ui/UnattendedUserInterface.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/ProcessWatch.h"
#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

using namespace platform::ui;
using namespace testsupport;

namespace {

constexpr unsigned kAlertFlags = MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_SERVICE_NOTIFICATION;

struct Fixture {
    IsolatedEnvironment env;
    TempDirectory dir;
    std::vector<std::string> logged;
    UnattendedUserInterface ui{[this](const std::string& line) { logged.push_back(line); }};
    std::string record = dir / "helper-args.txt";

    Fixture() {
        // A stand-in helper that records how it was called.
        std::string helper = dir / "notify helper";
        WriteFile(helper, "#!/bin/sh\nfor a in \"$@\"; do printf '<%s>\\n' \"$a\" >> \"" + record +
                              "\"; done\nprintf 'END\\n' >> \"" + record + "\"\n");
        ::chmod(helper.c_str(), 0755);
        ui.SetNotifyHelper(helper);
        env.Set("DISPLAY", "");
        env.Set("WAYLAND_DISPLAY", "");
    }
};

} // namespace

TEST(UnattendedUserInterface, WithoutADesktopAlertsAreRecordedAndAnsweredAtOnce) {
    Fixture f;
    EXPECT_EQ(f.ui.MessageBox("Free disk space on /srv has dropped", "Tallyvol Alert", kAlertFlags), IDOK);
    EXPECT_EQ(f.ui.MessageBox("Really?", "Question", MB_YESNO | MB_DEFBUTTON2), IDNO);
    ASSERT_EQ(f.logged.size(), 2u);
    EXPECT_EQ(f.logged[0], "Tallyvol Alert: Free disk space on /srv has dropped");
    usleep(300 * 1000);
    EXPECT_FALSE(FileExists(f.record)) << "no desktop, no helper";
}

TEST(UnattendedUserInterface, OnADesktopAlertBoxesGoToTheHelperWithoutWaiting) {
    Fixture f;
    f.env.Set("WAYLAND_DISPLAY", "wayland-0");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(f.ui.MessageBox("Growth on \"/srv/a b\"\r\nsecond line", "Tallyvol Alert", kAlertFlags), IDOK);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    ASSERT_TRUE(WaitForFile(f.record, 10, "END\n"));
    EXPECT_EQ(ReadFile(f.record), "<--caption>\n<Tallyvol Alert>\n<--text>\n<Growth on \"/srv/a b\"\r\nsecond line>\n"
                                  "<--icon>\n<exclamation>\nEND\n");
    ASSERT_EQ(f.logged.size(), 1u) << "the log keeps the alert even when a box shows it";
    EXPECT_TRUE(WaitUntilNoZombies(10));

    // Other boxes are questions of the program, answered by default and never shown.
    ::unlink(f.record.c_str());
    f.env.Set("DISPLAY", ":0");
    EXPECT_EQ(f.ui.MessageBox("Continue?", "Tallyvol", MB_OKCANCEL), IDOK);
    usleep(300 * 1000);
    EXPECT_FALSE(FileExists(f.record));
}

TEST(UnattendedUserInterface, AMissingHelperLeavesTheRecordedText) {
    Fixture f;
    f.env.Set("DISPLAY", ":0");
    f.ui.SetNotifyHelper(f.dir / "no-such-helper");
    EXPECT_EQ(f.ui.MessageBox("text", "Tallyvol Alert", kAlertFlags), IDOK);
    EXPECT_EQ(f.logged, std::vector<std::string>{"Tallyvol Alert: text"});
}

TEST(UnattendedUserInterface, TheHelperShowsAModalBoxAndRejectsBadArguments) {
    std::string helper = std::string(TALLYVOL_BINARY_DIR) + "/bin/tallyvol-notify";
    ASSERT_TRUE(FileExists(helper));
    ProcessResult bad = RunProcess(helper, {"--caption", "x"}, {{"QT_QPA_PLATFORM", "offscreen"}}, 20);
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("usage: tallyvol-notify"), std::string::npos);
    // On a (virtual) screen the box stays until someone closes it.
    ProcessResult shown = RunProcess(helper, {"--caption", "Tallyvol Alert", "--text", "<b>not markup</b>", "--icon",
                                              "exclamation"},
                                     {{"QT_QPA_PLATFORM", "offscreen"}}, 3);
    EXPECT_TRUE(shown.timedOut) << "exit " << shown.exitCode << ": " << shown.err;
}
