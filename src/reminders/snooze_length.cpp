#include "reminders/snooze_length.h"

namespace orbelle {
namespace {

WallMs RealLength(SnoozeLength length) {
    switch (length) {
    case SnoozeLength::Minutes5: return 5 * kWallMinute;
    case SnoozeLength::Minutes10: return 10 * kWallMinute;
    case SnoozeLength::Minutes15: return 15 * kWallMinute;
    case SnoozeLength::Minutes30: return 30 * kWallMinute;
    case SnoozeLength::Hour1: return kWallHour;
    case SnoozeLength::Hours2: return 2 * kWallHour;
    case SnoozeLength::Tomorrow: break;
    }
    return 0;
}

}  // namespace

std::string_view SnoozeText(SnoozeLength length) {
    for (const SnoozeChoice& choice : kSnoozeChoices)
        if (choice.length == length) return choice.text;
    return {};
}

std::optional<SnoozeLength> SnoozeLengthFromText(std::string_view text) {
    for (const SnoozeChoice& choice : kSnoozeChoices)
        if (choice.text == text) return choice.length;
    return std::nullopt;
}

SnoozeEnd SnoozeEndAt(SnoozeLength length, ClockReading now) {
    // On the wall clock every day has 24 hours, so one day on is the same
    // time of day on the next date.
    if (length == SnoozeLength::Tomorrow) return {now.local + kWallDay, std::nullopt, std::nullopt};
    WallMs real = RealLength(length);
    return {now.local + real, now.utc_ms + real, now.mono_ms + real};
}

}  // namespace orbelle
