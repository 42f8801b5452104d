#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/recurrence.h"
#include "rule_builders.h"

namespace orbelle {
namespace {
using namespace std::chrono;

DateTime At(year_month_day date, int hour = 0, int minute = 0) {
    return DateTime::FromParts(date, {hour, minute, 0, 0});
}

using namespace rule_builders;

std::string Show(DateTime value) {
    if (value == kNoDate) return "no-date marker";
    auto date = value.Date();
    auto time = value.Time();
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d.%03d", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), time.hour, time.minute, time.second,
                  time.millisecond);
    return text;
}

struct Case {
    const char* name;
    DateTime start;
    RecurrenceRule rule;
    DateTime expected;
};

void ExpectCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DateTime result = NextOccurrence(c.rule, c.start);
        EXPECT_EQ(result, c.expected) << Show(result) << " instead of " << Show(c.expected);
    }
}

const DateTime kWednesday = At(2004y / 3 / 10, 9, 30);

TEST(NextOccurrence, WorkedExamples) {
    ExpectCases({
        {"daily every 3 days", kWednesday, Daily(3), At(2004y / 3 / 13, 9, 30)},
        {"weekly every 2, none ticked", kWednesday, Weekly(2, {}), At(2004y / 3 / 24, 9, 30)},
        {"weekly, own weekday ticked", kWednesday, Weekly(1, {kWed}), At(2004y / 3 / 17, 9, 30)},
        {"weekly, Friday before Monday in the scan", kWednesday, Weekly(1, {kMon, kFri}),
         At(2004y / 3 / 19, 9, 30)},
        {"weekly, Saturday", kWednesday, Weekly(1, {kSat}), At(2004y / 3 / 20, 9, 30)},
        {"weekly, Monday wraps", kWednesday, Weekly(1, {kMon}), At(2004y / 3 / 22, 9, 30)},
        {"monthly day 30, February lacks it", At(2004y / 1 / 31, 10), MonthlyDay(30, 1), kNoDate},
        {"monthly day 5, next month", At(2004y / 11 / 15, 8), MonthlyDay(5, 1), At(2004y / 12 / 5)},
        {"monthly day 5, into next year", At(2004y / 12 / 15, 8), MonthlyDay(5, 1),
         At(2005y / 1 / 5)},
        {"monthly day 10 of every 0 months", At(2004y / 3 / 20, 8), MonthlyDay(10, 0),
         At(2004y / 3 / 10)},
        {"monthly first Monday", At(2004y / 1 / 20, 8), MonthlyThe(0, kMon, 1), At(2004y / 2 / 2)},
        {"monthly forth Sunday", At(2004y / 1 / 20, 8), MonthlyThe(3, kSun, 1), At(2004y / 2 / 22)},
        {"monthly last Sunday, five in the month", At(2004y / 1 / 20, 8),
         MonthlyThe(kMonthlyLast, kSun, 1), At(2004y / 2 / 29)},
        {"yearly every March 15, before the start", At(2004y / 6 / 10, 8), YearlyDate(kMar, 15),
         At(2004y / 3 / 15)},
        {"yearly every February 29, common year", At(2005y / 1 / 1, 8), YearlyDate(kFeb, 29),
         kNoDate},
        {"yearly every February 29, leap year", At(2004y / 1 / 1, 8), YearlyDate(kFeb, 29),
         At(2004y / 2 / 29)},
    });
}

TEST(NextOccurrence, DailyAndWeeklyKeepTheTimeOfDay) {
    DateTime seconds = DateTime::FromParts(2004y / 3 / 10, {23, 19, 13, 0});
    ExpectCases({
        {"every 0 days is the start", kWednesday, Daily(0), kWednesday},
        {"a past start stays in the past", At(1990y / 5 / 1, 7, 15), Daily(1),
         At(1990y / 5 / 2, 7, 15)},
        {"below 0 goes back", kWednesday, Daily(-10), At(2004y / 2 / 29, 9, 30)},
        {"seconds survive", seconds, Daily(1),
         DateTime::FromParts(2004y / 3 / 11, {23, 19, 13, 0})},
        {"weekly, every 0 weeks lands on the ticked day", kWednesday, Weekly(0, {kFri}),
         At(2004y / 3 / 12, 9, 30)},
        {"weekly, every -1 week", kWednesday, Weekly(-1, {}), At(2004y / 3 / 3, 9, 30)},
        // The fraction of a value before the zero date-time is still the time
        // of day, so the step cannot be a plain addition there.
        {"before the zero date-time", At(1899y / 12 / 29, 6), Daily(1), At(1899y / 12 / 30, 6)},
        {"across the zero date-time backwards", At(1900y / 1 / 1, 18), Daily(-3),
         At(1899y / 12 / 29, 18)},
    });
}

TEST(NextOccurrence, WeeklyScanFromEveryWeekdayToEveryTickedDay) {
    // 2004-03-07 is a Sunday; each start weekday against each single ticked day.
    for (int from = kSun; from <= kSat; ++from) {
        DateTime start = At(sys_days{2004y / 3 / 7} + days{from}, 12);
        for (int ticked = kSun; ticked <= kSat; ++ticked) {
            SCOPED_TRACE(testing::Message() << "from " << from << " ticked " << ticked);
            int offset = (ticked - from + 7) % 7;  // 0..6
            EXPECT_EQ(NextOccurrence(Weekly(3, {ticked}), start),
                      At(sys_days{start.Date()} + days{offset + 21}, 12));
        }
        // Every day ticked: the start's own weekday is found first.
        EXPECT_EQ(NextOccurrence(Weekly(1, {0, 1, 2, 3, 4, 5, 6}), start),
                  At(sys_days{start.Date()} + days{7}, 12));
    }
}

TEST(NextOccurrence, MonthEndsLeapYearsAndNegativeCounts) {
    ExpectCases({
        {"day 31, April lacks it", At(2004y / 3 / 5), MonthlyDay(31, 1), kNoDate},
        {"day 31 of May", At(2004y / 4 / 5), MonthlyDay(31, 1), At(2004y / 5 / 31)},
        {"day 29 in a leap February", At(2003y / 2 / 14), MonthlyDay(29, 12), At(2004y / 2 / 29)},
        {"1900 is no leap year", At(1900y / 1 / 14), MonthlyDay(29, 1), kNoDate},
        {"2000 is a leap year", At(2000y / 1 / 14), MonthlyDay(29, 1), At(2000y / 2 / 29)},
        {"2100 is no leap year", At(2100y / 6 / 1), YearlyDate(kFeb, 29), kNoDate},
        {"day 32 is in no month", At(2004y / 1 / 1), MonthlyDay(32, 0), kNoDate},
        {"every 12 months from December", At(2004y / 12 / 31, 23), MonthlyDay(31, 12),
         At(2005y / 12 / 31)},
        {"every 25 months", At(2004y / 12 / 1), MonthlyDay(1, 25), At(2007y / 1 / 1)},
        {"every -3 months crosses back a year", At(2004y / 3 / 20, 8), MonthlyDay(10, -3),
         At(2003y / 12 / 10)},
        {"every -12 months", At(2004y / 1 / 20), MonthlyDay(10, -12), At(2003y / 1 / 10)},
        {"every -13 months", At(2004y / 1 / 20), MonthlyDay(10, -13), At(2002y / 12 / 10)},
        {"ordinal weekday, -1 month", At(2004y / 3 / 20), MonthlyThe(0, kMon, -1),
         At(2004y / 2 / 2)},
    });
    for (int month = 1; month <= 12; ++month) {
        SCOPED_TRACE(month);
        auto from = 2004y / std::chrono::month(month) / 15;
        auto to = 2005y / std::chrono::month(month) / 5;
        EXPECT_EQ(NextOccurrence(MonthlyDay(5, 12), At(from, 8)), At(to));
    }
}

TEST(NextOccurrence, OrdinalWeekdays) {
    ExpectCases({
        {"first Sunday is day 1", At(2004y / 1 / 20), MonthlyThe(0, kSun, 1), At(2004y / 2 / 1)},
        {"first Saturday is day 7", At(2004y / 1 / 20), MonthlyThe(0, kSat, 1), At(2004y / 2 / 7)},
        {"last Monday, only four in the month", At(2004y / 1 / 20),
         MonthlyThe(kMonthlyLast, kMon, 1), At(2004y / 2 / 23)},
        {"last Saturday of a 31-day month", At(2004y / 1 / 20), MonthlyThe(kMonthlyLast, kSat, 0),
         At(2004y / 1 / 31)},
        {"forth Saturday", At(2004y / 1 / 20), MonthlyThe(3, kSat, 0), At(2004y / 1 / 24)},
        {"yearly first Monday of March", At(2004y / 6 / 10, 8), YearlyThe(0, kMon, kMar),
         At(2004y / 3 / 1)},
        {"yearly third Thursday of November", At(2004y / 1 / 1), YearlyThe(2, kThu, kNov),
         At(2004y / 11 / 18)},
        {"yearly last Sunday, five in February", At(2004y / 12 / 31),
         YearlyThe(kYearlyLast, kSun, kFeb), At(2004y / 2 / 29)},
        {"yearly last Friday, four in February", At(2004y / 12 / 31),
         YearlyThe(kYearlyLast, kFri, kFeb), At(2004y / 2 / 27)},
        {"yearly last Tuesday of December", At(2005y / 3 / 1), YearlyThe(kYearlyLast, kTue, kDec),
         At(2005y / 12 / 27)},
    });
}

TEST(NextOccurrence, NoKindOrVariantGivesTheStart) {
    RecurrenceRule monthly = MonthlyDay(5, 1);
    monthly.monthly.variant = MonthlyVariant::None;
    RecurrenceRule yearly = YearlyDate(kMar, 15);
    yearly.yearly.variant = YearlyVariant::None;
    ExpectCases({
        {"no kind", kWednesday, {.kind = RecurrenceKind::None}, kWednesday},
        {"monthly without variant", kWednesday, monthly, kWednesday},
        {"yearly without variant", kWednesday, yearly, kWednesday},
        // A new event's rule: weekly, every week, nothing ticked.
        {"defaults of a new event", kWednesday, RecurrenceRule{}, At(2004y / 3 / 17, 9, 30)},
    });
}

TEST(NextOccurrence, RefusesWhatNoDateCanEncode) {
    struct Refused {
        const char* name;
        RecurrenceRule rule;
    };
    const Refused refused[] = {
        {"monthly day 0", MonthlyDay(0, 1)},
        {"monthly day -5", MonthlyDay(-5, 1)},
        {"yearly day 0", YearlyDate(kFeb, 0)},
        {"monthly day beyond year 9999", MonthlyDay(1, INT_MAX)},
        {"monthly weekday before year 1", MonthlyThe(0, kSun, INT_MIN)},
        {"daily beyond year 9999", Daily(INT_MAX)},
        {"weekly beyond year 9999", Weekly(INT_MAX, {kSat})},
        {"daily before year 1", Daily(INT_MIN)},
        {"monthly ordinal past Last", MonthlyThe(kMonthlyLast + 1, kSun, 1)},
        {"yearly ordinal past Last", YearlyThe(kYearlyLast + 1, kSun, kJan)},
        {"weekday 7", MonthlyThe(0, 7, 1)},
        {"weekday -1", YearlyThe(0, -1, kJan)},
        {"month 12", YearlyDate(12, 1)},
        {"month -1", YearlyThe(0, kSun, -1)},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.name);
        try {
            DateTime result = NextOccurrence(r.rule, kWednesday);
            ADD_FAILURE() << "gave " << Show(result);
        } catch (const Error& error) {
            EXPECT_STREQ(error.what(), "Invalid argument to date encode");
        }
    }
}

// Brute force: the days of the month that fall on the weekday, in order.
std::vector<year_month_day> WeekdaysOfMonth(year_month month, weekday day) {
    std::vector<year_month_day> found;
    for (unsigned d = 1; d <= unsigned((month / last).day()); ++d)
        if (weekday{sys_days{month / std::chrono::day{d}}} == day)
            found.push_back(month / std::chrono::day{d});
    return found;
}

TEST(NextOccurrence, AgreesWithDayByDayCountingOverFourCenturies) {
    // Every month from 1800 to 2199 as a start month, every ordinal and weekday,
    // against a scan of the target month's days; and one step of each rule from
    // every day of the span, which must keep the time and move by whole days.
    for (year_month month = 1800y / January; month <= 2199y / December; month += months{1}) {
        DateTime start = At(month / 17, 13, 45);
        year_month target = month + months{7};
        for (int weekday_index = kSun; weekday_index <= kSat; ++weekday_index) {
            auto expected = WeekdaysOfMonth(target, weekday{unsigned(weekday_index)});
            for (int ordinal = 0; ordinal <= kMonthlyLast; ++ordinal) {
                year_month_day want = ordinal == kMonthlyLast ? expected.back() : expected[ordinal];
                ASSERT_EQ(NextOccurrence(MonthlyThe(ordinal, weekday_index, 7), start), At(want))
                    << int(month.year()) << "-" << unsigned(month.month()) << " ordinal " << ordinal
                    << " weekday " << weekday_index;
            }
        }
    }
    for (sys_days day = sys_days{1800y / 1 / 1}; day <= sys_days{2199y / 12 / 31}; day += days{1}) {
        DateTime start = At(day, 13, 45);
        ASSERT_EQ(NextOccurrence(Daily(1), start), At(day + days{1}, 13, 45)) << Show(start);
        ASSERT_EQ(NextOccurrence(Weekly(2, {kThu}), start).Date(),
                  year_month_day{day + days{14 + (kThu - int(weekday{day}.c_encoding()) + 7) % 7}})
            << Show(start);
        year_month_day date{day};
        bool has_31 = (date.year() / date.month() / last).day() == std::chrono::day{31};
        ASSERT_EQ(NextOccurrence(MonthlyDay(31, 0), start),
                  has_31 ? At(date.year() / date.month() / 31) : kNoDate)
            << Show(start);
    }
}

// Tables that keep a rule per event keep it packed: the packed rule must land
// where the rule does, also for values only another program would store.
TEST(PackedRule, LandsWhereTheRuleLands) {
    RecurrenceRule no_variant{.kind = RecurrenceKind::Monthly};
    no_variant.monthly.variant = MonthlyVariant::None;
    const RecurrenceRule rules[] = {
        Daily(1), Daily(3), Daily(-2), Daily(0),
        Weekly(1, {kMon, kWed, kFri}), Weekly(2, {kSun, kSat}), Weekly(1, {}),
        MonthlyDay(31, 1), MonthlyDay(29, 12), MonthlyDay(1, -1), MonthlyDay(40, 1), MonthlyDay(100000, 1),
        MonthlyThe(kMonthlyLast, kFri, 1), MonthlyThe(0, kMon, 3), MonthlyThe(7, kMon, 1), MonthlyThe(1, 9, 1),
        YearlyDate(kFeb, 29), YearlyDate(kDec, 31), YearlyDate(12, 1),
        YearlyThe(kYearlyLast, kSun, kOct), YearlyThe(0, kThu, kNov), YearlyThe(-1, kMon, kJan),
        no_variant, RecurrenceRule{.kind = RecurrenceKind::None},
    };
    const DateTime start = At(2024y / 1 / 31, 9, 30);
    for (std::size_t i = 0; i < std::size(rules); ++i) {
        SCOPED_TRACE(i);
        auto landing = [&](const RecurrenceRule& rule) -> std::optional<DateTime> {
            try {
                return NextOccurrence(rule, start);
            } catch (const Error&) {
                return std::nullopt;
            }
        };
        const PackedRule packed = PackedRule::Of(rules[i]);
        EXPECT_EQ(landing(packed.Rule()), landing(rules[i]));
        EXPECT_EQ(PackedRule::Of(packed.Rule()), packed);
    }
}

}  // namespace
}  // namespace orbelle
