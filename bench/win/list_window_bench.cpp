// Under Wine: the event list window with 100,000 events, from creation until
// it is shown and painted, as a user would open it.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>

#include "../event_table_fixture.h"
#include "app/application.h"
#include "eventlist/event_list_window.h"
#include "platform/shell_libraries.h"
#include "ui/message_loop.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: list_window_bench <folder of the installed files>\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // lines show as they come, also into a pipe
    orbelle::StartCommonControls();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    auto folder = std::filesystem::path(temp) / "orbelle-list-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "db");
    // The tray picture and skins a program folder holds.
    for (const char* part : {"pic", "Skins"})
        std::filesystem::copy(std::filesystem::path(argv[1]) / part, folder / part,
                              std::filesystem::copy_options::recursive);
    constexpr int kRows = 100'000;
    orbelle::bench::MakeEventTable(folder / "db" / "TODOLIST.DB", kRows);

    using ms = std::chrono::duration<double, std::milli>;
    for (int run = 0; run < 3; ++run) {
        auto start = std::chrono::steady_clock::now();
        orbelle::sql::Database db(folder / "db" / "TODOLIST.DB", orbelle::sql::OpenMode::kExisting);
        orbelle::sql::Statement select(db, "SELECT * FROM TODOLIST ORDER BY Id");
        std::size_t rows = 0, bytes = 0;
        for (; select.Step(); ++rows)
            for (int column = 0; column < 37; ++column) bytes += select.ColumnText(column).size();
        std::printf("run %d: a bare SELECT of %zu rows %.0f ms (%zu bytes)\n", run, rows,
                    ms(std::chrono::steady_clock::now() - start).count(), bytes);
    }
    for (int run = 0; run < 3; ++run) {
        auto start = std::chrono::steady_clock::now();
        orbelle::EventCursor cursor;
        cursor.Open(folder / "db" / "TODOLIST.DB");
        auto opened = std::chrono::steady_clock::now();
        std::vector<orbelle::ListRow> rows;
        for (cursor.First(); !cursor.Eof(); cursor.Next())
            rows.push_back(orbelle::RowFromCursor(cursor, orbelle::StartFormat::Added));
        auto walked = std::chrono::steady_clock::now();
        std::vector<orbelle::ListRow> list_rows;
        cursor.WalkFields(orbelle::ListRowFields(), [&](const orbelle::EventCursor::Fields& fields) {
            list_rows.push_back(orbelle::RowFromFields(fields, orbelle::StartFormat::Added));
        });
        std::printf("run %d: the table opened and checked %.0f ms; the store's walk of %zu rows alone %.0f ms, "
                    "the list's load of its fields %.0f ms\n",
                    run, ms(opened - start).count(), rows.size(), ms(walked - opened).count(),
                    ms(std::chrono::steady_clock::now() - walked).count());
    }
    for (int run = 0; run < 3; ++run) {
        auto start = std::chrono::steady_clock::now();
        orbelle::StartupOptions options;
        options.mutex_name = L"orbelle-list-bench";
        options.program_folder = folder;
        orbelle::Application app(options);
        app.CreateStartupWindows();
        auto created = std::chrono::steady_clock::now();
        auto& list = *app.EventList();
        list.ShowMainWindow();
        UpdateWindow(list.Hwnd());
        orbelle::ProcessPendingMessages();
        auto shown = std::chrono::steady_clock::now();
        // Usable: the last row can be reached and read at once.
        wchar_t text[64];
        ListView_EnsureVisible(list.ListView(), kRows - 1, FALSE);
        ListView_GetItemText(list.ListView(), kRows - 1, 0, text, 64);
        UpdateWindow(list.ListView());
        auto scrolled = std::chrono::steady_clock::now();
        std::printf("run %d: %d rows, start-up windows %.0f ms, shown and painted %.0f ms, last row %.0f ms (%ls)\n",
                    run, ListView_GetItemCount(list.ListView()), ms(created - start).count(),
                    ms(shown - start).count(), ms(scrolled - start).count(), text);
    }
    std::filesystem::remove_all(folder);
}
