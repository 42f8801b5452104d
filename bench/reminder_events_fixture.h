#pragma once
// A table's worth of reminder events for the benchmarks, native and under Wine.
#include <random>
#include <string>
#include <vector>

#include "base/alarm_time.h"
#include "reminders/reminder_event.h"
#include "reminders/wall_clock.h"

namespace orbelle::bench {

constexpr int kReminderEvents = 100'000;

inline DateTime BenchAt(int y, unsigned m, unsigned d, int hour, int minute) {
    using namespace std::chrono;
    return DateTime::FromParts(year{y} / month{m} / day{d}, {hour, minute, 0, 0});
}

// The moment the benchmarks check at: 2026-12-10 13:30 local, an hour east of UTC.
inline const ClockReading kBenchNow{ToWallMs(BenchAt(2026, 12, 10, 13, 30)), 1'796'909'400'000};

// A table as years of use leave it: `repeating_percent` of the events repeat
// (every kind of rule, starts over the last five years, a tenth accepted),
// the rest are single events over the last and the next year, most of the
// past ones accepted.
inline std::vector<ReminderEvent> MakeReminderEvents(int repeating_percent) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> percent(0, 99), kind(0, 5), day_of_5_years(0, 5 * 365), hour(6, 21);
    const char* leads[] = {"0 minutes", "5 minutes", "30 minutes", "1 hour", "1 day", "1 week"};
    std::vector<ReminderEvent> events;
    events.reserve(kReminderEvents);
    for (int i = 0; i < kReminderEvents; ++i) {
        ReminderEvent event;
        event.id = i + 1;
        event.subject = "Event number " + std::to_string(i);
        event.sound = "Alarm.wav";
        event.remind = leads[i % 6];
        event.start = DateTime(BenchAt(2021, 12, 1, hour(random), 0).Days() + day_of_5_years(random));
        if (percent(random) < repeating_percent) {
            event.recurring = true;
            switch (kind(random)) {
            case 0: event.rule = {.kind = RecurrenceKind::Daily, .daily = {1 + i % 3}}; break;
            case 1:
                event.rule = {.kind = RecurrenceKind::Weekly,
                              .weekly = {.every = 1, .on = {false, true, false, true, false, true, false}}};
                break;
            case 2: event.rule = {.kind = RecurrenceKind::Weekly, .weekly = {.every = 2}}; break;
            case 3:
                event.rule = {.kind = RecurrenceKind::Monthly,
                              .monthly = {.variant = MonthlyVariant::DayOfMonth, .day = 1 + i % 31, .day_every = 1}};
                break;
            case 4:
                event.rule = {.kind = RecurrenceKind::Monthly,
                              .monthly = {.variant = MonthlyVariant::OrdinalWeekday, .ordinal = i % 5,
                                          .weekday = i % 7, .weekday_every = 1}};
                break;
            default:
                event.rule = {.kind = RecurrenceKind::Yearly,
                              .yearly = {.variant = YearlyVariant::MonthDay, .day_month = i % 12, .day = 1 + i % 28}};
                break;
            }
            event.accepted = percent(random) < 10;
        } else {
            event.start = DateTime(event.start.Days() + 3 * 365 - 2 * 365 * (i % 2));  // last and next year
            event.accepted = event.start < BenchAt(2026, 12, 10, 0, 0) && percent(random) < 90;
        }
        event.alarm = AlarmTime(event.start, event.remind);
        events.push_back(std::move(event));
    }
    return events;
}

}  // namespace orbelle::bench
