#pragma once
// The calendar face composed from the skin files: the background flattened
// over black, then the weekday labels, the day digits and the marker over the
// displayed day, each with its own alpha and unscaled. Every file is read
// afresh; a missing or broken file draws nothing and is not reported.
#include <windows.h>

#include <chrono>
#include <filesystem>

#include "desktop/day_marks.h"
#include "platform/handles.h"

namespace orbelle {

// Skin files, relative to the program folder.
inline constexpr const wchar_t* kBackgroundSkin = L"Skins\\w\\Windows 2004.png";
inline constexpr const wchar_t* kWeekdaySkin = L"Skins\\Default\\Weekdays.png";
inline constexpr const wchar_t* kNumberSkin = L"Skins\\Default\\Numbers Large1 Black.png";
inline constexpr const wchar_t* kMarkerSkin = L"Skins\\Default\\today.png";
// Two marks of equal width side by side: a day with events, then a day with
// a "High" one.
inline constexpr const wchar_t* kEventMarkSkin = L"Skins\\Default\\Event Marks.png";

struct ComposedFace {
    // A 32-bit bitmap of the background's size; empty without a background.
    OwnedBitmap bitmap;
    SIZE size{0, 0};
};

// The face for the month of `displayed`, with the marker on its day. With
// marks, each marked day's cell gets its mark under the marker, and nothing
// else on the face changes.
ComposedFace ComposeFace(const std::filesystem::path& program_folder, std::chrono::year_month_day displayed,
                         const MonthMarks* marks = nullptr);

}  // namespace orbelle
