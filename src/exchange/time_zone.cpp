#include "exchange/time_zone.h"

#include <chrono>
#include <utility>

#include "base/text.h"
#include "exchange/ical_time.h"

namespace orbelle {
namespace {
using namespace std::chrono;

std::int64_t ChangeMs(const ZoneChange& change, int in_year) {
    year_month ym = year{in_year} / month{static_cast<unsigned>(change.month)};
    weekday wd{static_cast<unsigned>(change.weekday)};
    year_month_day date = change.week >= 5 ? year_month_day{sys_days{ym / wd[last]}}
                                           : year_month_day{sys_days{ym / wd[static_cast<unsigned>(change.week)]}};
    return ical::ToMs(DateTime::FromDate(date)) + change.minute_of_day * 60'000LL;
}

bool ChangeIsValid(const ZoneChange& c) {
    return c.month >= 1 && c.month <= 12 && c.week >= 1 && c.week <= 5 && c.weekday >= 0 && c.weekday <= 6 &&
           c.minute_of_day >= 0 && c.minute_of_day < 24 * 60;
}

struct KnownZoneRow {
    std::string_view windows;
    std::string_view iana;
    int standard_minutes;
    enum Rule { None, Eu, Us, Au, Nz } rule;
};

// The CLDR territory-001 mapping for the zones most people live in, with the
// rules in force today.
constexpr KnownZoneRow kKnownZones[] = {
    {"UTC", "Etc/UTC", 0, KnownZoneRow::None},
    {"GMT Standard Time", "Europe/London", 0, KnownZoneRow::Eu},
    {"Greenwich Standard Time", "Atlantic/Reykjavik", 0, KnownZoneRow::None},
    {"W. Europe Standard Time", "Europe/Berlin", 60, KnownZoneRow::Eu},
    {"Romance Standard Time", "Europe/Paris", 60, KnownZoneRow::Eu},
    {"Central Europe Standard Time", "Europe/Budapest", 60, KnownZoneRow::Eu},
    {"Central European Standard Time", "Europe/Warsaw", 60, KnownZoneRow::Eu},
    {"W. Central Africa Standard Time", "Africa/Lagos", 60, KnownZoneRow::None},
    {"FLE Standard Time", "Europe/Kiev", 120, KnownZoneRow::Eu},
    {"GTB Standard Time", "Europe/Bucharest", 120, KnownZoneRow::Eu},
    {"South Africa Standard Time", "Africa/Johannesburg", 120, KnownZoneRow::None},
    {"Russian Standard Time", "Europe/Moscow", 180, KnownZoneRow::None},
    {"Turkey Standard Time", "Europe/Istanbul", 180, KnownZoneRow::None},
    {"E. Africa Standard Time", "Africa/Nairobi", 180, KnownZoneRow::None},
    {"Arabian Standard Time", "Asia/Dubai", 240, KnownZoneRow::None},
    {"Pakistan Standard Time", "Asia/Karachi", 300, KnownZoneRow::None},
    {"India Standard Time", "Asia/Calcutta", 330, KnownZoneRow::None},
    {"SE Asia Standard Time", "Asia/Bangkok", 420, KnownZoneRow::None},
    {"China Standard Time", "Asia/Shanghai", 480, KnownZoneRow::None},
    {"Singapore Standard Time", "Asia/Singapore", 480, KnownZoneRow::None},
    {"Taipei Standard Time", "Asia/Taipei", 480, KnownZoneRow::None},
    {"W. Australia Standard Time", "Australia/Perth", 480, KnownZoneRow::None},
    {"Tokyo Standard Time", "Asia/Tokyo", 540, KnownZoneRow::None},
    {"Korea Standard Time", "Asia/Seoul", 540, KnownZoneRow::None},
    {"Cen. Australia Standard Time", "Australia/Adelaide", 570, KnownZoneRow::Au},
    {"E. Australia Standard Time", "Australia/Brisbane", 600, KnownZoneRow::None},
    {"AUS Eastern Standard Time", "Australia/Sydney", 600, KnownZoneRow::Au},
    {"New Zealand Standard Time", "Pacific/Auckland", 720, KnownZoneRow::Nz},
    {"Newfoundland Standard Time", "America/St_Johns", -210, KnownZoneRow::Us},
    {"E. South America Standard Time", "America/Sao_Paulo", -180, KnownZoneRow::None},
    {"Argentina Standard Time", "America/Buenos_Aires", -180, KnownZoneRow::None},
    {"Atlantic Standard Time", "America/Halifax", -240, KnownZoneRow::Us},
    {"Eastern Standard Time", "America/New_York", -300, KnownZoneRow::Us},
    {"SA Pacific Standard Time", "America/Bogota", -300, KnownZoneRow::None},
    {"Central Standard Time", "America/Chicago", -360, KnownZoneRow::Us},
    {"Central Standard Time (Mexico)", "America/Mexico_City", -360, KnownZoneRow::None},
    {"Canada Central Standard Time", "America/Regina", -360, KnownZoneRow::None},
    {"Mountain Standard Time", "America/Denver", -420, KnownZoneRow::Us},
    {"US Mountain Standard Time", "America/Phoenix", -420, KnownZoneRow::None},
    {"Pacific Standard Time", "America/Los_Angeles", -480, KnownZoneRow::Us},
    {"Alaskan Standard Time", "America/Anchorage", -540, KnownZoneRow::Us},
    {"Hawaiian Standard Time", "Pacific/Honolulu", -600, KnownZoneRow::None},
};

// Names CLDR lists as aliases of the zones above: the IANA database renamed
// these zones since, and files written today use the new names.
constexpr std::pair<std::string_view, std::string_view> kZoneAliases[] = {
    {"Europe/Kyiv", "Europe/Kiev"},
    {"Asia/Kolkata", "Asia/Calcutta"},
    {"America/Argentina/Buenos_Aires", "America/Buenos_Aires"},
};

ZoneRules RulesOf(const KnownZoneRow& row) {
    ZoneRules zone;
    zone.name = std::string(row.iana);
    zone.standard_offset = row.standard_minutes * 60;
    zone.daylight_offset = zone.standard_offset + 3600;
    int std_minutes = row.standard_minutes;
    switch (row.rule) {
        case KnownZoneRow::None: zone.daylight_offset = zone.standard_offset; break;
        case KnownZoneRow::Eu:  // at 01:00 UTC on the last Sundays of March and October
            zone.to_daylight = ZoneChange{3, 5, 0, 60 + std_minutes};
            zone.to_standard = ZoneChange{10, 5, 0, 60 + std_minutes + 60};
            break;
        case KnownZoneRow::Us:
            zone.to_daylight = ZoneChange{3, 2, 0, 120};
            zone.to_standard = ZoneChange{11, 1, 0, 120};
            break;
        case KnownZoneRow::Au:
            zone.to_daylight = ZoneChange{10, 1, 0, 120};
            zone.to_standard = ZoneChange{4, 1, 0, 180};
            break;
        case KnownZoneRow::Nz:
            zone.to_daylight = ZoneChange{9, 5, 0, 120};
            zone.to_standard = ZoneChange{4, 1, 0, 180};
            break;
    }
    return zone;
}

constexpr std::string_view kDayCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

std::string ChangeBlock(const char* kind, const ZoneChange& change, int from, int to) {
    DateTime first = ical::FromMs(ChangeMs(change, 1970));
    std::string ordinal = change.week >= 5 ? "-1" : std::to_string(change.week);
    return std::string("BEGIN:") + kind + "\r\nTZOFFSETFROM:" + ical::FormatUtcOffset(from) +
           "\r\nTZOFFSETTO:" + ical::FormatUtcOffset(to) + "\r\nDTSTART:" + ical::FormatDateTime(first) +
           "\r\nRRULE:FREQ=YEARLY;BYMONTH=" + std::to_string(change.month) + ";BYDAY=" + ordinal +
           std::string(kDayCodes[change.weekday]) + "\r\nEND:" + kind + "\r\n";
}

}  // namespace

int ZoneRules::OffsetAt(DateTime utc) const {
    if (!HasDaylight() || !ChangeIsValid(*to_daylight) || !ChangeIsValid(*to_standard)) return standard_offset;
    std::int64_t moment = ical::ToMs(utc);
    int in_year = static_cast<int>(ical::FromMs(moment + standard_offset * 1000LL).Date().year());
    std::int64_t daylight_from = ChangeMs(*to_daylight, in_year) - standard_offset * 1000LL;
    std::int64_t daylight_until = ChangeMs(*to_standard, in_year) - daylight_offset * 1000LL;
    bool daylight = daylight_from < daylight_until ? moment >= daylight_from && moment < daylight_until
                                                   : moment >= daylight_from || moment < daylight_until;
    return daylight ? daylight_offset : standard_offset;
}

DateTime ZoneRules::ToLocal(DateTime utc) const {
    std::int64_t moment = ical::ToMs(utc) + OffsetAt(utc) * 1000LL;
    return ical::IsEncodableMs(moment) ? ical::FromMs(moment) : utc;
}

DateTime ZoneRules::ToUtc(DateTime local) const {
    std::int64_t wall = ical::ToMs(local);
    auto in = [&](int offset) -> std::optional<std::int64_t> {
        std::int64_t moment = wall - offset * 1000LL;
        if (!ical::IsEncodableMs(moment)) return std::nullopt;
        return OffsetAt(ical::FromMs(moment)) == offset ? std::optional(moment) : std::nullopt;
    };
    if (HasDaylight()) {
        if (auto moment = in(daylight_offset)) return ical::FromMs(*moment);
    }
    std::int64_t moment = wall - standard_offset * 1000LL;
    return ical::IsEncodableMs(moment) ? ical::FromMs(moment) : local;
}

std::optional<std::string_view> IanaNameOfWindowsZone(std::string_view windows_name) {
    for (const KnownZoneRow& row : kKnownZones)
        if (SameIgnoringAsciiCase(row.windows, windows_name)) return row.iana;
    return std::nullopt;
}

std::optional<ZoneRules> KnownZone(std::string_view name) {
    for (const auto& [alias, iana] : kZoneAliases)
        if (SameIgnoringAsciiCase(alias, name)) name = iana;
    for (const KnownZoneRow& row : kKnownZones)
        if (SameIgnoringAsciiCase(row.windows, name) || SameIgnoringAsciiCase(row.iana, name)) return RulesOf(row);
    return std::nullopt;
}

std::string VTimeZoneLines(const ZoneRules& zone) {
    std::string out = "BEGIN:VTIMEZONE\r\nTZID:" + zone.name + "\r\n";
    if (zone.HasDaylight() && ChangeIsValid(*zone.to_daylight) && ChangeIsValid(*zone.to_standard)) {
        out += ChangeBlock("DAYLIGHT", *zone.to_daylight, zone.standard_offset, zone.daylight_offset);
        out += ChangeBlock("STANDARD", *zone.to_standard, zone.daylight_offset, zone.standard_offset);
    } else {
        out += "BEGIN:STANDARD\r\nTZOFFSETFROM:" + ical::FormatUtcOffset(zone.standard_offset) +
               "\r\nTZOFFSETTO:" + ical::FormatUtcOffset(zone.standard_offset) +
               "\r\nDTSTART:19700101T000000\r\nEND:STANDARD\r\n";
    }
    return out + "END:VTIMEZONE\r\n";
}

}  // namespace orbelle
