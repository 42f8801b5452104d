#include "base/alarm_time.h"

#include <cstdint>

#include "base/convert.h"
#include "base/text.h"
#include "base/timeline.h"

namespace orbelle {
namespace {

struct LeadUnit {
    std::string_view word;
    std::int64_t milliseconds;
};

// The order of the tests decides which unreadable count is reported first.
constexpr LeadUnit kLeadUnits[] = {
    {"day", kMillisecondsPerDay},
    {"week", 7 * kMillisecondsPerDay},
    {"hour", 3'600'000},
    {"minute", 60'000},
};

}  // namespace

DateTime AlarmTime(DateTime start, std::string_view remind_text) {
    // Summed in whole milliseconds, exact: a 32-bit count of weeks is below 1.3e18.
    std::int64_t lead = 0;
    for (const LeadUnit& unit : kLeadUnits) {
        std::size_t at = remind_text.find(unit.word);
        if (at == std::string_view::npos) continue;
        lead += StrToInt(Trim(remind_text.substr(0, at))) * unit.milliseconds;
    }
    return MoveMilliseconds(start, -lead);
}

}  // namespace orbelle
