// Reminders at the alarm time: building the schedule of 100,000 events (goal
// under 100 ms) and one check with nothing due (goal under 50 microseconds).
#include <benchmark/benchmark.h>

#include "event_table_fixture.h"
#include "reminder_events_fixture.h"
#include "reminders/alarm_schedule.h"

namespace {
using namespace orbelle;

using bench::kBenchNow;
using bench::kReminderEvents;
using bench::MakeReminderEvents;

// `restart`: the state already holds every row a first build showed, as at
// a start after a run that left them undismissed; else it is empty.
void BuildSchedule(benchmark::State& state, int repeating_percent, bool restart) {
    std::vector<ReminderEvent> events = MakeReminderEvents(repeating_percent);
    ReminderState shown_before;  // not opened: in memory
    if (restart) AlarmSchedule(shown_before).Build(events, kBenchNow);
    std::size_t rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ReminderState reminder_state;
        reminder_state.SetShown(shown_before.Shown());
        state.ResumeTiming();
        AlarmSchedule schedule(reminder_state);
        ReminderChanges changes = schedule.Build(events, kBenchNow);
        benchmark::DoNotOptimize(changes.appeared.data());
        state.PauseTiming();
        rows = schedule.Rows().size();
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_BuildSchedule_100k_30PercentRepeating(benchmark::State& state) { BuildSchedule(state, 30, false); }
BENCHMARK(BM_BuildSchedule_100k_30PercentRepeating)->Unit(benchmark::kMillisecond);

void BM_BuildSchedule_100k_AllRepeating(benchmark::State& state) { BuildSchedule(state, 100, false); }
BENCHMARK(BM_BuildSchedule_100k_AllRepeating)->Unit(benchmark::kMillisecond);

void BM_BuildSchedule_100k_AllRepeating_RowsShownBefore(benchmark::State& state) { BuildSchedule(state, 100, true); }
BENCHMARK(BM_BuildSchedule_100k_AllRepeating_RowsShownBefore)->Unit(benchmark::kMillisecond);

// The tick: the schedule of 100,000 events, checked a millisecond later each
// time, with nothing due.
void BM_CheckNothingDue_100k(benchmark::State& state) {
    std::vector<ReminderEvent> events = MakeReminderEvents(30);
    ReminderState reminder_state;
    AlarmSchedule schedule(reminder_state);
    schedule.Build(events, kBenchNow);
    ClockReading now = kBenchNow;
    WallMs next = schedule.NextWakeUp().value_or(INT64_MAX);
    for (auto _ : state) {
        now.local += 1;
        now.utc_ms += 1;
        if (now.local >= next) now = kBenchNow;  // stay before the next alarm
        ReminderChanges changes = schedule.Check(now);
        benchmark::DoNotOptimize(changes.rows_changed);
    }
    state.counters["ms_to_next_alarm"] = static_cast<double>(next - kBenchNow.local);
}
BENCHMARK(BM_CheckNothingDue_100k)->Unit(benchmark::kMicrosecond);

// At start the records come from the table: the walk that reads them.
void BM_ReadReminderEventsFromTable_100k(benchmark::State& state) {
    auto file = std::filesystem::temp_directory_path() / "orbelle-bench-reminders" / "TODOLIST.DB";
    std::filesystem::create_directories(file.parent_path());
    orbelle::bench::MakeEventTable(file, kReminderEvents);
    EventCursor cursor;
    cursor.Open(file);
    for (auto _ : state) {
        std::vector<ReminderEvent> events;
        events.reserve(kReminderEvents);
        for (cursor.First(); !cursor.Eof(); cursor.Next())
            events.push_back(ReminderEventFromCursor(cursor, EnglishNames()));
        benchmark::DoNotOptimize(events.data());
    }
}
BENCHMARK(BM_ReadReminderEventsFromTable_100k)->Unit(benchmark::kMillisecond);

}  // namespace
