#include <gtest/gtest.h>

#include <stdexcept>

#include "exchange_fixture.h"
#include "sync/sync_tables.h"
#include "temp_folder.h"

namespace orbelle::sync {
namespace {
using namespace exchange_test;

class SyncTablesTest : public ::testing::Test {
protected:
    void SetUp() override { PostRecords(Table(), {EditorRecord("Here before", At(2026y / 12 / 1, 9, 0), "2")}); }
    std::filesystem::path Table() const { return folder_.Path() / "db" / "TODOLIST.DB"; }

    static IncomingEvent Event(std::string uid, std::string subject) {
        IncomingEvent event{std::move(uid), {}};
        event.record.SetText("Subject", subject);
        event.record.SetDateTime("Date", At(2026y / 12 / 14, 9, 30));
        return event;
    }

    static SyncItemRow Row(std::int64_t event_id, std::string href) {
        return {event_id, "uid-" + href, href, "\"etag-" + href + "\"", "local", "remote", "", true, ""};
    }

    TempFolder folder_;
};

TEST_F(SyncTablesTest, RowsKeepEveryValueAcrossConnections) {
    const SyncItemRow inexact{7, "a@x", "http://h/cal/a.ics", "W/\"1\"", "aa", "bb",
                              "BEGIN:VCALENDAR\r\nRRULE:FREQ=DAILY;COUNT=3\r\n", false, "20261214T091500Z"};
    const SyncCalendarRow calendar{"http://h/cal/", "http://h/sync/12", "ctag-3", "2026-12-14 09:30", "done"};
    const KeptVersion kept{0, "b@x", "Dentist", "server", "2026-12-14 09:31", "BEGIN:VCALENDAR\r\n"};
    const std::vector<AsideItem> aside{{"http://h/cal/c.ics", "c@x", "Odd", "it holds no event", "2026-12-14"}};
    std::int64_t kept_id = 0;
    ExchangeStore(Table()).InTransaction([&](sql::Database& db) {
        SyncTables tables(db);
        tables.PutItem(Row(1, "http://h/cal/b.ics"));
        tables.PutItem(inexact);
        tables.PutCalendar(calendar);
        kept_id = tables.Keep(kept);
        tables.ReplaceAside(aside);
    });
    ExchangeStore(Table()).InTransaction([&](sql::Database& db) {
        SyncTables tables(db);
        std::vector<SyncItemRow> items = tables.Items();
        ASSERT_EQ(items.size(), 2u);
        EXPECT_EQ(items[0], Row(1, "http://h/cal/b.ics"));
        EXPECT_EQ(items[1], inexact);
        EXPECT_EQ(tables.Calendar("http://h/cal/"), calendar);
        EXPECT_EQ(tables.Calendar("http://h/other/"), std::nullopt);
        KeptVersion expected = kept;
        expected.id = kept_id;
        EXPECT_EQ(tables.KeptVersions(), std::vector<KeptVersion>{expected});
        EXPECT_EQ(tables.Aside(), aside);
    });
}

TEST_F(SyncTablesTest, ReplacingForgettingAndTakingRows) {
    ExchangeStore store(Table());
    store.InTransaction([&](sql::Database& db) {
        SyncTables tables(db);
        tables.PutItem(Row(1, "a"));
        tables.PutItem(Row(2, "b"));
        tables.PutItem(Row(2, "c"));
        SyncItemRow moved = Row(9, "a");
        moved.etag = "\"new\"";
        tables.PutItem(moved);  // the same href: replaced, not doubled
        tables.ForgetItemsOfEvent(2);
        std::vector<SyncItemRow> items = tables.Items();
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0], moved);
        tables.ForgetItem("a");
        EXPECT_TRUE(tables.Items().empty());

        tables.PutCalendar({"u", "t1", "c1", "", ""});
        tables.PutCalendar({"u", "t2", "c2", "now", "done"});
        EXPECT_EQ(tables.Calendar("u")->token, "t2");

        std::int64_t first = tables.Keep({0, "x", "One", "here", "t", "item one"});
        std::int64_t second = tables.Keep({0, "y", "Two", "server", "t", "item two"});
        EXPECT_NE(first, second);
        EXPECT_EQ(tables.TakeKept(first)->item, "item one");
        EXPECT_EQ(tables.TakeKept(first), std::nullopt);
        ASSERT_EQ(tables.KeptVersions().size(), 1u);

        tables.ReplaceAside({{"h1", "u1", "s1", "r1", "t"}, {"h2", "u2", "s2", "r2", "t"}});
        tables.ReplaceAside({{"h3", "u3", "s3", "r3", "t"}});
        ASSERT_EQ(tables.Aside().size(), 1u);
        EXPECT_EQ(tables.Aside()[0].href, "h3");

        // Pointed at another calendar: the pairing goes, the kept versions stay.
        tables.PutItem(Row(1, "a"));
        tables.ForgetAll();
        EXPECT_TRUE(tables.Items().empty());
        EXPECT_EQ(tables.Calendar("u"), std::nullopt);
        EXPECT_TRUE(tables.Aside().empty());
        EXPECT_EQ(tables.KeptVersions().size(), 1u);
    });
}

TEST_F(SyncTablesTest, EventsAndSyncRowsAreStoredTogetherOrNotAtAll) {
    ExchangeStore store(Table());
    const std::vector<StoredEvent> before = store.LoadAll();
    ASSERT_EQ(before.size(), 1u);
    EXPECT_THROW(store.InTransaction([&](sql::Database& db) {
        SyncTables tables(db);
        std::vector<std::int64_t> ids = StoreEvents(db, {Event("new@x", "Downloaded")});
        tables.PutItem(Row(ids[0], "http://h/cal/new.ics"));
        DeleteEvents(db, {before[0].id});
        throw std::runtime_error("the connection dropped");
    }), std::runtime_error);
    std::vector<StoredEvent> after = ExchangeStore(Table()).LoadAll();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].record, before[0].record);
    ExchangeStore(Table()).InTransaction([](sql::Database& db) { EXPECT_TRUE(SyncTables(db).Items().empty()); });
}

TEST_F(SyncTablesTest, StoreEventsGivesTheIdOfEachAndDeleteEventsTakesTheirUids) {
    ExchangeStore store(Table());
    StoredEvent here;
    std::vector<std::int64_t> ids;
    store.InTransaction([&](sql::Database& db) {
        // The record the editor posted gets its UID here, in this transaction.
        VisitEvents(db, [&](StoredEvent& event) { here = event; });
        ASSERT_FALSE(here.uid.empty());
        SyncTables tables(db);
        ids = StoreEvents(db, {Event("new@x", "Downloaded"), Event(here.uid, "Changed there"), Event("", "No uid")});
        for (std::int64_t id : ids) tables.PutItem(Row(id, std::to_string(id)));
        std::size_t seen = 0;
        VisitEvents(db, [&](const StoredEvent& event) { seen += !event.uid.empty(); });
        EXPECT_EQ(seen, 3u);
    });
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids[1], here.id);
    std::vector<StoredEvent> events = store.LoadAll();
    ASSERT_EQ(events.size(), 3u);
    const char* subjects[] = {"Downloaded", "Changed there", "No uid"};
    for (const StoredEvent& event : events) {
        std::size_t at = std::find(ids.begin(), ids.end(), event.id) - ids.begin();
        ASSERT_LT(at, ids.size());
        EXPECT_EQ(event.record.Text("Subject"), subjects[at]);
    }

    store.InTransaction([&](sql::Database& db) {
        DeleteEvents(db, {ids[0], 999'999});
        sql::Statement uids(db, "SELECT COUNT(*) FROM ICAL_UID WHERE EventId = ? OR Uid = 'new@x'");
        uids.BindInt(1, ids[0]);
        ASSERT_TRUE(uids.Step());
        EXPECT_EQ(uids.ColumnInt(0), 0);
    });
    std::vector<StoredEvent> left = store.LoadAll();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].id, here.id);
}

}  // namespace
}  // namespace orbelle::sync
