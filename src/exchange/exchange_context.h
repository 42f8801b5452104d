#pragma once
// The machine's side of the iCalendar and CSV files: the local zone as the
// system describes it, the user's month and weekday names, and the clock.
#include "exchange/exchange_files.h"

namespace orbelle {

ZoneRules SystemLocalZone();
ExchangeContext SystemExchangeContext();

}  // namespace orbelle
