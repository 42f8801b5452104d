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

DateTime SystemNow() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    year_month_day date{year{local.tm_year + 1900}, month{static_cast<unsigned>(local.tm_mon + 1)},
                        day{static_cast<unsigned>(local.tm_mday)}};
    return DateTime::FromParts(date, {local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms)});
}
}  // namespace

DateTime Now() { return TestClock() ? TestClock()() : SystemNow(); }

DateTime Today() { return Now().DateOnly(); }

void SetClockForTesting(std::function<DateTime()> clock) { TestClock() = std::move(clock); }

std::int64_t MonotonicMs() {
    if (TestMonotonicClock()) return TestMonotonicClock()();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SetMonotonicClockForTesting(std::function<std::int64_t()> clock) { TestMonotonicClock() = std::move(clock); }

}  // namespace orbelle
