#pragma once
// What an event means in iCalendar terms and back: the values of a VEVENT
// in local time, and the record the program stores for them.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/datefmt.h"
#include "base/datetime.h"
#include "base/recurrence.h"
#include "store/event_record.h"

namespace orbelle::ical {

// A VEVENT's values, times already in the local zone.
struct EventValues {
    std::optional<std::string> summary;
    std::optional<std::string> description;  // line breaks as CRLF
    std::vector<std::string> categories;
    int priority = 0;                       // 0 undefined, 1 highest .. 9 lowest
    DateTime start;
    bool all_day = false;
    std::optional<std::int64_t> duration_seconds;
    std::optional<std::int64_t> alarm_lead_seconds;  // before the start; below 0 after it
    std::optional<RecurrenceRule> rule;      // mapped, nothing when none or unmappable
    std::string simplified;                  // why the event lost its repeats, if it did
};

// Our own fields as X-ORBELLE- properties carry them.
struct CarriedField {
    std::size_t field = 0;  // position in the record
    FieldValue value;
};

struct MappedEvent {
    EventRecord record;
    std::vector<std::string> notes;  // what was simplified, for the summary
};

inline constexpr std::string_view kDefaultSound = "Alarm.wav";

// The record the editor would store for these values. Without carried
// fields: NextAlarm is the first occurrence at or after `now` (the start when
// none is left, and then the event is stored accepted), StartHour that
// occurrence less the lead. Carried fields then override what they name.
MappedEvent MapToRecord(const EventValues& event, const std::vector<CarriedField>& carried, DateTime now,
                        const LocaleNames& names);

// "15 minutes", "1 hour", "2 days", "1 week": the amount text of whole
// minutes, in the largest unit that divides it.
std::string AmountText(std::int64_t seconds);
// Seconds of an amount text the editor accepts ("30 minutes", "1 hour"), or
// nothing.
std::optional<std::int64_t> AmountSeconds(std::string_view text);

// The priority word of PRIORITY 0..9 and back (0 for a word we do not know).
std::string PriorityWord(int priority);
int PriorityNumber(std::string_view word);

// The event type named by one of the categories, matched without regard to case.
std::optional<std::string> EventTypeOf(const std::vector<std::string>& categories);

// The property name that carries a field ("Week_1" -> "X-ORBELLE-WEEK-1") and back.
std::string CarrierName(std::size_t field);
std::optional<std::size_t> CarriedFieldOf(std::string_view property_name);

}  // namespace orbelle::ical
