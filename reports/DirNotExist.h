/*
 * The question the scanner asks before it scans a root directory that does not exist, with its
 * "Don't ask again" choice kept in the per-user setting DontAskNonExistantDir. Main thread.
 */
#ifndef TALLYVOL_REPORTS_DIRNOTEXIST_H
#define TALLYVOL_REPORTS_DIRNOTEXIST_H

#include <string>

namespace reports {

// True to scan anyway: at once when the user chose not to be asked again, else the answer.
bool ConfirmScanOfMissingDirectory(const std::string& path);

} // namespace reports

#endif
