// Backups and restores under Windows' own file rules: a file open elsewhere
// cannot be replaced or moved, a file opened without sharing is locked and
// not damaged.
#include <windows.h>
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "base/error.h"
#include "store/backups.h"
#include "store/event_cursor.h"
#include "store/table_health.h"
#include "store/table_recovery.h"

namespace orbelle {
namespace {

DateTime Noon(unsigned day) { return DateTime::FromParts(std::chrono::year{2026} / 12 / day, {12, 0, 0, 0}); }

void Post(EventCursor& cursor, const std::string& subject) {
    cursor.Insert();
    cursor.SetFieldText("subject", subject);
    cursor.Post();
}

std::string Bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class StoreBackupWin : public ::testing::Test {
protected:
    StoreBackupWin() {
        folder_ = std::filesystem::temp_directory_path() / ("orbelle-backup-" + std::to_string(GetTickCount64()));
        cursor_.Open(Table());
        for (int i = 0; i < 30; ++i) Post(cursor_, "event " + std::to_string(i));
    }
    ~StoreBackupWin() override {
        cursor_.Close();
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    std::filesystem::path Table() const { return folder_ / "db" / "TODOLIST.DB"; }

    std::filesystem::path folder_;
    EventCursor cursor_;
};

TEST_F(StoreBackupWin, OnlineBackupThenRestoreOverTheClosedTable) {
    auto backup = MakeBackup(Table(), BackupFolderFor(Table()), Noon(9));  // the cursor stays open
    EXPECT_EQ(backup.events, 30);
    Post(cursor_, "after the backup");
    EXPECT_TRUE(ChangedSinceNewestBackup(Table(), BackupFolderFor(Table())));

    // While the cursor holds the file, Windows refuses to replace it: the
    // table stays as it was and the restore says so.
    std::string before = Bytes(Table());
    EXPECT_THROW(RestoreTable(Table(), backup.file, Noon(10)), Error);
    EXPECT_EQ(Bytes(Table()), before);

    cursor_.Close();
    auto result = RestoreTable(Table(), backup.file, Noon(11));
    EXPECT_EQ(result.events, 30);
    ASSERT_TRUE(result.saved);
    EXPECT_EQ(result.saved->events, 31);
    cursor_.Open(Table());
    Post(cursor_, "after the restore");
    EXPECT_EQ(ExamineTable(Table()).events, 31);
}

TEST_F(StoreBackupWin, AFileLockedByAnotherProgramIsNotDamage) {
    cursor_.Close();
    auto backup = MakeBackup(Table(), BackupFolderFor(Table()), Noon(9));
    std::string before = Bytes(Table());
    HANDLE other = CreateFileW(Table().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    auto health = ExamineTable(Table(), CheckDepth::Quick, std::chrono::milliseconds(100));
    EXPECT_EQ(health.state, TableState::Unavailable) << health.reason;
    EXPECT_THROW(RestoreTable(Table(), backup.file, Noon(10)), Error);
    CloseHandle(other);
    EXPECT_EQ(Bytes(Table()), before);
    EXPECT_FALSE(std::filesystem::exists(DamagedFolderFor(Table())));
    EXPECT_EQ(ExamineTable(Table()).state, TableState::Sound);
}

TEST_F(StoreBackupWin, ADamagedTableIsMovedAsideAndTheBackupPutInItsPlace) {
    cursor_.Close();
    MakeBackup(Table(), BackupFolderFor(Table()), Noon(9));
    std::string junk(std::filesystem::file_size(Table()), '\0');
    std::mt19937 random(3);
    for (auto& byte : junk) byte = static_cast<char>(random());
    std::ofstream(Table(), std::ios::binary | std::ios::trunc) << junk;

    EXPECT_EQ(ExamineTable(Table()).state, TableState::Damaged);
    auto good = NewestGoodBackup(BackupFolderFor(Table()));
    ASSERT_TRUE(good);
    auto result = RestoreTable(Table(), good->file, Noon(10));
    ASSERT_TRUE(result.moved_aside);
    EXPECT_EQ(Bytes(*result.moved_aside), junk);
    EXPECT_EQ(result.events, 30);
    cursor_.Open(Table());
}

}  // namespace
}  // namespace orbelle
