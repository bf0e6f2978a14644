/*
 * A realistic store for window tests and screenshots: a home-like tree of folders and files of
 * several kinds, scanned three times through the main window with the tree growing in between,
 * the scans dated a week apart. GUI thread.
 */
#ifndef TALLYVOL_TESTS_UI_SUPPORT_SAMPLESTORE_H
#define TALLYVOL_TESTS_UI_SUPPORT_SAMPLESTORE_H

#include <string>

namespace app::ui {
class MainWindow;
}

namespace uitest {

// Writes the tree's first state under `root`.
void MakeSampleTree(const std::string& root);
// Grows and shrinks some folders of the tree (`round` 1 or 2).
void ChangeSampleTree(const std::string& root, int round);
// Scans `root` three times through the window (changing the tree between scans) and dates the
// scans a week apart, newest now. The window shows `root` afterwards.
void ScanSampleTreeThreeTimes(app::ui::MainWindow& window, const std::string& root);
// Scans `root` (made by MakeSampleTree) `scans` times through the window, a month apart and
// the newest now, the tree changing between scans as a year of a home directory does: backups
// and photos pile up, a download comes and goes, two videos arrive, documents are tidied. The
// window shows `root` afterwards.
void ScanSampleTreeMonthly(app::ui::MainWindow& window, const std::string& root, int scans);
// Sets the date of a stored scan ("YYYY-MM-DD HH:MM:SS").
void SetScanDate(app::ui::MainWindow& window, int scanID, const std::string& date);
// Types the directory into the window's box and loads it at once.
void ShowDirectory(app::ui::MainWindow& window, const std::string& directory);

} // namespace uitest

#endif
