#include "base/clock.h"

#include <chrono>
#include <ctime>

namespace orbelle {
namespace {
std::function<DateTime()>& TestClock() {
    static std::function<DateTime()> clock;
    return clock;
}

std::function<std::int64_t()>& TestMonotonicClock() {
    static std::function<std::int64_t()> clock;
    return clock;
}

std::tm LocalParts(std::time_t seconds) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    return local;
}

DateTime SystemNow() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    std::tm local = LocalParts(seconds);
    auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    year_month_day date{year{local.tm_year + 1900}, month{static_cast<unsigned>(local.tm_mon + 1)},
                        day{static_cast<unsigned>(local.tm_mday)}};
    return DateTime::FromParts(date, {local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms)});
}
}  // namespace

DateTime Now() { return TestClock() ? TestClock()() : SystemNow(); }

DateTime Today() { return Now().DateOnly(); }

void SetClockForTesting(std::function<DateTime()> clock) { TestClock() = std::move(clock); }

std::optional<std::int64_t> UtcOffsetMsAt(std::int64_t unix_ms) {
    if (TestClock()) return std::nullopt;
    using namespace std::chrono;
    // Whole seconds, rounded down: offsets change on whole seconds.
    std::int64_t seconds = unix_ms / 1000 - (unix_ms % 1000 < 0);
    std::tm local = LocalParts(static_cast<std::time_t>(seconds));
    // The local date and time read as if they were UTC, less the moment.
    sys_days date{year{local.tm_year + 1900} / month{static_cast<unsigned>(local.tm_mon + 1)} /
                  day{static_cast<unsigned>(local.tm_mday)}};
    std::int64_t as_utc =
        date.time_since_epoch().count() * 86'400LL + local.tm_hour * 3600LL + local.tm_min * 60LL + local.tm_sec;
    return (as_utc - seconds) * 1000;
}

std::int64_t MonotonicMs() {
    if (TestMonotonicClock()) return TestMonotonicClock()();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SetMonotonicClockForTesting(std::function<std::int64_t()> clock) { TestMonotonicClock() = std::move(clock); }

}  // namespace orbelle
