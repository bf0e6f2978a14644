/*
 * The volume a directory lives on: the mount point that holds it (what the window shows free
 * space for) and the volume's free space. Each operation catches every exception and writes
 * "** Exception in <operation>\n" to the debug log. Any thread.
 */
#ifndef TALLYVOL_SCAN_FS_VOLUME_H
#define TALLYVOL_SCAN_FS_VOLUME_H

#include <cstdint>
#include <string>

namespace scan {

// The mount point holding the directory (symbolic links resolved to find it). A path that does
// not exist is returned in its local form; the path unchanged when the mount table cannot be
// read or on failure.
std::string GetScanRoot(const std::string& path);

// Free space of the volume holding the path (a stored "//..." path is turned back into a local
// one first): total free bytes, bytes free to this caller and the volume's size. False, with
// the outputs untouched, when the path does not exist or cannot be queried.
bool FENGetFreeSpace(const std::string& path, std::uint64_t& totalFree, std::uint64_t& freeToCaller,
                     std::uint64_t& totalBytes);

} // namespace scan

#endif
