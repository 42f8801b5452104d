// Damaged inputs at start: each is told apart as damage or a transient
// trouble; damage with a backup is restored with the original bytes kept
// aside, a transient trouble never replaces or moves anything.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <functional>
#include <random>

#include "base/error.h"
#include "store/backups.h"
#include "store/event_cursor.h"
#include "store/table_health.h"
#include "store/table_open.h"
#include "store/table_recovery.h"
#include "store/table_seal.h"
#include "temp_folder.h"

namespace orbelle {
namespace {

DateTime At(int year, unsigned month, unsigned day, int hour = 12) {
    return DateTime::FromParts(std::chrono::year{year} / month / day, {hour, 0, 0, 0});
}

void Exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
}

class TableHealthTest : public ::testing::Test {
protected:
    void SetUp() override {
        EventCursor cursor;  // the program's own schema
        cursor.Open(Table());
        cursor.Close();
        sqlite3* db = nullptr;
        sqlite3_open(Table().string().c_str(), &db);
        Exec(db, "BEGIN");
        for (int i = 0; i < 200; ++i) {
            std::string insert = "INSERT INTO TODOLIST (Subject, Memo) VALUES ('event " + std::to_string(i) + "', '" +
                                 std::string(100 + i, 'm') + "')";
            Exec(db, insert.c_str());
        }
        Exec(db, "COMMIT");
        sqlite3_close(db);
    }
    std::filesystem::path Table() const { return folder_.Path() / "db" / "TODOLIST.DB"; }
    TempFolder folder_;
};

struct DamagedInput {
    const char* name;
    std::function<void(const std::filesystem::path& table)> make;
    TableState expected;
};

// Every mutation of a good table of 200 events.
std::vector<DamagedInput> DamagedInputs() {
    return {
        {"random bytes",
         [](const auto& table) {
             std::mt19937 random(7);
             std::string bytes(std::filesystem::file_size(table), '\0');
             for (auto& byte : bytes) byte = static_cast<char>(random());
             WriteBytes(table, bytes);
         },
         TableState::Damaged},
        {"changed header",
         [](const auto& table) {
             std::string bytes = ReadBytes(table);
             bytes.replace(0, 6, "Sqlyte");
             WriteBytes(table, bytes);
         },
         TableState::Damaged},
        {"truncated file",
         [](const auto& table) {
             std::string bytes = ReadBytes(table);
             WriteBytes(table, bytes.substr(0, bytes.size() / 2 + 100));
         },
         TableState::Damaged},
        {"smashed page",
         [](const auto& table) {
             std::string bytes = ReadBytes(table);
             bytes.replace(4096 * 3, 4096, 4096, '\xa5');
             WriteBytes(table, bytes);
         },
         TableState::Damaged},
        {"0-byte file", [](const auto& table) { WriteBytes(table, ""); }, TableState::Damaged},
        {"a database of another program",
         [](const auto& table) {
             std::filesystem::remove(table);
             sqlite3* db = nullptr;
             sqlite3_open(table.string().c_str(), &db);
             Exec(db, "CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('mine')");
             sqlite3_close(db);
         },
         TableState::Damaged},
        {"read-only file (its content is sound)",
         [](const auto& table) { std::filesystem::permissions(table, std::filesystem::perms::owner_read); },
         TableState::Sound},
        {"a folder in place of the file",
         [](const auto& table) {
             std::filesystem::remove(table);
             std::filesystem::create_directories(table / "inside");
         },
         TableState::Unavailable},
    };
}

TEST_F(TableHealthTest, SoundTableCountsItsEventsAndAMissingOneIsMissing) {
    auto health = ExamineTable(Table(), CheckDepth::Full);
    EXPECT_EQ(health.state, TableState::Sound) << health.reason;
    EXPECT_EQ(health.events, 200);
    EXPECT_EQ(ExamineTable(folder_.Path() / "db" / "NONE.DB").state, TableState::Missing);
    EXPECT_FALSE(std::filesystem::exists(folder_.Path() / "db" / "NONE.DB"));
}

TEST_F(TableHealthTest, EachDamagedInputIsJudgedAndOnlyDamageIsReplacedKeepingTheBytesAside) {
    auto backups = BackupFolderFor(Table());
    MakeBackup(Table(), backups, At(2026, 12, 9));
    std::string good = ReadBytes(Table());
    for (const auto& input : DamagedInputs()) {
        SCOPED_TRACE(input.name);
        std::filesystem::remove_all(Table());
        std::filesystem::remove_all(DamagedFolderFor(Table()));
        WriteBytes(Table(), good);
        input.make(Table());
        bool is_folder = std::filesystem::is_directory(Table());
        std::string before = is_folder ? "" : ReadBytes(Table());

        auto health = ExamineTable(Table());
        EXPECT_EQ(health.state, input.expected) << TableStateName(health.state) << ": " << health.reason;
        if (!is_folder) {
            EXPECT_EQ(ReadBytes(Table()), before) << "the check changed the file";
        }

        auto backup = NewestGoodBackup(backups);
        ASSERT_TRUE(backup);
        if (input.expected == TableState::Damaged) {
            RestoreResult result = RestoreTable(Table(), backup->file, At(2026, 12, 10));
            ASSERT_TRUE(result.moved_aside);
            EXPECT_EQ(result.moved_aside->parent_path(), DamagedFolderFor(Table()));
            EXPECT_EQ(ReadBytes(*result.moved_aside), before) << "the damaged bytes were not kept";
            EXPECT_FALSE(result.saved);
            EXPECT_EQ(result.events, 200);
            EXPECT_EQ(ExamineTable(Table()).state, TableState::Sound);
        } else if (input.expected == TableState::Unavailable) {
            EXPECT_THROW(RestoreTable(Table(), backup->file, At(2026, 12, 10)), Error);
            EXPECT_TRUE(std::filesystem::is_directory(Table()));
            EXPECT_TRUE(std::filesystem::exists(Table() / "inside"));
        }
        std::filesystem::permissions(Table(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    }
}

TEST_F(TableHealthTest, ATableLockedByAnotherProgramIsUnavailableAndUntouched) {
    std::string before = ReadBytes(Table());
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(Table().string().c_str(), &other), SQLITE_OK);
    Exec(other, "BEGIN EXCLUSIVE");
    auto health = ExamineTable(Table(), CheckDepth::Quick, std::chrono::milliseconds(50));
    EXPECT_EQ(health.state, TableState::Unavailable) << health.reason;
    // No restore over it (after the lock outlasted the usual wait).
    auto spare = folder_.Path() / "spare.DB";
    std::filesystem::copy_file(Table(), spare);
    EXPECT_THROW(RestoreTable(Table(), spare, At(2026, 12, 10)), Error);
    Exec(other, "COMMIT");
    sqlite3_close(other);
    EXPECT_EQ(ReadBytes(Table()), before);
    EXPECT_FALSE(std::filesystem::exists(DamagedFolderFor(Table())));
}

TEST_F(TableHealthTest, AHotJournalOfOurOwnTableIsRolledBackAndTheTableIsSound) {
    // A writer in the middle of a large change, its pages already spilled
    // into the file: a copy of the file and its journal then is what a
    // killed writer leaves.
    auto crashed = folder_.Path() / "crashed" / "TODOLIST.DB";
    std::filesystem::create_directories(crashed.parent_path());
    std::string committed = ReadBytes(Table());
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(Table().string().c_str(), &writer), SQLITE_OK);
    Exec(writer, "PRAGMA journal_mode=TRUNCATE; PRAGMA cache_size=2; BEGIN");
    Exec(writer, "UPDATE TODOLIST SET Memo = 'changed ' || Memo || Memo");
    std::filesystem::copy_file(Table(), crashed);
    std::filesystem::copy_file(Table().string() + "-journal", crashed.string() + "-journal");
    Exec(writer, "ROLLBACK");
    sqlite3_close(writer);
    ASSERT_NE(ReadBytes(crashed), committed) << "the change never reached the file";
    ASSERT_GT(std::filesystem::file_size(crashed.string() + "-journal"), 0u);

    auto health = ExamineTable(crashed);
    EXPECT_EQ(health.state, TableState::Sound) << health.reason;
    EXPECT_EQ(health.events, 200);
    sqlite3* db = nullptr;
    sqlite3_open(crashed.string().c_str(), &db);
    sqlite3_stmt* changed = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM TODOLIST WHERE Memo LIKE 'changed %'", -1, &changed, nullptr);
    ASSERT_EQ(sqlite3_step(changed), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(changed, 0), 0);
    sqlite3_finalize(changed);
    sqlite3_close(db);
}

// The mark of a clean close spares the table its check only while the file
// is as it was: every damaged input is still caught after one.
TEST_F(TableHealthTest, AfterACleanCloseEachDamagedInputIsStillCaught) {
    std::string good = ReadBytes(Table());
    for (const auto& input : DamagedInputs()) {
        if (input.expected != TableState::Damaged) continue;
        SCOPED_TRACE(input.name);
        std::filesystem::remove_all(Table());
        WriteBytes(Table(), good);
        SealTable(Table());
        ASSERT_TRUE(SealHolds(Table()));
        input.make(Table());
        EXPECT_FALSE(SealHolds(Table()));
        EXPECT_EQ(ExamineTable(Table()).state, TableState::Damaged);
        EXPECT_THROW(OpenEventTable(Table(), TableAccess::kWrite), sql::Failure);
    }
}

TEST_F(TableHealthTest, AnyChangeAfterACleanCloseBreaksItsMark) {
    struct Change {
        const char* name;
        std::function<void(const std::filesystem::path& table)> make;
    };
    const Change changes[] = {
        {"a post through SQLite",
         [](const auto& table) {
             sqlite3* db = nullptr;
             sqlite3_open(table.string().c_str(), &db);
             Exec(db, "UPDATE TODOLIST SET Subject = 'other' WHERE ID = 1");
             sqlite3_close(db);
         }},
        {"the same bytes written again",
         [](const auto& table) {
             std::filesystem::last_write_time(table, std::filesystem::last_write_time(table) + std::chrono::seconds(1));
         }},
        {"a journal waiting beside it", [](const auto& table) { WriteBytes(table.string() + "-journal", "hot"); }},
        {"a mark of another file", [](const auto& table) { WriteBytes(SealFile(table), "Orbelle clean close 1\n1 2 3 4 5\n"); }},
        {"a restore", [](const auto& table) {
             auto spare = table.parent_path() / "spare.DB";
             std::filesystem::copy_file(table, spare);
             RestoreTable(table, spare, At(2026, 12, 10));
         }},
    };
    std::string good = ReadBytes(Table());
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        std::filesystem::remove_all(Table().parent_path());
        std::filesystem::create_directories(Table().parent_path());
        WriteBytes(Table(), good);
        SealTable(Table());
        // Opened, read and closed, the table stays as its mark says.
        {
            EventCursor cursor;
            cursor.Open(Table());
        }
        ASSERT_TRUE(SealHolds(Table()));
        change.make(Table());
        EXPECT_FALSE(SealHolds(Table()));
    }
}

// What the mark trusts: a damaged page the file's size, time and header do
// not show opens unchecked while the mark holds, and is caught once it breaks.
TEST_F(TableHealthTest, WhileTheMarkHoldsTheCheckIsSpared) {
    SealTable(Table());
    const auto sealed_time = std::filesystem::last_write_time(Table());
    std::string bytes = ReadBytes(Table());
    bytes.replace(4096 * 3, 4096, 4096, '\xa5');
    WriteBytes(Table(), bytes);
    std::filesystem::last_write_time(Table(), sealed_time);
    ASSERT_TRUE(SealHolds(Table()));
    EXPECT_NO_THROW(OpenEventTable(Table(), TableAccess::kWrite));
    EXPECT_THROW(OpenEventTable(Table(), TableAccess::kWrite, CheckDepth::Full), sql::Failure);
    BreakSeal(Table());
    EXPECT_THROW(OpenEventTable(Table(), TableAccess::kWrite), sql::Failure);
}

TEST(TableRecovery, MovesTheTableAsideWithItsJournalAndWalNeverOverwriting) {
    TempFolder folder;
    auto table = folder.Path() / "TODOLIST.DB";
    auto aside = folder.Path() / "damaged";
    DateTime now = At(2026, 12, 10, 8);
    for (int round = 0; round < 2; ++round) {
        WriteBytes(table, "table " + std::to_string(round));
        WriteBytes(table.string() + "-journal", "journal " + std::to_string(round));
        WriteBytes(table.string() + "-wal", "wal " + std::to_string(round));
        auto moved = MoveTableAside(table, aside, now);
        EXPECT_EQ(moved.filename(), round == 0 ? "TODOLIST-20261210-080000-1.DB" : "TODOLIST-20261210-080000-2.DB");
        EXPECT_EQ(ReadBytes(moved), "table " + std::to_string(round));
        EXPECT_EQ(ReadBytes(moved.string() + "-journal"), "journal " + std::to_string(round));
        EXPECT_EQ(ReadBytes(moved.string() + "-wal"), "wal " + std::to_string(round));
        EXPECT_FALSE(std::filesystem::exists(table));
        EXPECT_FALSE(std::filesystem::exists(table.string() + "-journal"));
    }
}

}  // namespace
}  // namespace orbelle
