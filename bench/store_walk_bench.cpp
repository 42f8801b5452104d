// The event list loads every record at start: the store's walk of 100,000
// rows and the list's load of only its fields, beside a bare SQLite SELECT
// of the same rows; the table's open, check and load at start, in turn and
// on the start-up load's two threads; the reminder scan's test of every record.
#include <benchmark/benchmark.h>

#include "event_table_fixture.h"
#include "base/clock.h"
#include "base/reminder_due.h"
#include "eventlist/list_rows.h"
#include "eventlist/startup_table_load.h"

namespace {

constexpr int kRows = 100'000;

const std::filesystem::path& TableFile() {
    static const std::filesystem::path file = [] {
        auto path = std::filesystem::temp_directory_path() / "orbelle-bench" / "TODOLIST.DB";
        std::filesystem::create_directories(path.parent_path());
        orbelle::bench::MakeEventTable(path, kRows);
        return path;
    }();
    return file;
}

void BM_StoreWalkToListRows(benchmark::State& state) {
    orbelle::EventCursor cursor;
    cursor.Open(TableFile());
    for (auto _ : state) {
        std::vector<orbelle::ListRow> rows;
        for (cursor.First(); !cursor.Eof(); cursor.Next())
            rows.push_back(orbelle::RowFromCursor(cursor, orbelle::StartFormat::Added));
        benchmark::DoNotOptimize(rows.data());
        if (rows.size() != kRows) state.SkipWithError("wrong row count");
    }
}
BENCHMARK(BM_StoreWalkToListRows)->Unit(benchmark::kMillisecond);

// What the list loads at start: only the fields its rows keep.
void BM_ListLoadOfItsFields(benchmark::State& state) {
    orbelle::EventCursor cursor;
    cursor.Open(TableFile());
    for (auto _ : state) {
        std::vector<orbelle::ListRow> rows;
        cursor.WalkFields(orbelle::ListRowFields(), [&](const orbelle::EventCursor::Fields& fields) {
            rows.push_back(orbelle::RowFromFields(fields, orbelle::StartFormat::Added));
        });
        benchmark::DoNotOptimize(rows.data());
        if (rows.size() != kRows) state.SkipWithError("wrong row count");
    }
}
BENCHMARK(BM_ListLoadOfItsFields)->Unit(benchmark::kMillisecond);

// The list's start before the start-up load: open and check, then read.
void BM_OpenCheckThenLoad(benchmark::State& state) {
    for (auto _ : state) {
        orbelle::EventCursor cursor;
        cursor.Open(TableFile());
        std::vector<orbelle::ListRow> rows;
        cursor.WalkFields(orbelle::ListRowFields(), [&](const orbelle::EventCursor::Fields& fields) {
            rows.push_back(orbelle::RowFromFields(fields, orbelle::StartFormat::Added));
        });
        if (rows.size() != kRows) state.SkipWithError("wrong row count");
    }
}
BENCHMARK(BM_OpenCheckThenLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same on the start-up load's two threads, the check beside the read.
void BM_StartupTableLoad(benchmark::State& state) {
    for (auto _ : state) {
        orbelle::StartupTableLoad load(TableFile());
        orbelle::StartupTableLoad::Outcome outcome = load.Take();
        if (!outcome.rows || outcome.rows->size() != kRows) state.SkipWithError("no rows from the load");
    }
}
BENCHMARK(BM_StartupTableLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reminder scan's pass over every record: three fields each.
void BM_ReminderScanTest(benchmark::State& state) {
    orbelle::EventCursor cursor;
    cursor.Open(TableFile());
    const std::size_t accept_text = orbelle::FindEventField("accepttext").value(),
                      next_alarm = orbelle::FindEventField("nextalarm").value();
    const std::size_t fields[] = {orbelle::kIdField, accept_text, next_alarm};
    for (auto _ : state) {
        std::size_t due = 0;
        cursor.WalkFields(fields, [&](const orbelle::EventCursor::Fields& record) {
            due += orbelle::IsReminderDue(record.FieldText(accept_text), record.FieldDateTime(next_alarm),
                                          orbelle::Today());
        });
        benchmark::DoNotOptimize(due);
    }
}
BENCHMARK(BM_ReminderScanTest)->Unit(benchmark::kMillisecond);

void BM_BareSelectAllColumns(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open(TableFile().string().c_str(), &db);
    for (auto _ : state) {
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM TODOLIST ORDER BY Id", -1, &select, nullptr);
        std::int64_t checksum = 0;
        while (sqlite3_step(select) == SQLITE_ROW) {
            for (int column = 0; column < 37; ++column) {
                checksum += sqlite3_column_type(select, column) == SQLITE_TEXT
                                ? sqlite3_column_bytes(select, column)
                                : sqlite3_column_int64(select, column);
            }
        }
        sqlite3_finalize(select);
        benchmark::DoNotOptimize(checksum);
    }
    sqlite3_close(db);
}
BENCHMARK(BM_BareSelectAllColumns)->Unit(benchmark::kMillisecond);

}  // namespace
