/*
 * The mounted file systems as /proc/self/mountinfo lists them, and what the scanner needs to
 * know about them: which mount holds a path, which mounts are network file systems (their
 * source names the tree in the stored path form) and which are pseudo file systems that a
 * scan never enters. A table is a snapshot; any thread may read one.
 */
#ifndef TALLYVOL_SCAN_FS_MOUNTTABLE_H
#define TALLYVOL_SCAN_FS_MOUNTTABLE_H

#include <sys/types.h>

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace scan {

struct MountEntry {
    std::string mountPoint;     // absolute, as the kernel reports it (symbolic links resolved)
    std::string fileSystemType; // "ext4", "nfs4", "fuse.sshfs", ...
    std::string source;         // "//srv/share", "srv:/export", "/dev/sda1", ...
    dev_t device = 0;           // the st_dev of files on this mount
    std::string superOptions;   // the file system's options, comma-separated ("rw,compress=zstd:3")
};

// nfs, nfs4, cifs, smb3, smbfs, fuse.sshfs, ceph, glusterfs, 9p, afs.
bool IsNetworkFileSystem(std::string_view fileSystemType);
// proc, sysfs, devtmpfs, devpts, cgroup, cgroup2, debugfs, tracefs, securityfs, bpf, pstore,
// configfs, fusectl, mqueue, hugetlbfs, binfmt_misc, efivarfs, autofs.
bool IsPseudoFileSystem(std::string_view fileSystemType);

// A network mount's source in the "//server/path" form: CIFS "//srv/share" stays (backslashes
// become "/"), "srv:/export" (NFS, GlusterFS, Ceph, sshfs) gives "//srv/export", "host:dir"
// gives "//host/dir", a source without a server part (9p tag, AFS cell) gives "//source".
std::string UniversalSource(std::string_view source);

// Whether path is ancestor or lies below it (whole components: /a is not above /ab).
bool IsSameOrBelow(std::string_view path, std::string_view ancestor);

class MountTable {
public:
    // Lines that do not parse are ignored.
    static MountTable Parse(std::string_view mountinfoText);
    // Reads /proc/self/mountinfo; false (error set to errno) when it cannot be read.
    static bool ReadCurrent(MountTable& table, int& error);

    const std::vector<MountEntry>& Entries() const { return m_entries; }

    // The mount that holds the absolute path: the longest mount point at or above it, the
    // later-listed one (mounted on top) when two are equal. Null when none is.
    const MountEntry* MountHolding(std::string_view path) const;
    // The network mount whose universal source is at or above the "//server/..." path,
    // the longest such source winning. Null when none is.
    const MountEntry* NetworkMountFor(std::string_view universalPath) const;

private:
    std::vector<MountEntry> m_entries;
};

// The pseudo-file-system mounts of a table, arranged for quick questions during a walk: a
// directory can only be such a mount point when its name is the last component of one, and it
// is one when its device is a pseudo file system's.
class PseudoMounts {
public:
    PseudoMounts() = default;
    explicit PseudoMounts(const MountTable& table);

    bool MayBeMountPointName(const std::string& name) const { return m_names.count(name) != 0; }
    // The file-system type of a pseudo mount with this device, or null.
    const std::string* TypeOfDevice(dev_t device) const;
    bool Empty() const { return m_devices.empty(); }

private:
    std::unordered_set<std::string> m_names;
    std::unordered_map<dev_t, std::string> m_devices;
};

} // namespace scan

#endif
