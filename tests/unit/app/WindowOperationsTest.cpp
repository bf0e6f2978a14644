// What the main dialog object does for its window without one: the update state of the title,
// the subdirectory a row leads to, the name column's stored width and the settings at close.
#include "app/CTallyvol32Dlg.h"
#include "app/UpdateState.h"
#include "app/base/Settings.h"
#include "tests/support/IsolatedEnvironment.h"

#include <gtest/gtest.h>

using namespace app;

TEST(UpdateState, LatestAgainstOwnVersion) {
    struct Case {
        int latest[3];
        int own[3];
        int state;
    };
    const Case cases[] = {
        {{3, 2, 0}, {3, 1, 9}, kNewerVersion},  {{3, 1, 10}, {3, 1, 9}, kMinorUpdate},
        {{2, 9, 9}, {3, 1, 0}, kNoUpdate},      {{0, 0, 0}, {3, 1, 0}, kUpdateUnknown},
        {{4, 0, 0}, {3, 9, 9}, kNewerVersion},  {{3, 1, 9}, {3, 1, 9}, kNoUpdate},
        {{0, 0, 5}, {3, 1, 0}, kNoUpdate},      {{3, 0, 99}, {3, 1, 0}, kNoUpdate},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UpdateStateOf(c.latest[0], c.latest[1], c.latest[2], c.own[0], c.own[1], c.own[2]), c.state)
            << c.latest[0] << "." << c.latest[1] << "." << c.latest[2];
    }
}

TEST(WindowOperations, TheTitleCarriesTheStoredUpdateState) {
    testsupport::IsolatedEnvironment env;
    CTallyvol32Dlg dialog;
    EXPECT_EQ(dialog.WindowTitle(), "Tallyvol 3.2");
    SetSetting(settings::LatestMinor, 3);
    EXPECT_EQ(dialog.WindowTitle(), "Tallyvol 3.2 - [ Update Available ]");
    SetSetting(settings::LatestMajor, 0);
    SetSetting(settings::LatestMinor, 0);
    SetSetting(settings::LatestBuild, 0);
    EXPECT_EQ(dialog.WindowTitle(), "Tallyvol 3.2"); // unknown adds nothing
}

TEST(WindowOperations, RowsLeadBelowTheLoadedDirectory) {
    testsupport::IsolatedEnvironment env;
    CTallyvol32Dlg dialog;
    dialog.m_loadedDirectory = "/srv/data";
    EXPECT_EQ(dialog.DirectoryBelowLoaded("sub"), "/srv/data/sub");
    dialog.m_loadedDirectory = "/";
    EXPECT_EQ(dialog.DirectoryBelowLoaded("srv"), "/srv");
    dialog.m_loadedDirectory = "/srv/data/";
    EXPECT_EQ(dialog.DirectoryBelowLoaded("a b"), "/srv/data/a b");
    EXPECT_TRUE(CTallyvol32Dlg::IsSummaryRowName("[Total Free]"));
    EXPECT_TRUE(CTallyvol32Dlg::IsSummaryRowName("[Total Used]"));
    EXPECT_FALSE(CTallyvol32Dlg::IsSummaryRowName("*** Totals ***"));
}

TEST(WindowOperations, BackGoesUpAndStaysAtTheRoot) {
    testsupport::IsolatedEnvironment env;
    CTallyvol32Dlg dialog;
    for (auto [loaded, parent] : {std::pair<const char*, const char*>{"/data/sub", "/data"}, {"/data", "/"}, {"/", "/"}}) {
        dialog.m_loadedDirectory = loaded;
        dialog.OnBack();
        EXPECT_EQ(dialog.m_directory, parent) << loaded;
    }
}

TEST(WindowOperations, SettingsAtCloseAndTheStoredNameWidth) {
    testsupport::IsolatedEnvironment env;
    CTallyvol32Dlg dialog;
    EXPECT_EQ(CTallyvol32Dlg::StoredNameColumnWidth(), 170);
    dialog.m_sortMethod = 3;
    dialog.m_units = 5;
    dialog.m_automatedAutoDeleteDays = 12;
    dialog.SaveDisplaySettings(320);
    EXPECT_EQ(GetSetting(settings::DirNameWidth), 320);
    EXPECT_EQ(GetSetting(settings::PreferredSortMethod), 3);
    EXPECT_EQ(GetSetting(settings::PreferredUnits), 5);
    EXPECT_EQ(GetSetting(settings::AutomatedAutoDeleteDays), 12);
    EXPECT_EQ(CTallyvol32Dlg::StoredNameColumnWidth(), 320);
    dialog.SaveDisplaySettings(20);
    EXPECT_EQ(GetSetting(settings::DirNameWidth), 100);
    SetSetting(settings::DirNameWidth, 500);
    EXPECT_EQ(CTallyvol32Dlg::StoredNameColumnWidth(), 500);
    SetSetting(settings::DirNameWidth, 501);
    EXPECT_EQ(CTallyvol32Dlg::StoredNameColumnWidth(), 170);
}
