#include "exchange/exchange_context.h"

#include <windows.h>

#include <algorithm>

#include "base/clock.h"
#include "platform/locale.h"
#include "platform/wide.h"

namespace orbelle {
namespace {

// A yearly change as the system gives it: month, week (5 the last),
// weekday and time; a fixed date (a year given) reads as its week.
ZoneChange ChangeOf(const SYSTEMTIME& when) {
    int week = when.wYear == 0 ? when.wDay : (when.wDay - 1) / 7 + 1;
    return {.month = when.wMonth, .week = std::clamp(week, 1, 5), .weekday = when.wDayOfWeek,
            .minute_of_day = when.wHour * 60 + when.wMinute};
}

}  // namespace

ZoneRules SystemLocalZone() {
    DYNAMIC_TIME_ZONE_INFORMATION info{};
    DWORD kind = GetDynamicTimeZoneInformation(&info);
    ZoneRules zone;
    zone.standard_offset = -static_cast<int>(info.Bias + info.StandardBias) * 60;
    zone.daylight_offset = -static_cast<int>(info.Bias + info.DaylightBias) * 60;
    if (kind != TIME_ZONE_ID_INVALID && !info.DynamicDaylightTimeDisabled && info.DaylightDate.wMonth != 0 &&
        info.StandardDate.wMonth != 0) {
        zone.to_daylight = ChangeOf(info.DaylightDate);
        zone.to_standard = ChangeOf(info.StandardDate);
    }
    std::string windows_name = Narrow(info.TimeZoneKeyName);
    if (auto iana = IanaNameOfWindowsZone(windows_name)) {
        zone.name = std::string(*iana);
    } else {
        // Any name serves as TZID: the VTIMEZONE written with it gives the rules.
        zone.name = windows_name.empty() ? Narrow(info.StandardName) : windows_name;
        if (zone.name.empty()) zone.name = "Local";
    }
    return zone;
}

ExchangeContext SystemExchangeContext() {
    return {.local_zone = SystemLocalZone(), .names = UserLocaleNames(), .now_local = Now()};
}

}  // namespace orbelle
