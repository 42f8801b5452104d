#include <gtest/gtest.h>

#include "base/reminder_due.h"

namespace orbelle {
namespace {

using namespace std::chrono;

DateTime At(year_month_day date, int hour, int minute) { return DateTime::FromParts(date, {hour, minute, 0, 0}); }

TEST(ReminderDue, ComparesTheAlarmWithTodayAtMidnightAndAcceptsOnlyAnExactY) {
    constexpr year_month_day today = 2024y / March / 15;
    const DateTime midnight = DateTime::FromDate(today);
    struct Case {
        const char* name;
        const char* accept_text;
        DateTime next_alarm;
        bool due;
    };
    const Case cases[] = {
        {"alarm at 00:00 today", "N", midnight, true},
        {"alarm at 23:59 yesterday", "N", At(2024y / March / 14, 23, 59), true},
        {"alarm at 09:00 today waits for tomorrow", "N", At(today, 9, 0), false},
        {"alarm one millisecond after midnight", "N", DateTime::FromParts(today, {0, 0, 0, 1}), false},
        {"alarm years ago, never accepted", "", At(2001y / January / 1, 12, 0), true},
        {"empty alarm (the zero date-time)", "", DateTime(), true},
        {"accepted", "Y", At(2024y / March / 1, 8, 0), false},
        {"lower-case y is not accepted", "y", At(2024y / March / 1, 8, 0), true},
        {"Y with a blank is not accepted", "Y ", At(2024y / March / 1, 8, 0), true},
        {"accepted but in the future", "Y", At(2024y / April / 1, 8, 0), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsReminderDue(c.accept_text, c.next_alarm, midnight), c.due);
    }
}

}  // namespace
}  // namespace orbelle
