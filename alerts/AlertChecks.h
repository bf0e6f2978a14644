/*
 * The threshold checks of an automated run and the sending of their alerts. Each check reads
 * its threshold from the main dialog's command-line values, works on the stored scans or on
 * the volume's free space, and calls the alert sender once per alert it finds:
 *  - AlertSizeCheck: a subdirectory grew by more than an amount since the previous stored scan;
 *  - AlertPercentCheck: a subdirectory grew by more than a percentage;
 *  - FreeAlertCheck: the volume's free space is below an amount;
 *  - MaxSizeCheck: the directory (the sum of its rows in the newest scan) exceeds a limit;
 *  - FreePercentAlertCheck: the volume's free space is below a percentage.
 * The e-mails of the two growth checks also list the largest growers below the alerted
 * directory after the message (GrowthMailText.h); every other means delivers the message alone.
 * Every comparison is strict, in signed 64-bit arithmetic. The checks keep no state; a check
 * whose data cannot be read sends nothing, and an exception inside a check is logged and ends
 * only that check.
 *
 * The main dialog (CTallyvol32Dlg) owns the values and the scan engine; it passes its loader
 * (CScanInfo::LoadScans), its free-space query (FENGetFreeSpace) and its SendAlert in. Main
 * thread, during the automated run.
 */
#ifndef TALLYVOL_ALERTS_ALERTCHECKS_H
#define TALLYVOL_ALERTS_ALERTCHECKS_H

#include "alerts/DeliverAlert.h"
#include "alerts/Notification.h"
#include "scan/DisplayData.h"
#include "scan/GrowthReport.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace alerts {

// Loads up to maxScans of the newest stored scans of the directory (view 0: its
// subdirectories) into data; false when nothing could be loaded.
using ScanLoader = std::function<bool(const std::string& path, int view, scan::DisplayData& data, int maxScans)>;
// The volume of the path: free bytes in all, free bytes for the caller, size in bytes.
using FreeSpaceQuery = std::function<bool(const std::string& path, std::uint64_t* totalFree,
                                          std::uint64_t* freeToCaller, std::uint64_t* totalBytes)>;
// Sends one alert: the directory it concerns, its text, the size it reports and what its
// e-mails add to the text.
using AlertSender = std::function<void(const std::string& directory, const std::string& message, std::int64_t size,
                                       const MailAppendix& mailAppendix)>;
// The growth report below a directory (LoadGrowthReport through the main dialog's engine).
using GrowthLoader = std::function<scan::GrowthReport(const std::string& path, const scan::GrowthRequest& request)>;

struct AlertCheckContext {
    std::string directory; // the scan directory
    int units = 2;         // display units of the sizes in messages (PreferredUnits)
    ScanLoader loadScans;
    FreeSpaceQuery getFreeSpace;
    AlertSender sendAlert;
    // For the growth checks' e-mails: the largest growers below the alerted directory are
    // listed after the message (empty: nothing is added).
    GrowthLoader loadGrowth;
};

bool AlertSizeCheck(const AlertCheckContext& context, std::int64_t threshold);
bool AlertPercentCheck(const AlertCheckContext& context, int percent);
bool FreeAlertCheck(const AlertCheckContext& context, std::int64_t threshold);
bool MaxSizeCheck(const AlertCheckContext& context, std::int64_t limit);
bool FreePercentAlertCheck(const AlertCheckContext& context, int percent);

// The profiles an alert goes to: with a profile list ("/PID=", identifiers separated by commas,
// empty pieces skipped, each read by its leading digits) the stored profiles in list order,
// else the dialog's default notification alone.
std::vector<Notification> AlertProfiles(const std::string& profileList, const Notification& defaultNotification);

using AlertDelivery = std::function<void(const Notification& profile, const std::string& directory,
                                         const std::string& message, std::int64_t size)>;

// Delivers the alert through every profile of AlertProfiles, in order.
void SendAlert(const std::string& profileList, const Notification& defaultNotification, const std::string& directory,
               const std::string& message, std::int64_t size, const MailAppendix& mailAppendix = {});
// The same with another delivery (tests).
void SendAlert(const std::string& profileList, const Notification& defaultNotification, const std::string& directory,
               const std::string& message, std::int64_t size, const AlertDelivery& deliver);

} // namespace alerts

#endif
