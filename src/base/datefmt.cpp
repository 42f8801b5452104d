#include "base/datefmt.h"

#include <cstdio>

namespace orbelle {
namespace {
std::string MonthDay(year_month_day date, const LocaleNames& names) {
    return names.months[static_cast<unsigned>(date.month()) - 1] + " " +
           std::to_string(static_cast<unsigned>(date.day()));
}

std::string Year(year_month_day date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d", static_cast<int>(date.year()));
    return text;
}
}  // namespace

const LocaleNames& EnglishNames() {
    static const LocaleNames names{
        {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
        {"January", "February", "March", "April", "May", "June", "July", "August", "September",
         "October", "November", "December"}};
    return names;
}

std::string FormatLongDate(year_month_day date, const LocaleNames& names) {
    std::chrono::weekday weekday{std::chrono::sys_days{date}};
    return names.weekdays[weekday.c_encoding()] + ", " + MonthDay(date, names) + ", " + Year(date);
}

std::string FormatStartAdded(DateTime value, const LocaleNames& names) {
    return MonthDay(value.Date(), names) + "," + Year(value.Date());
}

std::string FormatStartRewritten(DateTime value, const LocaleNames& names) {
    return MonthDay(value.Date(), names) + ", " + Year(value.Date());
}

std::string FormatDateTime12(DateTime value, const LocaleNames& names) {
    TimeOfDay time = value.Time();
    int hour12 = time.hour % 12 == 0 ? 12 : time.hour % 12;
    char clock[16];
    std::snprintf(clock, sizeof clock, " %02d:%02d %s", hour12, time.minute, time.hour < 12 ? "AM" : "PM");
    return FormatStartRewritten(value, names) + clock;
}

}  // namespace orbelle
