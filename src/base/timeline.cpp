#include "base/timeline.h"

#include "base/error.h"

namespace orbelle {
namespace {
using namespace std::chrono;

constexpr std::int64_t kFirstYear = 1;
constexpr std::int64_t kLastYear = 9999;

// Day numbers relative to the zero date-time, about -693,600 to 2,958,465.
constexpr std::int64_t kFirstDay =
    (sys_days{year{kFirstYear} / January / 1} - kDateTimeEpoch).count();
constexpr std::int64_t kLastDay =
    (sys_days{year{kLastYear} / December / 31} - kDateTimeEpoch).count();

[[noreturn]] void ThrowDateEncode() { throw Error("Invalid argument to date encode"); }

// Milliseconds since the zero date-time; within the encodable years the
// magnitude stays below 3e14.
std::int64_t ToTimeline(DateTime value) {
    std::int64_t day = (sys_days{value.Date()} - kDateTimeEpoch).count();
    TimeOfDay time = value.Time();
    std::int64_t ms_of_day =
        ((time.hour * 60LL + time.minute) * 60 + time.second) * 1000 + time.millisecond;
    return day * kMillisecondsPerDay + ms_of_day;
}

// Floor division, so that a moment before the zero date-time keeps a time of
// day from 0 up.
constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}
}  // namespace

DateTime MoveMilliseconds(DateTime value, std::int64_t ms) {
    std::int64_t moment = ToTimeline(value) + ms;
    std::int64_t day = FloorDiv(moment, kMillisecondsPerDay);
    if (day < kFirstDay || day > kLastDay) ThrowDateEncode();
    auto ms_of_day = static_cast<int>(moment - day * kMillisecondsPerDay);  // 0..86,399,999
    year_month_day date{kDateTimeEpoch + days{day}};
    return DateTime::FromParts(date, {ms_of_day / 3'600'000, ms_of_day / 60'000 % 60,
                                      ms_of_day / 1000 % 60, ms_of_day % 1000});
}

year EncodableYear(std::int64_t value) {
    if (value < kFirstYear || value > kLastYear) ThrowDateEncode();
    return year{static_cast<int>(value)};
}

year_month MonthsLater(year_month from, std::int64_t months) {
    // Months since January of year 0; a 32-bit count keeps this within +-2.2e9.
    std::int64_t index =
        static_cast<int>(from.year()) * 12LL + (static_cast<unsigned>(from.month()) - 1) + months;
    std::int64_t target_year = FloorDiv(index, 12);
    auto target_month = static_cast<unsigned>(index - target_year * 12) + 1;  // 1..12
    return EncodableYear(target_year) / month{target_month};
}

}  // namespace orbelle
