// The events as the desktop calendar shows them: marked days, the day's tip,
// the upcoming panel's lines, and the cell under a face point.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/face_layout.h"
#include "deskevents/event_days.h"
#include "rule_builders.h"

namespace orbelle {
namespace {
using namespace std::chrono;
using namespace rule_builders;

DateTime At(int y, unsigned m, unsigned d, int hour = 0, int minute = 0) {
    return DateTime::FromParts(year_month_day{year{y}, month{m}, day{d}}, {hour, minute, 0, 0});
}

DeskEvent Event(std::int64_t id, std::string subject, DateTime start,
                RecurrenceRule rule = {.kind = RecurrenceKind::None}) {
    return {.id = id, .subject = std::move(subject), .start = start, .rule = rule};
}

std::vector<int> MarkedDays(const MonthMarks& marks, DayMark kind) {
    std::vector<int> days;
    for (int d = 1; d <= 31; ++d)
        if (marks[static_cast<std::size_t>(d)] == kind) days.push_back(d);
    return days;
}

std::vector<DeskEvent> FortyOnOneDay() {
    std::vector<DeskEvent> events;
    for (int i = 0; i < 40; ++i) events.push_back(Event(i + 1, "Call " + std::to_string(i + 1), At(2024, 3, 20, 8, i)));
    return events;
}

struct MarksCase {
    const char* name;
    std::vector<DeskEvent> events;
    std::vector<int> normal;  // March 2024
    std::vector<int> strong;
    const char* tip_of_the_5th;
};

TEST(DeskEvents, MarkedDaysAndTipOfEachEventSet) {
    DeskEvent accepted = Event(1, "Rent", At(2024, 3, 5));
    accepted.accepted = true;
    DeskEvent high = Event(2, "Exam", At(2024, 3, 5, 14, 30));
    high.high = true;
    const std::vector<MarksCase> cases = {
        {"none", {}, {}, {}, ""},
        {"one event on its start day, none before or after it",
         {Event(1, "Dentist", At(2024, 3, 5, 9, 0))}, {5}, {}, "Tuesday, March 5, 2024\r\n09:00 Dentist"},
        {"an event of another month", {Event(1, "Dentist", At(2024, 4, 5, 9, 0))}, {}, {}, ""},
        {"a weekly rule on Tuesdays and Thursdays from February",
         {Event(1, "Gym", At(2024, 2, 1, 18, 0), Weekly(1, {kTue, kThu}))},
         {5, 7, 12, 14, 19, 21, 26, 28}, {}, "Tuesday, March 5, 2024\r\n18:00 Gym"},
        {"a month-end rule from January 31 lands on the last day only where the month has it",
         {Event(1, "Payroll", At(2024, 1, 31), MonthlyDay(31, 1))}, {31}, {}, ""},
        {"a rule that starts after the month marks nothing",
         {Event(1, "Gym", At(2024, 4, 1, 18, 0), Daily(1))}, {}, {}, ""},
        {"an accepted event counts and reads done; a high one marks strong, earliest first",
         {high, accepted}, {}, {5}, "Tuesday, March 5, 2024\r\nall day Rent (done)\r\n14:30 Exam"},
        {"forty events on one day", FortyOnOneDay(), {20}, {}, ""},
    };
    for (const MarksCase& c : cases) {
        SCOPED_TRACE(c.name);
        const MonthMarks marks = MarksOfMonth(c.events, 2024y / March);
        EXPECT_EQ(MarkedDays(marks, DayMark::Normal), c.normal);
        EXPECT_EQ(MarkedDays(marks, DayMark::Strong), c.strong);
        EXPECT_EQ(TipText(2024y / March / 5d, EventsOnDay(c.events, 2024y / March / 5d), EnglishNames()),
                  c.tip_of_the_5th);
    }
}

TEST(DeskEvents, TipShowsTenThenHowManyMore) {
    const std::vector<DeskEvent> events = FortyOnOneDay();
    const std::string tip = TipText(2024y / March / 20d, EventsOnDay(events, 2024y / March / 20d), EnglishNames());
    EXPECT_EQ(tip,
              "Wednesday, March 20, 2024\r\n08:00 Call 1\r\n08:01 Call 2\r\n08:02 Call 3\r\n08:03 Call 4\r\n"
              "08:04 Call 5\r\n08:05 Call 6\r\n08:06 Call 7\r\n08:07 Call 8\r\n08:08 Call 9\r\n08:09 Call 10\r\n"
              "and 30 more");
}

TEST(DeskEvents, UpcomingLinesGroupByDayForAFixedClock) {
    using K = UpcomingLine::Kind;
    DeskEvent high = Event(3, "Exam", At(2024, 3, 7, 8, 0));
    high.high = true;
    const std::vector<DeskEvent> events = {
        Event(1, "Standup", At(2024, 3, 1, 9, 0), Daily(1)),   // every day: today's is past
        Event(2, "Lunch", At(2024, 3, 5, 12, 30)),
        high,
        Event(4, "Holiday", At(2024, 3, 9)),
        Event(5, "Too late", At(2024, 3, 12, 10, 0)),          // the 8th day: not shown
        Event(6, "Before", At(2024, 3, 4, 23, 0)),             // yesterday
    };
    const std::vector<UpcomingLine> expected = {
        {K::Day, "Today"},
        {K::Event, "09:00 Standup", false, true},
        {K::Event, "12:30 Lunch", false, false},
        {K::Day, "Tomorrow"},
        {K::Event, "09:00 Standup"},
        {K::Day, "Thursday, March 7"},
        {K::Event, "08:00 Exam", true},
        {K::Event, "09:00 Standup"},
        {K::Day, "Friday, March 8"},
        {K::Event, "09:00 Standup"},
        {K::Day, "Saturday, March 9"},
        {K::Event, "all day Holiday"},
        {K::Event, "09:00 Standup"},
        {K::Day, "Sunday, March 10"},
        {K::Event, "09:00 Standup"},
        {K::Day, "Monday, March 11"},
        {K::Event, "09:00 Standup"},
    };
    EXPECT_EQ(UpcomingLines(events, At(2024, 3, 5, 10, 0), EnglishNames()), expected);
}

TEST(DeskEvents, UpcomingStopsAtThirtyLinesAndCountsTheRest) {
    std::vector<DeskEvent> events = FortyOnOneDay();  // March 20
    events.push_back(Event(99, "Later", At(2024, 3, 21, 9, 0)));
    const std::vector<UpcomingLine> lines = UpcomingLines(events, At(2024, 3, 20, 7, 0), EnglishNames());
    ASSERT_EQ(lines.size(), kUpcomingLines + 1);
    EXPECT_EQ(lines[0].text, "Today");
    EXPECT_EQ(lines[29].text, "08:28 Call 29");
    EXPECT_EQ(lines[30], (UpcomingLine{UpcomingLine::Kind::More, "and 12 more"}));
}

TEST(DeskEvents, NewEventStartsAtTheNextFullHourTodayAndAtNineOtherwise) {
    struct Case {
        const char* name;
        year_month_day day;
        DateTime now;
        DateTime expected;
    };
    const Case cases[] = {
        {"today, mid-hour", 2024y / March / 5d, At(2024, 3, 5, 10, 20), At(2024, 3, 5, 11, 0)},
        {"today, on the hour", 2024y / March / 5d, At(2024, 3, 5, 10, 0), At(2024, 3, 5, 11, 0)},
        {"today, the last hour stays today", 2024y / March / 5d, At(2024, 3, 5, 23, 30), At(2024, 3, 5, 23, 59)},
        {"another day", 2024y / March / 6d, At(2024, 3, 5, 10, 20), At(2024, 3, 6, 9, 0)},
        {"a day gone", 2024y / March / 1d, At(2024, 3, 5, 10, 20), At(2024, 3, 1, 9, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(NewEventStart(c.day, c.now), c.expected);
    }
}

TEST(DeskEvents, EachDayCellIsFoundFromAnyOfItsPixels) {
    // March 2024 starts on a Friday: day 1 in column 6 of row 0, day 31 in row 5.
    const year_month month = 2024y / March;
    for (int d = 1; d <= 31; ++d) {
        SCOPED_TRACE(d);
        const FaceRect cell = DayCell(DayNumberAreaOf(month, d));
        EXPECT_EQ(DayAtFacePoint(month, {cell.x, cell.y}), d);
        EXPECT_EQ(DayAtFacePoint(month, {cell.x + cell.width - 1, cell.y + cell.height - 1}), d);
    }
    EXPECT_EQ(DayNumberAreaOf(month, 5), (FacePoint{95, 100}));
    EXPECT_EQ(DayAtFacePoint(month, {45, 75}), 0);    // before day 1 in row 0
    EXPECT_EQ(DayAtFacePoint(month, {120, 200}), 0);  // after day 31
    EXPECT_EQ(DayAtFacePoint(month, {15, 100}), 0);   // left of the grid
}

}  // namespace
}  // namespace orbelle
