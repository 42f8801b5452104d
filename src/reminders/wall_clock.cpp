#include "reminders/wall_clock.h"

#include "base/clock.h"
#include "base/error.h"

namespace orbelle {

// Both conversions run for every search of every event. They keep to plain
// arithmetic: the i686 build would call into the C runtime for trunc and
// llround, and into a helper for each 64-bit division, several times slower.
WallMs ToWallMs(DateTime value) {
    // The same split as the date-time value's own: whole days, and the
    // fraction as the time of day whatever the sign. Values of the years 1
    // to 9999 lie within +-3e6 days, exact in a double down to the microsecond.
    double days = value.Days();
    auto whole = static_cast<WallMs>(days);  // toward zero
    double fraction = days - static_cast<double>(whole);
    if (fraction < 0) fraction = -fraction;
    return whole * kWallDay + static_cast<WallMs>(fraction * static_cast<double>(kWallDay) + 0.5);
}

namespace {
// Day numbers of 0001-01-01 and 9999-12-31 counted from 1899-12-30.
constexpr WallMs kFirstDay =
    (std::chrono::sys_days{std::chrono::year{1} / 1 / 1} - kDateTimeEpoch).count();
constexpr WallMs kLastDay =
    (std::chrono::sys_days{std::chrono::year{9999} / 12 / 31} - kDateTimeEpoch).count();
}  // namespace

DateTime FromWallMs(WallMs ms) {
    if (ms < kFirstDay * kWallDay || ms >= (kLastDay + 1) * kWallDay) throw Error("Invalid argument to date encode");
    // Floor division, so that a negative moment keeps its time of day. The
    // quotient of two doubles holding whole numbers below 2^53 rounds the
    // right way at day boundaries: a day's last millisecond stays in it.
    double quotient = static_cast<double>(ms) / static_cast<double>(kWallDay);
    auto day = static_cast<WallMs>(quotient);  // toward zero, then down
    if (static_cast<double>(day) > quotient) --day;
    WallMs time = ms - day * kWallDay;
    double whole = static_cast<double>(day);
    // The same arithmetic as DateTime::FromParts (an exact count of
    // milliseconds over the day's), without the round trip through a
    // calendar date: this runs for every search of every event.
    double fraction = static_cast<double>(time) / static_cast<double>(kWallDay);
    return DateTime(whole >= 0 ? whole + fraction : whole - fraction);
}

ClockReading MakeReading(DateTime local, std::int64_t utc_ms, std::int64_t mono_ms) {
    return {ToWallMs(local), utc_ms, mono_ms};
}

WallMs RecentHighest(const ClockReading& now, const std::function<std::int64_t(std::int64_t)>& offset_at) {
    const std::int64_t offset_now = offset_at(now.utc_ms);
    // In whole seconds, on which offsets change; the span holds one change
    // back at most.
    std::int64_t low = now.utc_ms / 1000 - kRecentHighSpanMs / 1000, high = now.utc_ms / 1000;
    const std::int64_t offset_then = offset_at(low * 1000);
    if (offset_then <= offset_now) return now.local;
    while (high - low > 1) {  // offset_then at low, offset_now at high
        std::int64_t middle = low + (high - low) / 2;
        (offset_at(middle * 1000) > offset_now ? low : high) = middle;
    }
    // The last millisecond before the change, on the wall clock of then.
    const std::int64_t before = high * 1000 - 1;
    return std::max(now.local, now.local + (before - now.utc_ms) + (offset_then - offset_now));
}

ClockReading ReadClock() {
    using namespace std::chrono;
    std::int64_t utc = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    ClockReading now = MakeReading(Now(), utc, MonotonicMs());
    if (UtcOffsetMsAt(utc)) now.recent_high = RecentHighest(now, [](std::int64_t at) { return *UtcOffsetMsAt(at); });
    return now;
}

}  // namespace orbelle
