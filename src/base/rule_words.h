#pragma once
// A recurrence rule as a short English phrase, for the CSV file and the
// search window's results.
#include <string>

#include "base/datefmt.h"
#include "base/recurrence.h"

namespace orbelle {

// "Every 2 weeks on Monday, Friday", "The last Friday of every month", ...;
// "" for the kind None.
std::string RuleInWords(const RecurrenceRule& rule, const LocaleNames& names);

}  // namespace orbelle
