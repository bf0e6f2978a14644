#include "alerts/AlertMail.h"

#include "app/base/Settings.h"
#include "platform/system/StringPrintf.h"
#include "brand/Brand.h"
#include "platform/system/SystemInfo.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace alerts {

namespace {

std::vector<std::string> splitSkippingEmpty(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

} // namespace

std::string AlertMailSubject() {
    return std::string(ProductName3218) + " Alert from " + platform::system::ComputerName();
}

std::string FormatMailDate(const std::tm& local, long utcOffsetSeconds) {
    // The header's names are English whatever the locale.
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    long offsetMinutes = utcOffsetSeconds / 60;
    char sign = offsetMinutes < 0 ? '-' : '+';
    long absolute = std::labs(offsetMinutes);
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%s, %d %s %d %02d:%02d:%02d %c%02ld%02ld", kDays[(local.tm_wday % 7 + 7) % 7],
                  local.tm_mday, kMonths[(local.tm_mon % 12 + 12) % 12], local.tm_year + 1900, local.tm_hour,
                  local.tm_min, local.tm_sec, sign, absolute / 60, absolute % 60);
    return buffer;
}

std::string FormatMailDate(std::time_t when) {
    std::tm local {};
    if (::localtime_r(&when, &local) == nullptr) {
        ::gmtime_r(&when, &local); // no zone known: UTC, offset 0
        return FormatMailDate(local, 0);
    }
    return FormatMailDate(local, local.tm_gmtoff);
}

std::string MailFailureReason(const char* pattern, const std::string& lastError) {
    return platform::system::StringPrintf(pattern, lastError.c_str());
}

AlertMail ComposeAlertMail(const Notification& profile, const std::string& message) {
    AlertMail mail;
    std::vector<std::string> addresses = splitSkippingEmpty(profile.Str1, '|');
    if (!addresses.empty()) {
        mail.to = addresses[0];
        mail.from = addresses.size() > 1 ? addresses[1] : addresses[0];
    }
    mail.subject = AlertMailSubject();
    mail.body = message;
    mail.remoteHost = profile.Str2;
    // A relay on another port than 25 (a submission port, a local relay) is named "host:port".
    std::size_t colon = profile.Str2.rfind(':');
    if (colon != std::string::npos && colon > 0 && colon + 1 < profile.Str2.size() &&
        profile.Str2.find_first_not_of("0123456789", colon + 1) == std::string::npos &&
        profile.Str2.size() - colon - 1 <= 5) {
        unsigned long port = std::stoul(profile.Str2.substr(colon + 1));
        if (port > 0 && port <= 65535) {
            mail.remoteHost = profile.Str2.substr(0, colon);
            mail.remotePort = static_cast<unsigned short>(port);
        }
    }
    mail.date = FormatMailDate(std::time(nullptr));
    mail.waitSeconds = app::GetSetting(app::settings::SMTPTimeoutSeconds);
    return mail;
}

} // namespace alerts
