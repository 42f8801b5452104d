#pragma once
// The list window's three timers, and a flag that holds while a popup of the
// scan or the editor has the cursor.
#include <windows.h>

#include "eventlist/event_list_window.h"

namespace orbelle {

inline constexpr UINT_PTR kTimer1 = EventListWindow::kReminderScanTimer;
inline constexpr UINT kTimer1Interval = 1000;
inline constexpr UINT_PTR kTimer2 = 2;  // working-set trim
inline constexpr UINT kTimer2Interval = 5000;
inline constexpr UINT_PTR kTimer3 = 3;  // day rollover
inline constexpr UINT kTimer3Interval = 1000;

// A flag that holds while this lives.
class SetWhileAlive {
public:
    explicit SetWhileAlive(bool& flag) : flag_(flag) { flag_ = true; }
    ~SetWhileAlive() { flag_ = false; }
    SetWhileAlive(const SetWhileAlive&) = delete;
    SetWhileAlive& operator=(const SetWhileAlive&) = delete;

private:
    bool& flag_;
};

}  // namespace orbelle
