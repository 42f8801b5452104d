#pragma once
// A time zone as plain rules: a standard offset, and optionally a daylight
// offset with the two yearly changes, as Windows describes its zones. The
// program fills one from the system for its local zone; files bring others
// in their VTIMEZONE blocks.
#include <optional>
#include <string>
#include <string_view>

#include "base/datetime.h"

namespace orbelle {

// A yearly change: the week-th weekday of the month (week 5: the last), at a
// wall-clock time read in the offset in force before the change.
struct ZoneChange {
    int month = 0;    // 1..12
    int week = 1;     // 1..4, 5 the last
    int weekday = 0;  // 0 Sunday..6 Saturday
    int minute_of_day = 120;
    friend bool operator==(const ZoneChange&, const ZoneChange&) = default;
};

struct ZoneRules {
    std::string name;             // the IANA name, used as TZID
    int standard_offset = 0;      // seconds east of UTC
    int daylight_offset = 0;      // seconds east of UTC, used only with the changes
    std::optional<ZoneChange> to_daylight;  // both or neither
    std::optional<ZoneChange> to_standard;

    bool HasDaylight() const { return to_daylight && to_standard; }
    // The offset in force at the UTC moment.
    int OffsetAt(DateTime utc) const;
    DateTime ToLocal(DateTime utc) const;
    // Local wall-clock time to UTC: an hour that happens twice reads as the
    // first, an hour skipped in spring with the offset before the change.
    DateTime ToUtc(DateTime local) const;

    friend bool operator==(const ZoneRules&, const ZoneRules&) = default;
};

// The IANA name of a Windows zone (the CLDR mapping of the common zones).
std::optional<std::string_view> IanaNameOfWindowsZone(std::string_view windows_name);

// The present rules of a common zone named the IANA way (also by a name
// CLDR lists as its alias, such as Europe/Kyiv) or the Windows way, for
// files that name a zone without describing it.
std::optional<ZoneRules> KnownZone(std::string_view name);

// The VTIMEZONE block for the zone, each line ended with CRLF.
std::string VTimeZoneLines(const ZoneRules& zone);

}  // namespace orbelle
