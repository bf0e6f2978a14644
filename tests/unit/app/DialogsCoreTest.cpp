// The silenceable warning and the progress window's throttling, driven through a scripted UI.
#include "app/ProgressDlg.h"
#include "app/base/Settings.h"
#include "app/base/SmartWarning.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ScriptedUserInterface.h"

#include <gtest/gtest.h>

using namespace app;
using testsupport::IsolatedEnvironment;
using testsupport::ScriptedUserInterface;

TEST(SmartWarning, ASilencedWarningReturnsZeroWithoutShowing) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    ui.smartWarningDontShow = {true};
    ui.smartWarningAnswers = {platform::ui::IDOK};
    EXPECT_EQ(SmartWarning("Are you sure you want to stop the scan?", "CancelScan").DoModal(), platform::ui::IDOK);
    EXPECT_EQ(GetProfileIntEx("WarningDlg", "CancelScan", 0), 1);
    EXPECT_EQ(SmartWarning("Are you sure you want to stop the scan?", "CancelScan").DoModal(), 0);
    EXPECT_EQ(ui.smartWarnings.size(), 1u);
}

TEST(SmartWarning, CancelStillStoresTheCheckBox) {
    IsolatedEnvironment env;
    ScriptedUserInterface ui;
    ui.smartWarningAnswers = {platform::ui::IDCANCEL};
    ui.smartWarningDontShow = {false};
    EXPECT_EQ(SmartWarning("text", "SomeKey").DoModal(), platform::ui::IDCANCEL);
    EXPECT_EQ(GetProfileIntEx("WarningDlg", "SomeKey", 7), 0);
}

TEST(ProgressDlg, CountersAndEventDispatchAreThrottledToOncePerSecond) {
    ScriptedUserInterface ui;
    std::int64_t now = 5000;
    CProgressDlg progress([&now] { return now; });
    ASSERT_TRUE(progress.Create());
    EXPECT_EQ(CProgressDlg::Current(), &progress);
    progress.SetRange(11);
    EXPECT_EQ(ui.progressHigh, 11);

    for (int i = 0; i < 100; ++i) {
        progress.UpdateCounts(i, i * 10, "text");
    }
    EXPECT_EQ(ui.progressCounts.size(), 1u);
    now += 999;
    progress.UpdateCounts(5, 6, "t");
    EXPECT_EQ(ui.progressCounts.size(), 1u);
    now += 1;
    progress.UpdateCounts(5, 6, "t");
    ASSERT_EQ(ui.progressCounts.size(), 2u);
    EXPECT_EQ(ui.progressCounts[1], "5/6 t");

    int before = ui.dispatches;
    for (int i = 0; i < 3; ++i) progress.Step();
    EXPECT_EQ(progress.Position(), 3) << "the bar moves on every step";
    EXPECT_EQ(ui.progressPosition, 3);
    EXPECT_EQ(ui.dispatches, before + 1) << "events are dispatched once a second";

    progress.Destroy();
    EXPECT_EQ(CProgressDlg::Current(), nullptr);
    EXPECT_EQ(ui.progressCloses, 1);
}

TEST(ProgressDlg, CancelIsAskedOfTheWindowAtMostOncePerSecondAndSticks) {
    ScriptedUserInterface ui;
    ui.cancelAfterQueries = 1;
    std::int64_t now = 0;
    CProgressDlg progress([&now] { return now; });
    progress.Create();
    EXPECT_FALSE(progress.Cancelled());
    EXPECT_FALSE(progress.Cancelled()) << "not asked again within the second";
    EXPECT_EQ(ui.cancelQueries, 1);
    now += 1000;
    EXPECT_TRUE(progress.Cancelled());
    now += 5;
    EXPECT_TRUE(progress.Cancelled());
}
