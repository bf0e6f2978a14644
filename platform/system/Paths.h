/*
 * Where the program's files live. The program directory of the original design is split in
 * two on this platform: read-only data (scripts, the empty store template) sits beside the
 * executable in a build tree and under <prefix>/share/tallyvol once installed; written data
 * (notification profiles, the default store, the machine-wide settings) lives in the
 * program's home, $TALLYVOL_HOME. Safe to call from any thread.
 */
#ifndef TALLYVOL_PLATFORM_SYSTEM_PATHS_H
#define TALLYVOL_PLATFORM_SYSTEM_PATHS_H

#include <string>

namespace platform::system {

// Full path of the running executable (/proc/self/exe), empty when it cannot be read.
std::string ProgramPath();

// Directory of the running executable, without a trailing "/".
std::string ProgramDirectory();

// Directory of the read-only data files: $TALLYVOL_DATA_DIR when set, else the executable's
// directory when it holds them (a build tree), else the installed data directory.
std::string DataDirectory();

// $TALLYVOL_HOME; default /var/lib/tallyvol for root, else ${XDG_DATA_HOME:-~/.local/share}/tallyvol.
std::string TallyvolHome();

// ${XDG_CONFIG_HOME:-~/.config}/tallyvol: the per-user settings directory.
std::string UserConfigDirectory();

// $TMPDIR or /tmp, ending with "/".
std::string TempDirectory();

// The user's home directory ($HOME, else the password database).
std::string HomeDirectory();

// True when the path names a directory (symbolic links followed).
bool IsDirectory(const std::string& path);

// Creates the directory and every missing ancestor; true when it exists afterwards.
bool CreateDirectories(const std::string& path, unsigned mode = 0755);

} // namespace platform::system

#endif
