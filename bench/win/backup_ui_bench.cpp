// Under Wine: an automatic backup of 100,000 events as the list window
// makes it, on the backup thread, while the window's thread keeps handling
// a timer every 10 ms: idle, then posting an event every `post_every` ticks
// (a post waits for the copy's read lock, held for one step, and makes the
// copy start over). Prints the backup's whole time, the longest tick (how
// long the window was held up) and the longest gap between ticks.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "../event_table_fixture.h"
#include "base/clock.h"
#include "backups/backup_worker.h"

namespace {

using Clock = std::chrono::steady_clock;
using ms = std::chrono::duration<double, std::milli>;
constexpr UINT kDone = WM_APP + 1;

struct Round {
    double backup_ms = 0, longest_tick_ms = 0, longest_gap_ms = 0;
    int ticks = 0;
    bool made = false;
};

Round OneRound(const std::filesystem::path& table, HWND window, int round, int post_every) {
    std::filesystem::remove_all(orbelle::BackupFolderFor(table));
    orbelle::EventCursor cursor;
    cursor.Open(table);
    orbelle::BackupWorker worker;
    Round result;
    SetTimer(window, 1, 10, nullptr);
    const auto start = Clock::now();
    worker.Start(table, orbelle::Now(), false, window, kDone);
    auto last_tick = Clock::now();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == kDone) break;
        if (message.message != WM_TIMER) {
            DispatchMessageW(&message);
            continue;
        }
        const auto tick = Clock::now();
        result.longest_gap_ms = std::max(result.longest_gap_ms, ms(tick - last_tick).count());
        if (post_every > 0 && result.ticks % post_every == post_every - 1) {
            cursor.Insert();
            cursor.SetFieldText("subject", "posted during round " + std::to_string(round));
            cursor.Post();
        }
        last_tick = Clock::now();
        result.longest_tick_ms = std::max(result.longest_tick_ms, ms(last_tick - tick).count());
        ++result.ticks;
    }
    result.backup_ms = ms(Clock::now() - start).count();
    KillTimer(window, 1);
    auto outcome = worker.TakeOutcome();
    result.made = outcome && outcome->kind == orbelle::BackupOutcome::Kind::Made;
    if (!result.made && outcome) std::printf("backup failed: %s\n", outcome->error.c_str());
    return result;
}

}  // namespace

int main() {
    const auto table = std::filesystem::temp_directory_path() / "orbelle-backup-ui-bench" / "db" / "TODOLIST.DB";
    std::filesystem::create_directories(table.parent_path());
    orbelle::bench::MakeEventTable(table, 100'000);
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    std::printf("backup of 100000 events (%.1f MB) on the backup thread, the window thread ticking every 10 ms\n",
                double(std::filesystem::file_size(table)) / 1e6);
    struct Load {
        const char* name;
        int post_every;  // ticks; 0: no posts
    };
    for (Load load : {Load{"idle window", 0}, Load{"a post every 100 ms", 10}}) {
        for (int round = 1; round <= 3; ++round) {
            Round r = OneRound(table, window, round, load.post_every);
            std::printf("%s, round %d: backup %.0f ms%s, ticks %d, longest tick %.1f ms, longest gap between ticks "
                        "%.1f ms\n",
                        load.name, round, r.backup_ms, r.made ? "" : " (FAILED)", r.ticks, r.longest_tick_ms,
                        r.longest_gap_ms);
        }
    }
    DestroyWindow(window);
    std::filesystem::remove_all(table.parent_path().parent_path());
    return 0;
}
