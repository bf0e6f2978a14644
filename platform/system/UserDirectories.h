/*
 * The user's well-known directories as the desktop names them (xdg-user-dirs): the file
 * ${XDG_CONFIG_HOME:-~/.config}/user-dirs.dirs, read the way the xdg-user-dir command reads
 * it, so no helper program needs to be installed. Any thread.
 */
#ifndef TALLYVOL_PLATFORM_SYSTEM_USERDIRECTORIES_H
#define TALLYVOL_PLATFORM_SYSTEM_USERDIRECTORIES_H

#include <string>

namespace platform::system {

// XDG_DOCUMENTS_DIR when it names an existing directory, else ~/Documents when that exists,
// else an empty text. Never ends with "/".
std::string DocumentsDirectory();

// The value of `name` (e.g. "XDG_DOCUMENTS_DIR") in a user-dirs.dirs text, "$HOME" expanded to
// `home`; empty when absent or not of the file's form ("$HOME/..." or an absolute path).
std::string UserDirectoryEntry(const std::string& fileText, const std::string& name,
                               const std::string& home);

} // namespace platform::system

#endif
