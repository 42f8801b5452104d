// Under Wine: from starting the process until its window is on the screen,
// Orbelle.exe (the desktop calendar, with its program folder laid out) and a
// minimal Win32 program that only shows one window, taken in turns in one run.
// Arguments: Orbelle.exe, the folder of the installed files, minimal_window.exe.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {
using ms = std::chrono::duration<double, std::milli>;

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

// Milliseconds from CreateProcess until a window of the process is visible;
// the program is then closed and waited for. Negative when it never showed.
double TimeToWindow(const std::filesystem::path& program) {
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + program.wstring() + L"\"";
    auto start = std::chrono::steady_clock::now();
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        program.parent_path().c_str(), &startup, &process))
        return -1;
    Search search{process.dwProcessId, nullptr};
    double elapsed = -1;
    while (ms(std::chrono::steady_clock::now() - start).count() < 20000) {
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            elapsed = ms(std::chrono::steady_clock::now() - start).count();
            break;
        }
        Sleep(1);
    }
    if (search.found) PostMessageW(search.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return elapsed;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

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

    TimeToWindow(folder / "Orbelle.exe");  // makes the table, warms the caches
    TimeToWindow(folder / "minimal_window.exe");
    // Reminders at their alarm time start after the calendar's first showing:
    // the mode on must not delay it.
    for (const wchar_t* mode : {L"0", L"1"}) {
        WritePrivateProfileStringW(L"Reminders", L"AtAlarmTime", mode, (folder / "Pellmar.ini").c_str());
        std::vector<double> orbelle, minimal;
        for (int run = 0; run < 7; ++run) {
            minimal.push_back(TimeToWindow(folder / "minimal_window.exe"));
            orbelle.push_back(TimeToWindow(folder / "Orbelle.exe"));
        }
        double orbelle_ms = Median(orbelle), minimal_ms = Median(minimal);
        std::printf("start-up until the window shows (reminders at the alarm time %s), median of %zu: Orbelle %.0f ms, "
                    "minimal program %.0f ms, ratio %.2f (goal: at most 1.5)\n",
                    mode[0] == L'1' ? "on" : "off", orbelle.size(), orbelle_ms, minimal_ms, orbelle_ms / minimal_ms);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
