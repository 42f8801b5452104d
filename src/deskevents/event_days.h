#pragma once
// The events by day, as the calendar shows them: the marked days of a month,
// the tip of one day and the lines of the upcoming-events panel.
#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/datefmt.h"
#include "base/datetime.h"
#include "desktop/day_marks.h"
#include "deskevents/desk_event.h"

namespace orbelle {

// Every day of the month holding an occurrence of an event; Strong where one
// of them is a "High" (or "Highest") event.
MonthMarks MarksOfMonth(std::span<const DeskEvent> events, std::chrono::year_month month);

struct DayEntry {
    DateTime when;  // the occurrence
    const DeskEvent* event = nullptr;
};

// The occurrences on one day, earliest first (equal times in Id order).
std::vector<DayEntry> EventsOnDay(std::span<const DeskEvent> events, std::chrono::year_month_day day);

// The start of a new event made on a day of the calendar: the next full hour
// when the day is today (23:59 once no full hour is left today), 09:00 on
// any other day.
DateTime NewEventStart(std::chrono::year_month_day day, DateTime now);

// "all day" for an event without a time (00:00), else "HH:mm".
std::string TimeText(DateTime when);

// The tip of a day: the date written out, then one line per occurrence,
// earliest first ("09:00 Dentist", "all day Rent (done)"), ten at most, then
// "and N more". Empty when the day holds nothing. Lines end with "\r\n"
// between them.
inline constexpr std::size_t kTipLines = 10;
std::string TipText(std::chrono::year_month_day day, std::span<const DayEntry> entries, const LocaleNames& names);

struct UpcomingLine {
    enum class Kind { Day, Event, More };
    Kind kind = Kind::Day;
    std::string text;   // Day: "Today", "Tomorrow", "Thursday, March 7"; Event: "09:00 Dentist"
    bool high = false;  // an Event of a "High" event
    bool past = false;  // an Event of today whose time has gone
    friend bool operator==(const UpcomingLine&, const UpcomingLine&) = default;
};

// The events of today and the next 6 days, grouped by day (days without any
// are left out), at most 30 lines, then "and N more" counting the events
// left out.
inline constexpr std::size_t kUpcomingDays = 7;
inline constexpr std::size_t kUpcomingLines = 30;
std::vector<UpcomingLine> UpcomingLines(std::span<const DeskEvent> events, DateTime now, const LocaleNames& names);

}  // namespace orbelle
