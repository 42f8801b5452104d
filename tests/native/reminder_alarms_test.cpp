#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>

#include "base/occurrences.h"
#include "reminder_test_events.h"
#include "reminders/alarm_plan.h"

namespace orbelle {
namespace {
using namespace reminder_test;

std::string Show(std::optional<WallMs> ms) {
    if (!ms) return "none";
    DateTime value = FromWallMs(*ms);
    year_month_day d = value.Date();
    TimeOfDay t = value.Time();
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d", static_cast<int>(d.year()),
                  static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()), t.hour, t.minute);
    return text;
}

std::optional<WallMs> MomentOf(const std::optional<Alarm>& alarm) {
    return alarm ? std::optional<WallMs>(alarm->moment) : std::nullopt;
}

struct AroundCase {
    const char* name;
    ReminderEvent event;
    WallMs moment;
    std::optional<WallMs> latest;  // alarm moments
    std::optional<WallMs> next;
    std::optional<WallMs> done = std::nullopt;
};

TEST(ReminderAlarms, EachKindOfRuleRingsTheLeadBeforeEachOccurrence) {
    const AroundCase cases[] = {
        {"single: at its stored alarm time", Single(1, At(2026, 3, 10, 9, 30), "30 minutes"), W(2026, 3, 10, 9, 0),
         W(2026, 3, 10, 9, 0), std::nullopt},
        {"single: a millisecond early", Single(1, At(2026, 3, 10, 9, 30), "30 minutes"), W(2026, 3, 10, 9, 0) - 1,
         std::nullopt, W(2026, 3, 10, 9, 0)},
        {"daily every 2 days", Recurring(1, At(2026, 3, 1, 8), Daily(2)), W(2026, 3, 10, 12),
         W(2026, 3, 9, 8), W(2026, 3, 11, 8)},
        {"daily with a lead of an hour", Recurring(1, At(2026, 3, 1, 8), Daily(1), "1 hour"), W(2026, 3, 10, 7, 30),
         W(2026, 3, 10, 7), W(2026, 3, 11, 7)},
        {"daily with a lead longer than the period", Recurring(1, At(2026, 3, 1, 8), Daily(1), "1 week"),
         W(2026, 3, 10, 12), W(2026, 3, 10, 8), W(2026, 3, 11, 8)},
        {"daily: before the start only the start's alarm is ahead", Recurring(1, At(2026, 3, 10, 8), Daily(1)),
         W(2026, 3, 1), std::nullopt, W(2026, 3, 10, 8)},
        // 2026-03-04 is a Wednesday: the start, then Mondays and Fridays.
        {"weekly on Monday and Friday, 2 days ahead", Recurring(1, At(2026, 3, 4, 9), Weekly(1, {kMon, kFri}), "2 days"),
         W(2026, 3, 11, 10), W(2026, 3, 11, 9), W(2026, 3, 14, 9)},
        {"weekly, no weekday ticked: the start's", Recurring(1, At(2026, 3, 4, 9), Weekly(2, {})), W(2026, 3, 20),
         W(2026, 3, 18, 9), W(2026, 4, 1, 9)},
        {"monthly day 31 passes the short months", Recurring(1, At(2026, 1, 31, 10), MonthlyDay(31, 1), "1 day"),
         W(2026, 4, 15), W(2026, 3, 30, 10), W(2026, 5, 30, 10)},
        {"monthly last Sunday", Recurring(1, At(2026, 1, 25, 18), MonthlyThe(4, kSun, 1)), W(2026, 3, 1),
         W(2026, 2, 22, 18), W(2026, 3, 29, 18)},
        {"yearly February 29, half a day ahead", Recurring(1, At(2024, 2, 29, 7), YearlyDate(1, 29), "12 hours"),
         W(2027, 6, 1), W(2024, 2, 28, 19), W(2028, 2, 28, 19)},
        {"yearly third Monday of May", Recurring(1, At(2026, 5, 18, 12), YearlyThe(2, kMon, 4)), W(2027, 5, 1),
         W(2026, 5, 18, 12), W(2027, 5, 17, 12)},
        {"dismissed up to today's occurrence", Recurring(1, At(2026, 3, 1, 8), Daily(1)), W(2026, 3, 10, 12),
         std::nullopt, W(2026, 3, 11, 8), W(2026, 3, 10, 8)},
        {"dismissed ahead of the moment (clock set back)", Recurring(1, At(2026, 3, 1, 8), Daily(1)),
         W(2026, 3, 5, 12), std::nullopt, W(2026, 3, 11, 8), W(2026, 3, 10, 8)},
    };
    for (const AroundCase& c : cases) {
        SCOPED_TRACE(c.name);
        AlarmPlan plan = AlarmPlan::For(c.event);
        ASSERT_TRUE(plan.HasAlarms());
        AlarmsAround around = plan.Around(c.moment, c.done);
        EXPECT_EQ(Show(MomentOf(around.latest)), Show(c.latest));
        EXPECT_EQ(Show(MomentOf(around.next)), Show(c.next));
    }
}

TEST(ReminderAlarms, AlarmIsForItsOccurrence) {
    AlarmPlan plan = AlarmPlan::For(Recurring(1, At(2026, 3, 1, 8), Daily(1), "30 minutes"));
    AlarmsAround around = plan.Around(W(2026, 3, 5, 7, 45), std::nullopt);
    ASSERT_TRUE(around.latest && around.next);
    EXPECT_EQ(around.latest->occurrence, W(2026, 3, 5, 8));
    EXPECT_EQ(around.latest->moment, W(2026, 3, 5, 7, 30));
    EXPECT_EQ(around.next->occurrence, W(2026, 3, 6, 8));
}

// The search back for the latest occurrence, against a plain walk over every
// occurrence of ten years, at moments spread over them.
TEST(ReminderAlarms, LatestAndNextAgreeWithAWalkOverTenYears) {
    const std::pair<const char*, ReminderEvent> events[] = {
        {"daily every 3", Recurring(1, At(2020, 1, 1, 6), Daily(3), "1 hour")},
        {"weekly every 2 on Tue Thu Sat", Recurring(1, At(2020, 1, 2, 21, 15), Weekly(2, {kTue, kThu, kSat}), "2 days")},
        {"monthly day 30 every 5", Recurring(1, At(2020, 1, 30, 0, 5), MonthlyDay(30, 5), "10 minutes")},
        {"monthly fifth Friday", Recurring(1, At(2020, 1, 31, 12), MonthlyThe(4, kFri, 1), "0 minutes")},
        {"yearly February 29", Recurring(1, At(2020, 2, 29, 9), YearlyDate(1, 29), "1 week")},
    };
    std::mt19937 random(12);
    for (const auto& [name, event] : events) {
        SCOPED_TRACE(name);
        std::vector<DateTime> occurrences = OccurrencesFrom(event.rule, event.start, event.start, 5000);
        AlarmPlan plan = AlarmPlan::For(event);
        WallMs lead = ToWallMs(event.start) - ToWallMs(event.alarm);
        std::uniform_int_distribution<WallMs> spread(W(2019, 6, 1), W(2030, 1, 1));
        for (int i = 0; i < 300; ++i) {
            WallMs moment = spread(random);
            std::optional<WallMs> latest, next;
            for (DateTime occurrence : occurrences) {
                WallMs alarm = ToWallMs(occurrence) - lead;
                if (alarm <= moment) latest = alarm;
                else if (!next) next = alarm;
            }
            AlarmsAround around = plan.Around(moment, std::nullopt);
            ASSERT_EQ(Show(MomentOf(around.latest)), Show(latest)) << Show(moment);
            ASSERT_EQ(Show(MomentOf(around.next)), Show(next)) << Show(moment);
        }
    }
}

// The record as another tool may have left it.
struct BadRecord {
    const char* name;
    std::map<std::string, std::string> fields;
    DateTime date = At(2026, 4, 5, 9);
    DateTime start_hour = At(2026, 4, 5, 9);
};

TEST(ReminderAlarms, RecordsWhoseRuleCannotOccurGetNoAlarm) {
    const BadRecord records[] = {
        {"day 31 every 12 months from April", {{"Dwmy", "3"}, {"Month_dayweek", "D"}, {"Month_day1", "31"},
                                               {"Month_day2", "12"}}},
        {"February 30", {{"Dwmy", "4"}, {"Year_dayweek", "D"}, {"Year_day1", "February"}, {"Year_day2", "30"}}},
        {"every 0 days", {{"Dwmy", "1"}, {"Day_day", "0"}}},
        {"every -3 weeks", {{"Dwmy", "2"}, {"Week_week", "-3"}}},
        {"a count that is no number", {{"Dwmy", "1"}, {"Day_day", "abc"}}},
        {"a weekday of no locale", {{"Dwmy", "3"}, {"Month_dayweek", "W"}, {"Month_week1", "First"},
                                    {"Month_week2", "Blursday"}, {"Month_week3", "1"}}},
        {"a kind of no meaning", {{"Dwmy", "9"}}},
        {"a lead that is no number", {{"Dwmy", "1"}, {"Day_day", "1"}, {"Remind", "x days"}}},
        {"a lead beyond the calendar", {{"Dwmy", "1"}, {"Day_day", "1"}, {"Remind", "2147483647 weeks"}}},
        {"a start past the year 9999", {{"Dwmy", "1"}, {"Day_day", "1"}}, DateTime(3'000'000.0)},
        {"not repeating, empty alarm time", {{"Repleat", "N"}}, At(2026, 4, 5, 9), DateTime(0.0)},
        {"not repeating, accepted", {{"Repleat", "N"}, {"Accepttext", "Y"}}},
        {"repeating, accepted", {{"Dwmy", "1"}, {"Day_day", "1"}, {"Accepttext", "Y"}}},
    };
    for (const BadRecord& record : records) {
        SCOPED_TRACE(record.name);
        std::map<std::string, std::string> fields = {{"Repleat", "Y"}, {"Remind", "0 minutes"}};
        for (const auto& [name, value] : record.fields) fields[name] = value;
        FieldTextReader text = [&](std::string_view name) {
            auto found = fields.find(std::string(name));
            return found == fields.end() ? std::string() : found->second;
        };
        ReminderEvent event = ReminderEventFromFields(7, text, record.date, record.start_hour, EnglishNames());
        AlarmPlan plan = AlarmPlan::For(event);
        EXPECT_FALSE(plan.HasAlarms());
        AlarmsAround around = plan.Around(W(2026, 6, 1), std::nullopt);
        EXPECT_FALSE(around.latest || around.next);
    }
}

TEST(ReminderAlarms, SoundRecordsFromTheirFieldsRing) {
    std::map<std::string, std::string> fields = {
        {"Subject", "Rent"}, {"Repleat", "Y"}, {"Remind", "1 day"}, {"Dwmy", "3"}, {"Month_dayweek", "D"},
        {"Month_day1", "1"}, {"Month_day2", "1"}, {"Sound", "Bell.wav"}, {"Accepttext", "N"}};
    FieldTextReader text = [&](std::string_view name) {
        auto found = fields.find(std::string(name));
        return found == fields.end() ? std::string() : found->second;
    };
    ReminderEvent event = ReminderEventFromFields(3, text, At(2026, 1, 1, 10), At(2025, 12, 31, 10), EnglishNames());
    EXPECT_EQ(event.subject, "Rent");
    EXPECT_EQ(event.sound, "Bell.wav");
    AlarmsAround around = AlarmPlan::For(event).Around(W(2026, 3, 15), std::nullopt);
    EXPECT_EQ(Show(MomentOf(around.latest)), Show(W(2026, 2, 28, 10)));
    EXPECT_EQ(Show(MomentOf(around.next)), Show(W(2026, 3, 31, 10)));
}

TEST(ReminderAlarms, LeadReadsAsTheEditorSubtractsIt) {
    EXPECT_EQ(LeadOfRemindText("0 minutes"), 0);
    EXPECT_EQ(LeadOfRemindText("30 minutes"), 30 * kWallMinute);
    EXPECT_EQ(LeadOfRemindText("12 hours"), 12 * kWallHour);
    EXPECT_EQ(LeadOfRemindText("1 week"), 7 * kWallDay);
    EXPECT_EQ(LeadOfRemindText("nothing"), 0);
    EXPECT_EQ(LeadOfRemindText("x days"), std::nullopt);
}

}  // namespace
}  // namespace orbelle
