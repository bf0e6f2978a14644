#include "alerts/AlertChecks.h"

#include "alerts/DeliverAlert.h"
#include "alerts/GrowthMailText.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/FormatBytes.h"
#include "platform/system/StringPrintf.h"

#include <cstdarg>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>

namespace alerts {

namespace {

using platform::system::StringPrintf;

constexpr int kDirectoryView = 0;


std::int64_t asSigned(std::uint64_t value) {
    return static_cast<std::int64_t>(value); // sizes beyond 2^63 bytes wrap, as in the store
}

// Wide intermediate results keep (size x 100) exact; the quotient is brought back to 64 bits.
std::int64_t clampToInt64(__int128 value) {
    if (value > std::numeric_limits<std::int64_t>::max()) return std::numeric_limits<std::int64_t>::max();
    if (value < std::numeric_limits<std::int64_t>::min()) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

// The row's value in the first and second loaded scan (newest first) that hold one.
struct RowValues {
    std::optional<std::int64_t> current;
    std::optional<std::int64_t> previous;
};

RowValues rowValues(const scan::DisplayData& data, std::uint32_t rowID) {
    RowValues values;
    for (const scan::LoadedScan& loaded : data.scans) {
        std::optional<std::uint64_t> value = data.Value(rowID, loaded.scanID);
        if (!value) continue;
        if (!values.current) {
            values.current = asSigned(*value);
        } else {
            values.previous = asSigned(*value);
            break;
        }
    }
    return values;
}

// Runs one check at its own boundary: an exception ends only this check. True when the check
// could read what it compares (whether or not it alerted).
template <typename Body> bool guarded(const char* name, Body body) {
    try {
        return body();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in %s\n", name);
    }
    return false;
}

// How many growers an alert's e-mail lists.
constexpr std::size_t kGrowersInMail = 10;

// The list of growers below the alerted directory, made on the first e-mail that needs it and
// kept for the alert's other e-mails.
MailAppendix growersBelow(const AlertCheckContext& context, const std::string& directory) {
    if (!context.loadGrowth) {
        return {};
    }
    auto made = std::make_shared<std::optional<std::string>>();
    return [load = context.loadGrowth, units = context.units, directory, made]() {
        if (!*made) {
            scan::GrowthRequest request;
            request.top = kGrowersInMail;
            request.includeRoot = false;
            request.growthOnly = true;
            *made = GrowthMailText(load(directory, request), units);
        }
        return **made;
    };
}

std::string bytes(const AlertCheckContext& context, std::int64_t value) {
    return app::FormatBytes(value, true, context.units);
}

} // namespace

bool AlertSizeCheck(const AlertCheckContext& context, std::int64_t threshold) {
    return guarded("AlertSizeCheck", [&] {
        TV_DEBUG_LOG("Doing AlertSizeCheck with dir=%s, trigger=%lld", context.directory.c_str(),
                     static_cast<long long>(threshold));
        scan::DisplayData data;
        if (!context.loadScans(context.directory, kDirectoryView, data, 2)) return false;
        for (const scan::DisplayRow& row : data.rows) {
            RowValues values = rowValues(data, row.id);
            if (!values.current || !values.previous) continue;
            std::int64_t growth = clampToInt64(static_cast<__int128>(*values.current) - *values.previous);
            if (growth > threshold) {
                std::string message = StringPrintf(
                    "The disk space taken up by %s increased by more than %s since the last saved scan.  (Current size: %s)",
                    row.name.c_str(), bytes(context, threshold).c_str(), bytes(context, *values.current).c_str());
                context.sendAlert(row.name, message, *values.current, growersBelow(context, row.name));
            }
        }
        return true;
    });
}

bool AlertPercentCheck(const AlertCheckContext& context, int percent) {
    return guarded("AlertPercentCheck", [&] {
        TV_DEBUG_LOG("Doing AlertPercentCheck with dir=%s, trigger=%d", context.directory.c_str(), percent);
        scan::DisplayData data;
        if (!context.loadScans(context.directory, kDirectoryView, data, 2)) return false;
        for (const scan::DisplayRow& row : data.rows) {
            RowValues values = rowValues(data, row.id);
            if (!values.current || !values.previous) continue;
            std::int64_t current = *values.current;
            std::int64_t previous = *values.previous == 0 ? 1 : *values.previous;
            std::int64_t increase = 0;
            if (current > previous) {
                increase = clampToInt64(static_cast<__int128>(current) * 100 / previous - 100);
            }
            if (increase > percent) {
                std::string message = StringPrintf("The disk space taken up by %s increased by more than %d%% since the last "
                                             "saved scan (increase=%d%%).  (Current size: %s)",
                                             row.name.c_str(), percent, static_cast<int>(increase),
                                             bytes(context, current).c_str());
                context.sendAlert(row.name, message, current, growersBelow(context, row.name));
            }
        }
        return true;
    });
}

bool FreeAlertCheck(const AlertCheckContext& context, std::int64_t threshold) {
    return guarded("FreeAlertCheck", [&] {
        std::uint64_t totalFree = 0, freeToCaller = 0, totalBytes = 0;
        if (!context.getFreeSpace(context.directory, &totalFree, &freeToCaller, &totalBytes)) {
            TV_DEBUG_LOG("Failed to FENGetFreeSpace for %s", context.directory.c_str());
            return false;
        }
        TV_DEBUG_LOG("Doing FreeAlertCheck for %s", context.directory.c_str());
        std::int64_t free = asSigned(totalFree);
        if (free < threshold) {
            std::string message = StringPrintf("Free disk space on %s has dropped below %s (Current free space: %s)",
                                         context.directory.c_str(), bytes(context, threshold).c_str(),
                                         bytes(context, free).c_str());
            context.sendAlert(context.directory, message, free, {});
        }
        return true;
    });
}

bool MaxSizeCheck(const AlertCheckContext& context, std::int64_t limit) {
    return guarded("MaxSizeCheck", [&] {
        TV_DEBUG_LOG("Doing MaxSizeCheck with dir=%s, trigger=%lld", context.directory.c_str(),
                     static_cast<long long>(limit));
        scan::DisplayData data;
        if (!context.loadScans(context.directory, kDirectoryView, data, 1)) return false;
        std::uint64_t sum = 0;
        data.ForEachValue([&sum](std::uint32_t, std::uint32_t, std::uint64_t value) { sum += value; });
        std::int64_t total = asSigned(sum);
        if (total > limit) {
            std::string message = StringPrintf("The disk space taken up by %s has grown beyond the limit of %s (current size: %s)",
                                         context.directory.c_str(), bytes(context, limit).c_str(),
                                         bytes(context, total).c_str());
            context.sendAlert(context.directory, message, total, {});
        }
        return true;
    });
}

bool FreePercentAlertCheck(const AlertCheckContext& context, int percent) {
    return guarded("FreePercentAlertCheck", [&] {
        TV_DEBUG_LOG("Doing FreePercentAlertCheck with dir=%s, trigger=%d", context.directory.c_str(), percent);
        std::uint64_t totalFree = 0, freeToCaller = 0, totalBytes = 0;
        if (!context.getFreeSpace(context.directory, &totalFree, &freeToCaller, &totalBytes)) {
            TV_DEBUG_LOG("Failed to FENGetFreeSpace for %s", context.directory.c_str());
            return false;
        }
        TV_DEBUG_LOG("Doing FreePercentAlertCheck for %s", context.directory.c_str());
        std::int64_t free = asSigned(totalFree);
        int freePercent = 0;
        if (totalBytes != 0) {
            freePercent = static_cast<int>(clampToInt64(static_cast<__int128>(free) * 100 / asSigned(totalBytes)));
        }
        if (freePercent < percent) {
            std::string message = StringPrintf("Free disk space on %s has dropped to %d%% (below the %d%% alert threshold).  "
                                         "Current free space: %s",
                                         context.directory.c_str(), freePercent, percent, bytes(context, free).c_str());
            context.sendAlert(context.directory, message, free, {});
        }
        return true;
    });
}

std::vector<Notification> AlertProfiles(const std::string& profileList, const Notification& defaultNotification) {
    std::vector<Notification> profiles;
    if (profileList.empty()) {
        profiles.push_back(defaultNotification);
        return profiles;
    }
    std::size_t start = 0;
    while (start <= profileList.size()) {
        std::size_t end = profileList.find(',', start);
        if (end == std::string::npos) end = profileList.size();
        if (end > start) {
            long long id = 0;
            for (std::size_t i = start; i < end && profileList[i] >= '0' && profileList[i] <= '9'; ++i) {
                id = std::min<long long>(id * 10 + (profileList[i] - '0'), std::numeric_limits<int>::max());
            }
            profiles.emplace_back(static_cast<int>(id));
        }
        start = end + 1;
    }
    return profiles;
}

void SendAlert(const std::string& profileList, const Notification& defaultNotification, const std::string& directory,
               const std::string& message, std::int64_t size, const AlertDelivery& deliver) {
    for (const Notification& profile : AlertProfiles(profileList, defaultNotification)) {
        deliver(profile, directory, message, size);
    }
}

void SendAlert(const std::string& profileList, const Notification& defaultNotification, const std::string& directory,
               const std::string& message, std::int64_t size, const MailAppendix& mailAppendix) {
    for (const Notification& profile : AlertProfiles(profileList, defaultNotification)) {
        DeliverAlert(profile, directory, message, size, mailAppendix);
    }
}

} // namespace alerts
