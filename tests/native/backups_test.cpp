// Backups made while the table is in use, listed, pruned and restored.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "base/error.h"
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
    EXPECT_EQ(entry.file, Backups() / "TODOLIST-20261210-093005.DB");
    EXPECT_EQ(entry.events, 50);
    EXPECT_EQ(entry.bytes, std::filesystem::file_size(entry.file));
    EXPECT_EQ(Subjects(entry.file), Subjects(Table()));
    EXPECT_EQ(FileNames(Backups()), std::vector<std::string>{"TODOLIST-20261210-093005.DB"});  // no temporary left
    EXPECT_FALSE(ChangedSinceNewestBackup(Table(), Backups()));

    // A second backup within the same second takes the next second's name.
    EXPECT_EQ(MakeBackup(Table(), Backups(), now).file, Backups() / "TODOLIST-20261210-093006.DB");

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
    WriteBytes(Backups() / "TODOLIST-20261203-120000.DB.tmp", "half");
    MakeBackup(Table(), Backups(), At(2026, 12, 10));
    EXPECT_EQ(FileNames(Backups()), std::vector<std::string>{"TODOLIST-20261210-120000.DB"});
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
                         "TODOLIST-20261101-080000.DB", "TODOLIST-20261108-080000.DB",
                         "TODOLIST-20261115-080000.DB", "TODOLIST-20261122-080000.DB",
                         "TODOLIST-20261123-080000.DB", "TODOLIST-20261124-080000.DB",
                         "TODOLIST-20261125-080000.DB", "TODOLIST-20261126-080000.DB",
                         "TODOLIST-20261127-080000.DB", "TODOLIST-20261128-080000.DB",
                         "TODOLIST-20261129-080000.DB", "TODOLIST-20261130-080000.DB",
                         "TODOLIST-20261201-080000.DB", "notes.txt"}));
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

    // The old backup is copied before the save prunes it away.
    RestoreResult result = RestoreTable(Table(), old.file, At(2026, 12, 20));
    EXPECT_EQ(result.events, 50);
    ASSERT_TRUE(result.saved);
    EXPECT_FALSE(result.moved_aside);
    EXPECT_EQ(Subjects(result.saved->file), before);
    EXPECT_FALSE(std::filesystem::exists(old.file));
    EXPECT_EQ(Subjects(Table()).size(), 50u);
    EXPECT_FALSE(std::filesystem::exists(Table().parent_path() / "TODOLIST-restoring.DB"));

    cursor_.Open(Table());
    AddEvent(cursor_, "after the restore");
    EXPECT_EQ(Subjects(Table()).back(), "after the restore");
}

}  // namespace
}  // namespace orbelle
