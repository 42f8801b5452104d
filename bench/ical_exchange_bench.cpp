// Export and import of 100,000 events as iCalendar, and their CSV export:
// the table file to the file and back, as the Tools menu runs them.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "exchange_bench_table.h"

namespace {
using namespace orbelle;
using namespace std::chrono;

constexpr int kEvents = bench::kExchangeEvents;

ExchangeContext Context() { return bench::ExchangeBenchContext(); }

std::filesystem::path Folder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / "orbelle-ical-bench";
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

const std::filesystem::path& FullTable() {
    static const std::filesystem::path file = [] {
        auto path = Folder() / "full" / "TODOLIST.DB";
        bench::MakeExchangeTable(path, kEvents);
        return path;
    }();
    return file;
}

void BM_ExportICalendar100k(benchmark::State& state) {
    const auto& table = FullTable();
    for (auto _ : state) ExportICalendarFile(table, Folder() / "out.ics", Context());
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(Folder() / "out.ics")) / (1 << 20);
}
BENCHMARK(BM_ExportICalendar100k)->Unit(benchmark::kMillisecond);

void BM_ImportICalendar100k(benchmark::State& state) {
    ExportICalendarFile(FullTable(), Folder() / "in.ics", Context());
    auto table = Folder() / "import" / "TODOLIST.DB";
    for (auto _ : state) {
        state.PauseTiming();
        bench::MakeEmptyEventTable(table);
        state.ResumeTiming();
        ImportReport report = ImportICalendarFile(table, Folder() / "in.ics", Context());
        if (report.added != kEvents) state.SkipWithError(report.Summary().c_str());
    }
}
BENCHMARK(BM_ImportICalendar100k)->Unit(benchmark::kMillisecond);

// The reader alone: the file's text to records, without the table.
void BM_ReadICalendar100k(benchmark::State& state) {
    ExportICalendarFile(FullTable(), Folder() / "in.ics", Context());
    std::ifstream in(Folder() / "in.ics", std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), {}};
    ExchangeContext context = Context();
    for (auto _ : state) {
        ical::CalendarReading reading =
            ical::ReadICalendar(text, context.local_zone, context.now_local, context.names);
        if (reading.events.size() != kEvents) state.SkipWithError("wrong event count");
    }
}
BENCHMARK(BM_ReadICalendar100k)->Unit(benchmark::kMillisecond);

void BM_ExportCsv100k(benchmark::State& state) {
    const auto& table = FullTable();
    for (auto _ : state) ExportCsvFile(table, Folder() / "out.csv", Context());
}
BENCHMARK(BM_ExportCsv100k)->Unit(benchmark::kMillisecond);

}  // namespace
