#pragma once
// The tray icon's tip: today's date written out and the product line.
#include <cstddef>
#include <string>
#include <string_view>

#include "base/datefmt.h"

namespace orbelle {

// The tip field holds 63 UTF-16 code units and the terminating zero.
inline constexpr std::size_t kTrayTipMaxUnits = 63;

// "Today is Wednesday, January 5, 2005" + "\n" + "Vintrel 2.01", UTF-8,
// cut to the tip field at a character boundary (long locale names can
// overflow it).
std::string TrayTip(year_month_day today, const LocaleNames& names);

// The longest prefix of UTF-8 text that takes at most max_units UTF-16 code
// units; a character outside the BMP takes two and is never split.
std::string_view CutToUtf16Units(std::string_view utf8, std::size_t max_units);

}  // namespace orbelle
