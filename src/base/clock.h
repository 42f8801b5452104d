#pragma once
// The one way the program asks for the current date and time, so that tests
// can set the clock.
#include <functional>

#include "base/datetime.h"

namespace orbelle {

// The local date-time now.
DateTime Now();
// Today at 00:00.
DateTime Today();

// Replaces the clock; an empty function restores the real one.
void SetClockForTesting(std::function<DateTime()> clock);

}  // namespace orbelle
