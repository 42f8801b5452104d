// Backups and restores under Windows' own file rules: a file open elsewhere
// cannot be replaced or moved, a file opened without sharing is locked and
// not damaged.
#include <windows.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>

#include "base/error.h"
#include "platform/file_replace.h"
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

// Every file under the folder with its bytes; the empty journal a closed
// connection leaves behind is no change.
std::map<std::string, std::string> Files(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::string name = entry.path().lexically_relative(folder).string();
        if (name.ends_with("-journal") && entry.file_size() == 0) continue;
        files[name] = Bytes(entry.path());
    }
    return files;
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

TEST_F(StoreBackupWin, OnlineBackupWhileTheCursorIsOpenThenRestoreOverTheClosedTable) {
    auto backup = MakeBackup(Table(), BackupFolderFor(Table()), Noon(9));  // the cursor stays open
    EXPECT_EQ(backup.events, 30);
    Post(cursor_, "after the backup");
    EXPECT_TRUE(ChangedSinceNewestBackup(Table(), BackupFolderFor(Table())));

    cursor_.Close();
    auto result = RestoreTable(Table(), backup.file, Noon(11), FileReplaceRefusal);
    EXPECT_EQ(result.events, 30);
    ASSERT_TRUE(result.saved);
    EXPECT_EQ(result.saved->events, 31);
    cursor_.Open(Table());
    Post(cursor_, "after the restore");
    EXPECT_EQ(ExamineTable(Table()).events, 31);
}

struct HeldTableCase {
    const char* name;
    bool by_another_program;  // else by a cursor of ours
    bool asked_first;         // FileReplaceRefusal given to the restore
};

TEST_F(StoreBackupWin, WhileAnotherHandleHoldsTheTableARestoreChangesNeitherItNorAnyBackup) {
    // Ten backups: the oldest, the one chosen, is the first that saving the
    // table as one more backup would prune.
    for (unsigned day = 1; day <= 10; ++day) {
        Post(cursor_, "day " + std::to_string(day));
        MakeBackup(Table(), BackupFolderFor(Table()), Noon(day));
    }
    Post(cursor_, "after every backup");
    cursor_.Close();
    const std::filesystem::path oldest = ListBackups(BackupFolderFor(Table())).back().file;
    const HeldTableCase cases[] = {
        // Without the question the rename itself fails, and what was done before it is undone.
        {"a cursor of ours, not asked first", false, false},
        {"a cursor of ours, asked first", false, true},
        {"another program without sharing deletion, not asked first", true, false},
        {"another program without sharing deletion, asked first", true, true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const auto before = Files(folder_ / "db");
        EventCursor cursor;
        HANDLE other = INVALID_HANDLE_VALUE;
        if (test.by_another_program) {
            other = CreateFileW(Table().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(other, INVALID_HANDLE_VALUE);
        } else {
            cursor.Open(Table());
        }
        EXPECT_TRUE(FileReplaceRefusal(Table()));
        EXPECT_THROW(RestoreTable(Table(), oldest, Noon(20), test.asked_first ? FileReplaceRefusal : ReplaceCheck{}),
                     Error);
        if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
        cursor.Close();
        EXPECT_EQ(Files(folder_ / "db"), before);
    }

    // Let go, the restore goes through and keeps the backup it restored.
    EXPECT_FALSE(FileReplaceRefusal(Table()));
    auto result = RestoreTable(Table(), oldest, Noon(21), FileReplaceRefusal);
    EXPECT_EQ(result.events, 31);
    EXPECT_TRUE(std::filesystem::exists(oldest));
    EXPECT_EQ(ListBackups(BackupFolderFor(Table())).front().events, 41);
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
