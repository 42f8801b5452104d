#pragma once
// What the list window and its tray menu ask of the other windows. The list
// knows neither the calendar nor the dialogs; the application wires these.
#include <windows.h>

#include <chrono>
#include <optional>

#include "eventlist/navigation.h"
#include "ui/window_context.h"

namespace orbelle {

// The desktop calendar as the tray's commands and the day rollover see it.
class CalendarControl {
public:
    // One step of the displayed date, then the calendar's redraw.
    virtual void Navigate(Navigation step) = 0;
    // The day the rollover last ran on; empty when there is no calendar.
    virtual std::optional<std::chrono::year_month_day> CurrentDay() const = 0;
    virtual void SetCurrentDay(std::chrono::year_month_day day) = 0;
    virtual void Hide() = 0;
    // As the calendar's own close: the program ends.
    virtual void Close() = 0;

protected:
    ~CalendarControl() = default;
};

}  // namespace orbelle
