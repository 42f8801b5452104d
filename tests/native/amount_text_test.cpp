#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/alarm_time.h"
#include "base/amount_text.h"
#include "base/error.h"

namespace orbelle {
namespace {
using namespace std::chrono;
using Action = AmountTextFix::Action;

struct NormaliseCase {
    const char* name;
    std::string typed;
    Action action;
    std::string text;  // the normal form; empty for SelectFirstItem
};

TEST(NormaliseAmountText, NormalFormsAndResets) {
    const NormaliseCase cases[] = {
        {"normal singular", "1 hour", Action::Keep, "1 hour"},
        {"normal plural", "30 minutes", Action::Keep, "30 minutes"},
        {"singular with 1", "1 hours", Action::Rewrite, "1 hour"},
        {"plural with 3", "3 hour", Action::Rewrite, "3 hours"},
        {"plural with 0", "0 minute", Action::Rewrite, "0 minutes"},
        {"leading zero is not 1", "01 hour", Action::Rewrite, "01 hours"},
        {"leading zero plural kept", "01 hours", Action::Keep, "01 hours"},
        {"final s deleted comes back", "2 day", Action::Rewrite, "2 days"},
        {"singular week", "1 weeks", Action::Rewrite, "1 week"},
        {"blanks around and between", "  2   days  ", Action::Rewrite, "2 days"},
        {"trailing blank", "5 hours ", Action::Rewrite, "5 hours"},
        {"tab as separator", "5\thours", Action::Rewrite, "5 hours"},
        {"any character separates", "30-minutes", Action::Rewrite, "30 minutes"},
        {"non-ASCII blank separates", "2\u3000days", Action::Rewrite, "2 days"},
        {"no count is count 0", "x days", Action::Rewrite, "0 days"},
        {"no count, singular made plural", "x day", Action::Rewrite, "0 days"},
        {"capital letter", "30 Minutes", Action::SelectFirstItem, ""},
        {"no separator eats the unit", "30minutes", Action::SelectFirstItem, ""},
        {"count alone", "30", Action::SelectFirstItem, ""},
        {"lone first digit", "4", Action::SelectFirstItem, ""},
        {"unit alone loses its first letter", "days", Action::SelectFirstItem, ""},
        {"empty", "", Action::SelectFirstItem, ""},
        {"blanks only", "   ", Action::SelectFirstItem, ""},
        {"trailing blank trimmed to a count", "5 ", Action::SelectFirstItem, ""},
        {"separator with nothing after", "5x", Action::SelectFirstItem, ""},
        {"sign is no digit", "-5 minutes", Action::SelectFirstItem, ""},
        {"unknown unit", "5 seconds", Action::SelectFirstItem, ""},
        {"two words", "5 hours later", Action::SelectFirstItem, ""},
        {"stray letter before the unit", "5 xhours", Action::SelectFirstItem, ""},
        // Part of the word list but not one unit of it.
        {"unit with a comma", "5 hour,hours", Action::SelectFirstItem, ""},
        {"unit with commas", "5 minute,minutes,week", Action::SelectFirstItem, ""},
    };
    for (const NormaliseCase& c : cases) {
        SCOPED_TRACE(c.name);
        AmountTextFix fix = NormaliseAmountText(c.typed);
        EXPECT_EQ(fix.action, c.action);
        if (c.action != Action::SelectFirstItem) {
            EXPECT_EQ(fix.text, c.text);
        }
    }
}

TEST(NormaliseAmountText, EveryListItemIsAlreadyNormal) {
    const char* items[] = {"0 minutes", "5 minutes", "10 minutes", "15 minutes", "30 minutes",
                           "1 hour",    "2 hours",   "4 hours",    "8 hours",    "12 hours",
                           "1 day",     "2 days",    "3 days",     "1 week"};
    for (const char* item : items) {
        SCOPED_TRACE(item);
        AmountTextFix fix = NormaliseAmountText(item);
        EXPECT_EQ(fix.action, Action::Keep);
        EXPECT_EQ(fix.text, item);
        // The normal form is a fixed point: normalising it again keeps it.
        EXPECT_EQ(NormaliseAmountText(fix.text).action, Action::Keep);
    }
}

DateTime At(year_month_day date, int hour, int minute) {
    return DateTime::FromParts(date, {hour, minute, 0, 0});
}

struct AlarmCase {
    const char* remind;
    DateTime start;
    DateTime expected;
};

TEST(AlarmTime, StartLessTheLead) {
    const DateTime start = At(2004y / 3 / 10, 9, 30);
    const AlarmCase cases[] = {
        {"0 minutes", start, start},
        {"30 minutes", start, At(2004y / 3 / 10, 9, 0)},
        {"1 hour", start, At(2004y / 3 / 10, 8, 30)},
        {"12 hours", start, At(2004y / 3 / 9, 21, 30)},
        {"2 days", start, At(2004y / 3 / 8, 9, 30)},
        {"1 week", start, At(2004y / 3 / 3, 9, 30)},
        {"2 days", At(2004y / 3 / 1, 0, 30), At(2004y / 2 / 28, 0, 30)},
        {"1 day", At(2005y / 3 / 1, 0, 30), At(2005y / 2 / 28, 0, 30)},
        {"45 minutes", At(2005y / 1 / 1, 0, 15), At(2004y / 12 / 31, 23, 30)},
        {"01 hours", start, At(2004y / 3 / 10, 8, 30)},
        {"1440 minutes", start, At(2004y / 3 / 9, 9, 30)},
        // The words are looked for anywhere and with case respected.
        {"", start, start},
        {"30 Minutes", start, start},
        {"3 Days", start, start},
        {"  7  days ago", start, At(2004y / 3 / 3, 9, 30)},
        // A stored text need not be normal: a signed count moves forward.
        {"-1 days", start, At(2004y / 3 / 11, 9, 30)},
        // Before the zero date-time the fraction still reads as the time of day.
        {"1 hour", At(1899y / 12 / 29, 6, 0), At(1899y / 12 / 29, 5, 0)},
        {"1 day", At(1899y / 12 / 30, 6, 0), At(1899y / 12 / 29, 6, 0)},
    };
    for (const AlarmCase& c : cases) {
        SCOPED_TRACE(c.remind);
        DateTime alarm = AlarmTime(c.start, c.remind);
        EXPECT_EQ(alarm, c.expected) << alarm.Days() << " instead of " << c.expected.Days();
    }
}

TEST(AlarmTime, RefusesCountsItCannotRead) {
    const DateTime start = At(2004y / 3 / 10, 9, 30);
    struct Refused {
        const char* remind;
        const char* message;
    };
    const Refused refused[] = {
        {"99999999999 days", "'99999999999' is not a valid integer value"},
        {"2147483648 minutes", "'2147483648' is not a valid integer value"},
        {"days", "'' is not a valid integer value"},
        {"x hours", "'x' is not a valid integer value"},
        // "weekday" holds "day": the day test runs first and reads "3 week".
        {"3 weekdays", "'3 week' is not a valid integer value"},
        // Each test reads its own count: the hour test finds "1 day 2".
        {"1 day 2 hours", "'1 day 2' is not a valid integer value"},
        // In 32 bits 7 x 400,000,000 would wrap to a date in the future.
        {"400000000 weeks", "Invalid argument to date encode"},
        {"2147483647 days", "Invalid argument to date encode"},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.remind);
        try {
            DateTime alarm = AlarmTime(start, r.remind);
            ADD_FAILURE() << "gave " << alarm.Days();
        } catch (const Error& error) {
            EXPECT_STREQ(error.what(), r.message);
        }
    }
}

TEST(AlarmTime, EveryDayOfFourCenturies) {
    // Whole minutes off a time with seconds, on every day: the result must be
    // exact (no 08:59:59.999) and cross days, months and years correctly.
    for (sys_days day = sys_days{1800y / 1 / 1}; day <= sys_days{2199y / 12 / 31}; day += days{1}) {
        DateTime start = DateTime::FromParts(day, {0, 10, 13, 0});
        ASSERT_EQ(AlarmTime(start, "30 minutes"),
                  DateTime::FromParts(day - days{1}, {23, 40, 13, 0}))
            << start.Days();
        ASSERT_EQ(AlarmTime(start, "1 day"), DateTime::FromParts(day - days{1}, {0, 10, 13, 0}))
            << start.Days();
    }
}

}  // namespace
}  // namespace orbelle
