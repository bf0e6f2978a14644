/*
 * The recent-directories list of the directory box: the per-user settings LS0 (newest) to LS20.
 */
#ifndef TALLYVOL_APP_RECENTDIRECTORIES_H
#define TALLYVOL_APP_RECENTDIRECTORIES_H

#include <string>
#include <vector>

namespace app {

// Adds the path as the newest entry unless the list holds it already (exact comparison); the
// oldest entry falls off a full list.
void AddRecentDirectory(const std::string& path);

// The non-empty entries, LS0 first.
std::vector<std::string> RecentDirectories();

} // namespace app

#endif
