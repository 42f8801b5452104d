#include "reminders/lateness_text.h"

#include <cstdio>

namespace orbelle {
namespace {

std::string Ago(std::int64_t count, const char* unit) {
    return std::to_string(count) + " " + unit + (count == 1 ? "" : "s") + " ago";
}

std::string ClockText(DateTime value) {
    TimeOfDay time = value.Time();
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", time.hour, time.minute);
    return text;
}

}  // namespace

std::string LatenessText(const Lateness& row, ClockReading now, const LocaleNames& names) {
    if (row.missed) {
        DateTime alarm = FromWallMs(row.alarm);
        auto alarm_day = std::chrono::sys_days{alarm.Date()};
        auto today = std::chrono::sys_days{FromWallMs(now.local).Date()};
        std::string when = today - alarm_day <= std::chrono::days{6} && alarm_day <= today
                               ? names.weekdays[std::chrono::weekday{alarm_day}.c_encoding()]
                               : FormatStartRewritten(alarm, names);
        return "missed: " + when + " " + ClockText(alarm);
    }
    std::int64_t minutes = (now.utc_ms - row.appeared_utc) / kWallMinute;
    if (minutes < 1) return "now";
    if (minutes < 60) return Ago(minutes, "minute");
    if (minutes < 24 * 60) return Ago(minutes / 60, "hour");
    return Ago(minutes / (24 * 60), "day");
}

}  // namespace orbelle
