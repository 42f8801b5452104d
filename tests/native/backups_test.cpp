// Backups made while the table is in use, listed, pruned and restored.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>
#include <regex>

#include "base/error.h"
#include "exchange/time_zone.h"
#include "store/backup_names.h"
#include "store/backups.h"
#include "store/event_cursor.h"
#include "store/table_health.h"
#include "store/table_recovery.h"
#include "temp_folder.h"

namespace orbelle {
namespace {

DateTime At(int year, unsigned month, unsigned day, int hour = 12, int minute = 0, int second = 0) {
    return DateTime::FromParts(std::chrono::year{year} / month / day, {hour, minute, second, 0});
}

// The local time a clock in Berlin shows at the UTC moment given.
DateTime Berlin(int year, unsigned month, unsigned day, int hour, int minute) {
    static const ZoneRules zone = *KnownZone("Europe/Berlin");
    return zone.ToLocal(At(year, month, day, hour, minute));
}

std::int64_t AddEvent(EventCursor& cursor, const std::string& subject) {
    cursor.Insert();
    cursor.SetFieldText("subject", subject);
    cursor.SetFieldText("memo", std::string(300, 'm'));
    cursor.Post();
    return std::stoll(cursor.FieldText("id"));
}

std::vector<std::string> Subjects(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* rows = nullptr;
    sqlite3_prepare_v2(db, "SELECT Subject FROM TODOLIST ORDER BY Id", -1, &rows, nullptr);
    std::vector<std::string> subjects;
    while (sqlite3_step(rows) == SQLITE_ROW) subjects.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(rows, 0)));
    sqlite3_finalize(rows);
    sqlite3_close(db);
    return subjects;
}

// Every file under the folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files[entry.path().lexically_relative(folder).string()] = ReadBytes(entry.path());
    return files;
}

std::vector<std::string> FileNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class BackupsTest : public ::testing::Test {
protected:
    void SetUp() override {
        cursor_.Open(Table());
        AddEvents(50, "event ");
    }
    // Many events in one transaction, beside the cursor's own posts.
    void AddEvents(int count, const std::string& prefix) {
        sqlite3* db = nullptr;
        sqlite3_open(Table().string().c_str(), &db);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (int i = 0; i < count; ++i) {
            std::string insert = "INSERT INTO TODOLIST (Subject, Memo) VALUES ('" + prefix + std::to_string(i) +
                                 "', '" + std::string(300, 'm') + "')";
            sqlite3_exec(db, insert.c_str(), nullptr, nullptr, nullptr);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    std::filesystem::path Table() const { return folder_.Path() / "db" / "TODOLIST.DB"; }
    std::filesystem::path Backups() const { return BackupFolderFor(Table()); }

    TempFolder folder_;
    EventCursor cursor_;
};

TEST_F(BackupsTest, BackupIsACheckedCopyUnderItsStampAndTheChangeTestFollowsTheContent) {
    EXPECT_TRUE(ChangedSinceNewestBackup(Table(), Backups()));  // none yet
    DateTime now = At(2026, 12, 10, 9, 30, 5);
    BackupEntry entry = MakeBackup(Table(), Backups(), now);
    EXPECT_EQ(entry.file, Backups() / "TODOLIST-20261210-093005-1.DB");
    EXPECT_EQ(entry.events, 50);
    EXPECT_EQ(entry.bytes, std::filesystem::file_size(entry.file));
    EXPECT_EQ(Subjects(entry.file), Subjects(Table()));
    EXPECT_EQ(FileNames(Backups()), std::vector<std::string>{"TODOLIST-20261210-093005-1.DB"});  // no temporary left
    EXPECT_FALSE(ChangedSinceNewestBackup(Table(), Backups()));

    // A second backup within the same second takes the next number.
    EXPECT_EQ(MakeBackup(Table(), Backups(), now).file, Backups() / "TODOLIST-20261210-093005-2.DB");

    // An edit keeps the count and the highest Id, and still counts as a change.
    cursor_.First();
    cursor_.Edit();
    cursor_.SetFieldText("accepttext", "Y");
    cursor_.Post();
    EXPECT_TRUE(ChangedSinceNewestBackup(Table(), Backups()));
    MakeBackup(Table(), Backups(), At(2026, 12, 10, 10));
    EXPECT_FALSE(ChangedSinceNewestBackup(Table(), Backups()));
    cursor_.Delete();
    EXPECT_TRUE(ChangedSinceNewestBackup(Table(), Backups()));
}

TEST_F(BackupsTest, StepwiseCopyWhileTheCursorPostsHoldsTheTableAsAtTheLastStep) {
    AddEvents(400, "more ");
    BackupJob job(Table(), Backups(), At(2026, 12, 10));
    // A post from another connection between steps makes the copy start
    // over; the copy ends once the table stays still long enough.
    int steps = 0;
    while (!job.Step(4)) {
        if (++steps == 3 || steps == 6) AddEvent(cursor_, "during " + std::to_string(steps));
        ASSERT_LT(steps, 1000);
    }
    EXPECT_GT(steps, 10);
    BackupEntry entry = job.Finish();
    EXPECT_EQ(Subjects(entry.file), Subjects(Table()));
    EXPECT_FALSE(ChangedSinceNewestBackup(Table(), Backups()));
}

TEST_F(BackupsTest, FailedBackupLeavesNothingAndTheNextOneWorks) {
    // A file where the backup folder should be: the folder cannot be made.
    WriteBytes(Backups(), "in the way");
    EXPECT_THROW(MakeBackup(Table(), Backups(), At(2026, 12, 10)), Error);
    std::filesystem::remove(Backups());
    {
        BackupJob abandoned(Table(), Backups(), At(2026, 12, 10));
        abandoned.Step(1);
    }
    EXPECT_TRUE(FileNames(Backups()).empty());
    // A copy left by a run that died mid-backup a week ago is cleared away.
    WriteBytes(Backups() / "TODOLIST-20261203-120000-1.DB.tmp", "half");
    MakeBackup(Table(), Backups(), At(2026, 12, 10));
    EXPECT_EQ(FileNames(Backups()), std::vector<std::string>{"TODOLIST-20261210-120000-1.DB"});
}

TEST_F(BackupsTest, RetentionRemovesOnlyOldBackupsAfterTheNewOneAndNothingElse) {
    std::filesystem::create_directories(Backups());
    // Daily backups for 30 days, and a file of another kind.
    for (int day = 1; day <= 30; ++day) MakeBackup(Table(), Backups(), At(2026, 11, unsigned(day), 8));
    WriteBytes(Backups() / "notes.txt", "mine");
    MakeBackup(Table(), Backups(), At(2026, 12, 1, 8));
    auto names = FileNames(Backups());
    // The newest 10 (Nov 22 to Dec 1) plus the newest of each older calendar
    // week: Sundays Nov 15 and 8, and Sunday Nov 1 alone in its week.
    EXPECT_EQ(names, (std::vector<std::string>{
                         "TODOLIST-20261101-080000-1.DB", "TODOLIST-20261108-080000-8.DB",
                         "TODOLIST-20261115-080000-15.DB", "TODOLIST-20261122-080000-22.DB",
                         "TODOLIST-20261123-080000-23.DB", "TODOLIST-20261124-080000-24.DB",
                         "TODOLIST-20261125-080000-25.DB", "TODOLIST-20261126-080000-26.DB",
                         "TODOLIST-20261127-080000-27.DB", "TODOLIST-20261128-080000-28.DB",
                         "TODOLIST-20261129-080000-29.DB", "TODOLIST-20261130-080000-30.DB",
                         "TODOLIST-20261201-080000-31.DB", "notes.txt"}));
}

TEST_F(BackupsTest, ListIsNewestFirstAndTheNewestGoodBackupSkipsADamagedOne) {
    MakeBackup(Table(), Backups(), At(2026, 12, 8));
    AddEvent(cursor_, "one more");
    MakeBackup(Table(), Backups(), At(2026, 12, 9));
    auto newest = MakeBackup(Table(), Backups(), At(2026, 12, 10));
    std::string bytes = ReadBytes(newest.file);
    bytes.replace(bytes.size() / 2, 4096, 4096, '\x5a');  // a smashed page
    WriteBytes(newest.file, bytes);

    auto list = ListBackups(Backups());
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].taken, At(2026, 12, 10));
    EXPECT_EQ(list[1].taken, At(2026, 12, 9));
    EXPECT_EQ(list[1].events, 51);
    EXPECT_EQ(list[2].events, 50);
    EXPECT_EQ(list[2].bytes, std::filesystem::file_size(list[2].file));

    auto good = NewestGoodBackup(Backups());
    ASSERT_TRUE(good);
    EXPECT_EQ(good->taken, At(2026, 12, 9));
    EXPECT_EQ(good->events, 51);
}

TEST_F(BackupsTest, RestoreSavesTheSoundTableFirstThenReplacesIt) {
    // Ten backups: the oldest is kept only as one of the newest ten, so the
    // save of the table before the restore removes it.
    auto old = MakeBackup(Table(), Backups(), At(2026, 9, 1));
    for (int day = 1; day <= 9; ++day) MakeBackup(Table(), Backups(), At(2026, 12, unsigned(day)));
    AddEvent(cursor_, "added after every backup");
    auto before = Subjects(Table());
    cursor_.Close();

    // The save prunes the oldest backup, but never the one restored.
    RestoreResult result = RestoreTable(Table(), old.file, At(2026, 12, 20));
    EXPECT_EQ(result.events, 50);
    ASSERT_TRUE(result.saved);
    EXPECT_FALSE(result.moved_aside);
    EXPECT_EQ(Subjects(result.saved->file), before);
    EXPECT_TRUE(std::filesystem::exists(old.file));
    auto list = ListBackups(Backups());
    EXPECT_EQ(list.size(), 11u);
    EXPECT_EQ(list.front().file, result.saved->file);
    EXPECT_EQ(Subjects(Table()).size(), 50u);
    EXPECT_FALSE(std::filesystem::exists(Table().parent_path() / "TODOLIST-restoring.DB"));

    cursor_.Open(Table());
    AddEvent(cursor_, "after the restore");
    EXPECT_EQ(Subjects(Table()).back(), "after the restore");
}

struct FailedRestoreCase {
    const char* name;
    bool damage_the_chosen_backup;
    ReplaceCheck replaceable;
};

TEST_F(BackupsTest, ARestoreThatCannotReplaceTheTableLeavesTheTableAndEveryBackupAsTheyWere) {
    // Ten backups: the oldest, the one chosen, is the first the save of the
    // table before a restore would prune.
    for (int day = 1; day <= 10; ++day) MakeBackup(Table(), Backups(), At(2026, 12, unsigned(day)));
    const std::filesystem::path oldest = ListBackups(Backups()).back().file;
    AddEvent(cursor_, "added after every backup");
    cursor_.Close();
    const FailedRestoreCase cases[] = {
        {"the table cannot be replaced now", false,
         [](const std::filesystem::path&) { return std::optional<std::string>("it is open in another program"); }},
        {"the chosen backup is damaged", true, {}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        if (test.damage_the_chosen_backup) {
            std::string bytes = ReadBytes(oldest);
            bytes.replace(bytes.size() / 2, 4096, 4096, '\x5a');
            WriteBytes(oldest, bytes);
        }
        const auto before = Snapshot(Table().parent_path());
        EXPECT_THROW(RestoreTable(Table(), oldest, At(2026, 12, 20), test.replaceable), Error);
        EXPECT_EQ(Snapshot(Table().parent_path()), before);
    }
}

struct ClockCase {
    const char* name;
    std::vector<DateTime> readings;  // the local clock at each backup, in the order they were made
};

TEST_F(BackupsTest, TheLastMadeIsTheNewestWhateverTheClockDid) {
    const ClockCase cases[] = {
        {"the repeated autumn hour in Berlin: 02:35 summer time, then 02:10 standard time",
         {Berlin(2026, 10, 25, 0, 0), Berlin(2026, 10, 25, 0, 35), Berlin(2026, 10, 25, 1, 10),
          Berlin(2026, 10, 25, 1, 45)}},
        {"the skipped spring hour in Berlin",
         {Berlin(2026, 3, 29, 0, 30), Berlin(2026, 3, 29, 1, 5), Berlin(2026, 3, 29, 1, 40)}},
        {"the clock a year ahead, then put right", {At(2027, 12, 1), At(2027, 12, 2), At(2026, 12, 3), At(2026, 12, 4)}},
        {"the clock set back an hour", {At(2026, 12, 10, 10), At(2026, 12, 10, 10, 30), At(2026, 12, 10, 9, 45)}},
        {"three within one second", {At(2026, 12, 10, 10), At(2026, 12, 10, 10), At(2026, 12, 10, 10)}},
    };
    ASSERT_EQ(cases[0].readings[2].Time().hour, 2) << "not the repeated hour";
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        std::filesystem::remove_all(Backups());
        std::vector<std::optional<std::int64_t>> made;  // the events of each backup, in the order made
        for (DateTime reading : test.readings) {
            AddEvent(cursor_, "one more");
            made.push_back(MakeBackup(Table(), Backups(), reading).events);
        }
        auto list = ListBackups(Backups());
        ASSERT_EQ(list.size(), test.readings.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            // Newest first, each under the time its clock showed.
            std::size_t made_index = list.size() - 1 - i;
            EXPECT_EQ(list[i].events, made[made_index]) << i;
            EXPECT_EQ(list[i].taken, test.readings[made_index]) << i;
            EXPECT_TRUE(std::regex_match(list[i].file.filename().string(), std::regex(R"(TODOLIST-.*\.DB)")));
        }
        EXPECT_EQ(NewestGoodBackup(Backups())->events, made.back());
        EXPECT_FALSE(ChangedSinceNewestBackup(Table(), Backups()));
    }
}

TEST_F(BackupsTest, AfterTheClockWasAYearAheadTheRecentBackupsAreOfferedAndKept) {
    // Ten daily backups while the clock was a year ahead, then 21 after it was put right.
    for (unsigned day = 1; day <= 10; ++day) {
        AddEvent(cursor_, "stale " + std::to_string(day));
        MakeBackup(Table(), Backups(), At(2027, 11, day, 8));
    }
    for (int day = 0; day < 21; ++day) {
        AddEvent(cursor_, "recent " + std::to_string(day));
        MakeBackup(Table(), Backups(), DateTime(At(2026, 11, 20, 8).Days() + day));  // to Thursday, December 10
    }
    EXPECT_EQ(NewestGoodBackup(Backups())->events, 81);
    // The last ten made (December 1 to 10), then the last of each earlier
    // week (Sundays November 29 and 22); none of the stale ones.
    std::vector<std::optional<std::int64_t>> kept;
    for (const auto& backup : ListBackups(Backups())) kept.push_back(backup.events);
    EXPECT_EQ(kept, (std::vector<std::optional<std::int64_t>>{81, 80, 79, 78, 77, 76, 75, 74, 73, 72, 70, 63}));
}

TEST_F(BackupsTest, BackupsNamedByTheTimeAloneAreOlderThanEveryNumberedOneAndStillPruned) {
    // Twelve daily backups named the way older versions named them.
    std::filesystem::create_directories(Backups());
    for (unsigned day = 1; day <= 12; ++day) {
        AddEvent(cursor_, "day " + std::to_string(day));
        auto made = MakeBackup(Table(), Backups(), At(2026, 11, day, 8));
        char old_name[64];
        std::snprintf(old_name, sizeof old_name, "TODOLIST-202611%02u-080000.DB", day);
        std::filesystem::rename(made.file, Backups() / old_name);
    }
    // The first new one, with the clock an hour behind the last of them.
    AddEvent(cursor_, "new");
    MakeBackup(Table(), Backups(), At(2026, 11, 12, 7));
    // It, then the newest nine of the old; of the older weeks the last
    // backup, Sunday November 1; Monday and Tuesday, November 2 and 3, go.
    std::vector<std::optional<std::int64_t>> listed;
    for (const auto& backup : ListBackups(Backups())) listed.push_back(backup.events);
    EXPECT_EQ(listed, (std::vector<std::optional<std::int64_t>>{63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 51}));
    EXPECT_EQ(NewestGoodBackup(Backups())->events, 63);
    EXPECT_FALSE(ChangedSinceNewestBackup(Table(), Backups()));
}

}  // namespace
}  // namespace orbelle
