#include <gtest/gtest.h>

#include "store/backup_schedule.h"

namespace orbelle {
namespace {

DateTime At(unsigned day, int hour, int minute = 0) {
    return DateTime::FromParts(std::chrono::year{2026} / 12 / day, {hour, minute, 0, 0});
}

TEST(BackupSchedule, AtStartThenDailyAndAfterAFailureHourlyWithOneMessagePerRun) {
    BackupSchedule schedule;
    EXPECT_TRUE(schedule.Due(At(10, 9)));  // at start
    schedule.Done(At(10, 9));
    EXPECT_FALSE(schedule.Due(At(10, 23)));
    EXPECT_FALSE(schedule.Due(At(11, 8, 59)));
    EXPECT_TRUE(schedule.Due(At(11, 9)));  // a day later

    EXPECT_TRUE(schedule.Failed(At(11, 9)));  // the first failure is told
    EXPECT_FALSE(schedule.Due(At(11, 9, 30)));
    EXPECT_TRUE(schedule.Due(At(11, 10)));  // retried at the next chance
    EXPECT_FALSE(schedule.Failed(At(11, 10)));  // and not told again
    EXPECT_FALSE(schedule.Failed(At(11, 11)));
    schedule.Done(At(11, 12));
    EXPECT_FALSE(schedule.Due(At(11, 13)));
    EXPECT_FALSE(schedule.Failed(At(12, 12)));  // still the same run

    schedule.Done(At(12, 13));
    EXPECT_TRUE(schedule.Due(At(12, 12)));  // the clock was set back
}

}  // namespace
}  // namespace orbelle
