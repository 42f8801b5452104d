#pragma once
// The alarm time of an event: its start less the reminder lead written in the
// Remind text.
#include <string_view>

#include "base/datetime.h"

namespace orbelle {

// Four independent tests, in this order, each looking for its word anywhere
// in remind_text (case respected) and reading the count as the text before
// the word's first occurrence, trimmed: "day" takes n days, "week" 7n days,
// "hour" n hours, "minute" n minutes off the start. A text with none of the
// words gives the start itself.
// Throws Error("'<count>' is not a valid integer value") for a count that is
// no 32-bit whole number, and Error("Invalid argument to date encode") for a
// result outside the years 1 to 9999.
DateTime AlarmTime(DateTime start, std::string_view remind_text);

}  // namespace orbelle
