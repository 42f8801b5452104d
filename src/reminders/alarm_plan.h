#pragma once
// The alarms of one event on the wall clock: none (accepted, or a rule that
// cannot occur), one (an event that does not recur: at its stored alarm time),
// or one per occurrence of its rule, each the lead before it.
#include <cstdint>
#include <optional>

#include "base/datetime.h"
#include "base/recurrence.h"
#include "reminders/reminder_event.h"
#include "reminders/wall_clock.h"

namespace orbelle {

struct Alarm {
    WallMs occurrence = 0;  // what the alarm is for: the event's start, or one occurrence
    WallMs moment = 0;      // when it rings: the occurrence less the lead
    friend constexpr bool operator==(const Alarm&, const Alarm&) = default;
};

// Around one moment: the latest alarm at or before it, the first after it.
struct AlarmsAround {
    std::optional<Alarm> latest;
    std::optional<Alarm> next;
};

class AlarmPlan {
public:
    // Never throws: fields that give no alarm (an unreadable lead, a rule no
    // occurrence comes from, dates out of range, an empty alarm time) give a
    // plan without alarms.
    static AlarmPlan For(const ReminderEvent& event);
    // The same with the lead of event.remind already read (LeadOfRemindText),
    // for a caller that reads each Remind text once for many events.
    static AlarmPlan For(const ReminderEvent& event, std::optional<WallMs> lead);

    bool HasAlarms() const { return kind_ != Kind::None; }
    // One alarm per occurrence of a rule, rather than one alone.
    bool Recurs() const { return kind_ == Kind::Series; }

    // The same alarms: the same kind, and the same start, rule and lead (or
    // the same one alarm). Fields that give no alarm compare equal.
    friend bool operator==(const AlarmPlan& a, const AlarmPlan& b);

    // The latest alarm ringing at or before `moment` whose occurrence lies
    // after `done` (the occurrences up to `done` were dismissed), and the
    // first alarm ringing after `moment`, also after `done`.
    AlarmsAround Around(WallMs moment, std::optional<WallMs> done) const;
    // The alarm of an occurrence it had (as a snooze remembers it); empty
    // when the plan has no alarm for it.
    std::optional<Alarm> AlarmOf(WallMs occurrence) const;
    // The alarm is one of the plan's.
    bool Has(const Alarm& alarm) const;

private:
    enum class Kind : std::uint8_t { None, Single, Series };


    Alarm SingleAlarm() const { return {start_ms_, start_ms_ - lead_}; }
    // The first occurrence at or after `from`.
    std::optional<WallMs> FirstOccurrenceFrom(const RecurrenceRule& rule, WallMs from) const;

    Kind kind_ = Kind::None;
    PackedRule rule_;     // Series
    DateTime start_;      // Series: the first occurrence
    WallMs start_ms_ = 0;  // the occurrence, or the first one
    WallMs lead_ = 0;      // the occurrence less this is the alarm
};

// The lead the Remind text gives (what the editor subtracts from the start
// for the alarm time); empty when the text cannot be read.
std::optional<WallMs> LeadOfRemindText(std::string_view remind_text);

}  // namespace orbelle
