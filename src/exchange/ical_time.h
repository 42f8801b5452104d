#pragma once
// Date-time and duration values as iCalendar writes them, and a linear time
// line for the arithmetic on them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/datetime.h"

namespace orbelle::ical {

// Milliseconds since the zero date-time, linear also before it.
std::int64_t ToMs(DateTime value);
DateTime FromMs(std::int64_t ms);
// False outside the years 1 to 9999.
bool IsEncodableMs(std::int64_t ms);

// "YYYYMMDDTHHMMSS" (milliseconds dropped) and "YYYYMMDD".
std::string FormatDateTime(DateTime value);
std::string FormatDate(DateTime value);

struct ParsedDateTime {
    DateTime value;
    bool utc = false;        // written with a trailing "Z"
    bool date_only = false;  // a DATE value: 00:00
};
std::optional<ParsedDateTime> ParseDateTime(std::string_view text);

// Durations in seconds: "PT15M", "-P1D", "P2W", "PT0S".
std::string FormatDuration(std::int64_t seconds);
std::optional<std::int64_t> ParseDuration(std::string_view text);

// A UTC offset "+0130" / "-0500" / "+013045" in seconds, and back ("+0100").
std::optional<int> ParseUtcOffset(std::string_view text);
std::string FormatUtcOffset(int seconds);

}  // namespace orbelle::ical
