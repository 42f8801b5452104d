// Export and import of 100,000 events as iCalendar, and their CSV export:
// the table file to the file and back, as the Tools menu runs them.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/datefmt.h"
#include "exchange/exchange_files.h"
#include "store/event_cursor.h"
#include "store/event_rule.h"
#include "store/exchange_store.h"

namespace {
using namespace orbelle;
using namespace std::chrono;

constexpr int kEvents = 100'000;

ExchangeContext Context() {
    ZoneRules zone;
    zone.name = "Europe/Berlin";
    zone.standard_offset = 3600;
    zone.daylight_offset = 7200;
    zone.to_daylight = ZoneChange{3, 5, 0, 120};
    zone.to_standard = ZoneChange{10, 5, 0, 180};
    return {zone, EnglishNames(), DateTime::FromParts(2026y / 12 / 10, {14, 0, 0, 0})};
}

std::filesystem::path Folder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / "orbelle-ical-bench";
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

void MakeEmptyTable(const std::filesystem::path& file) {
    std::filesystem::remove(file);
    EventCursor cursor;
    cursor.Open(file);
}

// Records as the editor writes them, of every rule kind in turn.
const std::filesystem::path& FullTable() {
    static const std::filesystem::path file = [] {
        auto path = Folder() / "full" / "TODOLIST.DB";
        MakeEmptyTable(path);
        std::vector<IncomingEvent> events;
        for (int i = 0; i < kEvents; ++i) {
            EventRecord r;
            DateTime start = DateTime(45000.375 + i * 0.25);
            r.SetText("Subject", "Event number " + std::to_string(i));
            r.SetText("Priority", "Normal");
            r.SetText("Memo", "Notes for the event, with a comma; and a second line\r\nhere");
            r.SetText("Type", "Meeting");
            r.SetText("Remind", "15 minutes");
            r.SetText("Duration", "1 hour");
            r.SetText("Sound", "Alarm.wav");
            r.SetText("Repleat", i % 5 == 0 ? "N" : "Y");
            RecurrenceRule rule;  // a new event's fields, with the chosen kind's filled in
            rule.kind = static_cast<RecurrenceKind>(1 + i % 4);
            if (rule.kind == RecurrenceKind::Weekly) rule.weekly.on[1] = true;
            if (rule.kind == RecurrenceKind::Monthly && i % 8 < 4)
                rule.monthly = {.variant = MonthlyVariant::DayOfMonth, .day = 15};
            if (rule.kind == RecurrenceKind::Monthly && i % 8 >= 4)
                rule.monthly = {.ordinal = kMonthlyLast, .weekday = 5};
            if (rule.kind == RecurrenceKind::Yearly)
                rule.yearly = {.variant = YearlyVariant::MonthDay, .day_month = 2, .day = 15};
            for (auto& [name, text] : FieldsFromRule(rule, EnglishNames())) r.SetText(name, text);
            r.SetText("Accepttext", i % 3 == 0 ? "Y" : "N");
            r.SetDateTime("Date", start);
            r.SetDateTime("StartHour", start);
            r.SetDateTime("NextAlarm", start);
            events.push_back({"", std::move(r)});
        }
        ExchangeStore(path).Store(events);
        return path;
    }();
    return file;
}

void BM_ExportICalendar100k(benchmark::State& state) {
    const auto& table = FullTable();
    ExchangeStore(table).LoadAll();  // UIDs given once, as by a first export
    for (auto _ : state) ExportICalendarFile(table, Folder() / "out.ics", Context());
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(Folder() / "out.ics")) / (1 << 20);
}
BENCHMARK(BM_ExportICalendar100k)->Unit(benchmark::kMillisecond);

void BM_ImportICalendar100k(benchmark::State& state) {
    ExportICalendarFile(FullTable(), Folder() / "in.ics", Context());
    auto table = Folder() / "import" / "TODOLIST.DB";
    for (auto _ : state) {
        state.PauseTiming();
        MakeEmptyTable(table);
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
