#include "reminders/wall_clock.h"

#include <cmath>

#include "base/clock.h"
#include "base/error.h"

namespace orbelle {

WallMs ToWallMs(DateTime value) {
    // The same split as the date-time value's own: whole days, and the
    // fraction as the time of day whatever the sign.
    double whole = std::trunc(value.Days());
    double fraction = std::fabs(value.Days() - whole);
    return static_cast<WallMs>(whole) * kWallDay + std::llround(fraction * kWallDay);
}

DateTime FromWallMs(WallMs ms) {
    // Floor division, so that a negative moment keeps its time of day.
    WallMs day = ms / kWallDay;
    WallMs time = ms % kWallDay;
    if (time < 0) {
        time += kWallDay;
        --day;
    }
    year_month_day date{kDateTimeEpoch + std::chrono::days{day}};
    if (!date.ok() || date.year() < std::chrono::year{1} || date.year() > std::chrono::year{9999})
        throw Error("Invalid argument to date encode");
    return DateTime::FromParts(date, {static_cast<int>(time / kWallHour), static_cast<int>(time / kWallMinute % 60),
                                      static_cast<int>(time / 1000 % 60), static_cast<int>(time % 1000)});
}

ClockReading MakeReading(DateTime local, std::int64_t utc_ms) { return {ToWallMs(local), utc_ms}; }

ClockReading ReadClock() {
    using namespace std::chrono;
    std::int64_t utc = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    return MakeReading(Now(), utc);
}

}  // namespace orbelle
