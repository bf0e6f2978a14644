/*
 * The accounts whose crontabs may hold the system's tasks, for root's alert list and its "Run
 * as" choice: a task that root moved into another account's crontab must still be listed.
 * Root learns which accounts have a crontab from the names in cron's spool directory (reading
 * the names only; the crontabs themselves are read through the crontab program); where that
 * directory cannot be read, every account of the user database counts. Any thread.
 */
#ifndef TALLYVOL_PLATFORM_TASKSCHEDULER_CRONTABACCOUNTS_H
#define TALLYVOL_PLATFORM_TASKSCHEDULER_CRONTABACCOUNTS_H

#include <string>
#include <vector>

namespace platform::taskscheduler {

// Where Debian's cron keeps one crontab per account, named after it.
inline constexpr const char* kCronSpoolDirectory = "/var/spool/cron/crontabs";

// The name of the account this process runs as (its effective user); empty when the user
// database does not know it.
std::string CurrentAccountName();

// Whether this process may use other accounts' crontabs.
bool MayUseOtherCrontabs();

// The accounts other than the caller's own whose crontabs root reads for its alert list: the
// known accounts named in `spoolDirectory`, or every account of the user database when that
// directory cannot be read; sorted, without duplicates. Empty for any other caller.
std::vector<std::string> OtherCrontabAccounts(const std::string& spoolDirectory = kCronSpoolDirectory);

// The accounts offered under "Run as": the caller's own first, then, sorted, the accounts of
// people (uid 1000 to 60000) and the other accounts that hold a crontab. Any other account can
// be named too.
std::vector<std::string> RunAsAccounts();

} // namespace platform::taskscheduler

#endif
