// Reminders at the alarm time: building the schedule of 100,000 events (goal
// under 100 ms) and one check with nothing due (goal under 50 microseconds).
#include <benchmark/benchmark.h>

#include <random>

#include "editor/alarm_time.h"
#include "event_table_fixture.h"
#include "reminders/alarm_schedule.h"

namespace {
using namespace orbelle;

constexpr int kEvents = 100'000;

DateTime At(int y, unsigned m, unsigned d, int hour, int minute) {
    using namespace std::chrono;
    return DateTime::FromParts(year{y} / month{m} / day{d}, {hour, minute, 0, 0});
}

// A table as years of use leave it: `repeating_percent` of the events repeat
// (every kind of rule, starts over the last five years), the rest are single
// events over the last and the next year, most of the past ones accepted.
std::vector<ReminderEvent> MakeEvents(int repeating_percent) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> percent(0, 99), kind(0, 5), day_of_5_years(0, 5 * 365), hour(6, 21);
    const char* leads[] = {"0 minutes", "5 minutes", "30 minutes", "1 hour", "1 day", "1 week"};
    std::vector<ReminderEvent> events;
    events.reserve(kEvents);
    for (int i = 0; i < kEvents; ++i) {
        ReminderEvent event;
        event.id = i + 1;
        event.subject = "Event number " + std::to_string(i);
        event.sound = "Alarm.wav";
        event.remind = leads[i % 6];
        DateTime start = DateTime(At(2021, 12, 1, hour(random), 0).Days() + day_of_5_years(random));
        event.start = start;
        event.alarm = AlarmTime(start, event.remind);
        if (percent(random) < repeating_percent) {
            event.recurring = true;
            switch (kind(random)) {
            case 0: event.rule = {.kind = RecurrenceKind::Daily, .daily = {1 + i % 3}}; break;
            case 1: event.rule = {.kind = RecurrenceKind::Weekly, .weekly = {.every = 1, .on = {false, true, false, true, false, true, false}}}; break;
            case 2: event.rule = {.kind = RecurrenceKind::Weekly, .weekly = {.every = 2}}; break;
            case 3: event.rule = {.kind = RecurrenceKind::Monthly, .monthly = {.variant = MonthlyVariant::DayOfMonth, .day = 1 + i % 31, .day_every = 1}}; break;
            case 4: event.rule = {.kind = RecurrenceKind::Monthly, .monthly = {.variant = MonthlyVariant::OrdinalWeekday, .ordinal = i % 5, .weekday = i % 7, .weekday_every = 1}}; break;
            default: event.rule = {.kind = RecurrenceKind::Yearly, .yearly = {.variant = YearlyVariant::MonthDay, .day_month = i % 12, .day = 1 + i % 28}}; break;
            }
            event.accepted = percent(random) < 10;
        } else {
            event.start = DateTime(event.start.Days() + 3 * 365 - 2 * 365 * (i % 2));  // last and next year
            event.alarm = AlarmTime(event.start, event.remind);
            event.accepted = event.start < At(2026, 12, 10, 0, 0) && percent(random) < 90;
        }
        events.push_back(std::move(event));
    }
    return events;
}

const ClockReading kNow{ToWallMs(At(2026, 12, 10, 13, 30)), 1'796'909'400'000};

void BuildSchedule(benchmark::State& state, int repeating_percent) {
    std::vector<ReminderEvent> events = MakeEvents(repeating_percent);
    ReminderState reminder_state;  // not opened: in memory, empty
    std::size_t rows = 0;
    for (auto _ : state) {
        AlarmSchedule schedule(reminder_state);
        ReminderChanges changes = schedule.Build(events, kNow);
        rows = changes.appeared.size();
        benchmark::DoNotOptimize(changes.appeared.data());
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_BuildSchedule_100k_30PercentRepeating(benchmark::State& state) { BuildSchedule(state, 30); }
BENCHMARK(BM_BuildSchedule_100k_30PercentRepeating)->Unit(benchmark::kMillisecond);

void BM_BuildSchedule_100k_AllRepeating(benchmark::State& state) { BuildSchedule(state, 100); }
BENCHMARK(BM_BuildSchedule_100k_AllRepeating)->Unit(benchmark::kMillisecond);

// The tick: the schedule of 100,000 events, checked a millisecond later each
// time, with nothing due.
void BM_CheckNothingDue_100k(benchmark::State& state) {
    std::vector<ReminderEvent> events = MakeEvents(30);
    ReminderState reminder_state;
    AlarmSchedule schedule(reminder_state);
    schedule.Build(events, kNow);
    ClockReading now = kNow;
    WallMs next = schedule.NextWakeUp().value_or(INT64_MAX);
    for (auto _ : state) {
        now.local += 1;
        now.utc_ms += 1;
        if (now.local >= next) now = kNow;  // stay before the next alarm
        ReminderChanges changes = schedule.Check(now);
        benchmark::DoNotOptimize(changes.rows_changed);
    }
    state.counters["ms_to_next_alarm"] = static_cast<double>(next - kNow.local);
}
BENCHMARK(BM_CheckNothingDue_100k)->Unit(benchmark::kMicrosecond);

// At start the records come from the table: the walk that reads them.
void BM_ReadReminderEventsFromTable_100k(benchmark::State& state) {
    auto file = std::filesystem::temp_directory_path() / "orbelle-bench-reminders" / "TODOLIST.DB";
    std::filesystem::create_directories(file.parent_path());
    orbelle::bench::MakeEventTable(file, kEvents);
    EventCursor cursor;
    cursor.Open(file);
    for (auto _ : state) {
        std::vector<ReminderEvent> events;
        events.reserve(kEvents);
        for (cursor.First(); !cursor.Eof(); cursor.Next())
            events.push_back(ReminderEventFromCursor(cursor, EnglishNames()));
        benchmark::DoNotOptimize(events.data());
    }
}
BENCHMARK(BM_ReadReminderEventsFromTable_100k)->Unit(benchmark::kMillisecond);

}  // namespace
