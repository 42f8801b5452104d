// A backup of 100,000 events: the whole job (copy in steps, the check of the
// copy, the rename), the longest single step of the copy (how long a window
// driving the steps, or a post waiting on the copy's read lock, is held up),
// the check alone, and the change test that decides whether a backup is due.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include "event_table_fixture.h"
#include "store/backups.h"

namespace {

constexpr int kRows = 100'000;

const std::filesystem::path& TableFile() {
    static const std::filesystem::path file = [] {
        auto path = std::filesystem::temp_directory_path() / "orbelle-backup-bench" / "TODOLIST.DB";
        std::filesystem::create_directories(path.parent_path());
        orbelle::bench::MakeEventTable(path, kRows);
        return path;
    }();
    return file;
}

orbelle::DateTime Noon() { return orbelle::DateTime::FromParts(std::chrono::year{2026} / 12 / 10, {12, 0, 0, 0}); }

void BM_Backup100kEvents(benchmark::State& state) {
    const int pages_per_step = static_cast<int>(state.range(0));
    auto folder = TableFile().parent_path() / "backups";
    double longest_step_ms = 0, finish_ms = 0;
    int steps = 0;
    for (auto _ : state) {
        std::filesystem::remove_all(folder);
        orbelle::BackupJob job(TableFile(), folder, Noon());
        steps = 0;
        for (bool done = false; !done; ++steps) {
            auto start = std::chrono::steady_clock::now();
            done = job.Step(pages_per_step);
            std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            longest_step_ms = std::max(longest_step_ms, took.count());
        }
        auto start = std::chrono::steady_clock::now();
        auto entry = job.Finish();
        finish_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (entry.events != kRows) state.SkipWithError("wrong event count in the backup");
    }
    state.counters["steps"] = steps;
    state.counters["longest_step_ms"] = longest_step_ms;
    state.counters["check_and_rename_ms"] = finish_ms;
    state.counters["MB"] = double(std::filesystem::file_size(TableFile())) / 1e6;
}
BENCHMARK(BM_Backup100kEvents)->Arg(orbelle::kBackupStepPages)->Arg(1024)->Unit(benchmark::kMillisecond);

void BM_ChangedSinceNewestBackup100kEvents(benchmark::State& state) {
    auto folder = TableFile().parent_path() / "backups";
    std::filesystem::remove_all(folder);
    orbelle::MakeBackup(TableFile(), folder, Noon());
    for (auto _ : state) {
        if (orbelle::ChangedSinceNewestBackup(TableFile(), folder)) state.SkipWithError("a copy counts as changed");
    }
}
BENCHMARK(BM_ChangedSinceNewestBackup100kEvents)->Unit(benchmark::kMillisecond);

}  // namespace
