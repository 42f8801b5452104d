#pragma once
// The tray's navigation commands of the desktop calendar, and which of them
// the day rollover takes again.
#include <optional>

namespace orbelle {

enum class Navigation { Today, PreviewYear, NextYear, PreviewMonth, NextMonth };

// What the day rollover runs again after moving the calendar to the new day:
// the last month or year step; nothing after Today, which has just run
// anyway, or before the first command.
constexpr std::optional<Navigation> RepeatAfterRollover(std::optional<Navigation> last) {
    if (last == Navigation::Today) return std::nullopt;
    return last;
}

}  // namespace orbelle
