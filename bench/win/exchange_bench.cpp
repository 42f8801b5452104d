// Under Wine: export and import of 100,000 events as iCalendar, and their CSV
// export, the table file to the file and back as the program runs them.
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "../exchange_bench_table.h"

namespace {

double MillisecondsOf(auto&& action) {
    auto begin = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    using namespace orbelle;
    fs::path folder = fs::temp_directory_path() / "orbelle-exchange-bench";
    fs::remove_all(folder);
    fs::create_directories(folder / "full");
    fs::create_directories(folder / "import");
    fs::path table = folder / "full" / "TODOLIST.DB", copy = folder / "import" / "TODOLIST.DB";
    bench::MakeExchangeTable(table, bench::kExchangeEvents);
    ExchangeContext context = bench::ExchangeBenchContext();
    for (int run = 1; run <= 3; ++run) {
        double exported = MillisecondsOf([&] { ExportICalendarFile(table, folder / "out.ics", context); });
        bench::MakeEmptyEventTable(copy);
        ImportReport report;
        double imported = MillisecondsOf([&] { report = ImportICalendarFile(copy, folder / "out.ics", context); });
        double csv = MillisecondsOf([&] { ExportCsvFile(table, folder / "out.csv", context); });
        std::printf("run %d: %d events, export %.0f ms (%.1f MB), import %.0f ms (%zu added), CSV export %.0f ms\n", run,
                    bench::kExchangeEvents, exported,
                    static_cast<double>(fs::file_size(folder / "out.ics")) / (1 << 20), imported, report.added, csv);
    }
    fs::remove_all(folder);
    return 0;
}
