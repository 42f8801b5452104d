#pragma once
// Recurrence rules as iCalendar RRULE values: ours written out, and those of
// other calendars read back into ours where they mean the same occurrences.
#include <optional>
#include <string>
#include <string_view>

#include "base/datetime.h"
#include "base/recurrence.h"

namespace orbelle::ical {

// The RRULE value of a rule that can occur ("FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,FR;WKST=SU"),
// nothing for the kind None or a rule RuleCanOccur refuses.
std::optional<std::string> RruleOf(const RecurrenceRule& rule);

struct RruleReading {
    bool well_formed = false;      // false: the value breaks the RRULE grammar
    std::string expected;          // when not well formed: what was expected
    std::optional<RecurrenceRule> rule;  // the same occurrences in our terms
    std::string unmappable;        // when well formed but no rule: why
};

// Reads an RRULE for an event starting at `start` (local time), whose
// weekday, day and month fill the parts the rule leaves out. Unset fields of
// the result keep a new event's defaults.
RruleReading ReadRrule(std::string_view value, DateTime start);

}  // namespace orbelle::ical
