#pragma once
// The desktop calendar's displayed date moves by whole months and years from
// the tray menu; its transparency setting becomes the calendar alpha, which the
// window shows as a constant opacity.
#include <chrono>

namespace orbelle {

using std::chrono::year_month_day;

// The same day number one month back or forward. At a month end the day is
// cut to the last day of the target month: 31 January forward is 28 February
// (29 in a leap year), and forward again is 28 March, not 31. December forward
// is January of the next year, January back December of the previous year.
year_month_day MonthBack(year_month_day displayed);
year_month_day MonthForward(year_month_day displayed);

// The same day and month one year back or forward. 29 February first becomes
// 28 February, also when the target year is a leap year, so 29 February 2024
// forward is 28 February 2025 and back is 28 February 2023.
year_month_day YearBack(year_month_day displayed);
year_month_day YearForward(year_month_day displayed);

// Transparency percentage p to the calendar alpha: p * 255 / 100, rounded to
// the nearest integer with an exact half going to the even neighbour
// (10 -> 26, 30 -> 76, 50 -> 128). Not clamped: percentages 0..100 give
// 0..255, others give values outside that range. Computed in 64 bits and
// saturated at the limits of int, so no stored percentage can overflow.
int CalendarAlpha(int transparency_percent);

// The constant opacity the calendar window shows for a calendar alpha:
// 255 - alpha, so 0 % transparency is fully opaque. Range 26..255: the
// calendar never fades below 26, so it cannot vanish, and alphas outside
// 0..255 are held to that range too.
int CalendarOpacity(int calendar_alpha);

inline constexpr int kMinCalendarOpacity = 26;

}  // namespace orbelle
