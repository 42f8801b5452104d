#pragma once
// What the reminders read of one event record.
#include <cstdint>
#include <string>

#include "base/datefmt.h"
#include "base/datetime.h"
#include "base/recurrence.h"
#include "store/event_rule.h"

namespace orbelle {

class EventCursor;

struct ReminderEvent {
    std::int64_t id = 0;
    std::string subject;
    std::string sound;
    bool accepted = false;   // Accepttext "Y" exactly: no alarm at all
    bool recurring = false;  // Repleat "Y": one alarm per occurrence of the rule
    DateTime start;          // Date: the first occurrence
    DateTime alarm;          // StartHour: the one alarm of an event that does not recur
    std::string remind;      // Remind: the lead before each occurrence
    RecurrenceRule rule;     // the rule as stored; read only when recurring
};

// The record's fields, read by name (Date and StartHour as date-time values);
// weekday and month names are matched against the locale's.
ReminderEvent ReminderEventFromFields(std::int64_t id, const FieldTextReader& text, DateTime date,
                                      DateTime start_hour, const LocaleNames& names);

// The record under the cursor.
ReminderEvent ReminderEventFromCursor(const EventCursor& cursor, const LocaleNames& names);

}  // namespace orbelle
