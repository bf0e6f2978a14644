/*
 * Watching what a test's own process started: its children that have ended but were never
 * collected (zombies), and files that a started program writes when it runs.
 */
#ifndef TALLYVOL_TESTS_SUPPORT_PROCESSWATCH_H
#define TALLYVOL_TESTS_SUPPORT_PROCESSWATCH_H

#include <string>
#include <vector>

namespace testsupport {

// Process identifiers of this process's children that are zombies right now.
std::vector<int> ZombieChildren();

// Waits up to `seconds` until no child is a zombie; true when none is left.
bool WaitUntilNoZombies(double seconds);

// Waits up to `seconds` until the file exists and its content ends with `terminator` (a
// writer's last line); true when it does.
bool WaitForFile(const std::string& path, double seconds, const std::string& terminator = "");

} // namespace testsupport

#endif
