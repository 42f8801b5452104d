#pragma once
// One calendar object resource on the server (a VCALENDAR with one event,
// maybe its changed occurrences and its time zones) to and from our event.
#include <optional>
#include <string>
#include <string_view>

#include "base/datefmt.h"
#include "base/datetime.h"
#include "exchange/time_zone.h"
#include "store/event_record.h"
#include "store/exchange_store.h"

namespace orbelle::sync {

// What we upload for an event: what the event is, and nothing of what the
// program moves on its own. StartHour and NextAlarm, recomputed at every
// save, stay out (a reader computes them again), so ContentHash of the text
// changes only when the event does; Accepttext stays in, as a dismissal is a
// change the other devices should see. `now_utc` is the DTSTAMP.
std::string ItemText(const std::string& uid, const EventRecord& record, const ZoneRules& zone, DateTime now_utc,
                     const LocaleNames& names);

struct ItemReading {
    IncomingEvent event;
    bool exact = true;           // false: our record cannot hold all the item says
    std::string why_not_exact;   // for the user, when not exact
    std::optional<DateTime> acknowledged_utc;  // the latest acknowledgement of its alarm
};

// The event an item holds, read as an import reads it, or nothing with the
// reason in `refusal` when it holds none we can store (unreadable, no
// event, only a to-do, several events).
std::optional<ItemReading> ReadItem(std::string_view text, const ZoneRules& local, DateTime now_local,
                                    const LocaleNames& names, std::string& refusal);

// The server's item with what our record knows taken from `ours` (the
// summary, description, categories, priority, start, end or duration, the
// alarm's trigger and our own X-ORBELLE- properties), everything else kept:
// a rule with COUNT or UNTIL, EXDATE, RDATE, changed occurrences, other
// alarms, properties of other programs. Our RRULE replaces theirs only when
// we have one, that is when the rule was set here. An acknowledgement in
// `ours` (X-MOZ-LASTACK) is set on their event and all its alarms.
std::string MergeIntoOriginal(std::string_view original, std::string_view ours);

// A dismissed event of ours has no alarm in its text (as an export writes
// it): it goes up with its alarm back, acknowledged, so that other devices
// see both; an event that has alarms has them acknowledged.
std::string WithAcknowledgedAlarm(std::string_view text, std::int64_t lead_seconds, const std::string& description,
                                  DateTime ack_utc);

// A repeating event's alarms on other devices and here. An acknowledgement
// (on the wall clock here) covers every occurrence whose alarm rang at or
// before it: the latest of them, or nothing for an event that does not
// repeat or when none is covered.
std::optional<DateTime> AcknowledgedOccurrence(const EventRecord& record, DateTime acknowledged,
                                               const LocaleNames& names);
// When the alarm of an occurrence rings (the occurrence less the lead of the
// record's Remind text); nothing when the text gives no lead.
std::optional<DateTime> AlarmOfOccurrence(const EventRecord& record, DateTime occurrence);
bool RecordRecurs(const EventRecord& record);

// The item with its alarm acknowledged at `ack_utc`: X-MOZ-LASTACK on each
// event and ACKNOWLEDGED on each of their alarms, as YYYYMMDDTHHMMSSZ.
std::string WithAcknowledgement(std::string_view text, DateTime ack_utc);

}  // namespace orbelle::sync
