#pragma once
// Events and clock readings for the reminder tests.
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "base/alarm_time.h"
#include "reminders/reminder_event.h"
#include "reminders/wall_clock.h"

namespace orbelle::reminder_test {

inline DateTime At(int y, unsigned m, unsigned d, int hour = 0, int minute = 0, int second = 0) {
    using namespace std::chrono;
    return DateTime::FromParts(year{y} / month{m} / day{d}, {hour, minute, second, 0});
}

inline WallMs W(int y, unsigned m, unsigned d, int hour = 0, int minute = 0, int second = 0) {
    return ToWallMs(At(y, m, d, hour, minute, second));
}

// A reading with a fixed offset from UTC (hours east), as a system clock
// gives it: the real time follows from the wall clock.
inline ClockReading Reading(WallMs local, int offset_hours = 0) {
    // The epochs differ by a constant; only differences of the real time count.
    return {local, local - offset_hours * kWallHour};
}

inline ReminderEvent Single(std::int64_t id, DateTime start, const std::string& remind = "0 minutes") {
    ReminderEvent event;
    event.id = id;
    event.subject = "Event " + std::to_string(id);
    event.sound = "Alarm.wav";
    event.start = start;
    event.remind = remind;
    event.alarm = AlarmTime(start, remind);
    return event;
}

inline ReminderEvent Recurring(std::int64_t id, DateTime start, const RecurrenceRule& rule,
                               const std::string& remind = "0 minutes") {
    ReminderEvent event = Single(id, start, remind);
    event.recurring = true;
    event.rule = rule;
    return event;
}

inline RecurrenceRule Daily(int every) { return {.kind = RecurrenceKind::Daily, .daily = {every}}; }

inline RecurrenceRule Weekly(int every, std::vector<int> ticked) {
    RecurrenceRule rule{.kind = RecurrenceKind::Weekly, .weekly = {.every = every}};
    for (int day : ticked) rule.weekly.on[static_cast<std::size_t>(day)] = true;
    return rule;
}

inline RecurrenceRule MonthlyDay(int day, int every) {
    return {.kind = RecurrenceKind::Monthly,
            .monthly = {.variant = MonthlyVariant::DayOfMonth, .day = day, .day_every = every}};
}

inline RecurrenceRule MonthlyThe(int ordinal, int weekday, int every) {
    return {.kind = RecurrenceKind::Monthly,
            .monthly = {.variant = MonthlyVariant::OrdinalWeekday, .ordinal = ordinal, .weekday = weekday,
                        .weekday_every = every}};
}

inline RecurrenceRule YearlyDate(int month_index, int day) {
    return {.kind = RecurrenceKind::Yearly,
            .yearly = {.variant = YearlyVariant::MonthDay, .day_month = month_index, .day = day}};
}

inline RecurrenceRule YearlyThe(int ordinal, int weekday, int month_index) {
    return {.kind = RecurrenceKind::Yearly,
            .yearly = {.variant = YearlyVariant::OrdinalWeekday, .ordinal = ordinal, .weekday = weekday,
                       .weekday_month = month_index}};
}

enum Weekday { kSun, kMon, kTue, kWed, kThu, kFri, kSat };

}  // namespace orbelle::reminder_test
