#pragma once
// Moments on the local wall clock, as whole milliseconds, and the reading of
// the clocks that every reminder check is given.
//
// Alarms are wall-clock times: an alarm at 09:00 stays at 09:00 whatever the
// daylight-saving offset. The wall clock alone cannot tell a repeated autumn
// hour from a clock set back, nor a sleep from a spring jump, so each reading
// pairs it with the real time (UTC), which does not repeat unless the user
// sets the clock, and with the monotonic time, which nobody sets: what must
// last a length of time (a snooze) is measured on that.
#include <cstdint>
#include <functional>

#include "base/datetime.h"

namespace orbelle {

// Milliseconds since 1899-12-30 00:00 on the local wall clock, every day
// counted as 24 hours. Years 1 to 9999 lie within about +-3.2e14.
using WallMs = std::int64_t;

inline constexpr WallMs kWallMinute = 60'000;
inline constexpr WallMs kWallHour = 60 * kWallMinute;
inline constexpr WallMs kWallDay = 24 * kWallHour;

// The date-time value as wall milliseconds, rounded to the millisecond (the
// fraction is the time of day also before the zero date-time).
WallMs ToWallMs(DateTime value);
// Throws Error("Invalid argument to date encode") outside the years 1 to 9999.
DateTime FromWallMs(WallMs ms);

struct ClockReading {
    WallMs local = 0;          // the local wall clock
    std::int64_t utc_ms = 0;   // real time: UTC milliseconds since 1970-01-01
    std::int64_t mono_ms = 0;  // the monotonic clock (MonotonicMs): differences within a run only
    // The highest reading the wall clock had over the last hours by the
    // zone's rules, when they are known: after the clocks went back it stays
    // at the moment before, until the wall clock passes it again. The
    // repeated hour was lived once already, also while the program was not
    // running or the computer slept, and nothing in it is due a second time.
    WallMs recent_high = INT64_MIN;
    // Local minus UTC: the time zone and daylight-saving offset in force
    // (the two epochs differ by a constant, which cancels in comparisons).
    std::int64_t Offset() const { return local - utc_ms; }
};

// A reading of the local date-time with its real time and monotonic time.
ClockReading MakeReading(DateTime local, std::int64_t utc_ms, std::int64_t mono_ms);

// How far back recent_high looks: longer than any change of offset a zone
// makes at once (two hours), short enough to pass no other night.
inline constexpr std::int64_t kRecentHighSpanMs = 3 * kWallHour;

// The highest reading of the wall clock over the kRecentHighSpanMs up to
// `now`, given the zone's offset (milliseconds east) at each real moment
// (Unix milliseconds): later than now.local only after the clocks went back
// within that span.
WallMs RecentHighest(const ClockReading& now, const std::function<std::int64_t(std::int64_t)>& offset_at);

// The clocks now: the local wall clock through the program's clock seam
// (Now()), the real time from the system, the monotonic time through its
// seam (MonotonicMs()).
ClockReading ReadClock();

}  // namespace orbelle
