// The e-mail form of an alert: addresses, subject, the program's own Date header checked
// against date(1) in several time zones, and the wait bound.
#include "alerts/AlertMail.h"
#include "app/base/Settings.h"
#include "platform/system/SystemInfo.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ProcessRunner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <regex>

using alerts::AlertMail;
using alerts::ComposeAlertMail;
using alerts::FormatMailDate;
using alerts::Notification;
using testsupport::IsolatedEnvironment;

namespace {

Notification mailProfile(const std::string& str1, const std::string& str2 = "smtp.example.com") {
    Notification profile(0);
    profile.Type = alerts::kEMail;
    profile.Str1 = str1;
    profile.Str2 = str2;
    return profile;
}

// Runs the body with TZ set, restoring the zone afterwards.
template <typename Body> void inZone(IsolatedEnvironment& env, const std::string& zone, Body body) {
    env.Set("TZ", zone);
    ::tzset();
    body();
}

// date -R for the moment in the zone, with the day of the month unpadded as the header writes it.
std::string dateR(const std::string& zone, std::time_t when) {
    testsupport::ProcessResult result =
        testsupport::RunProcess("/bin/date", {"-R", "-d", "@" + std::to_string(when)}, {{"TZ", zone}, {"LC_ALL", "C"}});
    std::string text = result.out.substr(0, result.out.find('\n'));
    if (text.size() > 5 && text[5] == '0') text.erase(5, 1);
    return text;
}

} // namespace

TEST(AlertMail, RecipientAndSenderComeFromTheFirstParameter) {
    IsolatedEnvironment env;
    AlertMail mail = ComposeAlertMail(mailProfile("ops@example.com|tallyvol@example.com"), "body text");
    EXPECT_EQ(mail.to, "ops@example.com");
    EXPECT_EQ(mail.from, "tallyvol@example.com");
    EXPECT_EQ(mail.body, "body text");
    EXPECT_EQ(mail.remoteHost, "smtp.example.com");
    EXPECT_EQ(mail.subject, "Tallyvol Alert from " + platform::system::ComputerName());

    mail = ComposeAlertMail(mailProfile("ops@example.com|"), "");
    EXPECT_EQ(mail.from, "ops@example.com") << "a trailing | leaves the recipient as sender";
    mail = ComposeAlertMail(mailProfile("||ops@example.com||me@example.com|third"), "");
    EXPECT_EQ(mail.to, "ops@example.com") << "empty pieces are skipped";
    EXPECT_EQ(mail.from, "me@example.com");
    mail = ComposeAlertMail(mailProfile("", ""), "");
    EXPECT_EQ(mail.to, "");
    EXPECT_EQ(mail.from, "");
}

TEST(AlertMail, TheWaitForTheServerIsBoundedByASetting) {
    IsolatedEnvironment env;
    EXPECT_EQ(ComposeAlertMail(mailProfile("a@b"), "").waitSeconds, 300);
    EXPECT_EQ(app::GetMachineInt("SMTPTimeoutSeconds", -1), 300) << "the default is written back where admins see it";
    app::SetSetting(app::settings::SMTPTimeoutSeconds, 45);
    EXPECT_EQ(ComposeAlertMail(mailProfile("a@b"), "").waitSeconds, 45);
}

TEST(AlertMail, DateHeadersMatchDateMinusRInEveryZone) {
    IsolatedEnvironment env;
    // Winter and summer moments; zones east and west, with half and three-quarter hours.
    const std::time_t moments[] = {1700000000, 1688000000, 946684799, 4102444800};
    const char* zones[] = {"UTC", "Europe/Berlin", "America/New_York", "Asia/Kolkata", "America/St_Johns",
                           "Australia/Adelaide", "Pacific/Chatham", "Asia/Kathmandu", "Pacific/Kiritimati"};
    for (const char* zone : zones) {
        for (std::time_t when : moments) {
            std::string expected = dateR(zone, when);
            ASSERT_FALSE(expected.empty());
            inZone(env, zone, [&] { EXPECT_EQ(FormatMailDate(when), expected) << zone << " at " << when; });
        }
    }
    inZone(env, "America/St_Johns", [] {
        EXPECT_EQ(FormatMailDate(1700000000), "Tue, 14 Nov 2023 18:43:20 -0330");
        EXPECT_EQ(FormatMailDate(1688000000), "Wed, 28 Jun 2023 22:23:20 -0230");
    });
    inZone(env, "UTC", [] { EXPECT_EQ(FormatMailDate(1709612589), "Tue, 5 Mar 2024 04:23:09 +0000"); });
    ::unsetenv("TZ");
    ::tzset();
}

TEST(AlertMail, DateHeaderNamesAreEnglishWhateverTheLocale) {
    IsolatedEnvironment env;
    std::tm local {};
    local.tm_wday = 6;
    local.tm_mday = 31;
    local.tm_mon = 11;
    local.tm_year = 99;
    local.tm_hour = 23;
    local.tm_min = 59;
    local.tm_sec = 5;
    EXPECT_EQ(FormatMailDate(local, -5 * 3600), "Sat, 31 Dec 1999 23:59:05 -0500");
    EXPECT_EQ(FormatMailDate(local, 0), "Sat, 31 Dec 1999 23:59:05 +0000");
    EXPECT_EQ(FormatMailDate(local, 14 * 3600), "Sat, 31 Dec 1999 23:59:05 +1400");
    std::string now = ComposeAlertMail(mailProfile("a@b"), "").date;
    EXPECT_TRUE(std::regex_match(now, std::regex("(Sun|Mon|Tue|Wed|Thu|Fri|Sat), [1-9][0-9]? "
                                                 "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) 20[0-9]{2} "
                                                 "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] [+-][0-9]{4}")))
        << now;
}

TEST(AlertMail, FailureReasonsCarryTheComponentsErrorText) {
    EXPECT_EQ(alerts::MailFailureReason(alerts::kMailConnectFailure, "[10061] Connection refused"),
              " the SMTP server could not be contacted ([10061] Connection refused)");
    EXPECT_EQ(alerts::MailFailureReason(alerts::kMailSendFailure, "550 5.1.1 <x@y>: Recipient 100% unknown"),
              " there was an error trying to send the message (550 5.1.1 <x@y>: Recipient 100% unknown)");
}
