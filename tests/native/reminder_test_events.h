#pragma once
// Events and clock readings for the reminder tests.
#include <chrono>
#include <functional>
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
// gives it: the real time follows from the wall clock, and nobody set the
// clock, so the monotonic time runs with the real time.
inline ClockReading Reading(WallMs local, int offset_hours = 0) {
    // The epochs differ by a constant; only differences of the real time count.
    const std::int64_t utc = local - offset_hours * kWallHour;
    return {local, utc, utc};
}

// Berlin's offset in 2026 (hours east) at a real moment, given as UTC on the
// wall scale (W): summer time from 03-29 01:00 to 10-25 01:00 UTC.
inline int Berlin2026(std::int64_t utc) { return utc >= W(2026, 3, 29, 1) && utc < W(2026, 10, 25, 1) ? 2 : 1; }

// The clocks of one computer as a test moves them. Time passing moves all
// three readings; the user setting the clock moves the real time the system
// gives, and the wall clock with it, never the monotonic time; the zone turns
// the real time into the wall clock. A restart of the program leaves them be.
class ComputerClock {
public:
    // Hours east at a real moment.
    using Zone = std::function<int(std::int64_t)>;
    // Milliseconds east at a real moment, for zones that move by half an hour.
    struct FineZone {
        std::function<std::int64_t(std::int64_t)> offset_ms;
    };

    // At a wall-clock moment (in its first pass when it comes twice; the
    // zone's offsets lie within two hours of each other).
    ComputerClock(WallMs local, Zone zone)
        : ComputerClock(local, FineZone{[zone = std::move(zone)](std::int64_t utc) { return zone(utc) * kWallHour; }}) {}
    ComputerClock(WallMs local, FineZone zone) : zone_(std::move(zone.offset_ms)) {
        std::int64_t utc = local - zone_(local - 2 * kWallHour);
        if (utc + zone_(utc) != local) utc = local - zone_(utc);
        now_ = {local, utc, 0};
    }

    ClockReading Now() const { return now_; }
    void Pass(std::int64_t ms) {
        now_.mono_ms += ms;
        SetUtc(now_.utc_ms + ms);
    }
    // The user sets the clock `ms` ahead, or back when below 0.
    void SetBy(std::int64_t ms) { SetUtc(now_.utc_ms + ms); }

private:
    void SetUtc(std::int64_t utc) {
        now_.utc_ms = utc;
        now_.local = utc + zone_(utc);
    }

    std::function<std::int64_t(std::int64_t)> zone_;
    ClockReading now_;
};

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
