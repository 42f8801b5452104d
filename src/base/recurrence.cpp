#include "base/recurrence.h"

#include <algorithm>
#include <cstdint>

#include "base/error.h"
#include "base/timeline.h"

namespace orbelle {
namespace {
using namespace std::chrono;

[[noreturn]] void ThrowDateEncode() { throw Error("Invalid argument to date encode"); }

int CheckedIndex(int index, int last) {
    if (index < 0 || index > last) ThrowDateEncode();
    return index;
}

month MonthOfIndex(int index) { return month{static_cast<unsigned>(CheckedIndex(index, 11)) + 1}; }

weekday WeekdayOfIndex(int index) { return weekday{static_cast<unsigned>(CheckedIndex(index, 6))}; }

// Day `day` of the month at 00:00, or the no-date marker when the month is
// shorter (February has 29 days in Gregorian leap years).
DateTime DayOfMonth(year_month target, int day) {
    if (day < 1) ThrowDateEncode();
    if (static_cast<unsigned>(day) > static_cast<unsigned>((target / last).day())) return kNoDate;
    return DateTime::FromDate(target / std::chrono::day{static_cast<unsigned>(day)});
}

// The (ordinal + 1)-th weekday of the month at 00:00, where ordinal
// last_ordinal means the last one: the fifth where the month has five, the
// fourth otherwise. The first four always lie in the month.
DateTime OrdinalWeekdayOfMonth(year_month target, weekday day, int ordinal, int last_ordinal) {
    if (CheckedIndex(ordinal, last_ordinal) == last_ordinal)
        return DateTime::FromDate(year_month_day{sys_days{target / day[last]}});
    return DateTime::FromDate(
        year_month_day{sys_days{target / day[static_cast<unsigned>(ordinal) + 1]}});
}

DateTime Weekly(const WeeklyRule& rule, DateTime start) {
    // Scan forward from the start's weekday, wrapping Saturday to Sunday; the
    // offset is 0 when the start's own weekday is ticked or none is.
    unsigned from = weekday{sys_days{start.Date()}}.c_encoding();  // 0 Sunday..6 Saturday
    std::int64_t offset = 0;
    for (unsigned step = 0; step < 7; ++step) {
        if (rule.on[(from + step) % 7]) {
            offset = step;
            break;
        }
    }
    return MoveDays(start, offset + 7LL * rule.every);
}

// The month step works on the month alone, so no month end is crossed; the
// day is then placed in the target month or found missing there.
DateTime Monthly(const MonthlyRule& rule, DateTime start) {
    year_month of_start = start.Date().year() / start.Date().month();
    switch (rule.variant) {
    case MonthlyVariant::DayOfMonth:
        return DayOfMonth(MonthsLater(of_start, rule.day_every), rule.day);
    case MonthlyVariant::OrdinalWeekday:
        return OrdinalWeekdayOfMonth(MonthsLater(of_start, rule.weekday_every),
                                     WeekdayOfIndex(rule.weekday), rule.ordinal, kMonthlyLast);
    case MonthlyVariant::None:
        break;
    }
    return start;
}

// The year is never advanced: the result lies in the start's year, and may
// come before the start.
DateTime Yearly(const YearlyRule& rule, DateTime start) {
    year of_start = start.Date().year();
    switch (rule.variant) {
    case YearlyVariant::MonthDay:
        return DayOfMonth(of_start / MonthOfIndex(rule.day_month), rule.day);
    case YearlyVariant::OrdinalWeekday:
        return OrdinalWeekdayOfMonth(of_start / MonthOfIndex(rule.weekday_month),
                                     WeekdayOfIndex(rule.weekday), rule.ordinal, kYearlyLast);
    case YearlyVariant::None:
        break;
    }
    return start;
}
}  // namespace

DateTime NextOccurrence(const RecurrenceRule& rule, DateTime start) {
    switch (rule.kind) {
    case RecurrenceKind::Daily:
        return MoveDays(start, rule.daily.every);
    case RecurrenceKind::Weekly:
        return Weekly(rule.weekly, start);
    case RecurrenceKind::Monthly:
        return Monthly(rule.monthly, start);
    case RecurrenceKind::Yearly:
        return Yearly(rule.yearly, start);
    case RecurrenceKind::None:
        break;
    }
    return start;
}

namespace {

std::int8_t SmallIndex(int value) { return static_cast<std::int8_t>(std::clamp(value, -1, 100)); }

}  // namespace

PackedRule PackedRule::Of(const RecurrenceRule& rule) {
    PackedRule packed;
    packed.kind = static_cast<std::uint8_t>(rule.kind);
    switch (rule.kind) {
    case RecurrenceKind::Daily: packed.every = rule.daily.every; break;
    case RecurrenceKind::Weekly:
        packed.every = rule.weekly.every;
        for (std::size_t i = 0; i < rule.weekly.on.size(); ++i)
            if (rule.weekly.on[i]) packed.on |= static_cast<std::uint8_t>(1u << i);
        break;
    case RecurrenceKind::Monthly: {
        const MonthlyRule& m = rule.monthly;
        packed.variant = static_cast<std::uint8_t>(m.variant);
        if (m.variant == MonthlyVariant::DayOfMonth) {
            packed.day = static_cast<std::int16_t>(std::clamp(m.day, -1, 32767));
            packed.every = m.day_every;
        } else {
            packed.ordinal = SmallIndex(m.ordinal);
            packed.weekday = SmallIndex(m.weekday);
            packed.every = m.weekday_every;
        }
        break;
    }
    case RecurrenceKind::Yearly: {
        const YearlyRule& y = rule.yearly;
        packed.variant = static_cast<std::uint8_t>(y.variant);
        if (y.variant == YearlyVariant::MonthDay) {
            packed.month = SmallIndex(y.day_month);
            packed.day = static_cast<std::int16_t>(std::clamp(y.day, -1, 32767));
        } else {
            packed.ordinal = SmallIndex(y.ordinal);
            packed.weekday = SmallIndex(y.weekday);
            packed.month = SmallIndex(y.weekday_month);
        }
        break;
    }
    case RecurrenceKind::None: break;
    }
    return packed;
}

RecurrenceRule PackedRule::Rule() const {
    RecurrenceRule rule;
    rule.kind = static_cast<RecurrenceKind>(kind);
    switch (rule.kind) {
    case RecurrenceKind::Daily: rule.daily.every = every; break;
    case RecurrenceKind::Weekly:
        rule.weekly.every = every;
        for (std::size_t i = 0; i < rule.weekly.on.size(); ++i) rule.weekly.on[i] = (on >> i) & 1u;
        break;
    case RecurrenceKind::Monthly:
        rule.monthly.variant = static_cast<MonthlyVariant>(variant);
        rule.monthly.day = day;
        rule.monthly.day_every = every;
        rule.monthly.ordinal = ordinal;
        rule.monthly.weekday = weekday;
        rule.monthly.weekday_every = every;
        break;
    case RecurrenceKind::Yearly:
        rule.yearly.variant = static_cast<YearlyVariant>(variant);
        rule.yearly.day_month = month;
        rule.yearly.day = day;
        rule.yearly.ordinal = ordinal;
        rule.yearly.weekday = weekday;
        rule.yearly.weekday_month = month;
        break;
    case RecurrenceKind::None: break;
    }
    return rule;
}

}  // namespace orbelle
