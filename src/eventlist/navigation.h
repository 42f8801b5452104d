#pragma once
// The tray's navigation commands of the desktop calendar, and the names by
// which the day rollover remembers the last of them.
#include <optional>
#include <string_view>

namespace orbelle {

enum class Navigation { Today, PreviewYear, NextYear, PreviewMonth, NextMonth };

// The last navigation command's text: "oday" for Today, otherwise the
// command's name without blanks ("PreviewYear" ...).
constexpr std::string_view NavigationName(Navigation command) {
    switch (command) {
        case Navigation::Today: return "oday";
        case Navigation::PreviewYear: return "PreviewYear";
        case Navigation::NextYear: return "NextYear";
        case Navigation::PreviewMonth: return "PreviewMonth";
        case Navigation::NextMonth: return "NextMonth";
    }
    return "";
}

// What the day rollover runs again after moving the calendar to the new day:
// the step named exactly (case-sensitive) by the remembered command; nothing
// for "", "oday" or any other text.
constexpr std::optional<Navigation> RepeatAfterRollover(std::string_view remembered) {
    for (Navigation step : {Navigation::PreviewYear, Navigation::NextYear, Navigation::PreviewMonth,
                            Navigation::NextMonth}) {
        if (remembered == NavigationName(step)) return step;
    }
    return std::nullopt;
}

}  // namespace orbelle
