// Under Wine: from starting the process until its window is on the screen,
// Orbelle.exe (the desktop calendar, with its program folder laid out) and a
// minimal Win32 program that only shows one window, taken in turns in one
// run; then Orbelle.exe again over a table of 100,000 events. Beside each
// time, the resident set (working set) of the process once its window shows.
// Arguments: Orbelle.exe, the folder of the installed files, minimal_window.exe.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "../event_table_fixture.h"

namespace {
using ms = std::chrono::duration<double, std::milli>;

// The first redraw of the calendar pauses this long on purpose.
constexpr double kRedrawPauseMs = 100;
constexpr int kRuns = 7;

struct Search {
    DWORD process_id;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->process_id || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

struct Run {
    double ms = -1;  // negative when the window never showed
    double resident_mb = 0;
};

// Milliseconds from CreateProcess until a window of the process is visible,
// and its resident set a moment later (before any timer of the program has
// run); the program is then closed and waited for.
Run TimeToWindow(const std::filesystem::path& program) {
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + program.wstring() + L"\"";
    auto start = std::chrono::steady_clock::now();
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        program.parent_path().c_str(), &startup, &process))
        return {};
    Search search{process.dwProcessId, nullptr};
    Run run;
    while (ms(std::chrono::steady_clock::now() - start).count() < 20000) {
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            run.ms = ms(std::chrono::steady_clock::now() - start).count();
            break;
        }
        Sleep(1);
    }
    if (search.found) {
        Sleep(300);
        PROCESS_MEMORY_COUNTERS memory{sizeof memory};
        if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory))
            run.resident_mb = static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0);
        PostMessageW(search.found, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return run;
}

// With the start-up trace on (ORBELLE_STARTUP_TRACE names a file), each
// group of runs is headed in it, so that its steps can be told apart.
void HeadTrace(const char* group) {
    wchar_t path[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"ORBELLE_STARTUP_TRACE", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    if (std::FILE* file = _wfopen(path, L"a")) {
        std::fprintf(file, "# %s\n", group);
        std::fclose(file);
    }
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Runs {
    std::vector<double> ms, resident_mb;
    void Add(const Run& run) {
        ms.push_back(run.ms);
        resident_mb.push_back(run.resident_mb);
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: startup_bench <Orbelle.exe> <installed files> <minimal_window.exe>\n");
        return 2;
    }
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    auto folder = std::filesystem::path(temp) / "orbelle-startup-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::copy(argv[2], folder, std::filesystem::copy_options::recursive);
    std::filesystem::copy_file(argv[1], folder / "Orbelle.exe", std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(argv[3], folder / "minimal_window.exe");

    HeadTrace("warming");
    TimeToWindow(folder / "Orbelle.exe");  // makes the table, warms the caches
    TimeToWindow(folder / "minimal_window.exe");
    // Reminders at their alarm time start after the calendar's first showing:
    // the mode on must not delay it.
    std::vector<double> minimal_mb;
    for (const wchar_t* mode : {L"0", L"1"}) {
        WritePrivateProfileStringW(L"Reminders", L"AtAlarmTime", mode, (folder / "Pellmar.ini").c_str());
        Runs orbelle, minimal;
        HeadTrace(mode[0] == L'1' ? "empty table, reminders at the alarm time on" : "empty table");
        for (int run = 0; run < kRuns; ++run) {
            minimal.Add(TimeToWindow(folder / "minimal_window.exe"));
            orbelle.Add(TimeToWindow(folder / "Orbelle.exe"));
        }
        const double minimal_ms = Median(minimal.ms), orbelle_ms = Median(orbelle.ms);
        const double floor_ms = minimal_ms + kRedrawPauseMs;
        minimal_mb.push_back(Median(minimal.resident_mb));
        std::printf("start-up until the window shows (reminders at the alarm time %s), median of %d: minimal program "
                    "%.0f ms (%.1f MB resident)\n",
                    mode[0] == L'1' ? "on" : "off", kRuns, minimal_ms, minimal_mb.back());
        std::printf("  Orbelle, empty table: %.0f ms, %.2f x (minimal + %.0f ms pause; goal at most 1.4); "
                    "%.1f MB resident, %.2f x the minimal program's (goal at most 1.5)\n",
                    orbelle_ms, orbelle_ms / floor_ms, kRedrawPauseMs, Median(orbelle.resident_mb),
                    Median(orbelle.resident_mb) / minimal_mb.back());
    }
    WritePrivateProfileStringW(L"Reminders", L"AtAlarmTime", L"0", (folder / "Pellmar.ini").c_str());
    constexpr int kManyEvents = 100'000;
    orbelle::bench::MakeEventTable(folder / "db" / "TODOLIST.DB", kManyEvents);
    HeadTrace("warming");
    TimeToWindow(folder / "Orbelle.exe");  // the new table into the file cache
    // The events on the calendar are read after its first showing: their
    // switches on must not delay it.
    for (const wchar_t* mode : {L"0", L"1"}) {
        WritePrivateProfileStringW(L"Calendar", L"ShowEvents", mode, (folder / "Pellmar.ini").c_str());
        WritePrivateProfileStringW(L"Calendar", L"ShowUpcoming", mode, (folder / "Pellmar.ini").c_str());
        Runs many, minimal;
        HeadTrace(mode[0] == L'1' ? "100,000 events, events on the calendar" : "100,000 events");
        for (int run = 0; run < kRuns; ++run) {
            minimal.Add(TimeToWindow(folder / "minimal_window.exe"));
            many.Add(TimeToWindow(folder / "Orbelle.exe"));
        }
        const double floor_ms = Median(minimal.ms) + kRedrawPauseMs, many_ms = Median(many.ms);
        std::printf("  Orbelle, %d events, events on the calendar %s: %.0f ms, %.2f x (minimal %.0f ms + pause; "
                    "goal at most 4); %.1f MB resident\n",
                    kManyEvents, mode[0] == L'1' ? "on" : "off", many_ms, many_ms / floor_ms, Median(minimal.ms),
                    Median(many.resident_mb));
    }
    std::filesystem::remove_all(folder);
    return 0;
}
