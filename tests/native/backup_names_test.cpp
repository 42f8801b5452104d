#include <gtest/gtest.h>

#include <algorithm>

#include "store/backup_names.h"

namespace orbelle {
namespace {

DateTime At(int year, unsigned month, unsigned day, int hour = 12, int minute = 0, int second = 0) {
    return DateTime::FromParts(std::chrono::year{year} / month / day, {hour, minute, second, 0});
}

TEST(BackupNames, StampRoundTripsTheOlderFormReadsAsNumberZeroAndOtherNamesAreNoBackups) {
    BackupStamp stamp{42, At(2026, 12, 10, 14, 5, 9)};
    EXPECT_EQ(BackupFileName(stamp), "TODOLIST-20261210-140509-42.DB");
    EXPECT_EQ(ParseBackupFileName("TODOLIST-20261210-140509-42.DB"), stamp);
    EXPECT_EQ(ParseBackupFileName("TODOLIST-20261210-140509.DB"), (BackupStamp{0, stamp.taken}));
    for (const char* other :
         {"TODOLIST.DB", "TODOLIST-20261210-140509.DB.tmp", "TODOLIST-20261210-140509-42.DB.tmp",
          "TODOLIST-20261210-140509.DB-journal", "TODOLIST-20261310-140509.DB", "TODOLIST-20260230-140509.DB",
          "TODOLIST-20261210-246000.DB", "TODOLIST-2026121x-140509.DB", "todolist-20261210-140509.db",
          "TODOLIST-20261210_140509.DB", "TODOLIST-20261210-140509-.DB", "TODOLIST-20261210-140509-0.DB",
          "TODOLIST-20261210-140509-042.DB", "TODOLIST-20261210-140509--4.DB", "TODOLIST-20261210-140509-4x.DB",
          "TODOLIST-20261210-140509_4.DB", "TODOLIST-20261210-140509-1234567890123456789.DB", "notes.txt"}) {
        SCOPED_TRACE(other);
        EXPECT_FALSE(ParseBackupFileName(other));
    }
}

TEST(BackupNames, TheNumberOrdersBeforeTheTimeWhichOrdersOnlyTheOlderForm) {
    const BackupStamp older_form_late{0, At(2027, 1, 1)};
    const BackupStamp older_form_early{0, At(2026, 1, 1)};
    const BackupStamp first{1, At(2025, 1, 1)};
    const BackupStamp second{2, At(2024, 1, 1)};
    EXPECT_TRUE(MadeAfter(second, first));
    EXPECT_TRUE(MadeAfter(first, older_form_late));
    EXPECT_TRUE(MadeAfter(older_form_late, older_form_early));
    EXPECT_FALSE(MadeAfter(first, second));
    EXPECT_FALSE(MadeAfter(first, first));
}

struct RetentionCase {
    const char* name;
    std::vector<double> ages_in_days;  // of the backups before `now`, in the order they were made
    std::vector<double> removed_ages;
};

TEST(BackupNames, KeepsTheLastTenMadeAndTheLastOfEachOfEightCalendarWeeks) {
    const RetentionCase cases[] = {
        {"ten or fewer: all kept", {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, {}},
        {"daily for 20 days: the 10 newest, then the newest of each older week",
         {19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0},
         {10, 12, 13, 14, 15, 16, 17, 19}},
        {"many a day: only the newest 10 survive within the day, older weeks keep one each",
         {15, 9, 8, 1.1, 1.0, 0.9, 0.8, 0.7, 0.6, 0.5, 0.4, 0.3, 0.2, 0.1, 0},
         {1.0, 1.1, 9}},
        {"beyond eight weeks only the newest ten count",
         {70, 69, 68, 67, 66, 65, 64, 63, 62, 61, 60, 0}, {69, 70}},
        {"the week boundary: Monday 00:00 is in the new week, Sunday evening in the one before",
         {4, 3.6, 3.5, 3.3, 3.2, 3.1, 3, 2.5, 2, 1.5, 1, 0.5, 0}, {3.5, 4}},
        {"the clock a year ahead for a while: those stay only as long as they are among the last ten made",
         {-365, -364, -363, -362, -361, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0},
         {-365, -364, -363, -362, -361, 10}},
        {"the clock set back: the last made is among the newest although it is dated earliest",
         {10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 12}, {9, 10}},
    };
    DateTime now = At(2026, 12, 10);  // a Thursday, noon: this week began 3.5 days ago
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        std::vector<BackupStamp> stamps;
        for (double age : test.ages_in_days)
            stamps.push_back({std::int64_t(stamps.size()) + 1, DateTime(now.Days() - age)});
        std::vector<double> removed;
        for (std::size_t index : BackupsToRemove(stamps, now)) removed.push_back(test.ages_in_days[index]);
        std::sort(removed.begin(), removed.end());
        EXPECT_EQ(removed, test.removed_ages);
    }
}

}  // namespace
}  // namespace orbelle
