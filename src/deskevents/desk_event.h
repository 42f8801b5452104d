#pragma once
// What the calendar's marks, tip and upcoming panel read of one event record,
// and where its occurrences fall.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "base/datefmt.h"
#include "base/datetime.h"
#include "base/recurrence.h"
#include "store/event_rule.h"

namespace orbelle {

struct DeskEvent {
    std::int64_t id = 0;
    std::string subject;
    DateTime start;             // Date: the first occurrence, and the time of each
    bool accepted = false;      // Accepttext "Y": shown as done
    bool high = false;          // Priority "Highest" or "High"
    RecurrenceRule rule{.kind = RecurrenceKind::None};  // None: the start alone
};

DeskEvent DeskEventFromFields(std::int64_t id, const FieldTextReader& text, DateTime date,
                              const LocaleNames& names);

// Calls `visit` with each occurrence at or after `from` and before `until`,
// in order.
void ForEachOccurrence(const DeskEvent& event, DateTime from, DateTime until,
                       const std::function<void(DateTime)>& visit);

}  // namespace orbelle
