#include <gtest/gtest.h>

#include "exchange/ical_reader.h"
#include "exchange/ical_time.h"
#include "exchange/rrule.h"
#include "exchange_fixture.h"
#include "libical_oracle.h"

namespace orbelle {
namespace {
using namespace exchange_test;

const DateTime kNow = At(2024y / 6 / 1, 12, 0);

std::string Calendar(const std::string& body) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n" + body + "END:VCALENDAR\r\n";
}

std::string Event(const std::string& lines) {
    return "BEGIN:VEVENT\r\nUID:e1\r\nSUMMARY:Test\r\n" + lines + "END:VEVENT\r\n";
}

constexpr const char* kNewYorkZone =
    "BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\n"
    "BEGIN:DAYLIGHT\r\nTZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nTZNAME:EDT\r\nDTSTART:19700308T020000\r\n"
    "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\nEND:DAYLIGHT\r\n"
    "BEGIN:STANDARD\r\nTZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nTZNAME:EST\r\nDTSTART:19701101T020000\r\n"
    "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";

ical::CalendarReading Read(const std::string& text, const ical::ReadLimits& limits = {}) {
    return ical::ReadICalendar(text, BerlinZone(), kNow, EnglishNames(), limits);
}

// One event read; the test fails when the file is refused or gives another count.
EventRecord ReadOne(const std::string& text, std::vector<ical::ImportNote>* notes = nullptr) {
    ical::CalendarReading reading = Read(text);
    EXPECT_FALSE(reading.failure) << reading.failure->line << ": " << reading.failure->message;
    EXPECT_EQ(reading.events.size(), 1u);
    if (notes) *notes = reading.notes;
    return reading.events.empty() ? EventRecord{} : reading.events.front().record;
}

TEST(IcalReader, ReadsStartsInEveryZoneForm) {
    struct Case {
        const char* name;
        std::string body;
        DateTime date;
    };
    const Case cases[] = {
        {"UTC in summer", Event("DTSTART:20240615T070000Z\r\n"), At(2024y / 6 / 15, 9, 0)},
        {"UTC in winter", Event("DTSTART:20240115T070000Z\r\n"), At(2024y / 1 / 15, 8, 0)},
        {"floating as local", Event("DTSTART:20240615T090000\r\n"), At(2024y / 6 / 15, 9, 0)},
        {"zone of the file", std::string(kNewYorkZone) + Event("DTSTART;TZID=America/New_York:20240615T090000\r\n"),
         At(2024y / 6 / 15, 15, 0)},
        {"zone of the file, quoted, before its description",
         Event("DTSTART;TZID=\"America/New_York\":20240110T090000\r\n") + kNewYorkZone, At(2024y / 1 / 10, 15, 0)},
        {"Windows name of our own zone", Event("DTSTART;TZID=W. Europe Standard Time:20240615T090000\r\n"),
         At(2024y / 6 / 15, 9, 0)},
        {"Windows name of another zone", Event("DTSTART;TZID=\"Pacific Standard Time\":20240615T090000\r\n"),
         At(2024y / 6 / 15, 18, 0)},
        {"IANA name without a description", Event("DTSTART;TZID=Asia/Tokyo:20240615T090000\r\n"),
         At(2024y / 6 / 15, 2, 0)},
        {"today's IANA name of a zone CLDR keeps under its old one",
         Event("DTSTART;TZID=Europe/Kyiv:20240615T090000\r\n"), At(2024y / 6 / 15, 8, 0)},
        {"Asia/Kolkata", Event("DTSTART;TZID=Asia/Kolkata:20240115T090000\r\n"), At(2024y / 1 / 15, 4, 30)},
        {"all-day date", Event("DTSTART;VALUE=DATE:20240615\r\n"), At(2024y / 6 / 15)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadOne(Calendar(c.body)).DateTimeOf("Date"), c.date);
    }
}

TEST(IcalReader, ReadsTextDurationsAlarmsAndPriorities) {
    struct Case {
        const char* name;
        std::string lines;
        std::map<std::string, std::string> texts;
    };
    const Case cases[] = {
        {"folded and escaped text",
         "DESCRIPTION:Line one\\nLine two\\, with\r\n  a fold\\; and \\\\ marks\r\nCATEGORIES:work,BIRTHDAY\r\n"
         "DTSTART:20240615T090000\r\n",
         {{"Memo", "Line one\r\nLine two, with a fold; and \\ marks"}, {"Type", "Birthday"}, {"Subject", "Test"}}},
        {"DTEND", "DTSTART:20240615T090000\r\nDTEND:20240615T103000\r\n", {{"Duration", "90 minutes"}}},
        {"DURATION", "DTSTART:20240615T090000\r\nDURATION:P1W\r\n", {{"Duration", "1 week"}}},
        {"all-day over three days", "DTSTART;VALUE=DATE:20240615\r\nDTEND;VALUE=DATE:20240618\r\n",
         {{"Duration", "3 days"}}},
        {"all-day alone", "DTSTART;VALUE=DATE:20240615\r\n", {{"Duration", "1 day"}}},
        {"alarm before the start",
         "DTSTART:20240615T090000\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER:-PT2H\r\nEND:VALARM\r\n",
         {{"Remind", "2 hours"}}},
        {"alarm related to the end",
         "DTSTART:20240615T090000\r\nDURATION:PT1H\r\nBEGIN:VALARM\r\nTRIGGER;RELATED=END:-PT1H30M\r\nEND:VALARM\r\n",
         {{"Remind", "30 minutes"}}},
        {"alarm at a moment",
         "DTSTART:20240615T090000\r\nBEGIN:VALARM\r\nTRIGGER;VALUE=DATE-TIME:20240614T070000Z\r\nEND:VALARM\r\n",
         {{"Remind", "1 day"}}},
        // Parameter values not in quotes are read without regard to case.
        {"alarm related to the end, in lower case",
         "DTSTART:20240615T090000\r\nDURATION:PT1H\r\nBEGIN:VALARM\r\nTRIGGER;RELATED=end:-PT1H30M\r\nEND:VALARM\r\n",
         {{"Remind", "30 minutes"}}},
        {"alarm at a moment, in lower case",
         "DTSTART:20240615T090000\r\nBEGIN:VALARM\r\nTRIGGER;value=date-time:20240614T070000Z\r\nEND:VALARM\r\n",
         {{"Remind", "1 day"}}},
        {"alarm related to the end, in mixed case",
         "DTSTART:20240615T090000\r\nDURATION:PT2H\r\nBEGIN:VALARM\r\nTRIGGER;Related=End:-PT3H\r\nEND:VALARM\r\n",
         {{"Remind", "1 hour"}}},
        {"no alarm, no priority", "DTSTART:20240615T090000\r\n",
         {{"Remind", "0 minutes"}, {"Priority", "Normal"}, {"Sound", "Alarm.wav"}, {"Type", "Alarm"}}},
        {"priority 1", "PRIORITY:1\r\nDTSTART:20240615T090000\r\n", {{"Priority", "Highest"}}},
        {"priority 4", "PRIORITY:4\r\nDTSTART:20240615T090000\r\n", {{"Priority", "High"}}},
        {"priority 6", "PRIORITY:6\r\nDTSTART:20240615T090000\r\n", {{"Priority", "Low"}}},
        {"priority 9", "PRIORITY:9\r\nDTSTART:20240615T090000\r\n", {{"Priority", "Lowest"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EventRecord record = ReadOne(Calendar(Event(c.lines)));
        for (const auto& [field, text] : c.texts) EXPECT_EQ(record.Text(field), text) << field;
    }
}

TEST(IcalReader, ReadsEveryRuleFormItCanKeep) {
    struct Case {
        const char* rrule;
        std::map<std::string, std::string> texts;
    };
    // Start: Saturday 2024-06-15 09:00.
    const Case cases[] = {
        {"FREQ=DAILY;INTERVAL=3", {{"Dwmy", "1"}, {"Day_day", "3"}}},
        {"FREQ=WEEKLY", {{"Dwmy", "2"}, {"Week_week", "1"}, {"Week_7", "N"}}},
        {"FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,FR;WKST=SU",
         {{"Dwmy", "2"}, {"Week_week", "2"}, {"Week_2", "Y"}, {"Week_6", "Y"}, {"Week_1", "N"}}},
        {"FREQ=MONTHLY", {{"Dwmy", "3"}, {"Month_dayweek", "D"}, {"Month_day1", "15"}, {"Month_day2", "1"}}},
        {"FREQ=MONTHLY;INTERVAL=2;BYMONTHDAY=31", {{"Month_dayweek", "D"}, {"Month_day1", "31"}, {"Month_day2", "2"}}},
        {"FREQ=MONTHLY;BYDAY=3SA",
         {{"Month_dayweek", "W"}, {"Month_week1", "Third"}, {"Month_week2", "Saturday"}, {"Month_week3", "1"}}},
        {"FREQ=MONTHLY;INTERVAL=6;BYDAY=-1FR", {{"Month_week1", "Last"}, {"Month_week2", "Friday"}, {"Month_week3", "6"}}},
        {"FREQ=MONTHLY;BYDAY=FR;BYSETPOS=-1", {{"Month_week1", "Last"}, {"Month_week2", "Friday"}}},
        {"FREQ=MONTHLY;BYDAY=+4TU", {{"Month_week1", "Forth"}, {"Month_week2", "Tuesday"}}},
        {"FREQ=YEARLY", {{"Dwmy", "4"}, {"Year_dayweek", "D"}, {"Year_day1", "June"}, {"Year_day2", "15"}}},
        {"FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29", {{"Year_day1", "February"}, {"Year_day2", "29"}}},
        {"FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU",
         {{"Year_dayweek", "W"}, {"Year_week1", "Last"}, {"Year_week2", "Sunday"}, {"Year_week3", "March"}}},
        {"FREQ=YEARLY;BYMONTH=11;BYDAY=TH;BYSETPOS=2", {{"Year_week1", "Second"}, {"Year_week2", "Thursday"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rrule);
        std::vector<ical::ImportNote> notes;
        EventRecord record =
            ReadOne(Calendar(Event("DTSTART:20240615T090000\r\nRRULE:" + std::string(c.rrule) + "\r\n")), &notes);
        EXPECT_TRUE(notes.empty());
        EXPECT_EQ(record.Text("Repleat"), "Y");
        for (const auto& [field, text] : c.texts) EXPECT_EQ(record.Text(field), text) << field;
    }
}

TEST(IcalReader, SimplifiesWhatItCannotKeepAndSaysWhy) {
    struct Case {
        std::string lines;
        const char* reason;
    };
    const Case cases[] = {
        {"RRULE:FREQ=DAILY;COUNT=5\r\n", "the repeats end (COUNT)"},
        {"RRULE:FREQ=WEEKLY;UNTIL=20250101T000000Z\r\n", "the repeats end (UNTIL)"},
        {"RRULE:FREQ=MONTHLY;BYMONTHDAY=1,15\r\n", "several days of the month"},
        {"RRULE:FREQ=DAILY;BYHOUR=9,17\r\n", "the rule uses BYHOUR"},
        {"RRULE:FREQ=HOURLY\r\n", "repeats more often than daily"},
        {"RRULE:FREQ=YEARLY;INTERVAL=2\r\n", "every 2 years"},
        {"RRULE:FREQ=MONTHLY;BYDAY=5SA\r\n", "weekday number 5 of the month"},
        {"RRULE:FREQ=MONTHLY;BYMONTHDAY=-1\r\n", "a day counted from the month's end"},
        {"RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=SU,SA\r\n", "weeks that begin on another day than Sunday"},
        {"RRULE:FREQ=WEEKLY\r\nEXDATE:20240622T090000\r\n", "the repeats have EXDATE"},
        {"RDATE:20240701T090000\r\n", "the repeats have RDATE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        std::vector<ical::ImportNote> notes;
        EventRecord record = ReadOne(Calendar(Event("DTSTART:20240615T090000\r\n" + c.lines)), &notes);
        EXPECT_EQ(record.Text("Repleat"), "N");
        EXPECT_EQ(record.DateTimeOf("Date"), At(2024y / 6 / 15, 9, 0));
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].reason, std::string(c.reason) + ": imported with its first occurrence and no repeats");
        EXPECT_EQ(notes[0].subject, "Test");
        EXPECT_FALSE(notes[0].skipped);
    }
}

TEST(IcalReader, NextAlarmIsTheNextOccurrenceAndPastEventsComeAccepted) {
    struct Case {
        const char* name;
        std::string lines;
        DateTime next_alarm;
        DateTime start_hour;
        const char* accepted;
    };
    const char* alarm = "BEGIN:VALARM\r\nTRIGGER:-PT30M\r\nEND:VALARM\r\n";
    const Case cases[] = {
        {"past, once", "DTSTART:20240115T090000\r\n" + std::string(alarm), At(2024y / 1 / 15, 9, 0),
         At(2024y / 1 / 15, 8, 30), "Y"},
        {"ahead, once", "DTSTART:20240715T090000\r\n" + std::string(alarm), At(2024y / 7 / 15, 9, 0),
         At(2024y / 7 / 15, 8, 30), "N"},
        {"weekly since years", "DTSTART:20200106T090000\r\nRRULE:FREQ=WEEKLY;BYDAY=MO\r\n" + std::string(alarm),
         At(2024y / 6 / 3, 9, 0), At(2024y / 6 / 3, 8, 30), "N"},
        {"yearly on a leap day", "DTSTART:20200229T070000\r\nRRULE:FREQ=YEARLY\r\n", At(2028y / 2 / 29, 7, 0),
         At(2028y / 2 / 29, 7, 0), "N"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EventRecord record = ReadOne(Calendar(Event(c.lines)));
        EXPECT_EQ(record.DateTimeOf("NextAlarm"), c.next_alarm);
        EXPECT_EQ(record.DateTimeOf("StartHour"), c.start_hour);
        EXPECT_EQ(record.Text("Accepttext"), c.accepted);
    }
}

TEST(IcalReader, SkipsWhatIsNoEventOfItsOwn) {
    ical::CalendarReading reading = Read(Calendar(
        Event("DTSTART:20240615T090000\r\n") + "BEGIN:VEVENT\r\nUID:e1\r\nSUMMARY:Moved\r\n"
        "RECURRENCE-ID:20240622T090000\r\nDTSTART:20240623T090000\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nSUMMARY:Nowhen\r\nEND:VEVENT\r\nBEGIN:VTODO\r\nSUMMARY:Task\r\nEND:VTODO\r\n"));
    ASSERT_FALSE(reading.failure);
    EXPECT_EQ(reading.events.size(), 1u);
    ASSERT_EQ(reading.notes.size(), 3u);
    EXPECT_EQ(reading.notes[0].reason, "a change to one occurrence of a series");
    EXPECT_EQ(reading.notes[0].line, 9u);
    EXPECT_EQ(reading.notes[1].reason, "no start (DTSTART)");
    EXPECT_EQ(reading.notes[2].reason, "a to-do, not an event");
    for (const ical::ImportNote& note : reading.notes) EXPECT_TRUE(note.skipped);
}

TEST(IcalReader, RefusesBrokenFilesWithTheLineAndWhatWasExpected) {
    struct Case {
        const char* name;
        std::string text;
        std::size_t line;
        const char* message;
        ical::ReadLimits limits{};
    };
    std::string event = Event("DTSTART:20240615T090000\r\n");
    const Case cases[] = {
        {"empty", "", 0, "expected BEGIN:VCALENDAR"},
        {"not iCalendar", "Subject,Start\r\nLunch,2024-06-15\r\n", 1, "expected ':' before the value"},
        {"no calendar", "BEGIN:VEVENT\r\nEND:VEVENT\r\n", 1, "expected BEGIN:VCALENDAR"},
        {"truncated", Calendar(event).substr(0, Calendar(event).find("END:VEVENT")), 7,
         "the file ends early: expected END:VEVENT"},
        {"cut inside a line", Calendar(event).substr(0, 90), 7, "expected ':' before the value"},
        {"mismatched end", Calendar("BEGIN:VEVENT\r\nDTSTART:20240615T090000\r\nEND:VTODO\r\n"), 6,
         "expected END:VEVENT"},
        {"bad date", Calendar(Event("DTSTART:2024-06-15\r\n")), 7,
         "expected a date as YYYYMMDD or a date-time as YYYYMMDDTHHMMSS[Z] in DTSTART"},
        {"February 30", Calendar(Event("DTSTART:20240230T090000\r\n")), 7,
         "expected a date as YYYYMMDD or a date-time as YYYYMMDDTHHMMSS[Z] in DTSTART"},
        {"bad rule", Calendar(Event("DTSTART:20240615T090000\r\nRRULE:FREQ=FORTNIGHTLY\r\n")), 8,
         "expected a frequency from SECONDLY to YEARLY"},
        {"rule without frequency", Calendar(Event("DTSTART:20240615T090000\r\nRRULE:INTERVAL=2\r\n")), 8,
         "expected FREQ in the RRULE"},
        {"bad duration", Calendar(Event("DTSTART:20240615T090000\r\nDURATION:1 hour\r\n")), 8,
         "expected a duration such as PT1H in DURATION"},
        {"bad trigger", Calendar(Event("DTSTART:20240615T090000\r\nBEGIN:VALARM\r\nTRIGGER:soon\r\nEND:VALARM\r\n")),
         9, "expected a duration such as -PT15M in TRIGGER"},
        {"priority 10", Calendar(Event("PRIORITY:10\r\nDTSTART:20240615T090000\r\n")), 7, "expected PRIORITY as 0 to 9"},
        {"nested too deep",
         Calendar(Event("DTSTART:20240615T090000\r\nBEGIN:VALARM\r\nBEGIN:VALARM\r\nEND:VALARM\r\nEND:VALARM\r\n")),
         9, "components nested deeper than iCalendar allows"},
        {"event in an alarm's place", Calendar("BEGIN:VEVENT\r\nBEGIN:VEVENT\r\n"), 5, "expected only VALARM inside VEVENT"},
        {"calendar in a calendar", Calendar("BEGIN:VCALENDAR\r\n"), 4,
         "expected END:VCALENDAR, not a calendar inside a calendar"},
        {"continuation first", " BEGIN:VCALENDAR\r\n", 1, "expected a content line, not a folded continuation"},
        {"not UTF-8", Calendar(Event("DTSTART:20240615T090000\r\nDESCRIPTION:caf\xE9\r\n")), 8, "expected text in UTF-8"},
        {"line too long", Calendar(Event("DESCRIPTION:" + std::string(3000, 'x') + "\r\n")), 7,
         "a line longer than 0 MB", {.max_line_bytes = 2000}},
        {"too many events", Calendar(event + event + event), 14, "more than 2 events in one file", {.max_events = 2}},
        {"file too large", Calendar(event), 0, "the file is larger than 0 MB", {.max_file_bytes = 100}},
        {"bad time zone", Calendar("BEGIN:VTIMEZONE\r\nTZID:X\r\nBEGIN:STANDARD\r\nTZOFFSETTO:+25\r\n"
                                   "DTSTART:19700101T000000\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n" + event),
         7, "expected TZOFFSETTO as +hhmm or -hhmm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ical::CalendarReading reading = Read(c.text, c.limits);
        ASSERT_TRUE(reading.failure);
        EXPECT_EQ(reading.failure->line, c.line);
        EXPECT_EQ(reading.failure->message, c.message);
        EXPECT_TRUE(reading.events.empty());
    }
}

// A VTIMEZONE with one daylight and one standard observance, each given by
// its DTSTART and RRULE lines.
std::string ZoneWithRules(const std::string& tzid, const char* standard, const char* daylight,
                          const std::string& to_daylight, const std::string& to_standard) {
    return "BEGIN:VTIMEZONE\r\nTZID:" + tzid + "\r\nBEGIN:DAYLIGHT\r\nTZOFFSETFROM:" + standard + "\r\nTZOFFSETTO:" +
           daylight + "\r\n" + to_daylight + "END:DAYLIGHT\r\nBEGIN:STANDARD\r\nTZOFFSETFROM:" + daylight +
           "\r\nTZOFFSETTO:" + standard + "\r\n" + to_standard + "END:STANDARD\r\nEND:VTIMEZONE\r\n";
}

// Every form of a zone's yearly changes that files use, the zone placed
// before or after the event: the same moment as libical reads, or a note
// where the reader falls back.
TEST(IcalReader, ReadsZonesAsLibicalDoesWhereverTheFilePutsThem) {
    struct Case {
        const char* name;
        std::string zone;
        std::string tzid;
        std::string written;  // DTSTART in that zone
        DateTime expected;    // here, in Berlin
        const char* note;     // "" for none
        bool libical_agrees = true;
    };
    const std::string second_sunday_of_march_as_week =
        "DTSTART:19700308T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=SU;BYMONTHDAY=8,9,10,11,12,13,14\r\n";
    const std::string first_sunday_of_november_as_week =
        "DTSTART:19701101T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=SU;BYMONTHDAY=1,2,3,4,5,6,7\r\n";
    const std::string new_york_as_weeks = ZoneWithRules("America/New_York", "-0500", "-0400",
                                                        second_sunday_of_march_as_week, first_sunday_of_november_as_week);
    const std::string athens_last_week = ZoneWithRules(
        "Custom/Athens", "+0200", "+0300",
        "DTSTART:19700329T030000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=SU;BYMONTHDAY=25,26,27,28,29,30,31\r\n",
        "DTSTART:19701025T040000\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=SU;BYMONTHDAY=25,26,27,28,29,30,31\r\n");
    const std::string athens_from_the_end = ZoneWithRules(
        "Custom/Athens", "+0200", "+0300",
        "DTSTART:19700329T030000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=SU;BYMONTHDAY=-7,-6,-5,-4,-3,-2,-1\r\n",
        "DTSTART:19701025T040000\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=SU;BYMONTHDAY=-7,-6,-5,-4,-3,-2,-1\r\n");
    const std::string new_york_by_position =
        ZoneWithRules("America/New_York", "-0500", "-0400",
                      "DTSTART:19700308T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=SU;BYSETPOS=2\r\n",
                      "DTSTART:19701101T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=SU;BYSETPOS=1\r\n");
    // Brazil kept summer time until 2019: a file of then knows better than today's rules.
    const std::string sao_paulo_2018 = ZoneWithRules(
        "America/Sao_Paulo", "-0300", "-0200", "DTSTART:19701101T000000\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\n",
        "DTSTART:19700215T000000\r\nRRULE:FREQ=YEARLY;BYMONTH=2;BYDAY=3SU\r\n");
    const std::string monthly_every_twelve_daylight =
        "DTSTART:19700308T020000\r\nRRULE:FREQ=MONTHLY;INTERVAL=12;BYDAY=2SU\r\n";
    const std::string monthly_every_twelve_standard =
        "DTSTART:19701101T020000\r\nRRULE:FREQ=MONTHLY;INTERVAL=12;BYDAY=1SU\r\n";
    const Case cases[] = {
        {"second Sunday as a week of days, summer", new_york_as_weeks, "America/New_York", "20240715T090000",
         At(2024y / 7 / 15, 15, 0), ""},
        {"second Sunday as a week of days, between the two changes", new_york_as_weeks, "America/New_York",
         "20240320T090000", At(2024y / 3 / 20, 14, 0), ""},
        {"last Sunday as the month's last week", athens_last_week, "Custom/Athens", "20240715T090000",
         At(2024y / 7 / 15, 8, 0), ""},
        {"last Sunday counted from the month's end", athens_from_the_end, "Custom/Athens", "20240715T090000",
         At(2024y / 7 / 15, 8, 0), ""},
        {"second Sunday by position", new_york_by_position, "America/New_York", "20240715T090000",
         At(2024y / 7 / 15, 15, 0), ""},
        {"a known name with the file's own rules", sao_paulo_2018, "America/Sao_Paulo", "20180115T090000",
         At(2018y / 1 / 15, 12, 0), ""},
        {"rules the reader cannot follow, a known name",
         ZoneWithRules("America/New_York", "-0500", "-0400", monthly_every_twelve_daylight, monthly_every_twelve_standard),
         "America/New_York", "20240715T090000", At(2024y / 7 / 15, 15, 0),
         "time zone \"America/New_York\" of the file cannot be read: read with its known rules"},
        {"rules the reader cannot follow, an unknown name",
         ZoneWithRules("Custom/Eastern", "-0500", "-0400", monthly_every_twelve_daylight, monthly_every_twelve_standard),
         "Custom/Eastern", "20240715T090000", At(2024y / 7 / 15, 16, 0),
         "time zone \"Custom/Eastern\" of the file cannot be read: read without daylight saving time", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string event = Event("DTSTART;TZID=" + c.tzid + ":" + c.written + "\r\n");
        auto written = ical::ParseDateTime(c.written);
        ASSERT_TRUE(written);
        DateTime libical = BerlinZone().ToLocal(oracle::UtcOfWallClock(Calendar(c.zone + event), written->value));
        if (c.libical_agrees) {
            EXPECT_EQ(ical::FormatDateTime(libical), ical::FormatDateTime(c.expected));
        }
        for (bool zone_first : {true, false}) {
            SCOPED_TRACE(zone_first ? "zone before the event" : "zone after the event");
            std::vector<ical::ImportNote> notes;
            EventRecord record = ReadOne(Calendar(zone_first ? c.zone + event : event + c.zone), &notes);
            EXPECT_EQ(ical::FormatDateTime(record.DateTimeOf("Date")), ical::FormatDateTime(c.expected));
            if (*c.note) {
                ASSERT_EQ(notes.size(), 1u);
                EXPECT_EQ(notes[0].reason, c.note);
            } else {
                EXPECT_TRUE(notes.empty()) << notes[0].reason;
            }
        }
    }
}

// An event that waited for a zone described after it keeps its place in the file.
TEST(IcalReader, KeepsTheFilesOrderWhenAnEventWaitsForItsZone) {
    ical::CalendarReading reading =
        Read(Calendar("BEGIN:VEVENT\r\nUID:first\r\nSUMMARY:First\r\nDTSTART;TZID=America/New_York:20240715T090000\r\n"
                      "DURATION:-PT1H\r\nEND:VEVENT\r\n" +
                      Event("DTSTART:20240716T090000\r\nDURATION:-PT1H\r\n") + kNewYorkZone));
    ASSERT_FALSE(reading.failure);
    ASSERT_EQ(reading.events.size(), 2u);
    EXPECT_EQ(reading.events[0].uid, "first");
    ASSERT_EQ(reading.notes.size(), 2u);
    EXPECT_EQ(reading.notes[0].subject, "First");
}

// The table keeps no zone: a repeating event of another zone keeps the local
// time of its start, and the summary says how often that is not its time.
TEST(IcalReader, SaysHowOftenARepeatOfAnotherZoneDiffersHere) {
    struct Case {
        const char* name;
        std::string body;
        DateTime date;
        const char* note;  // "" for none
    };
    const Case cases[] = {
        {"weekly in New York", std::string(kNewYorkZone) +
             Event("DTSTART;TZID=America/New_York:20240108T090000\r\nRRULE:FREQ=WEEKLY;BYDAY=MO\r\n"),
         At(2024y / 1 / 8, 15, 0), "its time follows America/New_York; 4 occurrences a year differ here by an hour"},
        {"weekly in Tokyo, without summer time", Event("DTSTART;TZID=Asia/Tokyo:20240108T090000\r\nRRULE:FREQ=WEEKLY\r\n"),
         At(2024y / 1 / 8, 1, 0), "its time follows Asia/Tokyo; 30 occurrences a year differ here by an hour"},
        {"daily in UTC", Event("DTSTART:20240115T090000Z\r\nRRULE:FREQ=DAILY\r\n"), At(2024y / 1 / 15, 10, 0),
         "its time follows UTC; 211 occurrences a year differ here by an hour"},
        {"weekly in London, whose changes are ours",
         Event("DTSTART;TZID=Europe/London:20240108T090000\r\nRRULE:FREQ=WEEKLY\r\n"), At(2024y / 1 / 8, 10, 0), ""},
        {"once in New York", std::string(kNewYorkZone) + Event("DTSTART;TZID=America/New_York:20240108T090000\r\n"),
         At(2024y / 1 / 8, 15, 0), ""},
        {"floating time", Event("DTSTART:20240108T090000\r\nRRULE:FREQ=WEEKLY\r\n"), At(2024y / 1 / 8, 9, 0), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ical::ImportNote> notes;
        EventRecord record = ReadOne(Calendar(c.body), &notes);
        EXPECT_EQ(ical::FormatDateTime(record.DateTimeOf("Date")), ical::FormatDateTime(c.date));
        if (*c.note) {
            ASSERT_EQ(notes.size(), 1u);
            EXPECT_EQ(notes[0].reason, c.note);
            EXPECT_FALSE(notes[0].skipped);
            EXPECT_EQ(record.Text("Repleat"), "Y");
        } else {
            EXPECT_TRUE(notes.empty()) << notes[0].reason;
        }
    }
}

TEST(IcalReader, NotesDurationsItCannotKeepAsWritten) {
    struct Case {
        const char* name;
        std::string lines;
        const char* duration;
        const char* note;
    };
    const Case cases[] = {
        {"negative duration", "DURATION:-PT1H\r\n", "0 minutes", "the duration is negative: set to 0 minutes"},
        {"end before the start", "DTEND:20240615T080000\r\n", "0 minutes",
         "the end comes before the start: duration set to 0 minutes"},
        {"DTEND with DURATION", "DTEND:20240615T100000\r\nDURATION:PT2H\r\n", "2 hours",
         "DTEND and DURATION together: DURATION used"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ical::ImportNote> notes;
        EventRecord record = ReadOne(Calendar(Event("DTSTART:20240615T090000\r\n" + c.lines)), &notes);
        EXPECT_EQ(record.Text("Duration"), c.duration);
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].reason, c.note);
        EXPECT_FALSE(notes[0].skipped);
    }
}

}  // namespace
}  // namespace orbelle
