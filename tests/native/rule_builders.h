#pragma once
// Recurrence rules written the short way, with weekday and month indices as the
// rule fields count them (Sunday 0, January 0).
#include <cstddef>
#include <vector>

#include "base/recurrence.h"

namespace orbelle::rule_builders {

enum Weekday { kSun, kMon, kTue, kWed, kThu, kFri, kSat };
enum Month { kJan, kFeb, kMar, kApr, kMay, kJun, kJul, kAug, kSep, kOct, kNov, kDec };

inline RecurrenceRule Daily(int every) { return {.kind = RecurrenceKind::Daily, .daily = {every}}; }

inline RecurrenceRule Weekly(int every, std::vector<int> ticked) {
    RecurrenceRule rule{.kind = RecurrenceKind::Weekly, .weekly = {.every = every}};
    for (int day : ticked) rule.weekly.on[static_cast<std::size_t>(day)] = true;
    return rule;
}

inline RecurrenceRule MonthlyDay(int day, int every) {
    return {.kind = RecurrenceKind::Monthly,
            .monthly = {.variant = MonthlyVariant::DayOfMonth, .day = day, .day_every = every}};
}

inline RecurrenceRule MonthlyThe(int ordinal, int weekday, int every) {
    return {.kind = RecurrenceKind::Monthly,
            .monthly = {.variant = MonthlyVariant::OrdinalWeekday,
                        .ordinal = ordinal,
                        .weekday = weekday,
                        .weekday_every = every}};
}

inline RecurrenceRule YearlyDate(int month, int day) {
    return {.kind = RecurrenceKind::Yearly,
            .yearly = {.variant = YearlyVariant::MonthDay, .day_month = month, .day = day}};
}

inline RecurrenceRule YearlyThe(int ordinal, int weekday, int month) {
    return {.kind = RecurrenceKind::Yearly,
            .yearly = {.variant = YearlyVariant::OrdinalWeekday,
                       .ordinal = ordinal,
                       .weekday = weekday,
                       .weekday_month = month}};
}

}  // namespace orbelle::rule_builders
