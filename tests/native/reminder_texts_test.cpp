#include <gtest/gtest.h>

#include "reminder_test_events.h"
#include "reminders/lateness_text.h"
#include "reminders/snooze_length.h"

namespace orbelle {
namespace {
using namespace reminder_test;

struct LateCase {
    const char* expected;
    Lateness row;
    WallMs now;
};

TEST(ReminderTexts, HowLate) {
    // Now is Thursday 2026-03-12 12:00; real time follows the wall clock.
    const WallMs now = W(2026, 3, 12, 12);
    const LateCase cases[] = {
        {"now", {false, W(2026, 3, 12, 12), now}, now},
        {"now", {false, W(2026, 3, 12, 12), now - 59'999}, now},
        {"1 minute ago", {false, W(2026, 3, 12, 11, 59), now - kWallMinute}, now},
        {"5 minutes ago", {false, W(2026, 3, 12, 11, 55), now - 5 * kWallMinute - 30'000}, now},
        {"59 minutes ago", {false, W(2026, 3, 12, 11, 1), now - 59 * kWallMinute}, now},
        {"1 hour ago", {false, W(2026, 3, 12, 11), now - kWallHour}, now},
        {"23 hours ago", {false, W(2026, 3, 11, 13), now - 23 * kWallHour}, now},
        {"2 days ago", {false, W(2026, 3, 10, 12), now - 2 * kWallDay}, now},
        {"missed: Thursday 09:00", {true, W(2026, 3, 12, 9), now}, now},
        {"missed: Tuesday 09:05", {true, W(2026, 3, 10, 9, 5), now}, now},
        {"missed: Friday 23:59", {true, W(2026, 3, 6, 23, 59), now}, now},
        {"missed: March 5, 2026 09:00", {true, W(2026, 3, 5, 9), now}, now},
        {"missed: December 31, 2025 00:00", {true, W(2025, 12, 31), now}, now},
    };
    for (const LateCase& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(LatenessText(c.row, {c.now, c.now}, EnglishNames()), c.expected);
    }
}

TEST(ReminderTexts, WeekdaysComeFromTheLocale) {
    LocaleNames german = EnglishNames();
    german.weekdays = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
    WallMs now = W(2026, 3, 12, 12);
    EXPECT_EQ(LatenessText({true, W(2026, 3, 10, 9), now}, {now, now}, german), "missed: Dienstag 09:00");
}

TEST(ReminderTexts, SnoozeLengthsReadBackFromTheirTextsAndEndWhereTheySay) {
    const std::pair<const char*, WallMs> lengths[] = {
        {"5 minutes", 5 * kWallMinute}, {"10 minutes", 10 * kWallMinute}, {"15 minutes", 15 * kWallMinute},
        {"30 minutes", 30 * kWallMinute}, {"1 hour", kWallHour}, {"2 hours", 2 * kWallHour},
    };
    ClockReading now{W(2026, 3, 12, 23, 50), 1'000'000, 5'000};
    for (const auto& [text, length] : lengths) {
        SCOPED_TRACE(text);
        std::optional<SnoozeLength> read = SnoozeLengthFromText(text);
        ASSERT_TRUE(read);
        EXPECT_EQ(SnoozeText(*read), text);
        SnoozeEnd end = SnoozeEndAt(*read, now);
        EXPECT_EQ(end.local, now.local + length);
        EXPECT_EQ(end.utc_ms, now.utc_ms + length);
        EXPECT_EQ(end.mono_ms, now.mono_ms + length);
    }
    SnoozeEnd tomorrow = SnoozeEndAt(*SnoozeLengthFromText("Tomorrow"), now);
    EXPECT_EQ(tomorrow.local, W(2026, 3, 13, 23, 50));
    EXPECT_EQ(tomorrow.utc_ms, std::nullopt);
    EXPECT_EQ(tomorrow.mono_ms, std::nullopt);
    EXPECT_EQ(SnoozeLengthFromText("5 Minutes"), std::nullopt);
    EXPECT_EQ(SnoozeLengthFromText(""), std::nullopt);
    EXPECT_EQ(kSnoozeChoices.front().length, kDefaultSnoozeLength);
}

TEST(ReminderTexts, WallMillisecondsRoundTripOverTheCalendar) {
    for (DateTime value : {At(1, 1, 1), At(1899, 12, 29, 6), At(1899, 12, 30), At(2026, 3, 29, 2, 30, 15),
                           At(9999, 12, 31, 23, 59, 59)}) {
        EXPECT_EQ(FromWallMs(ToWallMs(value)), value);
    }
    EXPECT_EQ(ToWallMs(At(1899, 12, 31, 6)), kWallDay + 6 * kWallHour);
    EXPECT_EQ(ToWallMs(At(1899, 12, 29, 6)), -18 * kWallHour);  // the fraction is the time also before 1899-12-30
    for (WallMs day = ToWallMs(At(1990, 1, 1)); day < ToWallMs(At(2040, 1, 1)); day += 7 * kWallDay + 12'345)
        ASSERT_EQ(ToWallMs(FromWallMs(day)), day);
}

}  // namespace
}  // namespace orbelle
