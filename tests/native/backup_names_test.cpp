#include <gtest/gtest.h>

#include <algorithm>

#include "store/backup_names.h"

namespace orbelle {
namespace {

DateTime At(int year, unsigned month, unsigned day, int hour = 12, int minute = 0, int second = 0) {
    return DateTime::FromParts(std::chrono::year{year} / month / day, {hour, minute, second, 0});
}

TEST(BackupNames, StampRoundTripsAndOtherNamesAreNoBackups) {
    DateTime taken = At(2026, 12, 10, 14, 5, 9);
    EXPECT_EQ(BackupFileName(taken), "TODOLIST-20261210-140509.DB");
    EXPECT_EQ(ParseBackupFileName("TODOLIST-20261210-140509.DB"), taken);
    for (const char* other : {"TODOLIST.DB", "TODOLIST-20261210-140509.DB.tmp", "TODOLIST-20261210-140509.DB-journal",
                              "TODOLIST-20261310-140509.DB", "TODOLIST-20260230-140509.DB",
                              "TODOLIST-20261210-246000.DB", "TODOLIST-2026121x-140509.DB", "todolist-20261210-140509.db",
                              "TODOLIST-20261210_140509.DB", "notes.txt"}) {
        SCOPED_TRACE(other);
        EXPECT_FALSE(ParseBackupFileName(other));
    }
}

struct RetentionCase {
    const char* name;
    std::vector<double> ages_in_days;  // of the backups, before `now`
    std::vector<double> removed_ages;
};

TEST(BackupNames, KeepsNewestTenAndNewestOfEachOfEightCalendarWeeks) {
    const RetentionCase cases[] = {
        {"ten or fewer: all kept", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {}},
        {"daily for 20 days: the 10 newest, then the newest of each older week",
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19},
         {10, 12, 13, 14, 15, 16, 17, 19}},
        {"many a day: only the newest 10 survive within the day, older weeks keep one each",
         {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0, 1.1, 8, 9, 15},
         {1.0, 1.1, 9}},
        {"beyond eight weeks only the newest ten count",
         {0, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70}, {69, 70}},
        {"the week boundary: Monday 00:00 is in the new week, Sunday evening in the one before",
         {0, 0.5, 1, 1.5, 2, 2.5, 3, 3.1, 3.2, 3.3, 3.5, 3.6, 4}, {3.5, 4}},
        {"a backup dated after now (clock turned back) counts among the newest",
         {-3, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {9, 10}},
    };
    DateTime now = At(2026, 12, 10);  // a Thursday, noon: this week began 3.5 days ago
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        std::vector<DateTime> taken;
        for (double age : test.ages_in_days) taken.emplace_back(now.Days() - age);
        std::vector<double> removed;
        for (std::size_t index : BackupsToRemove(taken, now)) removed.push_back(test.ages_in_days[index]);
        std::sort(removed.begin(), removed.end());
        EXPECT_EQ(removed, test.removed_ages);
    }
}

}  // namespace
}  // namespace orbelle
