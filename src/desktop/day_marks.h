#pragma once
// What the calendar may show of the events beside its face: a mark in the
// cell of each day that holds one, a tip for the day under the mouse, and a
// new event on a double-clicked day. The calendar knows only this interface;
// whoever knows the events answers it.
#include <array>
#include <chrono>
#include <string>

namespace orbelle {

enum class DayMark : unsigned char { None, Normal, Strong };

// Index 1 to 31 for the days of one month; index 0 unused.
using MonthMarks = std::array<DayMark, 32>;

class CalendarEvents {
public:
    // Off: the face, the mouse and the clicks stay exactly as without events.
    virtual bool ShowEvents() const = 0;
    // The marks of the days of this month, read at every redraw: kept, not
    // worked out again each time.
    virtual MonthMarks MarksOf(std::chrono::year_month month) = 0;
    // The tip for a day; empty when the day holds nothing.
    virtual std::wstring TipOf(std::chrono::year_month_day day) = 0;
    // A double click on a day of the displayed month.
    virtual void NewEventOn(std::chrono::year_month_day day) = 0;

protected:
    ~CalendarEvents() = default;
};

}  // namespace orbelle
