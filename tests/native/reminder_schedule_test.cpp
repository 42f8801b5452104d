#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <functional>

#include "reminder_test_events.h"
#include "reminders/alarm_schedule.h"
#include "base/clock.h"
#include "reminders/lateness_text.h"
#include "store/event_cursor.h"
#include "temp_folder.h"

namespace orbelle {
namespace {
using namespace reminder_test;

// An event table file with our state tables, and a schedule over them; a
// restart makes both anew from the file, as the program does at start.
class ReminderScheduleTest : public ::testing::Test {
protected:
    void SetUp() override {
        EventCursor cursor;
        cursor.Open(File());
        Restart();
    }

    std::filesystem::path File() const { return folder_.Path() / "db" / "TODOLIST.DB"; }

    void Restart() {
        schedule_.reset();
        state_ = std::make_unique<ReminderState>();
        state_->Open(File());
        schedule_ = std::make_unique<AlarmSchedule>(*state_);
    }

    ReminderChanges Start(const std::vector<ReminderEvent>& events, ClockReading now) {
        Restart();
        return schedule_->Build(events, now);
    }

    // Checks every 30 s (real time) from `from` up to and including `to`,
    // with the offset (hours) each wall moment has; returns the wall moments
    // at which each event's row appeared.
    std::vector<std::pair<WallMs, std::int64_t>> Watch(WallMs from, WallMs to, std::function<int(WallMs)> offset) {
        std::vector<std::pair<WallMs, std::int64_t>> appeared;
        for (WallMs local = from; local <= to; local += 30'000) {
            ClockReading now = Reading(local, offset(local));
            for (std::int64_t id : schedule_->Check(now).appeared) appeared.push_back({local, id});
        }
        return appeared;
    }

    // Checks every 30 s of real time for `ms`; returns each row that
    // appeared, with the reading of its check.
    std::vector<std::pair<ClockReading, std::int64_t>> Run(ComputerClock& clock, std::int64_t ms) {
        std::vector<std::pair<ClockReading, std::int64_t>> appeared;
        for (std::int64_t passed = 0; passed < ms; passed += 30'000) {
            clock.Pass(30'000);
            for (std::int64_t id : schedule_->Check(clock.Now()).appeared) appeared.push_back({clock.Now(), id});
        }
        return appeared;
    }

    // The dismissal of one row, when it had one.
    std::optional<Dismissal> DismissRow(std::int64_t id, ClockReading now) {
        Dismissed dismissed = schedule_->Dismiss(id, now);
        if (dismissed.dismissals.empty()) return std::nullopt;
        return dismissed.dismissals.front();
    }

    std::vector<std::int64_t> RowIds() const {
        std::vector<std::int64_t> ids;
        for (const ReminderRow& row : schedule_->Rows()) ids.push_back(row.event_id);
        return ids;
    }

    std::string Late(std::int64_t id, ClockReading now) const {
        for (const ReminderRow& row : schedule_->Rows())
            if (row.event_id == id) return LatenessText(row.lateness, now, EnglishNames());
        return "no row";
    }

    TempFolder folder_;
    std::unique_ptr<ReminderState> state_;
    std::unique_ptr<AlarmSchedule> schedule_;
};

int NoDst(WallMs) { return 1; }

TEST_F(ReminderScheduleTest, AnAlarmRingsAtItsMomentOnceWhateverTheChecks) {
    Start({Single(1, At(2026, 3, 10, 9, 30), "30 minutes")}, Reading(W(2026, 3, 10, 8), 1));
    EXPECT_TRUE(RowIds().empty());
    EXPECT_EQ(schedule_->NextWakeUp(), W(2026, 3, 10, 9));
    EXPECT_EQ(schedule_->WakeDelay(Reading(W(2026, 3, 10, 8, 59, 50), 1), 30'000), 10'000);
    EXPECT_EQ(schedule_->WakeDelay(Reading(W(2026, 3, 10, 8), 1), 30'000), 30'000);

    EXPECT_TRUE(schedule_->Check(Reading(W(2026, 3, 10, 9) - 1, 1)).appeared.empty());
    ReminderChanges at = schedule_->Check(Reading(W(2026, 3, 10, 9), 1));
    EXPECT_EQ(at.appeared, std::vector<std::int64_t>{1});
    EXPECT_TRUE(at.rows_changed);
    EXPECT_EQ(Late(1, Reading(W(2026, 3, 10, 9, 0, 40), 1)), "now");

    auto again = Watch(W(2026, 3, 10, 9, 0, 30), W(2026, 3, 12), NoDst);
    EXPECT_TRUE(again.empty());
    EXPECT_EQ(RowIds(), std::vector<std::int64_t>{1});
    EXPECT_EQ(schedule_->NextWakeUp(), std::nullopt);
    EXPECT_EQ(Late(1, Reading(W(2026, 3, 10, 9, 5), 1)), "5 minutes ago");

    ReminderRow row = schedule_->Rows().front();
    EXPECT_EQ(row.subject, "Event 1");
    EXPECT_EQ(row.sound, "Alarm.wav");
    EXPECT_EQ(row.alarm, At(2026, 3, 10, 9));
    EXPECT_EQ(row.occurrence, At(2026, 3, 10, 9, 30));
    EXPECT_FALSE(row.lateness.missed);
}

TEST_F(ReminderScheduleTest, TheNextOccurrenceTakesOverTheRowOfARepeatingEvent) {
    Start({Recurring(1, At(2026, 3, 1, 9), Daily(1))}, Reading(W(2026, 3, 10, 8, 59), 1));
    EXPECT_EQ(RowIds(), std::vector<std::int64_t>{1});  // yesterday's, not dismissed
    auto appeared = Watch(W(2026, 3, 10, 8, 59, 30), W(2026, 3, 11, 9), NoDst);
    ASSERT_EQ(appeared.size(), 2u);
    EXPECT_EQ(appeared[0].first, W(2026, 3, 10, 9));
    EXPECT_EQ(appeared[1].first, W(2026, 3, 11, 9));
    ASSERT_EQ(schedule_->Rows().size(), 1u);
    EXPECT_EQ(schedule_->Rows().front().occurrence, At(2026, 3, 11, 9));
    EXPECT_FALSE(schedule_->Rows().front().lateness.missed);
}

TEST_F(ReminderScheduleTest, DismissAcceptsASingleEventAndAcknowledgesOneOccurrenceOfARepeatingOne) {
    ClockReading nine = Reading(W(2026, 3, 10, 9), 1);
    Start({Single(1, At(2026, 3, 10, 9)), Recurring(2, At(2026, 3, 1, 9), Daily(1))}, nine);
    ASSERT_EQ(RowIds(), (std::vector<std::int64_t>{1, 2}));

    std::optional<Dismissal> single = DismissRow(1, nine);
    ASSERT_TRUE(single);
    EXPECT_TRUE(single->accept_event);
    std::optional<Dismissal> repeating = DismissRow(2, nine);
    ASSERT_TRUE(repeating);
    EXPECT_FALSE(repeating->accept_event);
    EXPECT_TRUE(RowIds().empty());
    EXPECT_FALSE(DismissRow(2, nine));  // no row, nothing to do

    // The repeating event's next occurrence rings next; the single one never.
    auto appeared = Watch(W(2026, 3, 10, 9, 0, 30), W(2026, 3, 11, 9), NoDst);
    ASSERT_EQ(appeared.size(), 1u);
    EXPECT_EQ(appeared[0], (std::pair<WallMs, std::int64_t>{W(2026, 3, 11, 9), 2}));

    // After a restart with the accepted flag stored, as the caller posts it,
    // only the undismissed occurrence shows: at once, as it showed at 09:00,
    // also when the clock now reads before that.
    ReminderEvent accepted = Single(1, At(2026, 3, 10, 9));
    accepted.accepted = true;
    Start({accepted, Recurring(2, At(2026, 3, 1, 9), Daily(1))}, Reading(W(2026, 3, 11, 8), 1));
    EXPECT_EQ(RowIds(), std::vector<std::int64_t>{2});
    Start({accepted, Recurring(2, At(2026, 3, 1, 9), Daily(1))}, Reading(W(2026, 3, 11, 10), 1));
    EXPECT_EQ(RowIds(), std::vector<std::int64_t>{2});
    EXPECT_EQ(schedule_->Rows().front().occurrence, At(2026, 3, 11, 9));
}

TEST_F(ReminderScheduleTest, DismissAllClearsEveryRow) {
    ClockReading now = Reading(W(2026, 3, 10, 12), 1);
    Start({Single(1, At(2026, 3, 10, 9)), Single(2, At(2026, 3, 10, 10)), Recurring(3, At(2026, 3, 1, 9), Daily(1)),
           Single(4, At(2026, 3, 10, 13))},
          now);
    Dismissed dismissed = schedule_->DismissAll(now);
    EXPECT_EQ(dismissed.dismissals.size(), 3u);
    EXPECT_TRUE(RowIds().empty());
    EXPECT_EQ(schedule_->NextWakeUp(), W(2026, 3, 10, 13));
}

// The next alarm fell due after the last check and before the user
// dismissed the row: it appears with the dismissal, and rings.
TEST_F(ReminderScheduleTest, ADismissalBringsTheNextAlarmThatFellDueSinceTheLastCheck) {
    Start({Recurring(1, At(2026, 3, 1, 9), Daily(1))}, Reading(W(2026, 3, 10, 8, 56), 1));
    ASSERT_EQ(RowIds(), std::vector<std::int64_t>{1});  // yesterday's
    // No check since 08:56: today's alarm fell due at 09:00.
    Dismissed dismissed = schedule_->Dismiss(1, Reading(W(2026, 3, 10, 9, 0, 20), 1));
    EXPECT_EQ(dismissed.changes.appeared, std::vector<std::int64_t>{1});
    ASSERT_EQ(RowIds(), std::vector<std::int64_t>{1});
    EXPECT_EQ(schedule_->Rows().front().occurrence, At(2026, 3, 10, 9));
    EXPECT_TRUE(schedule_->Check(Reading(W(2026, 3, 10, 9, 0, 30), 1)).appeared.empty());  // it rang once
}

struct SnoozeCase {
    SnoozeLength length;
    WallMs ends;  // wall clock, for a snooze at 09:02 on 2026-03-10
};

TEST_F(ReminderScheduleTest, ASnoozedRowLeavesAndComesBackOnceAtTheEnd) {
    const SnoozeCase cases[] = {
        {SnoozeLength::Minutes5, W(2026, 3, 10, 9, 7)},   {SnoozeLength::Minutes10, W(2026, 3, 10, 9, 12)},
        {SnoozeLength::Minutes15, W(2026, 3, 10, 9, 17)}, {SnoozeLength::Minutes30, W(2026, 3, 10, 9, 32)},
        {SnoozeLength::Hour1, W(2026, 3, 10, 10, 2)},     {SnoozeLength::Hours2, W(2026, 3, 10, 11, 2)},
        {SnoozeLength::Tomorrow, W(2026, 3, 11, 9, 2)},
    };
    std::int64_t id = 0;
    for (const SnoozeCase& c : cases) {
        SCOPED_TRACE(SnoozeText(c.length));
        ++id;  // the file keeps each case's snooze: an event of its own per case
        Start({Single(id, At(2026, 3, 10, 9))}, Reading(W(2026, 3, 10, 8), 1));
        Watch(W(2026, 3, 10, 8), W(2026, 3, 10, 9, 2), NoDst);
        ASSERT_EQ(RowIds(), std::vector<std::int64_t>{id});
        ReminderChanges snoozed = schedule_->Snooze(id, c.length, Reading(W(2026, 3, 10, 9, 2), 1));
        EXPECT_TRUE(snoozed.rows_changed);
        EXPECT_TRUE(RowIds().empty());
        EXPECT_EQ(schedule_->NextWakeUp(), c.ends);

        auto appeared = Watch(W(2026, 3, 10, 9, 2, 30), c.ends + 2 * kWallHour, NoDst);
        ASSERT_EQ(appeared.size(), 1u);
        EXPECT_EQ(appeared[0].first, c.ends);
        EXPECT_EQ(RowIds(), std::vector<std::int64_t>{id});
        EXPECT_FALSE(schedule_->Rows().front().lateness.missed);
    }
}

TEST_F(ReminderScheduleTest, SnoozesSurviveARestart) {
    const ReminderEvent event = Single(1, At(2026, 3, 10, 9));
    ClockReading snoozed_at = Reading(W(2026, 3, 10, 9, 2), 1);

    // Still running at the restart: away until its end.
    Start({event}, snoozed_at);
    schedule_->Snooze(1, SnoozeLength::Hour1, snoozed_at);
    Start({event}, Reading(W(2026, 3, 10, 9, 30), 1));
    EXPECT_TRUE(RowIds().empty());
    auto appeared = Watch(W(2026, 3, 10, 9, 30, 30), W(2026, 3, 10, 11), NoDst);
    ASSERT_EQ(appeared.size(), 1u);
    EXPECT_EQ(appeared[0].first, W(2026, 3, 10, 10, 2));

    // Ended while the program was closed: shows at the start, missed.
    Start({event}, snoozed_at);
    schedule_->Snooze(1, SnoozeLength::Minutes5, snoozed_at);
    Start({event}, Reading(W(2026, 3, 10, 11), 1));
    EXPECT_EQ(RowIds(), std::vector<std::int64_t>{1});
    EXPECT_TRUE(schedule_->Rows().front().lateness.missed);
}

TEST_F(ReminderScheduleTest, AlarmsThatRangDuringASleepShowOnceMarkedMissed) {
    std::vector<ReminderEvent> events = {
        Single(1, At(2026, 3, 12, 9)), Single(2, At(2026, 3, 12, 10)), Single(3, At(2026, 3, 12, 11, 59, 30)),
        Recurring(4, At(2026, 3, 1, 8), Daily(1)),  // rang every morning; one row for the last
        Single(5, At(2026, 3, 12, 13)),
    };
    Start(events, Reading(W(2026, 3, 12, 7), 1));
    ASSERT_TRUE(DismissRow(4, Reading(W(2026, 3, 12, 7), 1)));
    Watch(W(2026, 3, 12, 7), W(2026, 3, 12, 7, 30), NoDst);
    // The machine sleeps from 07:30 to 12:00.
    ClockReading noon = Reading(W(2026, 3, 12, 12), 1);
    ReminderChanges woke = schedule_->Check(noon);
    EXPECT_EQ(woke.appeared.size(), 4u);
    EXPECT_EQ(RowIds(), (std::vector<std::int64_t>{4, 1, 2, 3}));
    EXPECT_EQ(Late(1, noon), "missed: Thursday 09:00");
    EXPECT_EQ(Late(2, noon), "missed: Thursday 10:00");
    EXPECT_EQ(Late(3, noon), "now");  // rang within the last minute
    EXPECT_EQ(Late(4, noon), "missed: Thursday 08:00");
    EXPECT_TRUE(Watch(W(2026, 3, 12, 12, 0, 30), W(2026, 3, 12, 12, 59), NoDst).empty());
}

TEST_F(ReminderScheduleTest, AtStartWhatRangWhileClosedShowsMissed) {
    Start({Single(1, At(2026, 3, 5, 9)), Recurring(2, At(2026, 3, 1, 18), Weekly(1, {kMon, kThu})),
           Single(3, At(2026, 3, 12, 12, 0)), Single(4, At(2026, 3, 12, 12, 1))},
          Reading(W(2026, 3, 12, 12, 0, 20), 1));
    ClockReading now = Reading(W(2026, 3, 12, 12, 0, 20), 1);
    EXPECT_EQ(RowIds(), (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_EQ(Late(1, now), "missed: March 5, 2026 09:00");  // a week back: with its date
    EXPECT_EQ(Late(2, now), "missed: Monday 18:00");
    EXPECT_EQ(Late(3, now), "now");
}

// Europe's spring change: 2026-03-29 02:00 (+1) becomes 03:00 (+2).
int SpringOffset(WallMs local) { return local < W(2026, 3, 29, 2) ? 1 : 2; }

TEST_F(ReminderScheduleTest, OnTheSpringNightAnAlarmInTheSkippedHourRingsOnceWhenItEnds) {
    Start({Recurring(1, At(2026, 3, 1, 2, 30), Daily(1)), Recurring(2, At(2026, 3, 1, 9), Daily(1)),
           Single(3, At(2026, 3, 29, 3, 10))},
          Reading(W(2026, 3, 28, 23), 1));
    schedule_->DismissAll(Reading(W(2026, 3, 28, 23), 1));
    // The wall clock reads 01:59:30, then 03:00:00 thirty real seconds later.
    std::vector<std::pair<WallMs, std::int64_t>> appeared;
    WallMs local = W(2026, 3, 28, 23);
    while (local <= W(2026, 3, 29, 10)) {
        for (std::int64_t id : schedule_->Check(Reading(local, SpringOffset(local))).appeared)
            appeared.push_back({local, id});
        local += 30'000;
        if (local == W(2026, 3, 29, 2)) local = W(2026, 3, 29, 3);
    }
    ASSERT_EQ(appeared.size(), 3u);
    EXPECT_EQ(appeared[0], (std::pair<WallMs, std::int64_t>{W(2026, 3, 29, 3), 1}));
    EXPECT_EQ(appeared[1], (std::pair<WallMs, std::int64_t>{W(2026, 3, 29, 3, 10), 3}));
    EXPECT_EQ(appeared[2], (std::pair<WallMs, std::int64_t>{W(2026, 3, 29, 9), 2}));
    for (const ReminderRow& row : schedule_->Rows()) EXPECT_FALSE(row.lateness.missed);
}

// Europe's autumn change: 2026-10-25 03:00 (+2) becomes 02:00 (+1); the hour
// from 02:00 to 03:00 comes twice.
struct AutumnWalk {
    std::vector<std::pair<ClockReading, std::vector<std::int64_t>>> appeared;
};

class AutumnNight : public ReminderScheduleTest {
protected:
    // Readings every 30 real seconds from 00:00 to 04:00 (five real hours),
    // calling `at` before each check.
    std::vector<std::pair<ClockReading, std::int64_t>> Night(const std::function<void(ClockReading)>& at) {
        std::vector<std::pair<ClockReading, std::int64_t>> appeared;
        const std::int64_t utc_start = W(2026, 10, 25) - 2 * kWallHour;
        for (std::int64_t utc = utc_start; utc <= utc_start + 5 * kWallHour; utc += 30'000) {
            int offset = utc < W(2026, 10, 25, 1) ? 2 : 1;  // 01:00 UTC is the change
            ClockReading now{utc + offset * kWallHour, utc, utc};
            at(now);
            for (std::int64_t id : schedule_->Check(now).appeared) appeared.push_back({now, id});
        }
        return appeared;
    }
    static bool FirstPass(ClockReading now) { return now.Offset() == 2 * kWallHour; }
};

TEST_F(AutumnNight, AnAlarmInTheRepeatedHourRingsOnce) {
    Start({Recurring(1, At(2026, 10, 1, 2, 30), Daily(1)), Single(2, At(2026, 10, 25, 3, 30))},
          Reading(W(2026, 10, 24, 23), 2));
    schedule_->DismissAll(Reading(W(2026, 10, 24, 23), 2));
    auto appeared = Night([](ClockReading) {});
    ASSERT_EQ(appeared.size(), 2u);
    EXPECT_EQ(appeared[0].first.local, W(2026, 10, 25, 2, 30));
    EXPECT_TRUE(FirstPass(appeared[0].first));
    EXPECT_EQ(appeared[0].second, 1);
    EXPECT_EQ(appeared[1].first.local, W(2026, 10, 25, 3, 30));
    EXPECT_EQ(appeared[1].second, 2);
}

TEST_F(AutumnNight, DismissedInTheFirstPassItStaysDismissedInTheSecond) {
    Start({Recurring(1, At(2026, 10, 1, 2, 30), Daily(1)), Single(2, At(2026, 10, 25, 2, 40))},
          Reading(W(2026, 10, 24, 23), 2));
    schedule_->DismissAll(Reading(W(2026, 10, 24, 23), 2));
    auto appeared = Night([&](ClockReading now) {
        if (FirstPass(now) && now.local == W(2026, 10, 25, 2, 45)) {
            ASSERT_EQ(schedule_->DismissAll(now).dismissals.size(), 2u);
        }
    });
    EXPECT_EQ(appeared.size(), 2u);  // both in the first pass, neither again
    EXPECT_TRUE(RowIds().empty());
    EXPECT_EQ(schedule_->NextWakeUp(), W(2026, 10, 26, 2, 30));
}

TEST_F(AutumnNight, ASnoozeRunsInRealTimeAcrossTheChange) {
    Start({Single(1, At(2026, 10, 25, 2, 50))}, Reading(W(2026, 10, 24, 23), 2));
    auto appeared = Night([&](ClockReading now) {
        if (FirstPass(now) && now.local == W(2026, 10, 25, 2, 55))
            schedule_->Snooze(1, SnoozeLength::Minutes10, now);
    });
    ASSERT_EQ(appeared.size(), 2u);
    EXPECT_TRUE(FirstPass(appeared[0].first));
    EXPECT_EQ(appeared[0].first.local, W(2026, 10, 25, 2, 50));
    // Ten real minutes after 02:55 in the first pass is 02:05 in the second.
    EXPECT_FALSE(FirstPass(appeared[1].first));
    EXPECT_EQ(appeared[1].first.local, W(2026, 10, 25, 2, 5));
    EXPECT_EQ(RowIds(), std::vector<std::int64_t>{1});
}

// Readings as ReadClock gives them, with Berlin's rules for the highest
// recent reading.
std::int64_t BerlinOffsetMs(std::int64_t utc) { return Berlin2026(utc) * kWallHour; }

ClockReading BerlinReading(std::int64_t utc) {
    ClockReading now{utc + BerlinOffsetMs(utc), utc, utc};
    now.recent_high = RecentHighest(now, BerlinOffsetMs);
    return now;
}

TEST_F(AutumnNight, WhatFellDueInTheFirstPassUnwatchedShowsAtOnceInTheSecondMissed) {
    // 02:40 in summer time passes while the program is closed, or the
    // computer sleeps; it starts, or wakes, at 02:10 in winter time (01:10 UTC).
    std::int64_t id = 0;
    for (bool restart : {true, false}) {
        SCOPED_TRACE(restart ? "a start" : "a resume");
        const std::vector<ReminderEvent> events = {Single(++id, At(2026, 10, 25, 2, 40)),
                                                   Recurring(++id, At(2026, 10, 1, 2, 50), Daily(1))};
        Start(events, BerlinReading(W(2026, 10, 24, 21)));
        schedule_->DismissAll(BerlinReading(W(2026, 10, 24, 21)));
        ReminderChanges woke = restart ? Start(events, BerlinReading(W(2026, 10, 25, 1, 10)))
                                       : schedule_->Check(BerlinReading(W(2026, 10, 25, 1, 10)));
        std::sort(woke.appeared.begin(), woke.appeared.end());
        EXPECT_EQ(woke.appeared, (std::vector<std::int64_t>{id - 1, id}));
        for (const ReminderRow& row : schedule_->Rows()) EXPECT_TRUE(row.lateness.missed);
        // Neither rings again when the wall clock reads 02:40 and 02:50 once more.
        for (std::int64_t utc = W(2026, 10, 25, 1, 10, 30); utc <= W(2026, 10, 25, 3); utc += 30'000)
            EXPECT_TRUE(schedule_->Check(BerlinReading(utc)).appeared.empty()) << utc;
    }
}

TEST_F(ReminderScheduleTest, AClockSetBackDoesNotRingAShownRowAgain) {
    Start({Single(1, At(2026, 3, 10, 9))}, Reading(W(2026, 3, 10, 8, 59, 30), 1));
    EXPECT_EQ(schedule_->Check(Reading(W(2026, 3, 10, 9), 1)).appeared.size(), 1u);
    // The user sets the clock back an hour: the real time goes back too.
    auto appeared = Watch(W(2026, 3, 10, 8), W(2026, 3, 10, 9, 30), NoDst);
    EXPECT_TRUE(appeared.empty());
    EXPECT_EQ(RowIds(), std::vector<std::int64_t>{1});
}

TEST_F(ReminderScheduleTest, PostAndDeleteTakeEffectAtOnce) {
    ClockReading now = Reading(W(2026, 3, 10, 9), 1);
    Start({Single(1, At(2026, 3, 10, 9)), Recurring(2, At(2026, 3, 10, 12), Daily(1))}, now);
    ASSERT_EQ(RowIds(), std::vector<std::int64_t>{1});
    EXPECT_EQ(schedule_->NextWakeUp(), W(2026, 3, 10, 12));

    // A new event ringing in a minute.
    ReminderChanges added = schedule_->Post(Single(3, At(2026, 3, 10, 9, 1)), now);
    EXPECT_TRUE(added.appeared.empty());
    EXPECT_EQ(schedule_->NextWakeUp(), W(2026, 3, 10, 9, 1));

    // A changed start moves the showing row's alarm ahead: the row leaves.
    ReminderChanges moved = schedule_->Post(Single(1, At(2026, 3, 10, 15)), now);
    EXPECT_TRUE(moved.rows_changed);
    EXPECT_TRUE(RowIds().empty());

    // A longer lead brings the repeating event's alarm to now.
    ReminderChanges lead = schedule_->Post(Recurring(2, At(2026, 3, 10, 12), Daily(1), "3 hours"), now);
    EXPECT_EQ(lead.appeared, std::vector<std::int64_t>{2});
    EXPECT_EQ(Late(2, now), "now");

    // A new subject keeps the row, and says so to redraw it.
    ReminderEvent renamed = Recurring(2, At(2026, 3, 10, 12), Daily(1), "3 hours");
    renamed.subject = "Lunch";
    ReminderChanges rename = schedule_->Post(renamed, now);
    EXPECT_TRUE(rename.appeared.empty());
    EXPECT_TRUE(rename.rows_changed);
    EXPECT_EQ(schedule_->Rows().front().subject, "Lunch");

    // Deleted: the row leaves, and so do its alarms and its state.
    schedule_->Snooze(2, SnoozeLength::Minutes5, now);
    ReminderChanges deleted = schedule_->Delete(3);
    EXPECT_FALSE(deleted.rows_changed);
    schedule_->Delete(2);
    EXPECT_TRUE(state_->Snoozes().empty());
    auto appeared = Watch(W(2026, 3, 10, 9, 0, 30), W(2026, 3, 10, 16), NoDst);
    ASSERT_EQ(appeared.size(), 1u);
    EXPECT_EQ(appeared[0], (std::pair<WallMs, std::int64_t>{W(2026, 3, 10, 15), 1}));
    EXPECT_EQ(schedule_->EventCount(), 1u);
}

struct EditCase {
    const char* name;
    ReminderEvent edited;        // saved at 16:10, after the 16:00 alarm was dismissed
    std::vector<WallMs> rings;   // from then until 23:00
};

TEST_F(ReminderScheduleTest, AChangedStartRuleOrLeadStartsTheAlarmsAfreshFromNow) {
    // Daily at 18:00 with a lead of 2 hours; 2026-03-10 is a Tuesday.
    const ReminderEvent daily = Recurring(1, At(2026, 3, 1, 18), Daily(1), "2 hours");
    ReminderEvent renamed = daily;
    renamed.subject = "Dinner";
    const EditCase cases[] = {
        {"moved to 17:30 with a lead of 15 minutes", Recurring(1, At(2026, 3, 1, 17, 30), Daily(1), "15 minutes"),
         {W(2026, 3, 10, 17, 15)}},
        {"a lead of 1 hour: today's occurrence rings at 17:00",
         Recurring(1, At(2026, 3, 1, 18), Daily(1), "1 hour"), {W(2026, 3, 10, 17)}},
        {"moved so that its alarm is the dismissed 16:00: it does not come back",
         Recurring(1, At(2026, 3, 1, 18, 30), Daily(1), "150 minutes"), {}},
        {"moved so that today's alarm lies before now", Recurring(1, At(2026, 3, 1, 17), Daily(1), "2 hours"), {}},
        {"weekly on Tuesdays: the dismissed alarm does not come back",
         Recurring(1, At(2026, 3, 3, 18), Weekly(1, {kTue}), "2 hours"), {}},
        {"a new subject: the dismissal stays", renamed, {}},
    };
    std::int64_t id = 0;
    for (const EditCase& c : cases) {
        for (bool restart : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (restart ? ", then a restart" : ""));
            ++id;  // the file keeps each case's state: an event of its own per case
            ReminderEvent before = daily, after = c.edited;
            before.id = after.id = id;
            ComputerClock clock(W(2026, 3, 10, 15, 59), Berlin2026);
            Start({before}, clock.Now());
            schedule_->DismissAll(clock.Now());  // yesterday's
            ASSERT_EQ(Run(clock, kWallMinute).size(), 1u);
            ASSERT_EQ(schedule_->DismissAll(clock.Now()).dismissals.size(), 1u);  // 16:00
            Run(clock, 10 * kWallMinute);

            std::vector<WallMs> rang;
            for (std::int64_t shown : schedule_->Post(after, clock.Now()).appeared) {
                EXPECT_EQ(shown, id);
                rang.push_back(clock.Now().local);
            }
            if (restart) {
                Run(clock, 10 * kWallMinute);
                for (std::int64_t shown : Start({after}, clock.Now()).appeared) {
                    EXPECT_EQ(shown, id);
                    rang.push_back(clock.Now().local);
                }
            }
            for (const auto& [reading, shown] : Run(clock, W(2026, 3, 10, 23) - clock.Now().local))
                rang.push_back(reading.local);
            EXPECT_EQ(rang, c.rings);
        }
    }
}

struct ClockSet {
    const char* name;
    std::int64_t by;  // how far the user sets the clock, 3 minutes into the snooze
};

TEST_F(ReminderScheduleTest, ASnoozeOfMinutesLastsItsLengthWhateverTheUserDoesToTheClock) {
    const ClockSet sets[] = {
        {"the clock left alone", 0},
        {"the clock set back an hour", -kWallHour},
        {"the clock set forward an hour", kWallHour},
    };
    std::int64_t id = 0;
    for (const ClockSet& set : sets) {
        SCOPED_TRACE(set.name);
        const ReminderEvent event = Single(++id, At(2026, 3, 10, 9));
        ComputerClock clock(W(2026, 3, 10, 8, 59), Berlin2026);
        Start({event}, clock.Now());
        ASSERT_EQ(Run(clock, 3 * kWallMinute).size(), 1u);
        const std::int64_t snoozed_at = clock.Now().mono_ms;  // 09:02
        schedule_->Snooze(id, SnoozeLength::Minutes10, clock.Now());
        EXPECT_TRUE(Run(clock, 3 * kWallMinute).empty());
        clock.SetBy(set.by);

        auto appeared = Run(clock, 2 * kWallHour);
        ASSERT_EQ(appeared.size(), 1u);
        EXPECT_EQ(appeared[0].first.mono_ms - snoozed_at, 10 * kWallMinute);

        // Ended, it leaves the state table: a clock set back before its end
        // and a restart do not hide the row again.
        clock.SetBy(-3 * kWallHour);
        ReminderChanges restarted = Start({event}, clock.Now());
        EXPECT_TRUE(state_->Snoozes().empty());
        EXPECT_EQ(RowIds(), std::vector<std::int64_t>{id});
        EXPECT_TRUE(restarted.appeared.empty());
    }
}

struct RestartCase {
    const char* name;
    WallMs alarm;                  // of an event that does not recur
    WallMs start;                  // the first run starts here
    std::int64_t until_shown;      // and runs this long until the row shows
    std::int64_t then;             // and this long after
    std::int64_t set_by;           // then the user sets the clock, and the program starts again
    bool missed;
    const char* late;              // how late the row reads after the restart, where it says more than "now"
};

TEST_F(ReminderScheduleTest, ARestartShowsAShownRowAsItWasAndDoesNotRingItAgain) {
    const RestartCase cases[] = {
        // 02:30 in summer time, then a restart at 02:10 in winter time, 40 real minutes later.
        {"in the repeated autumn hour", W(2026, 10, 25, 2, 30), W(2026, 10, 25, 2, 29), kWallMinute,
         40 * kWallMinute, 0, false, "40 minutes ago"},
        {"after the clock was set back an hour", W(2026, 10, 20, 2, 30), W(2026, 10, 20, 2, 29), kWallMinute,
         10 * kWallMinute, -kWallHour, false, nullptr},
        {"missed, after the clock was set back an hour", W(2026, 10, 20, 2, 30), W(2026, 10, 20, 3), 0,
         10 * kWallMinute, -kWallHour, true, "missed: Tuesday 02:30"},
    };
    std::int64_t id = 0;
    for (const RestartCase& c : cases) {
        SCOPED_TRACE(c.name);
        const DateTime alarm = FromWallMs(c.alarm);
        const ReminderEvent event = Single(++id, alarm);
        ComputerClock clock(c.start, Berlin2026);
        std::size_t rang = Start({event}, clock.Now()).appeared.size();
        rang += Run(clock, c.until_shown).size();
        ASSERT_EQ(rang, 1u);
        Run(clock, c.then);
        clock.SetBy(c.set_by);
        ASSERT_LT(clock.Now().local, ToWallMs(alarm));

        ReminderChanges restarted = Start({event}, clock.Now());
        EXPECT_TRUE(restarted.appeared.empty());
        EXPECT_TRUE(restarted.rows_changed);
        ASSERT_EQ(RowIds(), std::vector<std::int64_t>{id});
        EXPECT_EQ(schedule_->Rows().front().alarm, alarm);
        EXPECT_EQ(schedule_->Rows().front().lateness.missed, c.missed);
        if (c.late) {
            EXPECT_EQ(Late(id, clock.Now()), c.late);
        }
        EXPECT_TRUE(Run(clock, 2 * kWallHour).empty());
        EXPECT_EQ(RowIds(), std::vector<std::int64_t>{id});
    }
}

// The system's own zone rules, as ReadClock reads them, through the repeated
// hour of Berlin's autumn night (2026-10-25, 01:00 UTC).
TEST(ReminderClock, RecentHighestFollowsTheSystemZone) {
#ifdef _WIN32
    GTEST_SKIP() << "the C runtime here takes no zone names from TZ";
#else
    const char* before = std::getenv("TZ");
    const std::string kept = before ? before : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    struct Case {
        const char* name;
        WallMs utc;   // on the wall scale
        WallMs high;  // on Berlin's wall clock
    };
    const Case cases[] = {
        {"a summer day", W(2026, 7, 1, 10), W(2026, 7, 1, 12)},
        {"the first pass's last second", W(2026, 10, 25, 0, 59, 59), W(2026, 10, 25, 2, 59, 59)},
        {"the second pass begins", W(2026, 10, 25, 1), W(2026, 10, 25, 3) - 1},
        {"the second pass, later", W(2026, 10, 25, 1, 59), W(2026, 10, 25, 3) - 1},
        {"after the second pass", W(2026, 10, 25, 2, 30), W(2026, 10, 25, 3, 30)},
        {"after the spring change", W(2026, 3, 29, 1, 30), W(2026, 3, 29, 3, 30)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t unix_ms = c.utc - W(1970, 1, 1);
        std::optional<std::int64_t> offset = UtcOffsetMsAt(unix_ms);
        ASSERT_TRUE(offset);
        ClockReading now{c.utc + *offset, unix_ms, 0};
        EXPECT_EQ(RecentHighest(now, [](std::int64_t at) { return *UtcOffsetMsAt(at); }), c.high);
    }
    if (before) setenv("TZ", kept.c_str(), 1);
    else unsetenv("TZ");
    tzset();
#endif
}

// The program ended between the dismissal and the post of the accepted flag.
TEST_F(ReminderScheduleTest, ARowDismissedButNotYetAcceptedComesBackAsItWasAfterARestart) {
    const ReminderEvent event = Single(1, At(2026, 3, 10, 9));
    Start({event}, Reading(W(2026, 3, 10, 8, 59, 30), 1));
    ASSERT_EQ(schedule_->Check(Reading(W(2026, 3, 10, 9), 1)).appeared, std::vector<std::int64_t>{1});
    std::optional<Dismissal> dismissal = DismissRow(1, Reading(W(2026, 3, 10, 9, 5), 1));
    ASSERT_TRUE(dismissal && dismissal->accept_event);

    ReminderChanges restarted = Start({event}, Reading(W(2026, 3, 10, 9, 30), 1));
    EXPECT_TRUE(restarted.appeared.empty());
    ASSERT_EQ(RowIds(), std::vector<std::int64_t>{1});
    EXPECT_FALSE(schedule_->Rows().front().lateness.missed);

    // Stored at last: no row, and none kept in the state table.
    ASSERT_TRUE(DismissRow(1, Reading(W(2026, 3, 10, 9, 31), 1)));
    ReminderEvent accepted = event;
    accepted.accepted = true;
    Start({accepted}, Reading(W(2026, 3, 10, 9, 40), 1));
    EXPECT_TRUE(RowIds().empty());
    Start({accepted}, Reading(W(2026, 3, 10, 9, 41), 1));
    EXPECT_TRUE(state_->Shown().empty());
}

TEST_F(ReminderScheduleTest, AShownRowComesBackOnlyWhileItsAlarmIsStillTheEventsOwn) {
    Start({Single(1, At(2026, 3, 10, 9)), Recurring(2, At(2026, 3, 1, 9), Daily(1))},
          Reading(W(2026, 3, 10, 9, 30), 1));
    ASSERT_EQ(RowIds(), (std::vector<std::int64_t>{1, 2}));
    // Both moved while the mode was off; the program starts with the clock
    // set back before either alarm that showed.
    Start({Single(1, At(2026, 3, 10, 11)), Recurring(2, At(2026, 3, 1, 9, 15), Daily(1))},
          Reading(W(2026, 3, 10, 8), 1));
    ASSERT_EQ(RowIds(), std::vector<std::int64_t>{2});
    EXPECT_EQ(schedule_->Rows().front().occurrence, At(2026, 3, 9, 9, 15));
}

TEST_F(ReminderScheduleTest, AnEventSavedWithItsAlarmPastShowsMissed) {
    ClockReading now = Reading(W(2026, 3, 10, 12), 1);
    Start({}, now);
    EXPECT_EQ(schedule_->Post(Single(1, At(2026, 3, 10, 9)), now).appeared, std::vector<std::int64_t>{1});
    EXPECT_EQ(Late(1, now), "missed: Tuesday 09:00");
}

}  // namespace
}  // namespace orbelle
