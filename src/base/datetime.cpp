#include "base/datetime.h"

#include <cmath>

#include "base/error.h"

namespace orbelle {
namespace {
constexpr std::int64_t kMsPerDay = 24LL * 60 * 60 * 1000;

// Milliseconds since the epoch, the fraction taken as the time of day also
// for negative values (-1.25 is 1899-12-29 06:00), rounded to the millisecond.
struct Split {
    std::int64_t day;
    std::int64_t ms;
};

Split SplitValue(double value) {
    // Anything else would overflow the integer casts below.
    if (!DateTime(value).InRange()) return {0, 0};
    double whole = std::trunc(value);
    double fraction = std::fabs(value - whole);
    auto ms = static_cast<std::int64_t>(std::llround(fraction * kMsPerDay));
    auto day = static_cast<std::int64_t>(whole);
    if (ms >= kMsPerDay) {  // rounding carried into the next day
        ms -= kMsPerDay;
        day += value < 0 ? -1 : 1;
    }
    return {day, ms};
}
}  // namespace

DateTime DateTime::FromDate(year_month_day date) {
    if (!date.ok()) throw Error("Invalid argument to date encode");
    return DateTime(static_cast<double>((std::chrono::sys_days{date} - kDateTimeEpoch).count()));
}

DateTime DateTime::FromDate(int year, unsigned month, unsigned day) {
    return FromDate(std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day});
}

DateTime DateTime::FromParts(year_month_day date, TimeOfDay time) {
    double day = FromDate(date).Days();
    double fraction = (((time.hour * 60.0 + time.minute) * 60.0 + time.second) * 1000.0 +
                       time.millisecond) / kMsPerDay;
    return DateTime(day >= 0 ? day + fraction : day - fraction);
}

year_month_day DateTime::Date() const {
    return year_month_day{kDateTimeEpoch + std::chrono::days{SplitValue(days_).day}};
}

TimeOfDay DateTime::Time() const {
    std::int64_t ms = SplitValue(days_).ms;
    return {static_cast<int>(ms / 3'600'000), static_cast<int>(ms / 60'000 % 60),
            static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000)};
}

DateTime DateTime::DateOnly() const {
    return DateTime(static_cast<double>(SplitValue(days_).day));
}

}  // namespace orbelle
