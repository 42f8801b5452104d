#pragma once
// The few date patterns the program shows. Names come from the user's locale
// (the windows pass them in); texts are UTF-8.
#include <array>
#include <string>

#include "base/datetime.h"

namespace orbelle {

struct LocaleNames {
    std::array<std::string, 7> weekdays;  // full names, Sunday first
    std::array<std::string, 12> months;   // full names, January first
};

const LocaleNames& EnglishNames();

// "dddd, mmmm d, yyyy": Tuesday, March 5, 2024
std::string FormatLongDate(year_month_day date, const LocaleNames& names);
// "mmmm d,yyyy": the list's start cell of a row added at load or after New.
std::string FormatStartAdded(DateTime value, const LocaleNames& names);
// "mmmm d, yyyy": the start cell of a row rewritten after Modify.
std::string FormatStartRewritten(DateTime value, const LocaleNames& names);
// "mmmm d, yyyy hh:mm AM/PM" on the 12-hour clock: January 5, 2005 03:07 PM
std::string FormatDateTime12(DateTime value, const LocaleNames& names);

}  // namespace orbelle
