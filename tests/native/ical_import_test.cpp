// The import stores each event as it reads it: a file refused late, or a
// table that fails midway, must still leave the table as it was, and events
// that wait for a zone described later must keep the file's order.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "exchange_fixture.h"
#include "temp_folder.h"

namespace orbelle {
namespace {
using namespace exchange_test;

std::string Calendar(const std::string& body) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n" + body + "END:VCALENDAR\r\n";
}

std::string Event(const std::string& subject, const std::string& start = "DTSTART:20240615T090000") {
    return "BEGIN:VEVENT\r\nUID:" + subject + "@test\r\nSUMMARY:" + subject + "\r\n" + start + "\r\nEND:VEVENT\r\n";
}

std::string ManyEvents(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += Event("Event " + std::to_string(i));
    return text;
}

void Exec(const std::filesystem::path& table, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(table.string().c_str(), &db);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

TEST(IcalImport, AFileOrTableThatFailsLateStoresNothing) {
    constexpr int kGood = 3000;
    const std::string broken = "BEGIN:VEVENT\r\nDTSTART:2024-06-15\r\nEND:VEVENT\r\n";
    struct Case {
        const char* name;
        std::string file;
        ImportOutcome outcome;
        const char* refused_row = nullptr;  // a subject the table refuses to take
        bool table_missing = false;
        ical::ReadLimits limits{};
    };
    const Case cases[] = {
        {"a broken event after many good ones", Calendar(ManyEvents(kGood) + broken), ImportOutcome::Refused},
        {"a file that ends early", "BEGIN:VCALENDAR\r\n" + ManyEvents(kGood), ImportOutcome::Refused},
        {"one event more than allowed", Calendar(ManyEvents(kGood + 1)), ImportOutcome::Refused, nullptr, false,
         {.max_events = kGood}},
        {"the table fails midway", Calendar(ManyEvents(kGood)), ImportOutcome::TableUnavailable, "Event 1500"},
        {"the table fails midway and the file further on", Calendar(ManyEvents(kGood) + broken),
         ImportOutcome::Refused, "Event 1500"},
        {"no table and a broken file", Calendar(ManyEvents(kGood) + broken), ImportOutcome::Refused, nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        std::filesystem::path table = folder.Path() / "db" / "TODOLIST.DB", file = folder.Path() / "in.ics";
        WriteBytes(file, c.file);
        if (!c.table_missing) PostRecords(table, {{.texts = {{"Subject", "Kept"}}}});
        if (c.refused_row)
            Exec(table, ("CREATE TRIGGER refuse BEFORE INSERT ON TODOLIST WHEN NEW.Subject = '" +
                         std::string(c.refused_row) + "' BEGIN SELECT RAISE(ABORT, 'refused by test'); END")
                            .c_str());

        ImportReport report = ImportICalendarFile(table, file, BerlinContext(), c.limits);
        EXPECT_EQ(report.outcome, c.outcome) << report.Summary();
        EXPECT_EQ(report.added, 0u);
        if (c.table_missing) {
            EXPECT_FALSE(std::filesystem::exists(table));
            continue;
        }
        std::vector<StoredEvent> after = ExchangeStore(table).LoadAll();
        ASSERT_EQ(after.size(), 1u);
        EXPECT_EQ(after[0].record.Text("Subject"), "Kept");
    }
}

TEST(IcalImport, EventsWaitingForALaterZoneKeepTheFilesOrderAndTheirTime) {
    constexpr const char* kNewYorkZone =
        "BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\n"
        "BEGIN:DAYLIGHT\r\nTZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nDTSTART:19700308T020000\r\n"
        "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\nEND:DAYLIGHT\r\n"
        "BEGIN:STANDARD\r\nTZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nDTSTART:19701101T020000\r\n"
        "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
    const std::string new_york_nine = "DTSTART;TZID=America/New_York:20240615T090000";
    TempFolder folder;
    std::filesystem::path table = folder.Path() / "db" / "TODOLIST.DB", file = folder.Path() / "in.ics";
    // "Waits" names the zone before the file describes it; "Then" and
    // "Last" follow it, on either side of the zone.
    WriteBytes(file, Calendar(Event("First") + Event("Waits", new_york_nine) + Event("Then") + kNewYorkZone +
                              Event("Last", new_york_nine)));
    PostRecords(table, {});

    ImportReport report = ImportICalendarFile(table, file, BerlinContext());
    ASSERT_EQ(report.outcome, ImportOutcome::Imported) << report.Summary();
    std::vector<StoredEvent> stored = ExchangeStore(table).LoadAll();
    const char* order[] = {"First", "Waits", "Then", "Last"};
    ASSERT_EQ(stored.size(), std::size(order));
    for (std::size_t i = 0; i < stored.size(); ++i) EXPECT_EQ(stored[i].record.Text("Subject"), order[i]);
    // 09:00 in New York's summer is 15:00 in Berlin's.
    EXPECT_EQ(stored[1].record.DateTimeOf("Date"), At(2024y / 6 / 15, 15, 0));
    EXPECT_EQ(stored[3].record.DateTimeOf("Date"), At(2024y / 6 / 15, 15, 0));
}

}  // namespace
}  // namespace orbelle
