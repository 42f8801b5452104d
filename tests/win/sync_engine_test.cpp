// Two-way sync against the two real servers scripts/sync-servers starts
// (Radicale and Xandikos on loopback), each test in a calendar of its own:
// two program folders play two devices, and the client plays a third
// program that edits the calendar behind their backs.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <span>

#include "exchange/exchange_context.h"
#include "kit/program_run.h"
#include "kit/relay.h"
#include "kit/temp_folder.h"
#include "platform/wide.h"
#include "store/event_cursor.h"
#include "store/exchange_store.h"
#include "store/reminder_state.h"
#include "store/sqlite.h"
#include "sync/caldav_client.h"
#include "sync/http_client.h"
#include "sync/sync_engine.h"
#include "sync/sync_tables.h"
#include "sync_servers.h"
#include "win_fixture.h"

namespace orbelle::sync {
namespace {

namespace fs = std::filesystem;

// One device: a program folder's table.
struct Device {
    testing::TempFolder folder;
    fs::path Table() const { return folder.Path() / "db" / "TODOLIST.DB"; }

    Device() {
        EventCursor cursor;
        cursor.Open(Table());
    }
    std::int64_t Add(const std::string& subject, int day = 13) {
        EventCursor cursor;
        cursor.Open(Table());
        cursor.Insert();
        cursor.SetFieldText("Subject", subject);
        cursor.SetFieldDateTime("Date", DateTime::FromParts(std::chrono::year{2027} / 3 / day, {9, 30, 0, 0}));
        cursor.Post();
        std::int64_t id = 0;
        for (cursor.First(); !cursor.Eof(); cursor.Next()) id = std::stoll(cursor.FieldText("Id"));
        return id;
    }
    bool Seek(EventCursor& cursor, const std::string& subject) {
        cursor.Open(Table());
        for (cursor.First(); !cursor.Eof(); cursor.Next())
            if (cursor.FieldText("Subject") == subject) return true;
        return false;
    }
    void Rename(const std::string& subject, const std::string& to) {
        EventCursor cursor;
        ASSERT_TRUE(Seek(cursor, subject)) << subject;
        cursor.Edit();
        cursor.SetFieldText("Subject", to);
        cursor.Post();
    }
    void Delete(const std::string& subject) {
        EventCursor cursor;
        ASSERT_TRUE(Seek(cursor, subject)) << subject;
        cursor.Delete();
    }
    void Set(const std::string& subject, const char* field, const std::string& value) {
        EventCursor cursor;
        ASSERT_TRUE(Seek(cursor, subject)) << subject;
        cursor.Edit();
        cursor.SetFieldText(field, value);
        cursor.Post();
    }
    std::string Field(const std::string& subject, const char* field) {
        EventCursor cursor;
        return Seek(cursor, subject) ? cursor.FieldText(field) : "(none)";
    }
    std::vector<std::string> Subjects() const {
        std::vector<std::string> subjects;
        EventCursor cursor;
        cursor.Open(Table());
        for (cursor.First(); !cursor.Eof(); cursor.Next()) subjects.push_back(cursor.FieldText("Subject"));
        std::sort(subjects.begin(), subjects.end());
        return subjects;
    }
};

using Subjects = std::vector<std::string>;

// The UTC moment this many minutes from now, as iCalendar writes it.
std::string StampFromNow(int minutes) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks{.u = {now.dwLowDateTime, now.dwHighDateTime}};
    ticks.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(minutes) * 60 * 10'000'000LL);
    FILETIME moved{ticks.u.LowPart, ticks.u.HighPart};
    SYSTEMTIME utc{};
    FileTimeToSystemTime(&moved, &utc);
    char text[32];
    std::snprintf(text, sizeof text, "%04u%02u%02uT%02u%02u%02uZ", utc.wYear, utc.wMonth, utc.wDay, utc.wHour,
                  utc.wMinute, utc.wSecond);
    return text;
}

// An event as another program writes it.
std::string ForeignItem(const std::string& uid, const std::string& summary, const std::string& start,
                        const std::string& extra) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Another program//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
           "\r\nDTSTAMP:20261201T080000Z\r\nDTSTART:" + start + "\r\nDURATION:PT1H\r\nSUMMARY:" + summary + "\r\n" +
           extra + "END:VEVENT\r\nEND:VCALENDAR\r\n";
}

// One event through a sync: its subject before and after (none: absent),
// and whether it must have its pairing row whenever it is here (all but
// those new here, which may not have gone up yet).
struct WholeItem {
    const char* before;
    const char* after;
    bool paired;
};

// The table as a cut sync may leave it: each event as before or as after
// the sync and only once, every paired event with its row (of its UID) and
// every row with its event, but the row of the event deleted here, which
// says that it is to be deleted on the server.
void ExpectWhole(const Device& device, std::span<const WholeItem> items, std::int64_t deleted_here) {
    sql::Database db(device.Table(), sql::OpenMode::kExisting);
    sql::Statement events(db,
                          "SELECT t.Subject, (SELECT COUNT(*) FROM SYNC_ITEM s WHERE s.EVENT_ID = t.Id AND "
                          "s.UID = u.Uid) FROM TODOLIST t LEFT JOIN ICAL_UID u ON u.EventId = t.Id");
    std::map<std::string, std::int64_t> rows_of;  // by subject
    Subjects here;
    while (events.Step()) {
        here.push_back(events.ColumnText(0));
        rows_of[events.ColumnText(0)] = events.ColumnInt(1);
    }
    for (const WholeItem& item : items) {
        const auto count = [&](const char* subject) {
            return subject ? std::count(here.begin(), here.end(), std::string(subject)) : 0;
        };
        const char* after = item.after && item.before && std::string_view(item.before) == item.after ? nullptr
                                                                                                       : item.after;
        const auto found = count(item.before) + count(after);
        EXPECT_TRUE(found == 1 || (found == 0 && !(item.before && item.after)))
            << found << " of " << (item.before ? item.before : "-") << " / " << (item.after ? item.after : "-");
        for (const char* subject : {item.before, after}) {
            if (!subject) continue;
            if (item.paired && count(subject) > 0) EXPECT_EQ(rows_of[subject], 1) << "pairing rows of " << subject;
            std::erase(here, std::string(subject));
        }
    }
    EXPECT_TRUE(here.empty()) << "unknown events here: " << ::testing::PrintToString(here);
    sql::Statement orphans(db, "SELECT s.EVENT_ID FROM SYNC_ITEM s LEFT JOIN TODOLIST t ON t.Id = s.EVENT_ID "
                               "WHERE t.Id IS NULL");
    while (orphans.Step())
        EXPECT_EQ(orphans.ColumnInt(0), deleted_here) << "a pairing row without its event";
}

class SyncEngineTest : public ServerCalendarTest {
protected:
    SyncReport Sync(const Device& device, bool confirmed = false, bool aside_expected = false) {
        SyncReport report = RunSync({.account = account_, .calendar_url = calendar_}, device.Table(),
                                    SystemExchangeContext(), {.deletions_confirmed = confirmed});
        EXPECT_TRUE(report.outcome == SyncOutcome::kDone || report.outcome == SyncOutcome::kStoppedByGuard)
            << report.message;
        if (!aside_expected)
            for (const AsideItem& aside : report.set_aside) ADD_FAILURE() << "set aside: " << aside.reason;
        return report;
    }
    void CreateOnServer(const std::string& uid, const std::string& text) {
        std::string href;
        ASSERT_EQ(CalDavClient(account_).Create(calendar_, uid, text, href).status, 201) << uid;
    }
    std::string ServerText(const std::string& subject) {
        for (const Fetched& item : Items())
            if (item.text.find("\nSUMMARY:" + subject + "\n") != std::string::npos) return item.text;
        return {};
    }

    // The calendar as the server holds it: each item's text, its lines ended
    // by LF alone (as XML hands calendar data over).
    std::vector<Fetched> Items() {
        CalDavClient client(account_);
        std::vector<std::string> hrefs;
        for (const Member& member : client.ListAll(calendar_)) hrefs.push_back(member.href);
        std::vector<Fetched> items = client.Multiget(calendar_, hrefs);
        for (Fetched& item : items) std::erase(item.text, '\r');
        return items;
    }
    Subjects ServerSubjects() {
        Subjects subjects;
        for (const Fetched& item : Items()) {
            const std::size_t at = item.text.find("\nSUMMARY:");
            subjects.push_back(at == std::string::npos ? "" : item.text.substr(at + 9, item.text.find('\n', at + 1) - at - 9));
        }
        std::sort(subjects.begin(), subjects.end());
        return subjects;
    }
    // Another program's edit: the item's SUMMARY replaced, with a later LAST-MODIFIED.
    void RenameOnServer(const std::string& subject, const std::string& to) {
        CalDavClient client(account_);
        for (Fetched& item : Items()) {
            const std::string line = "\nSUMMARY:" + subject + "\n";
            const std::size_t at = item.text.find(line);
            if (at == std::string::npos) continue;
            std::string text = item.text.replace(at, line.size(), "\nSUMMARY:" + to + "\n");
            SYSTEMTIME now{};
            GetSystemTime(&now);
            char stamp[40];
            std::snprintf(stamp, sizeof stamp, "LAST-MODIFIED:%04u%02u%02uT%02u%02u%02uZ\n", now.wYear, now.wMonth,
                          now.wDay, now.wHour, now.wMinute, now.wSecond);
            text.insert(text.find("END:VEVENT"), stamp);
            ASSERT_TRUE(client.Update(item.href, item.etag, text).status / 100 == 2);
            return;
        }
        ADD_FAILURE() << "no item " << subject;
    }
    void DeleteOnServer(const std::string& subject) {
        CalDavClient client(account_);
        for (const Fetched& item : Items())
            if (item.text.find("\nSUMMARY:" + subject + "\n") != std::string::npos) {
                ASSERT_EQ(client.Delete(item.href, item.etag) / 100, 2);
                return;
            }
        ADD_FAILURE() << "no item " << subject;
    }
    std::vector<KeptVersion> Kept(const Device& device) {
        return ReadSyncRecord(device.Table(), calendar_).kept;
    }

};

TEST_P(SyncEngineTest, FirstSyncUpThenDownThenEditsAndDeletesEachWay) {
    Device laptop, desktop;
    laptop.Add("Dentist");
    laptop.Add("Pay rent", 1);
    laptop.Add("Call Ann", 20);
    SyncReport first = Sync(laptop);
    EXPECT_EQ(first.up, 3u);
    EXPECT_EQ(ServerSubjects(), (Subjects{"Call Ann", "Dentist", "Pay rent"}));

    SyncReport down = Sync(desktop);
    EXPECT_EQ(down.down, 3u);
    EXPECT_TRUE(down.table_changed);
    EXPECT_EQ(desktop.Subjects(), (Subjects{"Call Ann", "Dentist", "Pay rent"}));
    // Nothing changed anywhere: nothing moves, nothing is written.
    SyncReport quiet = Sync(desktop);
    EXPECT_EQ(quiet.up + quiet.down + quiet.deleted_here + quiet.deleted_there, 0u);
    EXPECT_FALSE(quiet.table_changed);

    laptop.Rename("Dentist", "Dentist at 10");
    EXPECT_EQ(Sync(laptop).up, 1u);
    EXPECT_EQ(Sync(desktop).down, 1u);
    EXPECT_EQ(desktop.Subjects(), (Subjects{"Call Ann", "Dentist at 10", "Pay rent"}));

    RenameOnServer("Pay rent", "Pay the rent");
    EXPECT_EQ(Sync(laptop).down, 1u);
    EXPECT_EQ(laptop.Subjects(), (Subjects{"Call Ann", "Dentist at 10", "Pay the rent"}));

    desktop.Delete("Call Ann");
    EXPECT_EQ(Sync(desktop).deleted_there, 1u);
    EXPECT_EQ(Sync(laptop).deleted_here, 1u);
    EXPECT_EQ(laptop.Subjects(), (Subjects{"Dentist at 10", "Pay the rent"}));

    DeleteOnServer("Dentist at 10");
    EXPECT_EQ(Sync(laptop).deleted_here, 1u);
    EXPECT_EQ(Sync(desktop).deleted_here, 1u);
    EXPECT_EQ(laptop.Subjects(), (Subjects{"Pay the rent"}));
    EXPECT_EQ(desktop.Subjects(), (Subjects{"Pay the rent"}));
    EXPECT_EQ(ServerSubjects(), (Subjects{"Pay the rent"}));
}

TEST_P(SyncEngineTest, AConflictKeepsTheLoserWholeAndAChangeBeatsADeletion) {
    Device laptop;
    laptop.Add("Dentist");
    laptop.Add("Gym");
    Sync(laptop);

    // Both changed: the server's edit is the later one and wins here; ours is kept.
    laptop.Rename("Dentist", "Dentist (laptop)");
    Sleep(1100);
    RenameOnServer("Dentist", "Dentist (phone)");
    SyncReport conflict = Sync(laptop);
    EXPECT_EQ(conflict.conflicts, 1u);
    EXPECT_EQ(laptop.Subjects(), (Subjects{"Dentist (phone)", "Gym"}));
    std::vector<KeptVersion> kept = Kept(laptop);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].subject, "Dentist (laptop)");
    EXPECT_EQ(kept[0].side, "here");

    // Restored, it is a change here like any other, and goes up.
    RestoreKeptVersion(laptop.Table(), kept[0].id, SystemExchangeContext());
    EXPECT_EQ(laptop.Subjects(), (Subjects{"Dentist (laptop)", "Gym"}));
    EXPECT_TRUE(Kept(laptop).empty());
    EXPECT_EQ(Sync(laptop).up, 1u);
    EXPECT_EQ(ServerSubjects(), (Subjects{"Dentist (laptop)", "Gym"}));

    // Deleted here, changed there: the change comes back.
    laptop.Delete("Gym");
    RenameOnServer("Gym", "Gym at 7");
    Sync(laptop);
    EXPECT_EQ(laptop.Subjects(), (Subjects{"Dentist (laptop)", "Gym at 7"}));
    EXPECT_EQ(ServerSubjects(), (Subjects{"Dentist (laptop)", "Gym at 7"}));
}

TEST_P(SyncEngineTest, ARepeatedCreateOrALostTokenMakesNoCopy) {
    Device laptop;
    laptop.Add("Dentist");
    Sync(laptop);
    // The answer to the create was lost: the sync's rows are gone, the item stays.
    {
        sql::Database db(laptop.Table(), sql::OpenMode::kExisting);
        db.Exec("DELETE FROM SYNC_ITEM");
    }
    laptop.Add("Gym");
    EXPECT_EQ(Sync(laptop).conflicts, 0u);
    EXPECT_TRUE(Kept(laptop).empty()) << "the server's rewrite of our own item kept as another version";
    EXPECT_EQ(ServerSubjects(), (Subjects{"Dentist", "Gym"}));
    EXPECT_EQ(laptop.Subjects(), (Subjects{"Dentist", "Gym"}));

    // A token the server does not know: the whole listing, paired by href.
    {
        sql::Database db(laptop.Table(), sql::OpenMode::kExisting);
        db.Exec("UPDATE SYNC_CALENDAR SET TOKEN = 'http://radicale.org/ns/sync/0000', CTAG = ''");
    }
    RenameOnServer("Gym", "Gym at 7");
    SyncReport report = Sync(laptop);
    EXPECT_EQ(report.down, 1u);
    EXPECT_EQ(laptop.Subjects(), (Subjects{"Dentist", "Gym at 7"}));
    EXPECT_EQ(ServerSubjects(), (Subjects{"Dentist", "Gym at 7"}));
}

TEST_P(SyncEngineTest, TheDeletionGuardStopsUntilConfirmed) {
    Device laptop;
    for (const char* subject : {"One", "Two", "Three"}) laptop.Add(subject);
    Sync(laptop);
    // Another client empties the calendar.
    for (const char* subject : {"One", "Two", "Three"}) DeleteOnServer(subject);
    SyncReport stopped = Sync(laptop);
    EXPECT_EQ(stopped.outcome, SyncOutcome::kStoppedByGuard);
    EXPECT_EQ(stopped.planned.delete_local, 3u);
    EXPECT_NE(stopped.message.find("3 of 3 events here"), std::string::npos) << stopped.message;
    EXPECT_EQ(laptop.Subjects().size(), 3u);
    EXPECT_FALSE(stopped.table_changed);

    SyncReport confirmed = Sync(laptop, /*confirmed=*/true);
    EXPECT_EQ(confirmed.outcome, SyncOutcome::kDone);
    EXPECT_EQ(confirmed.deleted_here, 3u);
    EXPECT_TRUE(laptop.Subjects().empty());
}

TEST_P(SyncEngineTest, AWrongPasswordOrAServerGoneStoresNothingAndTheNextSyncCompletes) {
    Device laptop;
    laptop.Add("Dentist");
    Account wrong = account_;
    wrong.password += "-wrong";
    // Xandikos asks no password: only Radicale can refuse one.
    if (!Env(std::string("ORBELLE_") + GetParam().variable + "_USER2").empty()) {
        const SyncReport refused = RunSync({.account = wrong, .calendar_url = calendar_}, laptop.Table(),
                                           SystemExchangeContext());
        EXPECT_EQ(refused.outcome, SyncOutcome::kNeedsPassword) << refused.message;
    }
    Account gone = account_;
    gone.url = "http://127.0.0.1:9/";
    const SyncReport failed = RunSync({.account = gone, .calendar_url = "http://127.0.0.1:9/cal/"}, laptop.Table(),
                                      SystemExchangeContext());
    EXPECT_EQ(failed.outcome, SyncOutcome::kFailed);
    EXPECT_FALSE(failed.message.empty());
    EXPECT_EQ(Sync(laptop).up, 1u);
    EXPECT_EQ(ServerSubjects(), (Subjects{"Dentist"}));
}

// A sync cut at each of its requests, the server's answer to it lost or
// the request never reaching the server: what was stored here is whole,
// and the next sync ends where an uncut one would have.
TEST_P(SyncEngineTest, AServerGoneAtAnyRequestLeavesNothingHalfStoredAndTheNextSyncCompletes) {
    // Every sync of the test goes through the relay, passing or cut: the
    // table knows its calendar by address, and would sync one at another
    // address afresh.
    testing::Relay relay(account_.url);
    Account relayed = account_;
    relayed.url = relay.Url(account_.url);
    auto sync = [&](const Device& device) {
        return RunSync({.account = relayed, .calendar_url = relay.Url(calendar_)}, device.Table(),
                       SystemExchangeContext());
    };
    // Work both ways: new, edited and deleted here and on the server. Each
    // event is here as before the sync or as after it, never both.
    const WholeItem items[] = {
        {"Dentist at 10", "Dentist at 10", true},
        {"Standup", "Standup", true},
        {"Lunch with Bo", "Lunch with Bo", false},
        {"Book flights", "Book flights", false},
        {"Water plants", "Water plants", false},
        {"Pay rent", "Pay the rent", true},
        {"Call Ann", nullptr, true},
        {nullptr, "Yoga", true},
        {nullptr, "Bake bread", true},
    };
    Subjects expected;
    for (const WholeItem& item : items)
        if (item.after) expected.push_back(item.after);
    std::sort(expected.begin(), expected.end());

    // A fresh calendar and device, brought to the point before the sync;
    // the id of the event deleted here.
    auto prepare = [&](Device& laptop) -> std::int64_t {
        DropCalendar(account_, calendar_);
        calendar_ = root_ + GetParam().home + UniqueName("t") + "/";
        EXPECT_EQ(MakeCalendar(account_, calendar_, name_), 201);
        for (const char* subject : {"Dentist", "Standup", "Pay rent", "Call Ann"}) laptop.Add(subject);
        const std::int64_t gym = laptop.Add("Gym");
        relay.Pass();
        const SyncReport first = sync(laptop);
        EXPECT_EQ(first.outcome, SyncOutcome::kDone) << first.message;
        EXPECT_EQ(first.up, 5u);
        for (const char* subject : {"Lunch with Bo", "Book flights", "Water plants"}) laptop.Add(subject);
        laptop.Rename("Dentist", "Dentist at 10");
        laptop.Delete("Gym");
        RenameOnServer("Pay rent", "Pay the rent");
        DeleteOnServer("Call Ann");
        CreateOnServer("yoga@phone", ForeignItem("yoga@phone", "Yoga", "20270302T070000Z", ""));
        CreateOnServer("bake@phone", ForeignItem("bake@phone", "Bake bread", "20270306T100000Z", ""));
        return gym;
    };

    int requests = 0;
    {
        Device laptop;
        prepare(laptop);
        relay.Pass();
        const SyncReport uncut = sync(laptop);
        requests = relay.Requests();
        ASSERT_EQ(uncut.outcome, SyncOutcome::kDone) << uncut.message;
        ASSERT_EQ(laptop.Subjects(), expected);
        ASSERT_EQ(ServerSubjects(), expected);
    }
    for (const bool answer_lost : {false, true}) {
        for (int cut = 1; cut <= requests; ++cut) {
            SCOPED_TRACE(::testing::Message() << "cut at request " << cut << " of " << requests
                                              << (answer_lost ? ", its answer lost" : ", never sent"));
            Device laptop;
            const std::int64_t gym = prepare(laptop);
            relay.CutAt(cut, answer_lost);
            const SyncReport failed = sync(laptop);
            EXPECT_TRUE(relay.Gone());
            EXPECT_EQ(failed.outcome, SyncOutcome::kFailed);
            EXPECT_FALSE(failed.message.empty());
            ExpectWhole(laptop, items, gym);

            relay.Pass();
            const SyncReport next = sync(laptop);
            EXPECT_EQ(next.outcome, SyncOutcome::kDone) << next.message;
            ExpectWhole(laptop, items, gym);
            EXPECT_TRUE(next.set_aside.empty());
            EXPECT_EQ(next.conflicts, 0u) << next.Summary();
            EXPECT_TRUE(Kept(laptop).empty());
            EXPECT_EQ(laptop.Subjects(), expected);
            EXPECT_EQ(ServerSubjects(), expected);
            const SyncReport quiet = sync(laptop);
            EXPECT_EQ(quiet.outcome, SyncOutcome::kDone) << quiet.message;
            EXPECT_EQ(quiet.up + quiet.down + quiet.deleted_here + quiet.deleted_there + quiet.conflicts, 0u)
                << quiet.Summary();
        }
    }
}

TEST_P(SyncEngineTest, AnotherProgramsRuleStaysWholeThroughAnEditHere) {
    Device laptop;
    CreateOnServer("standup@other", ForeignItem("standup@other", "Standup", "20270104T090000Z",
                                                "RRULE:FREQ=WEEKLY;COUNT=5\r\nEXDATE:20270111T090000Z\r\n"
                                                "LOCATION:Room 4\r\nX-OTHER-COLOUR:teal\r\n"));
    EXPECT_EQ(Sync(laptop).down, 1u);
    EXPECT_EQ(laptop.Subjects(), (Subjects{"Standup"}));
    // Unchanged here, it never goes back up in our simpler form.
    EXPECT_EQ(Sync(laptop).up, 0u);
    EXPECT_NE(ServerText("Standup").find("COUNT=5"), std::string::npos);

    laptop.Rename("Standup", "Standup in room 5");
    EXPECT_EQ(Sync(laptop).up, 1u);
    const std::string text = ServerText("Standup in room 5");
    for (const char* kept : {"COUNT=5", "EXDATE:20270111T090000Z", "LOCATION:Room 4", "X-OTHER-COLOUR:teal"})
        EXPECT_NE(text.find(kept), std::string::npos) << kept << " lost from\n" << text;

    // The pairings lost (a table from before they were made): the event is
    // paired by its UID again, and what our events cannot hold still stays.
    {
        sql::Database db(laptop.Table(), sql::OpenMode::kExisting);
        db.Exec("DELETE FROM SYNC_ITEM");
        db.Exec("DELETE FROM SYNC_CALENDAR");
    }
    const SyncReport paired = Sync(laptop);
    EXPECT_EQ(paired.up + paired.down + paired.conflicts, 0u) << paired.Summary();
    laptop.Rename("Standup in room 5", "Standup in room 6");
    EXPECT_EQ(Sync(laptop).up, 1u);
    const std::string again = ServerText("Standup in room 6");
    for (const char* kept : {"COUNT=5", "EXDATE:20270111T090000Z", "LOCATION:Room 4"})
        EXPECT_NE(again.find(kept), std::string::npos) << kept << " lost from\n" << again;
}

TEST_P(SyncEngineTest, AnItemWeCannotStoreIsSetAsideAndTheRestSyncs) {
    Device laptop;
    CreateOnServer("task@other", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Another program//EN\r\n"
                                 "BEGIN:VTODO\r\nUID:task@other\r\nDTSTAMP:20261201T080000Z\r\nSUMMARY:Buy milk\r\n"
                                 "END:VTODO\r\nEND:VCALENDAR\r\n");
    CreateOnServer("dentist@other", ForeignItem("dentist@other", "Dentist", "20270105T090000Z", ""));
    laptop.Add("Gym");
    SyncReport report = Sync(laptop, false, /*aside_expected=*/true);
    ASSERT_EQ(report.set_aside.size(), 1u);
    EXPECT_NE(report.set_aside[0].href.find("task"), std::string::npos) << report.set_aside[0].href;
    EXPECT_EQ(report.down, 1u);
    EXPECT_EQ(report.up, 1u);
    EXPECT_EQ(laptop.Subjects(), (Subjects{"Dentist", "Gym"}));
    EXPECT_EQ(ReadSyncRecord(laptop.Table(), calendar_).set_aside.size(), 1u);
}

TEST_P(SyncEngineTest, AnAlarmAcknowledgedOnOneDeviceRingsOnNoOther) {
    Device laptop;
    // Alarms two hours before starts an hour away: both are due now.
    const std::string start = StampFromNow(60);
    const std::string alarm = "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\nTRIGGER:-PT2H\r\nEND:VALARM\r\n";
    CreateOnServer("seen@phone", ForeignItem("seen@phone", "Seen on the phone", start,
                                             "X-MOZ-LASTACK:" + StampFromNow(0) + "\r\n" + alarm));
    // With a place, which our events do not hold: its alarm stays the phone's own.
    CreateOnServer("unseen@phone", ForeignItem("unseen@phone", "Not seen yet", start, "LOCATION:Desk 3\r\n" + alarm));
    EXPECT_EQ(Sync(laptop).down, 2u);
    EXPECT_EQ(laptop.Field("Seen on the phone", "Accepttext"), "Y");
    EXPECT_NE(laptop.Field("Not seen yet", "Accepttext"), "Y");

    // Dismissed here: both forms go up (ACKNOWLEDGED on the alarm the item
    // kept), and the server keeps them.
    laptop.Set("Not seen yet", "Accepttext", "Y");
    EXPECT_EQ(Sync(laptop).up, 1u);
    const std::string text = ServerText("Not seen yet");
    EXPECT_NE(text.find("X-MOZ-LASTACK:"), std::string::npos) << text;
    EXPECT_NE(text.find("ACKNOWLEDGED:"), std::string::npos) << text;
    Device desktop;
    Sync(desktop);
    EXPECT_EQ(desktop.Field("Not seen yet", "Accepttext"), "Y");

    // One of ours: its text has no alarm once dismissed, so it goes up with
    // its alarm back, acknowledged.
    laptop.Add("Ours");
    laptop.Set("Ours", "Remind", "15 minutes");
    EXPECT_EQ(Sync(laptop).up, 1u);
    laptop.Set("Ours", "Accepttext", "Y");
    EXPECT_EQ(Sync(laptop).up, 1u);
    const std::string ours = ServerText("Ours");
    for (const char* kept : {"BEGIN:VALARM", "TRIGGER:-PT15M", "ACKNOWLEDGED:", "X-MOZ-LASTACK:"})
        EXPECT_NE(ours.find(kept), std::string::npos) << kept << " not in\n" << ours;
    Sync(desktop);
    EXPECT_EQ(desktop.Field("Ours", "Accepttext"), "Y");
    EXPECT_EQ(desktop.Field("Ours", "Remind"), "15 minutes");
    EXPECT_EQ(Sync(laptop).up + Sync(desktop).up, 0u) << "the alarm put back is no change";
}

// A repeating event keeps its later alarms on every device, and the
// occurrences dismissed on one count as dismissed on the others.
TEST_P(SyncEngineTest, ARepeatingEventsDismissedOccurrencesGoAcrossAndItsLaterAlarmsStay) {
    const ExchangeContext context = SystemExchangeContext();
    auto monday = [&](unsigned day) {
        return context.local_zone.ToLocal(DateTime::FromParts(std::chrono::year{2027} / 1 / day, {9, 0, 0, 0}));
    };
    auto acknowledged = [](const Device& device) {
        sql::Database db(device.Table(), sql::OpenMode::kExisting);
        std::vector<DateTime> occurrences;
        for (const auto& [id, occurrence] : AcknowledgedOccurrences(db)) occurrences.push_back(occurrence);
        return occurrences;
    };
    // Mondays at 09:00 UTC from 4 January, the alarm 15 minutes before; the
    // phone dismissed the second one.
    CreateOnServer("call@phone",
                   ForeignItem("call@phone", "Weekly call", "20270104T090000Z",
                               "RRULE:FREQ=WEEKLY\r\nX-MOZ-LASTACK:20270111T085000Z\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\n"
                               "DESCRIPTION:Reminder\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"));
    Device laptop, desktop;
    for (const Device* device : {&laptop, &desktop}) ReminderState().Open(device->Table());
    EXPECT_EQ(Sync(laptop).down, 1u);
    EXPECT_NE(laptop.Field("Weekly call", "Accepttext"), "Y") << "none of its later alarms would ring";
    EXPECT_EQ(acknowledged(laptop), std::vector<DateTime>{monday(11)});

    // The fourth dismissed here: its alarm goes up as the acknowledgement, once.
    {
        sql::Database db(laptop.Table(), sql::OpenMode::kExisting);
        const std::int64_t id = AcknowledgedOccurrences(db).begin()->first;
        ReminderState state;
        state.Open(laptop.Table());
        state.Acknowledge({id, monday(25)});
    }
    EXPECT_EQ(Sync(laptop).up, 1u);
    const std::string text = ServerText("Weekly call");
    EXPECT_NE(text.find("X-MOZ-LASTACK:20270125T084500Z"), std::string::npos) << text;
    EXPECT_NE(text.find("ACKNOWLEDGED:20270125T084500Z"), std::string::npos) << text;
    EXPECT_EQ(Sync(laptop).up, 0u);

    EXPECT_EQ(Sync(desktop).down, 1u);
    EXPECT_NE(desktop.Field("Weekly call", "Accepttext"), "Y");
    EXPECT_EQ(acknowledged(desktop), std::vector<DateTime>{monday(25)});

    // Dismissed on the desktop while another program changed only what our
    // events do not hold: both sides are the same event to us, and still
    // the dismissal goes up.
    {
        sql::Database db(desktop.Table(), sql::OpenMode::kExisting);
        const std::int64_t id = AcknowledgedOccurrences(db).begin()->first;
        ReminderState state;
        state.Open(desktop.Table());
        state.Acknowledge(
            {id, context.local_zone.ToLocal(DateTime::FromParts(std::chrono::year{2027} / 2 / 1, {9, 0, 0, 0}))});
    }
    for (Fetched& item : Items()) {
        item.text.insert(item.text.find("END:VEVENT"), "LOCATION:Room 2\n");
        ASSERT_EQ(CalDavClient(account_).Update(item.href, item.etag, item.text).status / 100, 2);
    }
    Sync(desktop);
    Sync(desktop);
    EXPECT_NE(ServerText("Weekly call").find("ACKNOWLEDGED:20270201T084500Z"), std::string::npos)
        << ServerText("Weekly call");
}

TEST_P(SyncEngineTest, TheCommandLineFormsSetUpAndSyncWithTheirExitCodes) {
    Device laptop;
    const fs::path program = laptop.folder.Path() / "Orbelle.exe";
    fs::copy_file(testing::BuiltProgram(), program);
    laptop.Add("Dentist");
    const std::wstring user = Widen(account_.user);

    struct Refused {
        const wchar_t* arguments;
        std::string input;
        long exit_code;
        const char* said;
    };
    const std::wstring here = Widen(calendar_) + L" " + user;
    const Refused refused[] = {
        {L"/sync-set", "", 2, "Usage: Orbelle.exe /sync-set URL USER"},
        {L"/sync now", "", 2, "Usage: Orbelle.exe /sync [/confirm-deletions]"},
        {L"/sync", "", 1, "not set up"},
    };
    for (const Refused& form : refused) {
        SCOPED_TRACE(Narrow(form.arguments));
        const testing::ProgramRun run = testing::RunProgram(program, form.arguments, form.input);
        EXPECT_EQ(run.exit_code, form.exit_code);
        EXPECT_NE(run.error.find(form.said), std::string::npos) << run.error;
    }
    const testing::ProgramRun no_password = testing::RunProgram(program, L"/sync-set " + here);
    EXPECT_EQ(no_password.exit_code, 2) << no_password.error;
    if (!Env(std::string("ORBELLE_") + GetParam().variable + "_USER2").empty()) {
        const testing::ProgramRun wrong = testing::RunProgram(program, L"/sync-set " + here, "not-the-password\n");
        EXPECT_EQ(wrong.exit_code, 1);
        EXPECT_NE(wrong.error.find("user name and password"), std::string::npos) << wrong.error;
    }
    EXPECT_FALSE(fs::exists(laptop.folder.Path() / "Pellmar.ini")) << "stored although refused";

    const testing::ProgramRun set = testing::RunProgram(program, L"/sync-set " + here, account_.password + "\r\n");
    ASSERT_EQ(set.exit_code, 0) << set.error;
    EXPECT_NE(set.output.find("\"" + name_ + "\""), std::string::npos) << set.output;
    std::ifstream settings(laptop.folder.Path() / "Pellmar.ini", std::ios::binary);
    const std::string stored{std::istreambuf_iterator<char>(settings), {}};
    EXPECT_NE(stored.find(calendar_), std::string::npos) << stored;
    EXPECT_EQ(stored.find(account_.password), std::string::npos) << "the password is in the settings file";

    const testing::ProgramRun synced = testing::RunProgram(program, L"/sync");
    EXPECT_EQ(synced.exit_code, 0) << synced.error;
    EXPECT_NE(synced.output.find("1 up"), std::string::npos) << synced.output;
    EXPECT_EQ(ServerSubjects(), (Subjects{"Dentist"}));

    DeleteOnServer("Dentist");
    const testing::ProgramRun stopped = testing::RunProgram(program, L"/sync");
    EXPECT_EQ(stopped.exit_code, 3) << stopped.error;
    EXPECT_NE(stopped.error.find("/confirm-deletions"), std::string::npos) << stopped.error;
    EXPECT_EQ(laptop.Subjects(), (Subjects{"Dentist"}));
    EXPECT_EQ(testing::RunProgram(program, L"/sync /confirm-deletions").exit_code, 0);
    EXPECT_TRUE(laptop.Subjects().empty());
}

INSTANTIATE_TEST_SUITE_P(Servers, SyncEngineTest, ::testing::ValuesIn(kServers),
                         [](const ::testing::TestParamInfo<Server>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orbelle::sync
