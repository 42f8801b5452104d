// Under Wine: the reminder schedule of 100,000 events built, and one check
// with nothing due, as the Reminders window's timer makes it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../reminder_events_fixture.h"
#include "reminders/alarm_schedule.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

template <typename Work>
void Report(const char* name, int runs, Work&& work) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        work();
        times.push_back(Ms(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("%-44s median %.2f ms, fastest %.2f ms, slowest %.2f ms (%d runs)\n", name, times[runs / 2],
                times.front(), times.back(), runs);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace orbelle;
    // A smaller count for a quick look: reminder_schedule_bench 1000
    std::size_t count = argc > 1 ? static_cast<std::size_t>(std::atoi(argv[1])) : bench::kReminderEvents;
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // each line as it comes, also into a pipe
    for (int percent : {30, 100}) {
        std::vector<ReminderEvent> events = bench::MakeReminderEvents(percent);
        events.resize(std::min(events.size(), count));
        std::printf("made %zu events\n", events.size());
        ReminderState state;  // not opened: in memory, empty
        char name[64];
        std::snprintf(name, sizeof name, "build, %zu events, %d%% repeating", events.size(), percent);
        Report(name, 10, [&] {
            AlarmSchedule schedule(state);
            schedule.Build(events, bench::kBenchNow);
        });
    }

    std::vector<ReminderEvent> events = bench::MakeReminderEvents(30);
    events.resize(std::min(events.size(), count));
    ReminderState state;
    AlarmSchedule schedule(state);
    schedule.Build(events, bench::kBenchNow);
    constexpr int kChecks = 1'000'000;
    ClockReading now = bench::kBenchNow;
    std::size_t appeared = 0;
    auto start = Clock::now();
    for (int i = 0; i < kChecks; ++i) {
        now.local += 1;
        now.utc_ms += 1;
        appeared += schedule.Check(now).appeared.size();
    }
    double each_us = Ms(Clock::now() - start).count() * 1000.0 / kChecks;
    std::printf("%-44s %.3f us each (%d checks, %zu rows appeared)\n", "check with nothing due",
                each_us, kChecks, appeared);
    return 0;
}
