/*
 * Directory paths as the user types them, as the store keeps them, and the way between the two.
 *
 * Stored form: "//HOST/absolute/path" for a local directory (HOST as gethostname returns it;
 * the root directory is "//HOST"), "//server/rest" for a directory on a network mount (the
 * mount's source plus the path below the mount point). No trailing "/"; case is kept, since
 * Linux file systems tell "Data" from "DATA". Bytes that are not UTF-8 are kept as characters
 * of their own (NameBytes.h), so every stored path is UTF-8 and leads back to its directory.
 *
 * Every public operation catches all exceptions, writes "** Exception in <operation>\n" to the
 * debug log and returns the path it was given. Any thread; the universal-name cache is shared
 * by the process and guarded.
 */
#ifndef TALLYVOL_SCAN_FS_STOREDPATH_H
#define TALLYVOL_SCAN_FS_STOREDPATH_H

#include "scan/fs/MountTable.h"

#include <string>
#include <string_view>

namespace scan {

// Absolute against the current directory, a leading "~" or "~user" expanded, repeated "/",
// "." components and a trailing "/" removed. Symbolic links and ".." are left as they are
// (resolving them would change which directory a path names). Empty text stays empty.
std::string NormalizePath(std::string_view text);

// The directory one level up, for the window's Back button; the root stays the root.
std::string ParentDirectory(std::string_view path);

// A path below a network mount as "//server/rest"; any other path unchanged. With useCache the
// mount table is read once per process and kept (the tree preparation and the old-store
// upgrade convert many paths); without it the current table is read.
std::string GetUniversalName(const std::string& path, bool useCache);

// The stored form of a local path; a "//..." path is taken as stored already.
std::string MakeStoredPath(const std::string& path, bool useCache);

// The stored form of a directory below a walk's root, from the root's stored and local forms:
// the walk names every directory by its local path, and converting each one on its own would
// read the mount table once per directory.
std::string StoredPathBelow(const std::string& storedRoot, const std::string& localRoot,
                            const std::string& localPath);

// Back from the stored form: "//HOST/..." of this host gives "/...", "//server/..." of a mounted
// network source gives the mount point plus the rest; anything else is returned unchanged.
std::string LocalPathFromStored(const std::string& storedPath);

// An old store's path that starts with a drive letter ("C:\DATA\X") in the stored form of the
// upgrade: "//HOST/C:/DATA/X". Drive letters mean nothing here, so the letter stays as a path
// component of this host: no two old trees merge and no row keeps its drive-letter form (which
// would have the upgrade ask again at every start). Other paths get MakeStoredPath.
std::string ConvertDriveLetterPath(const std::string& oldPath);

// The same conversions against a given mount table and host name (what the operations above
// do with the machine's own).
std::string UniversalNameFromTable(const std::string& path, const MountTable& table);
std::string LocalPathFromStoredWith(const std::string& storedPath, const MountTable& table,
                                    const std::string& host);

// Forgets the cached mount table (tests).
void ClearUniversalNameCache();

} // namespace scan

#endif
