/*
 * File systems made for a test: a small tmpfs (to fill a disk for real) or a read-only one
 * (read-only even for root, unlike file permissions). The mount lives in a mount namespace of
 * its own, so nothing is left mounted on the machine whatever happens to the test. Call only in
 * a child process made for it (a death-test statement): the namespace is the calling
 * process's.
 */
#ifndef TALLYVOL_TESTS_SUPPORT_PRIVATEMOUNT_H
#define TALLYVOL_TESTS_SUPPORT_PRIVATEMOUNT_H

#include <cstddef>
#include <string>

namespace testsupport {

// Whether this machine lets a test process mount (root with mount namespaces); asked in a
// throw-away child process.
bool PrivateMountsAvailable();

// Enters a private mount namespace (once) and mounts a tmpfs of `bytes` at `directory`.
// False with the reason in *error.
bool MountPrivateTmpfs(const std::string& directory, std::size_t bytes, std::string* error);
// Makes the tmpfs at `directory` read-only.
bool RemountReadOnly(const std::string& directory, std::string* error);

} // namespace testsupport

#endif
