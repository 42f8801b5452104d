#include <gtest/gtest.h>

#include <random>

#include "exchange/ical_reader.h"
#include "exchange_fixture.h"
#include "temp_folder.h"

namespace orbelle {
namespace {
using namespace exchange_test;

// What another calendar writes: a zone, a folded description, a rule, an alarm.
constexpr const char* kForeignFile =
    "BEGIN:VCALENDAR\r\nPRODID:-//Other//Calendar//EN\r\nVERSION:2.0\r\n"
    "BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\nBEGIN:DAYLIGHT\r\nTZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\n"
    "DTSTART:19700308T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\nEND:DAYLIGHT\r\nBEGIN:STANDARD\r\n"
    "TZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nDTSTART:19701101T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\n"
    "END:STANDARD\r\nEND:VTIMEZONE\r\nBEGIN:VEVENT\r\nDTSTART;TZID=America/New_York:20240105T090000\r\n"
    "DTEND;TZID=America/New_York:20240105T100000\r\nRRULE:FREQ=MONTHLY;BYDAY=FR;BYSETPOS=1\r\n"
    "DTSTAMP:20240101T000000Z\r\nUID:abc123@example.com\r\nSUMMARY:Board meeting\r\n"
    "DESCRIPTION:Agenda:\\n1. Budget\\, costs\\n2. Plans for the next year and the one after\r\n"
    " \\, folded here\r\nCATEGORIES:Meeting,Work\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\n"
    "TRIGGER:-P1D\r\nEND:VALARM\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20240229\r\n"
    "RRULE:FREQ=YEARLY\r\nUID:leap@example.com\r\nSUMMARY:Leap\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";

std::string Mutate(std::string text, std::mt19937& random) {
    static constexpr char kTokens[] = "\r\n :;,=\"\\\t-ZT0123456789BEGINEDVALARMPRULEFQ\xC3\xA9\xE2\x82\xAC\x80\xFF";
    auto pick = [&](std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound)(random); };
    int edits = 1 + static_cast<int>(pick(4));
    for (int i = 0; i < edits && !text.empty(); ++i) {
        std::size_t at = pick(text.size() - 1);
        switch (pick(6)) {
            case 0: text[at] = kTokens[pick(sizeof kTokens - 2)]; break;
            case 1: text.insert(at, 1, kTokens[pick(sizeof kTokens - 2)]); break;
            case 2: text.erase(at, pick(40)); break;
            case 3: text.insert(at, text.substr(pick(text.size() - 1), pick(200))); break;
            case 4: text.resize(at); break;
            case 5: text[at] = static_cast<char>(pick(255)); break;
            default: {  // swap two lines
                std::size_t other = pick(text.size() - 1);
                std::size_t a = text.rfind('\n', at), b = text.rfind('\n', other);
                if (a != std::string::npos && b != std::string::npos && a != b) std::swap(text[a + 1], text[b + 1]);
            }
        }
    }
    return text;
}

// Random damage to real files: the reader never crashes or hangs, a refusal
// gives no event, and the import of a refused file leaves the table as it was.
TEST(IcalFuzz, DamagedFilesAreReadOrRefusedWhole) {
    TempFolder folder;
    std::filesystem::path table = folder.Path() / "db" / "TODOLIST.DB";
    PostRecords(table, VarietyOfRecords());
    ExportICalendarFile(table, folder.Path() / "ours.ics", BerlinContext());
    const std::string seeds[] = {ReadBytes(folder.Path() / "ours.ics"), kForeignFile};
    std::vector<StoredEvent> before = ExchangeStore(table).LoadAll();

    std::mt19937 random(20261210);
    int refused = 0, read = 0, imports_checked = 0;
    for (int run = 0; run < 10'000; ++run) {
        std::string text = Mutate(seeds[run % 2], random);
        ical::CalendarReading reading = ical::ReadICalendar(text, BerlinZone(), At(2024y / 6 / 1), EnglishNames());
        if (!reading.failure) {
            ++read;
            continue;
        }
        ++refused;
        ASSERT_TRUE(reading.events.empty()) << text;
        if (refused % 200 != 1) continue;
        // Through the whole import path now and then: nothing is stored.
        ++imports_checked;
        WriteBytes(folder.Path() / "bad.ics", text);
        ImportReport report = ImportICalendarFile(table, folder.Path() / "bad.ics", BerlinContext());
        ASSERT_EQ(report.outcome, ImportOutcome::Refused);
        EXPECT_NE(report.Summary().find("was not imported"), std::string::npos);
    }
    EXPECT_GT(refused, 1000);
    EXPECT_GT(read, 1000);
    EXPECT_GT(imports_checked, 5);
    std::vector<StoredEvent> after = ExchangeStore(table).LoadAll();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i].record, before[i].record);
}

// The import hands the reader its file in pieces, which end anywhere: inside
// a line ending, a character, a folded line or the byte order mark. Read so,
// every file, damaged or not, reads as its whole text does.
TEST(IcalFuzz, AFileInPiecesReadsAsTheWholeText) {
    TempFolder folder;
    std::filesystem::path table = folder.Path() / "db" / "TODOLIST.DB";
    PostRecords(table, VarietyOfRecords());
    ExportICalendarFile(table, folder.Path() / "ours.ics", BerlinContext());
    const std::string seeds[] = {ReadBytes(folder.Path() / "ours.ics"), kForeignFile,
                                 "\xEF\xBB\xBF" + std::string(kForeignFile)};
    std::mt19937 random(20261211);
    auto pick = [&](std::size_t low, std::size_t high) {
        return std::uniform_int_distribution<std::size_t>(low, high)(random);
    };
    for (int run = 0; run < 3000; ++run) {
        std::string text = run < 3 ? seeds[run] : Mutate(seeds[run % 3], random);
        ical::CalendarReading whole = ical::ReadICalendar(text, BerlinZone(), At(2024y / 6 / 1), EnglishNames());

        std::vector<ical::ImportedEvent> events;
        ical::PieceReader reader(BerlinZone(), At(2024y / 6 / 1), EnglishNames(),
                                 [&](ical::ImportedEvent& event) { events.push_back(std::move(event)); });
        bool read = true;
        for (std::size_t at = 0; read && at < text.size();) {
            std::size_t length = std::min(text.size() - at, pick(0, run % 2 ? 3 : 80));
            read = reader.Feed(std::string_view(text).substr(at, length));
            at += length;
        }
        read = read && reader.Finish();
        std::vector<ical::ImportNote> notes = reader.TakeNotes();

        ASSERT_EQ(read, !whole.failure) << text;
        if (!read) {
            EXPECT_EQ(reader.Failure()->line, whole.failure->line) << text;
            EXPECT_EQ(reader.Failure()->message, whole.failure->message) << text;
            continue;
        }
        ASSERT_EQ(events.size(), whole.events.size()) << text;
        for (std::size_t i = 0; i < events.size(); ++i) {
            EXPECT_EQ(events[i].line, whole.events[i].line);
            EXPECT_EQ(events[i].uid, whole.events[i].uid);
            EXPECT_EQ(events[i].record, whole.events[i].record);
        }
        ASSERT_EQ(notes.size(), whole.notes.size()) << text;
        for (std::size_t i = 0; i < notes.size(); ++i) {
            EXPECT_EQ(notes[i].line, whole.notes[i].line);
            EXPECT_EQ(notes[i].reason, whole.notes[i].reason);
        }
    }
}

}  // namespace
}  // namespace orbelle
