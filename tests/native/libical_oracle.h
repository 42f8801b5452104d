#pragma once
// libical, the reference implementation of iCalendar rules, as the oracle for
// our own occurrences and files.
#include <libical/ical.h>

#include <string>
#include <vector>

#include "base/datetime.h"

namespace orbelle::oracle {

inline icaltimetype ToIcal(DateTime value) {
    icaltimetype t = icaltime_null_time();
    year_month_day date = value.Date();
    TimeOfDay time = value.Time();
    t.year = static_cast<int>(date.year());
    t.month = static_cast<int>(static_cast<unsigned>(date.month()));
    t.day = static_cast<int>(static_cast<unsigned>(date.day()));
    t.hour = time.hour;
    t.minute = time.minute;
    t.second = time.second;
    t.is_date = 0;
    return t;
}

inline DateTime FromIcal(const icaltimetype& t) {
    return DateTime::FromParts(std::chrono::year{t.year} / std::chrono::month{static_cast<unsigned>(t.month)} /
                                   std::chrono::day{static_cast<unsigned>(t.day)},
                               {t.hour, t.minute, t.second, 0});
}

// Up to `count` occurrences of the RRULE strictly after `after`, for an event
// starting at `start` (floating local time); empty with `error` set when
// libical refuses the rule. Gives up after `budget` iterations.
inline std::vector<DateTime> Expand(const std::string& rrule, DateTime start, DateTime after, std::size_t count,
                                    std::string* error = nullptr, int budget = 200000) {
    std::vector<DateTime> out;
    icalerror_clear_errno();
    icalrecurrencetype recur = icalrecurrencetype_from_string(rrule.c_str());
    if (recur.freq == ICAL_NO_RECURRENCE || icalerrno != ICAL_NO_ERROR) {
        if (error) *error = "libical refuses " + rrule;
        return out;
    }
    icalrecur_iterator* it = icalrecur_iterator_new(recur, ToIcal(start));
    if (!it) {
        if (error) *error = "libical has no iterator for " + rrule;
        return out;
    }
    for (icaltimetype t = icalrecur_iterator_next(it); !icaltime_is_null_time(t) && out.size() < count && budget > 0;
         t = icalrecur_iterator_next(it), --budget) {
        DateTime moment = FromIcal(t);
        if (moment > after) out.push_back(moment);
    }
    icalrecur_iterator_free(it);
    return out;
}

// The UTC moment of a wall-clock time in the first VTIMEZONE of an
// iCalendar text, as libical reads that zone.
inline DateTime UtcOfWallClock(const std::string& calendar_text, DateTime wall) {
    icalcomponent* calendar = icalparser_parse_string(calendar_text.c_str());
    icalcomponent* vtimezone = calendar ? icalcomponent_get_first_component(calendar, ICAL_VTIMEZONE_COMPONENT) : nullptr;
    icaltimezone* zone = icaltimezone_new();
    if (vtimezone) icaltimezone_set_component(zone, icalcomponent_new_clone(vtimezone));
    icaltimetype t = ToIcal(wall);
    t.zone = zone;
    DateTime utc = FromIcal(icaltime_convert_to_zone(t, icaltimezone_get_utc_timezone()));
    icaltimezone_free(zone, 1);
    if (calendar) icalcomponent_free(calendar);
    return utc;
}

}  // namespace orbelle::oracle
