#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "base/occurrences.h"
#include "libical_oracle.h"
#include "rule_builders.h"
#include "store/event_rule.h"

namespace orbelle {
void PrintTo(DateTime value, std::ostream* out) {
    year_month_day d = value.Date();
    TimeOfDay t = value.Time();
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d", static_cast<int>(d.year()),
                  static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()), t.hour, t.minute);
    *out << text;
}
namespace {
using namespace std::chrono;

DateTime At(year_month_day date, int hour = 0, int minute = 0) {
    return DateTime::FromParts(date, {hour, minute, 0, 0});
}

using namespace rule_builders;

std::vector<DateTime> OursAfter(const RecurrenceRule& rule, DateTime start, DateTime after, std::size_t count) {
    std::vector<DateTime> out;
    for (auto next = FirstOccurrenceAfter(rule, start, after); next && out.size() < count;
         next = FirstOccurrenceAfter(rule, start, *next))
        out.push_back(*next);
    return out;
}

struct OracleCase {
    const char* name;
    RecurrenceRule rule;
    const char* rrule;  // the same rule as iCalendar writes it
    DateTime start;
};

// Every rule kind and variant, intervals above 1, month ends, February 29 and
// "Last"; starts on and off the rule.
const OracleCase kOracleCases[] = {
    {"daily", Daily(1), "FREQ=DAILY;INTERVAL=1", At(2024y / 2 / 27, 9, 30)},
    {"daily every 3 over a leap day", Daily(3), "FREQ=DAILY;INTERVAL=3", At(2024y / 2 / 26, 23, 59)},
    {"daily every 400", Daily(400), "FREQ=DAILY;INTERVAL=400", At(2020y / 1 / 1, 7, 0)},
    {"weekly, no day ticked", Weekly(1, {}), "FREQ=WEEKLY;INTERVAL=1;WKST=SU", At(2024y / 3 / 13, 9, 30)},
    {"weekly every 2 on Monday and Friday from a Wednesday", Weekly(2, {kMon, kFri}),
     "FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,FR;WKST=SU", At(2024y / 3 / 13, 9, 30)},
    {"weekly every 3 on the week's two ends", Weekly(3, {kSun, kSat}), "FREQ=WEEKLY;INTERVAL=3;BYDAY=SU,SA;WKST=SU",
     At(2023y / 12 / 30, 18, 0)},
    {"weekly every day", Weekly(1, {kSun, kMon, kTue, kWed, kThu, kFri, kSat}),
     "FREQ=WEEKLY;INTERVAL=1;BYDAY=SU,MO,TU,WE,TH,FR,SA;WKST=SU", At(2024y / 12 / 28, 8, 0)},
    {"monthly on the 31st", MonthlyDay(31, 1), "FREQ=MONTHLY;INTERVAL=1;BYMONTHDAY=31", At(2024y / 1 / 31, 10, 0)},
    {"monthly on the 31st every 2 from February", MonthlyDay(31, 2), "FREQ=MONTHLY;INTERVAL=2;BYMONTHDAY=31",
     At(2024y / 2 / 10, 10, 0)},
    {"monthly on the 29th over two Februaries", MonthlyDay(29, 1), "FREQ=MONTHLY;INTERVAL=1;BYMONTHDAY=29",
     At(2023y / 1 / 29, 6, 15)},
    {"monthly on the 30th every 5", MonthlyDay(30, 5), "FREQ=MONTHLY;INTERVAL=5;BYMONTHDAY=30",
     At(2023y / 9 / 30, 12, 0)},
    {"monthly on the 1st every 12", MonthlyDay(1, 12), "FREQ=MONTHLY;INTERVAL=12;BYMONTHDAY=1",
     At(2024y / 5 / 20, 0, 0)},
    {"monthly first Monday", MonthlyThe(0, kMon, 1), "FREQ=MONTHLY;INTERVAL=1;BYDAY=1MO", At(2024y / 1 / 20, 8, 0)},
    {"monthly second Tuesday every 3", MonthlyThe(1, kTue, 3), "FREQ=MONTHLY;INTERVAL=3;BYDAY=2TU",
     At(2024y / 1 / 9, 8, 0)},
    {"monthly fourth Sunday", MonthlyThe(3, kSun, 1), "FREQ=MONTHLY;INTERVAL=1;BYDAY=4SU", At(2024y / 1 / 20, 8, 0)},
    {"monthly last Friday", MonthlyThe(kMonthlyLast, kFri, 1), "FREQ=MONTHLY;INTERVAL=1;BYDAY=-1FR",
     At(2024y / 1 / 26, 17, 0)},
    {"monthly last Thursday every 2, fifth in some months", MonthlyThe(kMonthlyLast, kThu, 2),
     "FREQ=MONTHLY;INTERVAL=2;BYDAY=-1TH", At(2024y / 2 / 1, 17, 0)},
    {"yearly on February 29", YearlyDate(kFeb, 29), "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29", At(2024y / 2 / 29, 9, 0)},
    {"yearly on February 29 from a common year", YearlyDate(kFeb, 29), "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29",
     At(2097y / 3 / 1, 9, 0)},
    {"yearly on December 31", YearlyDate(kDec, 31), "FREQ=YEARLY;BYMONTH=12;BYMONTHDAY=31", At(2024y / 6 / 1, 23, 0)},
    {"yearly first Sunday of March", YearlyThe(0, kSun, kMar), "FREQ=YEARLY;BYMONTH=3;BYDAY=1SU",
     At(2024y / 3 / 3, 11, 0)},
    {"yearly third Thursday of November", YearlyThe(2, kThu, kNov), "FREQ=YEARLY;BYMONTH=11;BYDAY=3TH",
     At(2024y / 1 / 1, 11, 0)},
    {"yearly last Monday of May", YearlyThe(kYearlyLast, kMon, kMay), "FREQ=YEARLY;BYMONTH=5;BYDAY=-1MO",
     At(2024y / 5 / 27, 11, 0)},
    {"yearly last Saturday of February", YearlyThe(kYearlyLast, kSat, kFeb), "FREQ=YEARLY;BYMONTH=2;BYDAY=-1SA",
     At(2019y / 7 / 4, 11, 0)},
};

TEST(Occurrences, MatchLibicalForEveryRuleKind) {
    for (const OracleCase& c : kOracleCases) {
        SCOPED_TRACE(c.name);
        std::string error;
        std::vector<DateTime> expected = oracle::Expand(c.rrule, c.start, c.start, 40, &error);
        ASSERT_EQ(error, "");
        ASSERT_EQ(expected.size(), 40u);
        EXPECT_EQ(OursAfter(c.rule, c.start, c.start, 40), expected);

        // From a moment years later, as a reminder or an import asks.
        DateTime later = At(std::max(2031y, c.start.Date().year() + years{9}) / 6 / 15, 12, 0);
        std::vector<DateTime> from_later = oracle::Expand(c.rrule, c.start, later, 3);
        ASSERT_FALSE(from_later.empty());
        EXPECT_EQ(FirstOccurrenceAtOrAfter(c.rule, c.start, later), from_later.front());
        EXPECT_EQ(OccurrencesFrom(c.rule, c.start, later, 3), from_later);
    }
}

// The search back, against libical's list: before each occurrence, at it,
// and a minute after it, the last one before is the one the list gives.
TEST(Occurrences, LastBeforeMatchesLibicalForEveryRuleKind) {
    for (const OracleCase& c : kOracleCases) {
        SCOPED_TRACE(c.name);
        std::vector<DateTime> list = oracle::Expand(c.rrule, c.start, c.start, 40);  // after the start
        ASSERT_EQ(list.size(), 40u);
        list.insert(list.begin(), c.start);
        EXPECT_FALSE(LastOccurrenceBefore(c.rule, c.start, c.start));
        for (std::size_t i = 0; i < list.size(); ++i) {
            const DateTime probes[] = {DateTime(list[i].Days() - 1.0 / 1440), list[i],
                                       DateTime(list[i].Days() + 1.0 / 1440)};
            for (DateTime probe : probes) {
                auto before = std::find_if(list.rbegin(), list.rend(), [&](DateTime d) { return d < probe; });
                std::optional<DateTime> expected =
                    before == list.rend() ? std::nullopt : std::optional<DateTime>(*before);
                EXPECT_EQ(LastOccurrenceBefore(c.rule, c.start, probe), expected) << "occurrence " << i;
            }
        }
        // Far on: what the forward search finds last before a later moment.
        DateTime later = At(2400y / 6 / 15, 12, 0);
        std::optional<DateTime> last = LastOccurrenceBefore(c.rule, c.start, later);
        ASSERT_TRUE(last);
        EXPECT_LT(*last, later);
        EXPECT_GE(FirstOccurrenceAfter(c.rule, c.start, *last).value_or(later), later);
    }
}

TEST(Occurrences, StartIsTheFirstOccurrenceAndTheTimeOfDayIsKept) {
    DateTime start = At(2024y / 3 / 13, 9, 30);  // a Wednesday, off the rule
    RecurrenceRule rule = Weekly(1, {kMon});
    EXPECT_EQ(FirstOccurrenceAtOrAfter(rule, start, At(2000y / 1 / 1)), start);
    EXPECT_EQ(FirstOccurrenceAtOrAfter(rule, start, start), start);
    EXPECT_EQ(FirstOccurrenceAfter(rule, start, start), At(2024y / 3 / 18, 9, 30));
    EXPECT_EQ(FirstOccurrenceAtOrAfter(rule, start, At(2024y / 3 / 18, 9, 30)), At(2024y / 3 / 18, 9, 30));
    EXPECT_EQ(FirstOccurrenceAtOrAfter(rule, start, At(2024y / 3 / 18, 9, 31)), At(2024y / 3 / 25, 9, 30));
    EXPECT_EQ(FirstOccurrenceAtOrAfter(MonthlyDay(15, 1), start, At(2024y / 3 / 14)), At(2024y / 3 / 15, 9, 30));
}

TEST(Occurrences, WithoutRecurrenceOnlyTheStart) {
    DateTime start = At(2024y / 3 / 13, 9, 30);
    RecurrenceRule none{.kind = RecurrenceKind::None};
    EXPECT_EQ(FirstOccurrenceAtOrAfter(none, start, At(2024y / 3 / 1)), start);
    EXPECT_EQ(FirstOccurrenceAtOrAfter(none, start, At(2024y / 3 / 13, 9, 31)), std::nullopt);
    EXPECT_EQ(OccurrencesFrom(none, start, At(2000y / 1 / 1), 5), std::vector<DateTime>{start});
}

TEST(Occurrences, NoneFromRulesThatCannotOccur) {
    struct Case {
        const char* name;
        RecurrenceRule rule;
    };
    const Case cases[] = {
        {"daily every 0", Daily(0)},
        {"daily backwards", Daily(-2)},
        {"weekly every 0", Weekly(0, {kMon})},
        {"monthly day 0", MonthlyDay(0, 1)},
        {"monthly day 32", MonthlyDay(32, 1)},
        {"monthly every 0 months", MonthlyDay(5, 0)},
        {"monthly ordinal past Last", MonthlyThe(kMonthlyLast + 1, kMon, 1)},
        {"monthly weekday 7", MonthlyThe(0, 7, 1)},
        {"monthly weekday unknown", MonthlyThe(0, -1, 1)},
        {"yearly February 30", YearlyDate(kFeb, 30)},
        {"yearly April 31", YearlyDate(kApr, 31)},
        {"yearly month 12", YearlyDate(12, 1)},
        {"yearly ordinal past Last", YearlyThe(kYearlyLast + 1, kMon, kMay)},
        {"yearly month unknown", YearlyThe(0, kMon, -1)},
    };
    DateTime start = At(2024y / 1 / 10, 9, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(RuleCanOccur(c.rule));
        EXPECT_EQ(FirstOccurrenceAtOrAfter(c.rule, start, At(2000y / 1 / 1)), std::nullopt);
        EXPECT_TRUE(OccurrencesFrom(c.rule, start, At(2000y / 1 / 1), 3).empty());
    }
}

TEST(Occurrences, MonthsThatNeverHaveTheDayEndTheSearch) {
    // Every 12 months from February: the 30th never comes, and the search
    // stops instead of walking to the year 9999.
    DateTime start = At(2024y / 2 / 1, 9, 0);
    EXPECT_EQ(FirstOccurrenceAfter(MonthlyDay(30, 12), start, start), std::nullopt);
    EXPECT_EQ(FirstOccurrenceAfter(MonthlyDay(31, 24), At(2024y / 4 / 1), At(2024y / 4 / 1)), std::nullopt);
    // Every 6 months from April: October has the 31st.
    EXPECT_EQ(FirstOccurrenceAfter(MonthlyDay(31, 6), At(2024y / 4 / 1), At(2024y / 4 / 1)), At(2024y / 10 / 31));
}

TEST(Occurrences, EndAtTheLastEncodableYear) {
    DateTime start = At(9999y / 12 / 20, 9, 0);
    EXPECT_EQ(FirstOccurrenceAfter(Daily(7), start, start), At(9999y / 12 / 27, 9, 0));
    EXPECT_EQ(FirstOccurrenceAfter(Daily(14), start, start), std::nullopt);
    EXPECT_EQ(FirstOccurrenceAfter(Weekly(1, {kFri}), start, At(9999y / 12 / 31, 10, 0)), std::nullopt);
    EXPECT_EQ(FirstOccurrenceAfter(MonthlyDay(1, 1), start, start), std::nullopt);
    EXPECT_EQ(FirstOccurrenceAfter(YearlyDate(kFeb, 29), At(9997y / 1 / 1), At(9997y / 1 / 1)), std::nullopt);
    EXPECT_EQ(FirstOccurrenceAtOrAfter(Daily(1), At(2024y / 1 / 1, 9, 0), At(9999y / 12 / 31, 10, 0)),
              std::nullopt);
    EXPECT_EQ(FirstOccurrenceAtOrAfter(Daily(1), DateTime(-700000.0), At(2024y / 1 / 1)), std::nullopt);
}

// The rule fields as a record stores them.
class EventRuleFields : public ::testing::Test {
protected:
    std::map<std::string, std::string, std::less<>> fields;
    FieldTextReader reader() {
        return [this](std::string_view name) {
            auto found = fields.find(name);
            return found == fields.end() ? std::string() : found->second;
        };
    }
    void Store(const RecurrenceRule& rule, const LocaleNames& names) {
        for (auto& [name, text] : FieldsFromRule(rule, names)) fields[std::string(name)] = text;
    }
};

TEST_F(EventRuleFields, EveryRuleComesBackFromItsFields) {
    for (const OracleCase& c : kOracleCases) {
        SCOPED_TRACE(c.name);
        fields.clear();
        Store(c.rule, EnglishNames());
        RecurrenceRule back = RuleFromFields(reader(), EnglishNames());
        EXPECT_EQ(back.kind, c.rule.kind);
        EXPECT_EQ(OursAfter(back, c.start, c.start, 20), OursAfter(c.rule, c.start, c.start, 20));
    }
}

TEST_F(EventRuleFields, StoresTheEditorsTexts) {
    RecurrenceRule rule = YearlyThe(kYearlyLast, kWed, kSep);
    rule.monthly = {.variant = MonthlyVariant::OrdinalWeekday, .ordinal = 3, .weekday = kFri, .weekday_every = 2};
    Store(rule, EnglishNames());
    EXPECT_EQ(fields["Dwmy"], "4");
    EXPECT_EQ(fields["Year_dayweek"], "W");
    EXPECT_EQ(fields["Year_week1"], "Last");
    EXPECT_EQ(fields["Year_week2"], "Wednesday");
    EXPECT_EQ(fields["Year_week3"], "September");
    EXPECT_EQ(fields["Month_week1"], "Forth");
    EXPECT_EQ(fields["Month_week2"], "Friday");
    EXPECT_EQ(fields["Week_1"], "N");
    EXPECT_EQ(fields.size(), 22u);
}

TEST_F(EventRuleFields, ReadsLocaleNamesCutToTheStoredLength) {
    LocaleNames names = EnglishNames();
    names.weekdays[kWed] = "Mittwochabend";  // longer than the stored 10
    names.months[kSep] = "Septembermonat";
    Store(YearlyThe(1, kWed, kSep), names);
    EXPECT_EQ(fields["Year_week2"], "Mittwochab");
    fields["Year_week3"] = "SEPTEMBERM";  // another case
    RecurrenceRule back = RuleFromFields(reader(), names);
    EXPECT_EQ(back.yearly.weekday, kWed);
    EXPECT_EQ(back.yearly.weekday_month, kSep);
}

TEST_F(EventRuleFields, UnreadableFieldsGiveNoOccurrence) {
    struct Case {
        const char* field;
        const char* text;
    };
    const Case cases[] = {{"Day_day", ""}, {"Day_day", "x"}, {"Month_day1", "40"},
                          {"Month_week1", "Fifth"}, {"Month_week2", "Montag"}, {"Year_day1", "Smarch"}};
    const char* kinds[] = {"1", "1", "3", "3", "3", "4"};
    const char* variants[] = {"", "", "D", "W", "W", "D"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].field + std::string("=") + cases[i].text);
        fields.clear();
        Store(Daily(1), EnglishNames());
        fields["Repleat"] = "Y";
        fields["Dwmy"] = kinds[i];
        fields["Month_dayweek"] = fields["Year_dayweek"] = variants[i];
        fields[cases[i].field] = cases[i].text;
        RecurrenceRule rule = EventRule(reader(), EnglishNames());
        EXPECT_EQ(FirstOccurrenceAtOrAfter(rule, At(2024y / 1 / 1), At(2023y / 1 / 1)), std::nullopt);
    }
}

TEST_F(EventRuleFields, WithoutTheRecurrenceBoxTheStartAlone) {
    Store(Daily(1), EnglishNames());
    fields["Repleat"] = "N";
    EXPECT_EQ(EventRule(reader(), EnglishNames()).kind, RecurrenceKind::None);
    fields["Repleat"] = "Y";
    EXPECT_EQ(EventRule(reader(), EnglishNames()).kind, RecurrenceKind::Daily);
}

}  // namespace
}  // namespace orbelle
