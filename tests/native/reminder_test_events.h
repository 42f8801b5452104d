#pragma once
// Events and clock readings for the reminder tests.
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "base/alarm_time.h"
#include "reminders/reminder_event.h"
#include "reminders/wall_clock.h"
#include "rule_builders.h"

namespace orbelle::reminder_test {

using namespace rule_builders;

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

}  // namespace orbelle::reminder_test
