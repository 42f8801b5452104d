#pragma once
// The occurrences of an event's recurrence rule in the iCalendar sense: the
// start itself, then every moment after it that the rule names, each at the
// start's time of day. Unlike NextOccurrence (one step taken at save time),
// this walks the rule for as long as it runs, up to the year 9999.
#include <cstddef>
#include <optional>
#include <vector>

#include "base/datetime.h"
#include "base/recurrence.h"

namespace orbelle {

// Weeks begin on Sunday, as the program's calendar shows them; a weekly rule
// every N weeks counts whole weeks from the start's week.
inline constexpr unsigned kWeekStart = 0;  // 0 Sunday

// False for fields no occurrence can come from: counts below 1, list indexes
// outside their lists, days below 1 or above 31, or a yearly date its month
// never has (February 30).
bool RuleCanOccur(const RecurrenceRule& rule);

// The first occurrence at or after `from`. The kind None gives the start
// alone. Empty when there is none: fields RuleCanOccur refuses, a start
// outside the years 1 to 9999, a rule whose months never have its day, or
// nothing left before the year 10000. The search is bounded: it never hangs.
std::optional<DateTime> FirstOccurrenceAtOrAfter(const RecurrenceRule& rule, DateTime start,
                                                 DateTime from);

// The first occurrence strictly after `after`; empty as above.
std::optional<DateTime> FirstOccurrenceAfter(const RecurrenceRule& rule, DateTime start,
                                             DateTime after);

// The last occurrence strictly before `before`, the start included; empty
// when the start is not before it, or as above. Searches back from `before`
// (a few periods of the rule at most), never walking from the start.
std::optional<DateTime> LastOccurrenceBefore(const RecurrenceRule& rule, DateTime start, DateTime before);

// Up to `count` occurrences at or after `from`, in order.
std::vector<DateTime> OccurrencesFrom(const RecurrenceRule& rule, DateTime start, DateTime from,
                                      std::size_t count);

}  // namespace orbelle
