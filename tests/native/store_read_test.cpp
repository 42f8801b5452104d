// What the cursor hands on from records that another program may have written,
// and long walks across its read-ahead batches.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <limits>

#include "base/reminder_due.h"
#include "eventlist/list_rows.h"
#include "store/event_cursor.h"
#include "temp_folder.h"

namespace orbelle {
namespace {

class StoreReadTest : public ::testing::Test {
protected:
    void SetUp() override {
        EventCursor creator;
        creator.Open(File());
        ASSERT_EQ(sqlite3_open(File().string().c_str(), &raw_), SQLITE_OK);
    }
    void TearDown() override { sqlite3_close(raw_); }

    std::filesystem::path File() const { return folder_.Path() / "TODOLIST.DB"; }

    // Stores a record as any SQLite tool could; a null date leaves the field empty.
    void Store(std::int64_t id, const std::string& subject, std::optional<double> days) {
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(raw_, "INSERT INTO TODOLIST (Id, Subject, Date, StartHour, NextAlarm) VALUES (?, ?, ?, ?, ?)",
                           -1, &insert, nullptr);
        sqlite3_bind_int64(insert, 1, id);
        sqlite3_bind_text(insert, 2, subject.c_str(), -1, SQLITE_TRANSIENT);
        for (int column = 3; column <= 5; ++column) {
            if (days) sqlite3_bind_double(insert, column, *days);
            else sqlite3_bind_null(insert, column);
        }
        ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE) << sqlite3_errmsg(raw_);
        sqlite3_finalize(insert);
    }

    TempFolder folder_;
    sqlite3* raw_ = nullptr;
};

TEST_F(StoreReadTest, DatesOutsideTheCalendarReadLikeAnEmptyField) {
    struct Case {
        const char* name;
        double days;
    };
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"1e300", 1e300},
        {"-1e300", -1e300},
        {"Infinity", kInf},
        {"-Infinity", -kInf},
        {"NaN", std::numeric_limits<double>::quiet_NaN()},
        {"year 0", -693594},
        {"year 10000", 2958466},
        {"far future", 9.3e18},
    };
    Store(1, "empty", std::nullopt);
    std::int64_t id = 2;
    for (const auto& c : cases) Store(id++, c.name, c.days);

    EventCursor cursor;
    cursor.Open(File());
    cursor.First();
    const ListRow empty = RowFromCursor(cursor, StartFormat::Added);
    const DateTime today = DateTime::FromDate(2026, 12, 10);
    for (cursor.Next(); !cursor.Eof(); cursor.Next()) {
        SCOPED_TRACE(cursor.FieldText("subject"));
        for (const char* field : {"date", "starthour", "nextalarm"}) {
            DateTime value = cursor.FieldDateTime(field);  // what the editor and the scan read
            EXPECT_EQ(value.Days(), 0) << field;
            EXPECT_EQ(value.Date(), DateTime().Date());
            EXPECT_EQ(value.Time(), TimeOfDay{});
        }
        EXPECT_EQ(IsReminderDue("N", cursor.FieldDateTime("nextalarm"), today),
                  IsReminderDue("N", empty.next_alarm, today));
        for (auto format : {StartFormat::Added, StartFormat::Rewritten}) {
            ListRow row = RowFromCursor(cursor, format);
            ListRow reference = empty;
            reference.start_format = format;
            for (int column = 1; column <= 3; ++column)
                EXPECT_EQ(CellText(row, column, EnglishNames()), CellText(reference, column, EnglishNames()))
                    << "column " << column;
        }
    }
}

// The list's load reads only the fields its rows keep: the rows must be the
// ones the whole records make, and the cursor must end where a walk ends.
TEST_F(StoreReadTest, TheListsLoadMakesTheRowsOfTheWholeRecords) {
    const auto all_rows = [](EventCursor& cursor) {
        std::vector<ListRow> rows;
        for (cursor.First(); !cursor.Eof(); cursor.Next()) rows.push_back(RowFromCursor(cursor, StartFormat::Added));
        return rows;
    };
    const auto loaded_rows = [](EventCursor& cursor) {
        std::vector<ListRow> rows;
        cursor.WalkFields(ListRowFields(), [&](const EventCursor::Fields& fields) {
            rows.push_back(RowFromFields(fields, StartFormat::Added));
        });
        return rows;
    };
    const auto expect_same = [](const std::vector<ListRow>& loaded, const std::vector<ListRow>& whole) {
        ASSERT_EQ(loaded.size(), whole.size());
        for (std::size_t i = 0; i < whole.size(); ++i) {
            SCOPED_TRACE("row " + std::to_string(i));
            EXPECT_EQ(loaded[i].id, whole[i].id);
            for (int column = 0; column < kListColumnCount; ++column)
                EXPECT_EQ(CellText(loaded[i], column, EnglishNames()), CellText(whole[i], column, EnglishNames()))
                    << "column " << column;
        }
    };

    EventCursor cursor;
    cursor.Open(File());
    expect_same(loaded_rows(cursor), {});
    EXPECT_TRUE(cursor.Eof());
    EXPECT_EQ(cursor.FieldText("subject"), "");

    // Values as other programs may store them, across several read-ahead batches.
    Store(-3, "negative", std::nullopt);
    Store(2, "infinite", std::numeric_limits<double>::infinity());
    for (std::int64_t id = 10; id < 1200; ++id) Store(id, "event " + std::to_string(id), 45000.25 + id);
    ASSERT_EQ(sqlite3_exec(raw_,
                           "UPDATE TODOLIST SET Subject = 42, Duration = 1.5, Type = 'Meeting', Priority = 'High' "
                           "WHERE Id = 11",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    expect_same(loaded_rows(cursor), all_rows(cursor));
    EXPECT_TRUE(cursor.Eof());
    EXPECT_EQ(cursor.FieldText("subject"), "event 1199");
    EXPECT_EQ(cursor.FieldText("memo"), "");
    cursor.Next();  // at the end it stays on the last record
    EXPECT_EQ(cursor.FieldText("Id"), "1199");
    cursor.Edit();  // the whole record is there to edit
    cursor.SetFieldText("subject", "changed");
    cursor.Post();
    ASSERT_TRUE(cursor.SeekId(1199));
    EXPECT_EQ(cursor.FieldText("subject"), "changed");
    EXPECT_EQ(cursor.FieldText("Id"), "1199");
}

TEST_F(StoreReadTest, ListRowsKeepNegativeAndLargeIdsExactly) {
    for (std::int64_t id : {-7LL, -1LL, 5LL, 9007199254740993LL}) Store(id, "id " + std::to_string(id), 45000);
    EventCursor cursor;
    cursor.Open(File());
    std::vector<std::int64_t> ids;
    for (cursor.First(); !cursor.Eof(); cursor.Next()) ids.push_back(RowFromCursor(cursor, StartFormat::Added).id);
    ASSERT_EQ(ids, (std::vector<std::int64_t>{-7, -1, 5, 9007199254740993LL}));
    // Modify and Delete seek the row's Id: each must find its own record.
    for (std::int64_t id : ids) {
        ASSERT_TRUE(cursor.SeekId(id)) << id;
        EXPECT_EQ(cursor.FieldText("subject"), "id " + std::to_string(id));
    }
    ASSERT_TRUE(cursor.SeekId(-7));
    cursor.Delete();
    EXPECT_FALSE(cursor.SeekId(-7));
    EXPECT_TRUE(cursor.SeekId(-1));
}

TEST_F(StoreReadTest, AWalkOverSeveralBatchesSeesEveryRecordOnceDespiteWrites) {
    // Ids with gaps, so no batch boundary falls on a round number.
    constexpr int kRecords = 1700;
    sqlite3_exec(raw_, "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < kRecords; ++i) Store(3 * i + 1, std::to_string(3 * i + 1), 45000);
    sqlite3_exec(raw_, "COMMIT", nullptr, nullptr, nullptr);
    const std::int64_t added = 3 * kRecords + 1;

    EventCursor cursor;
    cursor.Open(File());
    std::vector<std::int64_t> seen;
    cursor.First();
    while (!cursor.Eof()) {
        std::int64_t id = std::stoll(cursor.FieldText("id"));
        seen.push_back(id);
        EXPECT_EQ(cursor.FieldText("subject"), std::to_string(id));
        if (seen.size() == 700) {
            // Another program adds a record at the end; this one is deleted and
            // the cursor moves on to the next record by itself.
            Store(added, std::to_string(added), 45000);
            cursor.Delete();
            continue;
        }
        if (seen.size() % 300 == 0) {
            cursor.Edit();
            cursor.SetFieldText("accepttext", "Y");
            cursor.Post();
            ASSERT_EQ(std::stoll(cursor.FieldText("id")), id);
        }
        cursor.Next();
    }
    std::vector<std::int64_t> expected;
    for (int i = 0; i < kRecords; ++i) expected.push_back(3 * i + 1);
    expected.push_back(added);
    EXPECT_EQ(seen, expected);
    int accepted = 0;
    for (cursor.First(); !cursor.Eof(); cursor.Next()) accepted += cursor.FieldText("accepttext") == "Y";
    EXPECT_EQ(accepted, static_cast<int>(expected.size()) / 300);
}

}  // namespace
}  // namespace orbelle
