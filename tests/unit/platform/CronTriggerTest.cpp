// Triggers to and from the time part of crontab lines: the kinds the Schedule dialog edits come
// back as those kinds, anything else cron accepts is kept as written, and what cron would
// refuse (a sixth field that would become part of the command, a value out of range) is refused.
#include "platform/taskscheduler/CronTrigger.h"

#include <gtest/gtest.h>

using platform::taskscheduler::CronTrigger;
using Kind = CronTrigger::Kind;

TEST(CronTrigger, EachKindWritesItsSpecificationAndReadsBackAsItself) {
    struct Case {
        std::optional<CronTrigger> trigger;
        const char* specification;
        const char* description;
    } cases[] = {
        {CronTrigger::Daily(2, 30), "30 2 * * *", "Daily at 02:30"},
        {CronTrigger::Daily(0, 0), "0 0 * * *", "Daily at 00:00"},
        {CronTrigger::Weekly(0x22, 23, 5), "5 23 * * 1,5", "Weekly on Mon, Fri at 23:05"},
        {CronTrigger::Weekly(CronTrigger::kAllDays, 1, 0), "0 1 * * 0,1,2,3,4,5,6",
         "Weekly on Sun, Mon, Tue, Wed, Thu, Fri, Sat at 01:00"},
        {CronTrigger::Monthly(31, 4, 15), "15 4 31 * *", "Monthly on day 31 at 04:15"},
        {CronTrigger::EveryMinutes(1), "*/1 * * * *", "Every minute"},
        {CronTrigger::EveryMinutes(15), "*/15 * * * *", "Every 15 minutes"},
        {CronTrigger::EveryMinutes(60), "0 */1 * * *", "Every hour"},
        {CronTrigger::EveryMinutes(180), "0 */3 * * *", "Every 3 hours"},
        {CronTrigger::AtStartup(), "@reboot", "At start-up"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.trigger.has_value()) << c.specification;
        EXPECT_EQ(c.trigger->Specification(), c.specification);
        EXPECT_EQ(c.trigger->Describe(), c.description);
        std::optional<CronTrigger> back = CronTrigger::Parse(c.specification);
        ASSERT_TRUE(back.has_value()) << c.specification;
        EXPECT_EQ(back->GetKind(), c.trigger->GetKind()) << c.specification;
        EXPECT_EQ(back->Describe(), c.description);
    }
    std::optional<CronTrigger> weekly = CronTrigger::Parse("5\t23  * *   1,5");
    ASSERT_TRUE(weekly.has_value());
    EXPECT_EQ(weekly->GetKind(), Kind::Weekly) << "cron reads runs of blanks and tabs";
    EXPECT_EQ(weekly->Days(), 0x22u);
    EXPECT_EQ(weekly->Hour(), 23);
    EXPECT_EQ(weekly->Minute(), 5);
}

TEST(CronTrigger, OtherSpecificationsCronAcceptsAreKeptAsWritten) {
    struct Case {
        const char* written;
        const char* kept;
    } cases[] = {
        {"05 2 * * *", "05 2 * * *"},   // not the written form of a daily trigger
        {"0 2 * * 5,1", "0 2 * * 5,1"}, // days out of order
        {"0 2 * * 7", "0 2 * * 7"},     // Sunday as 7
        {"* * * * *", "* * * * *"},
        {"0-59/10 8-18 * 1-6,9 mon-FRI", "0-59/10 8-18 * 1-6,9 mon-FRI"},
        {"0 0 1 jan *", "0 0 1 jan *"},
        {"  0   0 1 1 *  ", "0 0 1 1 *"},
        {"@daily", "@daily"},
        {"@HOURLY", "@hourly"},
        {"@weekly", "@weekly"},
        {"@monthly", "@monthly"},
        {"@annually", "@annually"},
    };
    for (const Case& c : cases) {
        std::optional<CronTrigger> trigger = CronTrigger::Parse(c.written);
        ASSERT_TRUE(trigger.has_value()) << c.written;
        EXPECT_EQ(trigger->GetKind(), Kind::Custom) << c.written;
        EXPECT_EQ(trigger->Specification(), c.kept);
    }
    EXPECT_EQ(CronTrigger::Parse("@REBOOT")->GetKind(), Kind::AtStartup);
}

TEST(CronTrigger, WhatCronWouldRefuseIsRefused) {
    for (const char* refused : {"",
                                "@",
                                "@every5m",
                                "* * * *",
                                "* * * * * rm -rf /",
                                "60 * * * *",
                                "* 24 * * *",
                                "* * 0 * *",
                                "* * 32 * *",
                                "* * * 13 *",
                                "* * * * 8",
                                "* * * * funday",
                                "5-1 * * * *",
                                "*/0 * * * *",
                                "1,,2 * * * *",
                                "% * * * *",
                                "*/ * * * *",
                                "0 0 * * mon-",
                                "1-2-3 * * * *",
                                "@reboot now"}) {
        EXPECT_FALSE(CronTrigger::Parse(refused).has_value()) << '"' << refused << '"';
    }
    EXPECT_FALSE(CronTrigger::Daily(24, 0));
    EXPECT_FALSE(CronTrigger::Daily(0, 60));
    EXPECT_FALSE(CronTrigger::Weekly(0, 1, 1)) << "no day";
    EXPECT_FALSE(CronTrigger::Weekly(0x80, 1, 1));
    EXPECT_FALSE(CronTrigger::Monthly(0, 1, 1));
    EXPECT_FALSE(CronTrigger::Monthly(32, 1, 1));
    for (int minutes : {0, 61, 90, 24 * 60, -5}) {
        EXPECT_FALSE(CronTrigger::EveryMinutes(minutes)) << minutes;
    }
}
