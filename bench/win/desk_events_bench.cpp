// Under Wine: the events on the desktop calendar with 100,000 events. The
// marks of a month worked out from events in memory (a tenth of them
// repeating, every kind of rule), then in the program: the first read of the
// table after the calendar shows, a navigation step until the new month shows
// with its marks, and a redraw with the month's marks kept.
// Argument: the folder of the installed files.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

#include "../event_table_fixture.h"
#include "../reminder_events_fixture.h"
#include "app/application.h"
#include "deskevents/event_days.h"
#include "desktop/desktop_window.h"
#include "platform/skin_image.h"
#include "ui/message_loop.h"

namespace {
using ms = std::chrono::duration<double, std::milli>;

void Report(const char* what, std::vector<double> times, const char* goal) {
    std::sort(times.begin(), times.end());
    std::printf("%s, %zu runs: median %.2f ms, fastest %.2f ms, slowest %.2f ms (goal: %s)\n", what, times.size(),
                times[times.size() / 2], times.front(), times.back(), goal);
}

double Time(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return ms(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace orbelle;
    if (argc < 2) {
        std::fprintf(stderr, "usage: desk_events_bench <installed files>\n");
        return 2;
    }
    {
        std::vector<DeskEvent> events;
        for (const ReminderEvent& e : bench::MakeReminderEvents(10))
            events.push_back({.id = e.id, .subject = e.subject, .start = e.start, .accepted = e.accepted,
                              .rule = e.recurring ? e.rule : RecurrenceRule{.kind = RecurrenceKind::None}});
        std::vector<double> times;
        std::chrono::year_month month = std::chrono::year{2026} / std::chrono::January;
        for (int run = 0; run < 15; ++run, month += std::chrono::months{1})
            times.push_back(Time([&] { MarksOfMonth(events, month); }));
        Report("marks of a month, 100,000 events in memory (10% repeating)", times, "under 100 ms");
    }

    GdiplusSession gdiplus;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    auto folder = std::filesystem::path(temp) / "orbelle-desk-events-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "db");
    for (const wchar_t* part : {L"Skins", L"pic"})
        std::filesystem::copy(std::filesystem::path(argv[1]) / part, folder / part,
                              std::filesystem::copy_options::recursive);
    bench::MakeEventTable(folder / "db" / "TODOLIST.DB", bench::kReminderEvents);
    WritePrivateProfileStringW(L"Calendar", L"ShowEvents", L"1", (folder / "Pellmar.ini").c_str());
    {
        StartupOptions options;
        options.mutex_name = L"orbelle-desk-events-bench";
        options.program_folder = folder;
        Application app(options);
        app.CreateStartupWindows();
        DesktopWindow& desktop = *app.Desktop();
        ShowWindow(desktop.Hwnd(), SW_SHOWNOACTIVATE);
        desktop.SetPauseAfterRedraw(false);
        // The first read starts with the first message the loop reads and
        // runs on a thread of its own; the window thread only takes its outcome.
        double longest_message_ms = 0;
        const double read_ms = Time([&] {
            while (!app.EventsOnCalendar().Loaded()) {
                longest_message_ms = std::max(longest_message_ms, Time([] { ProcessPendingMessages(); }));
                Sleep(1);
            }
        });
        std::printf("first read of the events after the calendar shows: %.0f ms on its thread; the window thread's "
                    "longest turn meanwhile %.1f ms\n",
                    read_ms, longest_message_ms);
        std::vector<double> steps, redraws;
        for (int run = 0; run < 30; ++run) {
            steps.push_back(Time([&] {
                desktop.MonthForward();
                desktop.repaintpng1();
            }));
            redraws.push_back(Time([&] { desktop.repaintpng1(); }));
        }
        Report("navigation step with marks, 100,000 events (new month, without the pause)", steps, "under 150 ms");
        Report("redraw with the month's marks kept (without the pause)", redraws, "under 20 ms");
        app.DestroyWindows();
    }
    std::filesystem::remove_all(folder);
    return 0;
}
