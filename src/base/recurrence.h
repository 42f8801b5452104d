#pragma once
// The next occurrence of an event: where its recurrence rule, counted from the
// start date-time, lands. It is measured from the start alone, so it may lie
// before the start, and before today.
#include <array>
#include <cstdint>

#include "base/datetime.h"

namespace orbelle {

enum class RecurrenceKind { None, Daily, Weekly, Monthly, Yearly };

// "Day": day `day` of the month; "The": the ordinal weekday of the month.
enum class MonthlyVariant { None, DayOfMonth, OrdinalWeekday };
// "Every": a month and day; "The": an ordinal weekday of a month.
enum class YearlyVariant { None, MonthDay, OrdinalWeekday };

// Ordinals, weekdays and months are the indexes of the editor's lists:
// weekdays 0 Sunday to 6 Saturday, months 0 January to 11 December. The two
// ordinal lists differ, so each rule names its own "Last".
inline constexpr int kMonthlyLast = 4;  // First, Second, Third, Forth, Last
inline constexpr int kYearlyLast = 3;   // First, Second, Third, Last

struct DailyRule {
    int every = 1;  // days; 0 gives the start itself, below 0 goes back
    friend constexpr bool operator==(const DailyRule&, const DailyRule&) = default;
};

struct WeeklyRule {
    int every = 1;             // weeks
    std::array<bool, 7> on{};  // weekdays, Sunday first
    friend constexpr bool operator==(const WeeklyRule&, const WeeklyRule&) = default;
};

struct MonthlyRule {
    MonthlyVariant variant = MonthlyVariant::OrdinalWeekday;
    int day = 1;            // DayOfMonth: 1 up
    int day_every = 1;      // DayOfMonth: months ahead, below 0 back
    int ordinal = 0;        // OrdinalWeekday: 0 to kMonthlyLast
    int weekday = 0;        // OrdinalWeekday: 0 Sunday to 6 Saturday
    int weekday_every = 1;  // OrdinalWeekday: months ahead, below 0 back
    friend constexpr bool operator==(const MonthlyRule&, const MonthlyRule&) = default;
};

struct YearlyRule {
    YearlyVariant variant = YearlyVariant::OrdinalWeekday;
    int day_month = 0;      // MonthDay: 0 January to 11 December
    int day = 1;            // MonthDay: 1 up
    int ordinal = 0;        // OrdinalWeekday: 0 to kYearlyLast
    int weekday = 0;        // OrdinalWeekday: 0 Sunday to 6 Saturday
    int weekday_month = 0;  // OrdinalWeekday: 0 January to 11 December
    friend constexpr bool operator==(const YearlyRule&, const YearlyRule&) = default;
};

// Every rule field of the editor, whatever the chosen kind; the defaults are
// those of a new event. Only the chosen kind and variant are read.
struct RecurrenceRule {
    RecurrenceKind kind = RecurrenceKind::Weekly;
    DailyRule daily;
    WeeklyRule weekly;
    MonthlyRule monthly;
    YearlyRule yearly;
    friend constexpr bool operator==(const RecurrenceRule&, const RecurrenceRule&) = default;
};

// A rule in 12 bytes, for tables that keep one per event: only the fields
// its kind and variant read, most fields of a rule being those of the kinds
// it is not. A rule the editor can store comes back equal in what it reads;
// a day past 32767 or a list index past 100 (stored by another program)
// comes back as that limit, which names no day or index either.
struct PackedRule {
    std::int32_t every = 0;
    std::int16_t day = 0;
    std::uint8_t kind = 0;
    std::uint8_t variant = 0;
    std::uint8_t on = 0;  // weekly: a bit per weekday, Sunday lowest
    std::int8_t ordinal = 0;
    std::int8_t weekday = 0;
    std::int8_t month = 0;

    static PackedRule Of(const RecurrenceRule& rule);
    RecurrenceRule Rule() const;
    friend constexpr bool operator==(const PackedRule&, const PackedRule&) = default;
};

// Daily and weekly results keep the start's time of day; monthly and yearly
// ones are dates at 00:00, or kNoDate when the rule names a day its month
// lacks. No kind or no variant chosen gives the start itself.
// Throws Error("Invalid argument to date encode") for a day below 1, a list
// index outside its list, or a result outside the years 1 to 9999.
DateTime NextOccurrence(const RecurrenceRule& rule, DateTime start);

}  // namespace orbelle
