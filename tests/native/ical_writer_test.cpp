#include <gtest/gtest.h>

#include "exchange/ical_text.h"
#include "exchange/ical_writer.h"
#include "exchange/rrule.h"
#include "exchange_fixture.h"

namespace orbelle {
namespace {
using namespace exchange_test;

TEST(IcalText, EscapesAndReadsBackText) {
    struct Case {
        const char* text;
        const char* escaped;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"a;b,c\\d", "a\\;b\\,c\\\\d"},
        {"one\r\ntwo\nthree\rfour", "one\\ntwo\\nthree\\nfour"},
        {"Grüße: 10:30", "Grüße: 10:30"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ical::EscapeText(c.text), c.escaped);
    }
    EXPECT_EQ(ical::UnescapeText("a\\;b\\,c\\\\d\\nx\\Ny", "\r\n"), "a;b,c\\d\r\nx\r\ny");
    EXPECT_EQ(ical::SplitTextList("Work,Meeting\\, big,x\\\\"), (std::vector<std::string>{"Work", "Meeting, big", "x\\"}));
}

TEST(IcalText, FoldsAt75OctetsWithoutSplittingACharacter) {
    for (std::string piece : {"x", "é", "€", "\xF0\x9F\x8E\x89"}) {  // 1 to 4 octets each
        SCOPED_TRACE(piece);
        std::string line = "DESCRIPTION:";
        for (int i = 0; i < 100; ++i) line += piece;
        std::string out;
        ical::AppendFolded(out, line);
        ASSERT_TRUE(out.ends_with("\r\n"));
        std::string unfolded;
        std::size_t at = 0;
        bool first = true;
        while (at < out.size()) {
            std::size_t end = out.find("\r\n", at);
            std::string physical = out.substr(at, end - at);
            EXPECT_LE(physical.size(), 75u);
            if (!first) {
                ASSERT_EQ(physical.front(), ' ');
                physical.erase(0, 1);
                EXPECT_NE(static_cast<unsigned char>(physical.front()) & 0xC0, 0x80) << "a split character";
            }
            EXPECT_TRUE(ical::IsValidUtf8(physical));
            unfolded += physical;
            first = false;
            at = end + 2;
        }
        EXPECT_EQ(unfolded, line);
    }
}

TEST(IcalText, ParsesContentLines) {
    auto line = ical::ParseContentLine("dtStart;TZID=\"America/New_York\";X-A=\"a:b;c\",d:20240101T090000").line;
    ASSERT_TRUE(line);
    EXPECT_EQ(line->name, "DTSTART");
    EXPECT_EQ(line->ParamOf("TZID"), "America/New_York");
    ASSERT_EQ(line->params.size(), 2u);
    EXPECT_EQ(line->params[1].values, (std::vector<std::string>{"a:b;c", "d"}));
    EXPECT_EQ(line->value, "20240101T090000");
    EXPECT_EQ(ical::ParseContentLine("SUMMARY:a:b").line->value, "a:b");

    struct Broken {
        const char* text;
        const char* expected;
    };
    const Broken broken[] = {{"SUMMARY", "':' before the value"},
                             {":value", "a property name"},
                             {"DTSTART;TZID:x", "'=' after the parameter name"},
                             {"DTSTART;TZID=\"open:x", "a closing '\"'"},
                             {"SUMMARY:a\x01", "no control characters"}};
    for (const Broken& b : broken) {
        SCOPED_TRACE(b.text);
        ical::ParsedLine parsed = ical::ParseContentLine(b.text);
        EXPECT_FALSE(parsed.line);
        EXPECT_EQ(parsed.expected, b.expected);
    }
}

TEST(Rrule, WritesEveryRuleForm) {
    struct Case {
        RecurrenceRule rule;
        std::optional<std::string> rrule;
    };
    RecurrenceRule weekly{.kind = RecurrenceKind::Weekly, .weekly = {.every = 2}};
    weekly.weekly.on[1] = weekly.weekly.on[5] = true;
    const Case cases[] = {
        {{.kind = RecurrenceKind::Daily, .daily = {3}}, "FREQ=DAILY;INTERVAL=3"},
        {weekly, "FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,FR;WKST=SU"},
        {{.kind = RecurrenceKind::Weekly, .weekly = {.every = 1}}, "FREQ=WEEKLY;INTERVAL=1;WKST=SU"},
        {{.kind = RecurrenceKind::Monthly, .monthly = {.variant = MonthlyVariant::DayOfMonth, .day = 31, .day_every = 2}},
         "FREQ=MONTHLY;INTERVAL=2;BYMONTHDAY=31"},
        {{.kind = RecurrenceKind::Monthly,
          .monthly = {.variant = MonthlyVariant::OrdinalWeekday, .ordinal = 3, .weekday = 5, .weekday_every = 1}},
         "FREQ=MONTHLY;INTERVAL=1;BYDAY=4FR"},
        {{.kind = RecurrenceKind::Monthly,
          .monthly = {.variant = MonthlyVariant::OrdinalWeekday, .ordinal = kMonthlyLast, .weekday = 5, .weekday_every = 3}},
         "FREQ=MONTHLY;INTERVAL=3;BYDAY=-1FR"},
        {{.kind = RecurrenceKind::Yearly, .yearly = {.variant = YearlyVariant::MonthDay, .day_month = 1, .day = 29}},
         "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29"},
        {{.kind = RecurrenceKind::Yearly,
          .yearly = {.variant = YearlyVariant::OrdinalWeekday, .ordinal = kYearlyLast, .weekday = 0, .weekday_month = 9}},
         "FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU"},
        {{.kind = RecurrenceKind::Yearly, .yearly = {.variant = YearlyVariant::MonthDay, .day_month = 1, .day = 30}},
         std::nullopt},
        {{.kind = RecurrenceKind::None}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rrule.value_or("none"));
        EXPECT_EQ(ical::RruleOf(c.rule), c.rrule);
    }
}

class IcalWriter : public ::testing::Test {
protected:
    static EventRecord Record(std::map<std::string, std::string> changes, DateTime start) {
        RecordSpec record_spec = EditorRecord("Dentist", start, "2", std::move(changes));
        EventRecord record;
        for (const auto& [name, text] : record_spec.texts) record.SetText(name, text);
        for (const auto& [name, time] : record_spec.times) record.SetDateTime(name, time);
        return record;
    }
    // Unfolded, so that the checks need not know where lines were folded.
    static std::string Write(const EventRecord& record) {
        std::string text = ical::WriteICalendar({{"uid-1@orbelle", record}}, BerlinZone(), At(2026y / 12 / 10, 13, 0, 5),
                                    EnglishNames());
        for (std::size_t at = text.find("\r\n "); at != std::string::npos; at = text.find("\r\n ", at))
            text.erase(at, 3);
        return text;
    }
};

TEST_F(IcalWriter, WritesTheEventsProperties) {
    std::string text = Write(Record({{"Week_2", "Y"}, {"Priority", "High"}, {"Memo", "Bring the card\r\nFloor 2"}},
                                    At(2024y / 7 / 3, 9, 30)));
    for (const char* line : {"BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Orbelle//Orbelle//EN\r\n",
                             "\r\nBEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\nBEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\n"
                             "TZOFFSETTO:+0200\r\nDTSTART:19700329T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n",
                             "\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nDTSTART:19701025T030000\r\n"
                             "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\n",
                             "\r\nUID:uid-1@orbelle\r\n", "\r\nDTSTAMP:20261210T130005Z\r\n",
                             "\r\nDTSTART;TZID=Europe/Berlin:20240703T093000\r\n", "\r\nDURATION:PT1H\r\n",
                             "\r\nSUMMARY:Dentist\r\n", "\r\nDESCRIPTION:Bring the card\\nFloor 2\r\n",
                             "\r\nCATEGORIES:Meeting\r\n", "\r\nPRIORITY:3\r\n",
                             "\r\nRRULE:FREQ=WEEKLY;INTERVAL=1;BYDAY=MO;WKST=SU\r\n",
                             "\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Dentist\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n",
                             ";Accepttext=N\r\n", "END:VEVENT\r\nEND:VCALENDAR\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    // Every line ends in CRLF, and only what needs it is carried.
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        EXPECT_EQ(text[at - 1], '\r');
    std::string start_hour = ExactNumberText(At(2024y / 7 / 3, 9, 30).Days());
    EXPECT_NE(text.find("\r\nX-ORBELLE-FIELDS:StartHour=" + start_hour + ";NextAlarm=" + start_hour +
                        ";Accepttext=N\r\n"),
              std::string::npos) << text;
}

TEST_F(IcalWriter, MapsPrioritiesLeadsAndAcceptance) {
    struct Case {
        std::map<std::string, std::string> changes;
        const char* present;
        const char* absent;
    };
    const Case cases[] = {
        {{{"Priority", "Highest"}}, "PRIORITY:1\r\n", nullptr},
        {{{"Priority", "Normal"}}, "PRIORITY:5\r\n", nullptr},
        {{{"Priority", "Low"}}, "PRIORITY:7\r\n", nullptr},
        {{{"Priority", "Lowest"}}, "PRIORITY:9\r\n", nullptr},
        {{{"Priority", "Urgent"}}, ":Priority=Urgent;", "PRIORITY:"},
        {{{"Remind", "0 minutes"}}, "TRIGGER:PT0S\r\n", nullptr},
        {{{"Remind", "2 days"}}, "TRIGGER:-P2D\r\n", nullptr},
        {{{"Remind", "1 week"}}, "TRIGGER:-P1W\r\n", nullptr},
        {{{"Remind", "90 minutes"}}, "TRIGGER:-PT1H30M\r\n", nullptr},
        {{{"Accepttext", "Y"}}, ";Accepttext=Y\r\n", "BEGIN:VALARM"},
        {{{"Duration", "2 days"}}, "DURATION:P2D\r\n", nullptr},
        {{{"Duration", "soon"}}, ":Duration=soon;", "DURATION:"},
        {{{"Repleat", "N"}}, "SUMMARY:Dentist\r\n", "RRULE:FREQ=WEEKLY"},
        // A ";" in a value goes in a property of its own, out of the list.
        {{{"Sound", "C:\\Media\\ring;1.wav"}}, "\nX-ORBELLE-SOUND:C:\\\\Media\\\\ring\\;1.wav\r\n", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.present);
        std::string text = Write(Record(c.changes, At(2024y / 1 / 10, 9, 30)));
        EXPECT_NE(text.find(c.present), std::string::npos);
        if (c.absent) {
            EXPECT_EQ(text.find(std::string("\n") + c.absent), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace orbelle
