#pragma once
// Events written as one iCalendar file that other calendars read right: the
// start in the local zone with its VTIMEZONE, the rule as an RRULE, the lead
// as an alarm, and our own fields as X-ORBELLE- properties wherever the
// standard ones would not bring them back exactly.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/datefmt.h"
#include "base/datetime.h"
#include "exchange/time_zone.h"
#include "store/event_record.h"

namespace orbelle::ical {

struct ExportedEvent {
    std::string uid;
    EventRecord record;
};

// The whole file, CRLF line ends, folded at 75 octets. `now_utc` is the
// DTSTAMP; the zone is the one the records' times are in.
std::string WriteICalendar(const std::vector<ExportedEvent>& events, const ZoneRules& zone, DateTime now_utc,
                           const LocaleNames& names);

// The same file in pieces, for a writer that takes the events one at a time
// and never holds them all: the head, each event, the tail.
class ICalendarPieces {
public:
    ICalendarPieces(const ZoneRules& zone, DateTime now_utc, const LocaleNames& names);
    void Head(std::string& out) const;
    void Event(const ExportedEvent& event, std::string& out) const;
    static void Tail(std::string& out);

private:
    ZoneRules zone_;
    std::string stamp_;
    const LocaleNames& names_;
};

// The property that carries fields compactly: "Name=value;Name" (a bare
// name: the field is empty), each value in its column's own type.
inline constexpr std::string_view kCarriedFieldsProperty = "X-ORBELLE-FIELDS";
// The item of that list for the field, or nothing when the value's type is
// not its column's or its text holds a ";" (it then travels as a typed
// property of its own).
std::optional<std::string> CompactItem(std::size_t field, const FieldValue& value);

// The text of a carried value and back: exact for any text, including line
// breaks of every kind.
std::string CarriedText(std::string_view text);
std::string UncarriedText(std::string_view text);

}  // namespace orbelle::ical
