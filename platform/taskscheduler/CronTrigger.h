/*
 * One trigger of a scheduled task: when cron starts it. A trigger is data (daily at a time,
 * weekly on chosen days, monthly on a day, every N minutes, at start-up, or any other time
 * specification cron accepts, kept as written) with a codec to and from the time part of a
 * crontab line. The Schedule dialog lists and edits these; the scheduler layer writes one cron
 * line per trigger. Values; any thread.
 */
#ifndef TALLYVOL_PLATFORM_TASKSCHEDULER_CRONTRIGGER_H
#define TALLYVOL_PLATFORM_TASKSCHEDULER_CRONTRIGGER_H

#include <optional>
#include <string>

namespace platform::taskscheduler {

class CronTrigger {
public:
    enum class Kind { Daily, Weekly, Monthly, EveryMinutes, AtStartup, Custom };

    // Day bits of a weekly trigger: bit 0 Sunday ... bit 6 Saturday (cron's 0 to 6).
    static constexpr unsigned kAllDays = 0x7F;

    // Each returns nothing when a value is out of range: hour 0-23, minute 0-59, day of
    // month 1-31, at least one day, minutes 1-59 or whole hours of 1 to 23 (60, 120, ...).
    static std::optional<CronTrigger> Daily(int hour, int minute);
    static std::optional<CronTrigger> Weekly(unsigned days, int hour, int minute);
    static std::optional<CronTrigger> Monthly(int dayOfMonth, int hour, int minute);
    static std::optional<CronTrigger> EveryMinutes(int minutes);
    static CronTrigger AtStartup();

    // Reads a time specification: five fields ("30 2 * * 1-5", names such as "mon" allowed)
    // or one of @reboot, @hourly, @daily, @midnight, @weekly, @monthly, @yearly, @annually.
    // Fields may be separated by any run of blanks and tabs. The written forms of the kinds
    // above come back as those kinds; everything else cron accepts comes back as Custom. Nothing
    // when cron would refuse it.
    static std::optional<CronTrigger> Parse(const std::string& specification);

    // The time part of the cron line ("30 2 * * *"; fields separated by one blank).
    std::string Specification() const;
    // A short English description ("Daily at 02:30", "Weekly on Mon, Fri at 02:30").
    std::string Describe() const;

    Kind GetKind() const { return m_kind; }
    int Hour() const { return m_hour; }
    int Minute() const { return m_minute; }
    unsigned Days() const { return m_days; }
    int DayOfMonth() const { return m_dayOfMonth; }
    int IntervalMinutes() const { return m_interval; }

    bool operator==(const CronTrigger& other) const {
        return Specification() == other.Specification();
    }

private:
    CronTrigger() = default;

    Kind m_kind = Kind::Custom;
    int m_hour = 0;
    int m_minute = 0;
    unsigned m_days = 0;
    int m_dayOfMonth = 1;
    int m_interval = 0;
    std::string m_custom; // the specification of a Custom trigger, fields separated by one blank
};

} // namespace platform::taskscheduler

#endif
