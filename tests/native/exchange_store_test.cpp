#include <gtest/gtest.h>
#include <sqlite3.h>

#include "base/error.h"
#include "exchange_fixture.h"
#include "temp_folder.h"

namespace orbelle {
namespace {
using namespace exchange_test;

class ExchangeStoreTest : public ::testing::Test {
protected:
    std::filesystem::path Table() const { return folder_.Path() / "db" / "TODOLIST.DB"; }

    static IncomingEvent Event(std::string uid, std::string subject) {
        IncomingEvent event{std::move(uid), {}};
        event.record.SetText("Subject", subject);
        event.record.SetDateTime("Date", At(2024y / 6 / 1, 9, 0));
        return event;
    }

    void Exec(const char* sql) {
        sqlite3* db = nullptr;
        sqlite3_open(Table().string().c_str(), &db);
        ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    TempFolder folder_;
};

TEST_F(ExchangeStoreTest, AFailureInsideAnImportStoresNothing) {
    PostRecords(Table(), {EditorRecord("Kept", At(2024y / 1 / 1, 9, 0), "2")});
    Exec("CREATE TRIGGER refuse BEFORE INSERT ON TODOLIST WHEN NEW.Subject = 'boom' "
         "BEGIN SELECT RAISE(ABORT, 'refused by test'); END");
    ExchangeStore store(Table());
    std::vector<StoredEvent> before = store.LoadAll();
    EXPECT_THROW(store.Store({Event("a", "First"), Event("b", "Second"), Event("c", "boom")}), Error);
    std::vector<StoredEvent> after = ExchangeStore(Table()).LoadAll();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].record, before[0].record);
    EXPECT_EQ(after[0].uid, before[0].uid);
}

TEST_F(ExchangeStoreTest, UidsOfDeletedEventsAddAgainAndEmptyUidsAlwaysAdd) {
    PostRecords(Table(), {});
    ExchangeStore store(Table());
    EXPECT_EQ(store.Store({Event("a", "One"), Event("", "Two"), Event("", "Three")}).added, 3u);
    Exec("DELETE FROM TODOLIST WHERE Subject = 'One'");
    StoreCounts counts = store.Store({Event("a", "One again"), Event("", "Two")});
    EXPECT_EQ(counts.added, 2u);
    EXPECT_EQ(counts.updated, 0u);
    std::vector<StoredEvent> events = store.LoadAll();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events.back().record.Text("Subject"), "Two");
    EXPECT_EQ(events[2].uid, "a");
    for (const StoredEvent& event : events) EXPECT_FALSE(event.uid.empty());
}

TEST_F(ExchangeStoreTest, RefusesFilesThatHoldNoEventTable) {
    EXPECT_THROW(ExchangeStore(folder_.Path() / "missing.db"), Error);
    WriteBytes(folder_.Path() / "other.db", "not a database at all, just text");
    EXPECT_THROW(ExchangeStore(folder_.Path() / "other.db"), Error);
    WriteBytes(folder_.Path() / "in.ics", "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    ImportReport report = ImportICalendarFile(folder_.Path() / "missing.db", folder_.Path() / "in.ics", BerlinContext());
    EXPECT_EQ(report.outcome, ImportOutcome::TableUnavailable);
    EXPECT_NE(report.Summary().find("Cannot open the event table"), std::string::npos);
}

}  // namespace
}  // namespace orbelle
