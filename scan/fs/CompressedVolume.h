/*
 * Whether the volume holding a directory compresses what it stores: the window marks its
 * cluster-size label then, since sizes on disk are smaller than the files' lengths. On this
 * platform a volume counts as compressed when its file system compresses every file written
 * to it by a mount option: btrfs mounted with compress or compress-force, f2fs with
 * compress_algorithm. Any thread.
 */
#ifndef TALLYVOL_SCAN_FS_COMPRESSEDVOLUME_H
#define TALLYVOL_SCAN_FS_COMPRESSEDVOLUME_H

#include "scan/fs/MountTable.h"

#include <string>

namespace scan {

bool IsCompressedMount(const MountEntry& mount);

// The mount holding the existing directory (symbolic links resolved) compresses; false for a
// path that does not exist or when the mount table cannot be read.
bool IsVolumeCompressed(const std::string& path);

} // namespace scan

#endif
