#pragma once
#include "base/datefmt.h"

namespace orbelle {

// Full weekday and month names of the user's locale.
LocaleNames UserLocaleNames();

}  // namespace orbelle
