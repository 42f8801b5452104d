#pragma once
// Steps along the time line for the editor's date computations. The date-time
// value keeps the time of day as its fraction also before the zero date-time,
// so the raw value is not linear there: these steps go through date and time
// instead. Results keep to the years 1 to 9999, the dates that can be encoded.
#include <chrono>
#include <cstdint>

#include "base/datetime.h"

namespace orbelle {

inline constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

// value moved by ms milliseconds, either sign; the time of day moves with it.
// |ms| up to about 1e18 (seven times 2^31 days) is safe.
// Throws Error("Invalid argument to date encode") outside the years 1 to 9999.
DateTime MoveMilliseconds(DateTime value, std::int64_t ms);

inline DateTime MoveDays(DateTime value, std::int64_t days) {
    return MoveMilliseconds(value, days * kMillisecondsPerDay);
}

// The year as a calendar year; throws Error("Invalid argument to date encode")
// outside 1 to 9999.
std::chrono::year EncodableYear(std::int64_t year);

// The month `months` after the given one (before it for a negative count),
// carrying into the years. Throws as EncodableYear when it leaves the years
// 1 to 9999.
std::chrono::year_month MonthsLater(std::chrono::year_month from, std::int64_t months);

}  // namespace orbelle
