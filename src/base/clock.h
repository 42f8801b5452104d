#pragma once
// The one way the program asks for the current date and time, and for the
// time that only runs forward, so that tests can set both clocks.
#include <cstdint>
#include <functional>
#include <optional>

#include "base/datetime.h"

namespace orbelle {

// The local date-time now.
DateTime Now();
// Today at 00:00.
DateTime Today();

// Replaces the clock; an empty function restores the real one.
void SetClockForTesting(std::function<DateTime()> clock);

// The local time's offset from UTC, in milliseconds, at a real moment given
// as milliseconds since 1970-01-01 UTC, by the system's time zone rules.
// Empty while a test clock is set: its zone is not known.
std::optional<std::int64_t> UtcOffsetMsAt(std::int64_t unix_ms);

// Milliseconds from an arbitrary zero on a clock that the user cannot set:
// it goes on at the same pace when the system clock is set back or forward,
// or when the daylight-saving offset changes. Only differences within one
// run of the program mean anything.
std::int64_t MonotonicMs();

// Replaces the monotonic clock; an empty function restores the real one.
void SetMonotonicClockForTesting(std::function<std::int64_t()> clock);

}  // namespace orbelle
