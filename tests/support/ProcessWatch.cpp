#include "tests/support/ProcessWatch.h"

#include "tests/support/TempDirectory.h"

#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace testsupport {

namespace {

// Fields 3 (state) and 4 (parent) of /proc/<pid>/stat; the command name before them may hold
// blanks and parentheses, so parsing starts after its last ")".
bool readStat(const std::string& pid, char* state, int* parent) {
    std::ifstream in("/proc/" + pid + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t close = text.rfind(')');
    if (close == std::string::npos) return false;
    std::istringstream fields(text.substr(close + 1));
    return static_cast<bool>(fields >> *state >> *parent);
}

bool waitFor(double seconds, const auto& condition) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (true) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace

std::vector<int> ZombieChildren() {
    std::vector<int> zombies;
    int self = static_cast<int>(::getpid());
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return zombies;
    while (dirent* entry = ::readdir(proc)) {
        std::string name = entry->d_name;
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        char state = 0;
        int parent = 0;
        if (readStat(name, &state, &parent) && parent == self && state == 'Z') {
            zombies.push_back(std::stoi(name));
        }
    }
    ::closedir(proc);
    return zombies;
}

bool WaitUntilNoZombies(double seconds) {
    return waitFor(seconds, [] { return ZombieChildren().empty(); });
}

bool WaitForFile(const std::string& path, double seconds, const std::string& terminator) {
    return waitFor(seconds, [&] {
        if (!FileExists(path)) return false;
        std::string content = ReadFile(path);
        return content.size() >= terminator.size() &&
               content.compare(content.size() - terminator.size(), terminator.size(), terminator) == 0;
    });
}

} // namespace testsupport
