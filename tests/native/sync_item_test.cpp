#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exchange_fixture.h"
#include "exchange/ical_time.h"
#include "store/event_rule.h"
#include "sync/content_hash.h"
#include "sync/sync_item.h"
#include "temp_folder.h"

namespace orbelle::sync {
namespace {
using namespace exchange_test;

const DateTime kNowUtc = At(2026y / 12 / 10, 13, 0);
const DateTime kNowLocal = At(2026y / 12 / 10, 14, 0);

std::string Hash(const std::string& uid, const EventRecord& record, DateTime now_utc = kNowUtc) {
    return ContentHash(ItemText(uid, record, BerlinZone(), now_utc, EnglishNames()));
}

ItemReading Read(std::string_view text, DateTime now_local = kNowLocal) {
    std::string refusal;
    std::optional<ItemReading> reading = ReadItem(text, BerlinZone(), now_local, EnglishNames(), refusal);
    EXPECT_TRUE(reading) << refusal << "\n" << text;
    return reading.value_or(ItemReading{});
}

std::size_t Count(std::string_view text, std::string_view part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

bool IsDerived(std::size_t field) { return field == EventField("StartHour") || field == EventField("NextAlarm"); }

// The records the editor makes, with every rule kind and the awkward values.
class SyncItemTest : public ::testing::Test {
protected:
    std::vector<StoredEvent> Variety() {
        std::filesystem::path table = folder_.Path() / "db" / "TODOLIST.DB";
        PostRecords(table, VarietyOfRecords());
        return ExchangeStore(table).LoadAll();
    }
    TempFolder folder_;
};

TEST_F(SyncItemTest, OnlyAChangeOfTheEventChangesItsHash) {
    for (const StoredEvent& event : Variety()) {
        SCOPED_TRACE(event.record.Text("Subject"));
        const std::string hash = Hash(event.uid, event.record);
        // What an editor's save recomputes, and the moment of writing.
        EventRecord moved = event.record;
        moved.SetDateTime("NextAlarm", At(2027y / 3 / 1, 8, 0));
        moved.SetDateTime("StartHour", At(2027y / 3 / 1, 7, 45));
        EXPECT_EQ(Hash(event.uid, moved, At(2027y / 6 / 1, 0, 0)), hash);

        EventRecord dismissed = event.record;
        dismissed.SetText("Accepttext", event.record.Text("Accepttext") == "Y" ? "N" : "Y");
        EXPECT_NE(Hash(event.uid, dismissed), hash);
        EventRecord edited = event.record;
        edited.SetText("Memo", event.record.Text("Memo") + " and more");
        EXPECT_NE(Hash(event.uid, edited), hash);
    }
}

TEST_F(SyncItemTest, AnItemReadBackKeepsEveryFieldOfOurs) {
    for (const StoredEvent& event : Variety()) {
        SCOPED_TRACE(event.record.Text("Subject"));
        const std::string text = ItemText(event.uid, event.record, BerlinZone(), kNowUtc, EnglishNames());
        // Read much later: nothing of the event may depend on the moment.
        ItemReading reading = Read(text, At(2031y / 7 / 1, 3, 0));
        EXPECT_TRUE(reading.exact) << reading.why_not_exact;
        EXPECT_EQ(reading.event.uid, event.uid);
        EXPECT_EQ(reading.acknowledged_utc, std::nullopt);
        for (std::size_t field = 0; field < kEventFields.size(); ++field) {
            if (field == kIdField || IsDerived(field)) continue;
            SCOPED_TRACE(kEventFields[field].name);
            EXPECT_EQ(reading.event.record.values[field], event.record.values[field]);
        }
        EXPECT_EQ(Hash(event.uid, reading.event.record), ContentHash(text));
    }
}

// An event as another client writes it: one our record holds exactly.
constexpr const char* kForeign =
    "BEGIN:VCALENDAR\r\n"
    "VERSION:2.0\r\n"
    "PRODID:-//Example//Phone Calendar//EN\r\n"
    "BEGIN:VEVENT\r\n"
    "UID:phone-1\r\n"
    "DTSTAMP:20261201T100000Z\r\n"
    "CREATED:20261201T100000Z\r\n"
    "SEQUENCE:2\r\n"
    "DTSTART:20261214T083000Z\r\n"
    "DTEND:20261214T093000Z\r\n"
    "SUMMARY:Dentist\r\n"
    "BEGIN:VALARM\r\n"
    "ACTION:DISPLAY\r\n"
    "DESCRIPTION:Reminder\r\n"
    "TRIGGER:-PT30M\r\n"
    "END:VALARM\r\n"
    "END:VEVENT\r\n"
    "END:VCALENDAR\r\n";

std::string With(std::string_view after, std::string_view lines, std::string text = kForeign) {
    std::size_t at = text.find(after);
    EXPECT_NE(at, std::string::npos) << after;
    text.insert(at + after.size(), lines);
    return text;
}

std::string Replaced(std::string_view from, std::string_view to, std::string text = kForeign) {
    std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    return text;
}

TEST(SyncItemReadTest, WhatOurRecordCannotHoldMakesAnItemInexact) {
    struct Case {
        const char* name;
        std::string text;
        bool exact;
    };
    const std::string override_event =
        "BEGIN:VEVENT\r\nUID:phone-1\r\nDTSTAMP:20261201T100000Z\r\nRECURRENCE-ID:20261221T083000Z\r\n"
        "DTSTART:20261221T100000Z\r\nDTEND:20261221T110000Z\r\nSUMMARY:Dentist (moved)\r\nEND:VEVENT\r\n";
    const std::string kBerlinForeign = Replaced("DTSTART:20261214T083000Z\r\nDTEND:20261214T093000Z",
                                                "DTSTART;TZID=Europe/Berlin:20261214T093000\r\n"
                                                "DTEND;TZID=Europe/Berlin:20261214T103000");
    const Case cases[] = {
        {"as written", kForeign, true},
        {"a weekly rule", With("SUMMARY:Dentist\r\n", "RRULE:FREQ=WEEKLY;BYDAY=MO\r\n", kBerlinForeign), true},
        // The table keeps the local time: the series would move by an hour twice a year.
        {"a weekly rule in UTC", With("SUMMARY:Dentist\r\n", "RRULE:FREQ=WEEKLY;BYDAY=MO\r\n"), false},
        {"an event type as category", With("SUMMARY:Dentist\r\n", "CATEGORIES:Appointment\r\nPRIORITY:3\r\n"), true},
        {"a count", With("SUMMARY:Dentist\r\n", "RRULE:FREQ=WEEKLY;COUNT=5\r\n"), false},
        {"an end", With("SUMMARY:Dentist\r\n", "RRULE:FREQ=DAILY;UNTIL=20261231T000000Z\r\n"), false},
        {"an exception", With("SUMMARY:Dentist\r\n", "RRULE:FREQ=WEEKLY\r\nEXDATE:20261221T083000Z\r\n"), false},
        {"an added date", With("SUMMARY:Dentist\r\n", "RDATE:20261224T083000Z\r\n"), false},
        {"hours in the rule", With("SUMMARY:Dentist\r\n", "RRULE:FREQ=DAILY;BYHOUR=8,17\r\n"), false},
        {"two month days", With("SUMMARY:Dentist\r\n", "RRULE:FREQ=MONTHLY;BYMONTHDAY=1,15\r\n"), false},
        {"a changed occurrence", With("SUMMARY:Dentist\r\n", "RRULE:FREQ=WEEKLY\r\n",
                                      Replaced("END:VEVENT\r\n", "END:VEVENT\r\n" + override_event)), false},
        {"a location", With("SUMMARY:Dentist\r\n", "LOCATION:Main Street 1\r\n"), false},
        {"categories beyond the type", With("SUMMARY:Dentist\r\n", "CATEGORIES:Appointment,Health\r\n"), false},
        {"a finer priority", With("SUMMARY:Dentist\r\n", "PRIORITY:2\r\n"), false},
        {"all day", Replaced("DTSTART:20261214T083000Z\r\nDTEND:20261214T093000Z",
                             "DTSTART;VALUE=DATE:20261214\r\nDTEND;VALUE=DATE:20261215"), false},
        {"a second alarm", With("END:VALARM\r\n", "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Again\r\n"
                                                  "TRIGGER:-PT5M\r\nEND:VALARM\r\n"), false},
        {"a sounding alarm", Replaced("ACTION:DISPLAY", "ACTION:AUDIO"), false},
        {"another program's property", With("SUMMARY:Dentist\r\n", "X-PHONE-COLOUR:blue\r\n"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ItemReading reading = Read(c.text);
        EXPECT_EQ(reading.exact, c.exact) << reading.why_not_exact;
        EXPECT_EQ(reading.why_not_exact.empty(), c.exact);
        EXPECT_EQ(reading.event.uid, "phone-1");
        EXPECT_EQ(reading.event.record.Text("Subject"), "Dentist");
    }
}

TEST(SyncItemReadTest, ItemsWithNoEventToStoreAreRefusedWithAReason) {
    struct Case {
        const char* name;
        std::string text;
        const char* reason_part;
    };
    const Case cases[] = {
        {"not iCalendar", "<html>Service unavailable</html>", "cannot be read"},
        {"broken", Replaced("END:VALARM\r\n", ""), "cannot be read"},
        {"a to-do", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTODO\r\nUID:t\r\nSUMMARY:Milk\r\nEND:VTODO\r\n"
                    "END:VCALENDAR\r\n", "a to-do"},
        {"no start", Replaced("DTSTART:20261214T083000Z\r\nDTEND:20261214T093000Z\r\n", ""), "no start"},
        {"two events", With("END:VEVENT\r\n", "BEGIN:VEVENT\r\nUID:phone-2\r\nDTSTART:20261215T083000Z\r\n"
                                              "END:VEVENT\r\n"), "several events"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string refusal;
        EXPECT_EQ(ReadItem(c.text, BerlinZone(), kNowLocal, EnglishNames(), refusal), std::nullopt);
        EXPECT_NE(refusal.find(c.reason_part), std::string::npos) << refusal;
    }
}

// A series from another client with what we cannot show, edited here.
constexpr const char* kSeries =
    "BEGIN:VCALENDAR\r\n"
    "VERSION:2.0\r\n"
    "PRODID:-//Example//Phone Calendar//EN\r\n"
    "BEGIN:VEVENT\r\n"
    "UID:series-1\r\n"
    "DTSTAMP:20261201T100000Z\r\n"
    "DTSTART:20261214T083000Z\r\n"
    "DTEND:20261214T093000Z\r\n"
    "RRULE:FREQ=WEEKLY;COUNT=10\r\n"
    "EXDATE:20261228T083000Z\r\n"
    "SUMMARY:Physio\r\n"
    "LOCATION:Clinic\r\n"
    "X-PHONE-COLOUR:blue\r\n"
    "BEGIN:VALARM\r\n"
    "ACTION:DISPLAY\r\n"
    "DESCRIPTION:Reminder\r\n"
    "TRIGGER:-PT30M\r\n"
    "END:VALARM\r\n"
    "BEGIN:VALARM\r\n"
    "ACTION:EMAIL\r\n"
    "DESCRIPTION:Mail me\r\n"
    "SUMMARY:Physio\r\n"
    "ATTENDEE:mailto:me@example.org\r\n"
    "TRIGGER:-P1D\r\n"
    "END:VALARM\r\n"
    "END:VEVENT\r\n"
    "BEGIN:VEVENT\r\n"
    "UID:series-1\r\n"
    "DTSTAMP:20261201T100000Z\r\n"
    "RECURRENCE-ID:20261221T083000Z\r\n"
    "DTSTART:20261221T100000Z\r\n"
    "DTEND:20261221T110000Z\r\n"
    "SUMMARY:Physio (later)\r\n"
    "END:VEVENT\r\n"
    "END:VCALENDAR\r\n";

TEST(SyncItemMergeTest, AnEditHereKeepsWhatOnlyTheServerHad) {
    ItemReading original = Read(kSeries);
    ASSERT_FALSE(original.exact);
    EventRecord edited = original.event.record;
    edited.SetText("Subject", "Physio with Anna");
    edited.SetText("Remind", "1 hour");
    edited.SetDateTime("Date", At(2026y / 12 / 14, 10, 0));  // local: 09:00Z
    std::string ours = ItemText("series-1", edited, BerlinZone(), kNowUtc, EnglishNames());
    std::string merged = MergeIntoOriginal(kSeries, ours);

    for (const char* kept : {"RRULE:FREQ=WEEKLY;COUNT=10", "EXDATE:20261228T083000Z", "LOCATION:Clinic",
                             "X-PHONE-COLOUR:blue", "RECURRENCE-ID:20261221T083000Z", "SUMMARY:Physio (later)",
                             "ACTION:EMAIL", "ATTENDEE:mailto:me@example.org", "TRIGGER:-P1D"})
        EXPECT_EQ(Count(merged, kept), 1u) << kept << "\n" << merged;
    for (const char* taken : {"SUMMARY:Physio with Anna", "TRIGGER:-PT1H", "BEGIN:VTIMEZONE",
                              "DTSTART;TZID=Europe/Berlin:20261214T100000"})
        EXPECT_EQ(Count(merged, taken), 1u) << taken << "\n" << merged;
    EXPECT_EQ(Count(merged, "DTEND:20261214T093000Z"), 0u) << "the old end would contradict the new start";

    ItemReading again = Read(merged);
    EXPECT_FALSE(again.exact);
    for (std::size_t field = 0; field < kEventFields.size(); ++field) {
        if (field == kIdField || IsDerived(field)) continue;
        SCOPED_TRACE(kEventFields[field].name);
        EXPECT_EQ(again.event.record.values[field], edited.values[field]);
    }
}

TEST(SyncItemMergeTest, ARuleSetHereReplacesTheirsAndTheExceptionsStay) {
    EventRecord edited = Read(kSeries).event.record;
    for (auto& [name, text] : EditorRuleTexts("1")) edited.SetText(name, text);
    edited.SetText("Repleat", "Y");
    std::string merged = MergeIntoOriginal(kSeries, ItemText("series-1", edited, BerlinZone(), kNowUtc, EnglishNames()));
    EXPECT_EQ(Count(merged, "RRULE:FREQ=WEEKLY"), 0u) << merged;
    EXPECT_EQ(Count(merged, "RRULE:FREQ=DAILY"), 1u) << merged;
    EXPECT_EQ(Count(merged, "EXDATE:20261228T083000Z"), 1u);
    EXPECT_EQ(Count(merged, "RECURRENCE-ID:"), 1u);
}

TEST(SyncItemAckTest, AcknowledgementsReadInEitherFormAndTheLaterWins) {
    EventRecord record;
    record.SetText("Subject", "Call back");
    record.SetText("Remind", "15 minutes");
    record.SetDateTime("Date", At(2026y / 12 / 14, 9, 30));
    const std::string ours = ItemText("ack-1", record, BerlinZone(), kNowUtc, EnglishNames());
    const DateTime early = At(2026y / 12 / 14, 8, 15), late = At(2026y / 12 / 14, 8, 20, 5);
    struct Case {
        const char* name;
        std::string text;
        std::optional<DateTime> acknowledged;
    };
    const Case cases[] = {
        {"none", ours, std::nullopt},
        {"both, written here", WithAcknowledgement(ours, early), early},
        {"written twice: the last replaces", WithAcknowledgement(WithAcknowledgement(ours, late), early), early},
        {"on the event only", With("SUMMARY:Dentist\r\n", "X-MOZ-LASTACK:20261214T082005Z\r\n"), late},
        {"on the alarm only", With("TRIGGER:-PT30M\r\n", "ACKNOWLEDGED:20261214T081500Z\r\n"), early},
        {"the later of the two", With("SUMMARY:Dentist\r\n", "X-MOZ-LASTACK:20261214T081500Z\r\n",
                                      With("TRIGGER:-PT30M\r\n", "ACKNOWLEDGED:20261214T082005Z\r\n")), late},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ItemReading reading = Read(c.text);
        EXPECT_EQ(reading.acknowledged_utc, c.acknowledged);
        EXPECT_TRUE(reading.exact) << reading.why_not_exact;
    }
    const std::string acknowledged = WithAcknowledgement(ours, early);
    EXPECT_EQ(Count(acknowledged, "X-MOZ-LASTACK:20261214T081500Z\r\n"), 1u) << acknowledged;
    EXPECT_EQ(Count(acknowledged, "ACKNOWLEDGED:20261214T081500Z\r\n"), 1u) << acknowledged;
    EXPECT_EQ(Count(WithAcknowledgement(acknowledged, late), "ACKNOWLEDGED:"), 1u);
    EXPECT_NE(ContentHash(acknowledged), ContentHash(ours));

    // Dismissed here, merged into a series with two alarms that was acknowledged before.
    EventRecord series = Read(kSeries).event.record;
    std::string earlier = With("TRIGGER:-P1D\r\n", "ACKNOWLEDGED:20261201T000000Z\r\n", kSeries);
    std::string merged = MergeIntoOriginal(
        earlier, WithAcknowledgement(ItemText("series-1", series, BerlinZone(), kNowUtc, EnglishNames()), late));
    EXPECT_EQ(Count(merged, "ACKNOWLEDGED:20261214T082005Z"), 2u) << merged;
    EXPECT_EQ(Count(merged, "ACKNOWLEDGED:"), 2u) << merged;
    EXPECT_EQ(Read(merged).acknowledged_utc, late);
}

TEST(SyncItemAckTest, ARepeatingEventsAcknowledgementCoversTheOccurrencesWhoseAlarmsRangBeforeIt) {
    // Daily at 09:00 from 14 December.
    auto daily = [](const char* remind) {
        EventRecord record;
        record.SetText("Subject", "Standup");
        record.SetText("Remind", remind);
        record.SetDateTime("Date", At(2026y / 12 / 14, 9, 0));
        record.SetText("Repleat", "Y");
        RecurrenceRule rule{.kind = RecurrenceKind::Daily};
        for (const auto& [name, text] : FieldsFromRule(rule, EnglishNames())) record.SetText(name, text);
        return record;
    };
    struct Case {
        const char* name;
        const char* remind;
        DateTime acknowledged;
        std::optional<DateTime> occurrence;
    };
    const Case cases[] = {
        {"just after an alarm", "15 minutes", At(2026y / 12 / 16, 8, 46), At(2026y / 12 / 16, 9, 0)},
        {"at the alarm itself", "15 minutes", At(2026y / 12 / 16, 8, 45), At(2026y / 12 / 16, 9, 0)},
        {"before the day's alarm: the day before", "15 minutes", At(2026y / 12 / 16, 8, 44), At(2026y / 12 / 15, 9, 0)},
        {"a lead of two days reaches ahead", "2 days", At(2026y / 12 / 16, 8, 0), At(2026y / 12 / 17, 9, 0)},
        {"no lead", "", At(2026y / 12 / 16, 9, 0), At(2026y / 12 / 16, 9, 0)},
        {"before the first alarm", "15 minutes", At(2026y / 12 / 14, 8, 30), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AcknowledgedOccurrence(daily(c.remind), c.acknowledged, EnglishNames()), c.occurrence);
        if (c.occurrence) {
            const std::optional<DateTime> alarm = AlarmOfOccurrence(daily(c.remind), *c.occurrence);
            ASSERT_TRUE(alarm);
            EXPECT_LE(*alarm, c.acknowledged);
        }
    }
    EventRecord once = daily("15 minutes");
    once.SetText("Repleat", "N");
    EXPECT_EQ(AcknowledgedOccurrence(once, At(2026y / 12 / 16, 9, 0), EnglishNames()), std::nullopt)
        << "an event that does not repeat is dismissed through its record";
}

}  // namespace
}  // namespace orbelle::sync
