// What the main dialog object does for its window without one: the update state of the title,
// the subdirectory a row leads to, the name column's stored width and the settings at close.
#include "app/CTallyvol32Dlg.h"
#include "app/base/Settings.h"
#include "tests/support/IsolatedEnvironment.h"

#include <gtest/gtest.h>

using namespace app;

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
