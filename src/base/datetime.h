#pragma once
// The date-time value the event table stores: days since 1899-12-30 with the
// time of day as the fraction. Value 0 is the zero date-time, 1899-12-30 00:00.
#include <chrono>
#include <compare>
#include <cstdint>

namespace orbelle {

using std::chrono::year_month_day;

struct TimeOfDay {
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59
    int millisecond = 0;  // 0..999
    friend constexpr bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

class DateTime {
public:
    constexpr DateTime() = default;
    constexpr explicit DateTime(double days) : days_(days) {}

    static DateTime FromDate(year_month_day date);
    // Throws Error("Invalid argument to date encode") for an impossible date.
    static DateTime FromDate(int year, unsigned month, unsigned day);
    static DateTime FromParts(year_month_day date, TimeOfDay time);

    constexpr double Days() const { return days_; }
    // Whether the value lies within the years 1 to 9999; infinities and NaN
    // do not. Date, Time and DateOnly read any other value as the zero date-time.
    constexpr bool InRange() const { return days_ > kFirstDay - 1 && days_ < kLastDay + 1; }
    // The calendar date; the time of day is dropped (the fraction is always
    // the time, also for values before the zero date-time).
    year_month_day Date() const;
    // Rounded to the nearest millisecond first, so that 09:30 minus half an
    // hour reads 09:00 and not 08:59:59.999.
    TimeOfDay Time() const;
    // The same day at 00:00.
    DateTime DateOnly() const;

    friend constexpr auto operator<=>(DateTime, DateTime) = default;

    static constexpr double kFirstDay = -693593;  // 0001-01-01
    static constexpr double kLastDay = 2958465;   // 9999-12-31

private:
    double days_ = 0;
};

// The no-date marker that a recurrence rule yields for a day its month lacks.
inline constexpr DateTime kNoDate{2.0};

constexpr std::chrono::sys_days kDateTimeEpoch =
    std::chrono::sys_days{std::chrono::year{1899} / std::chrono::December / 30};

}  // namespace orbelle
