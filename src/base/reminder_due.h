#pragma once
// The reminder scan's test of one record.
#include <string_view>

#include "base/datetime.h"

namespace orbelle {

// Due: not accepted ("Y" exactly, case counts) and the next alarm lies at or
// before today at 00:00. The time of day is left out on purpose: an alarm at
// 09:00 today waits for the first start tomorrow, one at 00:00 today is due.
constexpr bool IsReminderDue(std::string_view accept_text, DateTime next_alarm, DateTime today_midnight) {
    return accept_text != "Y" && today_midnight >= next_alarm;
}

}  // namespace orbelle
