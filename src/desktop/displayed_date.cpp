#include "desktop/displayed_date.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace orbelle {
namespace {
using namespace std::chrono;

// Moves to the same day number in the month `step` away; where that month is
// shorter, to its last day.
year_month_day StepMonths(year_month_day from, months step) {
    const year_month target = year_month{from.year(), from.month()} + step;
    const day last = year_month_day_last{target.year(), month_day_last{target.month()}}.day();
    return {target.year(), target.month(), std::min(from.day(), last)};
}

year_month_day StepYears(year_month_day from, years step) {
    const bool leap_day = from.month() == February && from.day() == day{29};
    return {from.year() + step, from.month(), leap_day ? day{28} : from.day()};
}

}  // namespace

year_month_day MonthBack(year_month_day displayed) { return StepMonths(displayed, months{-1}); }
year_month_day MonthForward(year_month_day displayed) { return StepMonths(displayed, months{1}); }
year_month_day YearBack(year_month_day displayed) { return StepYears(displayed, years{-1}); }
year_month_day YearForward(year_month_day displayed) { return StepYears(displayed, years{1}); }

int CalendarAlpha(int transparency_percent) {
    // |scaled| < 2^31 * 255, well inside 64 bits.
    const std::int64_t scaled = std::int64_t{transparency_percent} * 255;
    std::int64_t quotient = scaled / 100;
    std::int64_t remainder = scaled % 100;
    if (remainder < 0) {  // floor division, remainder 0..99
        quotient -= 1;
        remainder += 100;
    }
    if (remainder > 50 || (remainder == 50 && quotient % 2 != 0)) quotient += 1;
    return static_cast<int>(std::clamp<std::int64_t>(quotient, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

int CalendarOpacity(int calendar_alpha) {
    const std::int64_t opacity = 255 - std::int64_t{calendar_alpha};
    return static_cast<int>(std::clamp<std::int64_t>(opacity, kMinCalendarOpacity, 255));
}

}  // namespace orbelle
