#pragma once
// The lengths the Reminders window offers for a snooze, and where each ends.
#include <array>
#include <optional>
#include <string_view>

#include "reminders/wall_clock.h"

namespace orbelle {

enum class SnoozeLength { Minutes5, Minutes10, Minutes15, Minutes30, Hour1, Hours2, Tomorrow };

struct SnoozeChoice {
    SnoozeLength length;
    std::string_view text;  // the drop-down's item
};

// In the drop-down's order.
inline constexpr std::array<SnoozeChoice, 7> kSnoozeChoices{{
    {SnoozeLength::Minutes5, "5 minutes"},
    {SnoozeLength::Minutes10, "10 minutes"},
    {SnoozeLength::Minutes15, "15 minutes"},
    {SnoozeLength::Minutes30, "30 minutes"},
    {SnoozeLength::Hour1, "1 hour"},
    {SnoozeLength::Hours2, "2 hours"},
    {SnoozeLength::Tomorrow, "Tomorrow"},
}};

inline constexpr SnoozeLength kDefaultSnoozeLength = SnoozeLength::Minutes5;

std::string_view SnoozeText(SnoozeLength length);
// The length of a drop-down text (or a remembered setting), exactly; empty for
// any other text.
std::optional<SnoozeLength> SnoozeLengthFromText(std::string_view text);

// Where a snooze taken at `now` ends. The minute and hour lengths run in real
// time, so "30 minutes" taken just before the clocks go back still rings half
// an hour later, not an hour and a half, and a clock set back or forward by
// the user neither stretches nor ends it: within a run they end on the
// monotonic clock, and across a restart (which the monotonic clock does not
// survive) at their stored real-time end. Tomorrow is the same wall-clock
// time on the next calendar day (a snooze at 08:10 rings at 08:10 tomorrow,
// also across a daylight-saving change, when that day is 23 or 25 hours
// long); it has neither of those ends.
struct SnoozeEnd {
    WallMs local = 0;                     // on the wall clock, as of the offset at `now`
    std::optional<std::int64_t> utc_ms;   // real time, for the minute and hour lengths
    std::optional<std::int64_t> mono_ms;  // the monotonic clock, for the same
};
SnoozeEnd SnoozeEndAt(SnoozeLength length, ClockReading now);

}  // namespace orbelle
