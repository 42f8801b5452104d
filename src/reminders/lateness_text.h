#pragma once
// The Reminders window's "how late" column.
#include <cstdint>
#include <string>

#include "base/datefmt.h"
#include "reminders/wall_clock.h"

namespace orbelle {

// What the column needs of a row.
struct Lateness {
    bool missed = false;           // fell due while the program was not watching
    WallMs alarm = 0;              // the alarm moment on the wall clock
    std::int64_t appeared_utc = 0; // real time the row (this occurrence) first showed
};

// A row seen when it fell due counts the real time since it showed: "now"
// for the first minute, then "1 minute ago", "12 minutes ago", "1 hour ago",
// "3 hours ago", "2 days ago" (real time, so the night of a daylight-saving
// change does not add or take an hour). A missed row names when it was due:
// "missed: Tuesday 09:00" within the six days before today, and with its
// date when older, "missed: March 5, 2024 09:00", so that a weekday is never
// ambiguous. Names come from the locale; the time is on the 24-hour clock.
std::string LatenessText(const Lateness& row, ClockReading now, const LocaleNames& names);

}  // namespace orbelle
