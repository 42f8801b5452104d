// Opening the event table: a lock, a failed creation, files that are not
// ours, and the start-up load that opens and reads on threads of its own,
// each met on real files with the real engine.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <map>

#include "base/error.h"
#include "eventlist/startup_table_load.h"
#include "store/event_cursor.h"
#include "temp_folder.h"

namespace orbelle {
namespace {

class StoreOpenTest : public ::testing::Test {
protected:
    std::filesystem::path File() const { return folder_.Path() / "db" / "TODOLIST.DB"; }

    static std::int64_t AddEvent(EventCursor& cursor, const std::string& subject) {
        cursor.Insert();
        cursor.SetFieldText("subject", subject);
        cursor.Post();
        return std::stoll(cursor.FieldText("id"));
    }

    static std::vector<std::string> Subjects(EventCursor& cursor) {
        std::vector<std::string> subjects;
        for (cursor.First(); !cursor.Eof(); cursor.Next()) subjects.push_back(cursor.FieldText("subject"));
        return subjects;
    }

    // The file and its side files, as bytes; absent ones are left out.
    std::map<std::string, std::string> Snapshot(const std::filesystem::path& file) const {
        std::map<std::string, std::string> files;
        for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
            std::filesystem::path path = file.string() + suffix;
            if (std::filesystem::exists(path)) files[suffix] = ReadBytes(path);
        }
        return files;
    }

    // The subjects the list shows after a start-up load: its rows, or the
    // cursor's own read when the load could not give them.
    static std::vector<std::string> ShownSubjects(StartupTableLoad::Outcome& outcome) {
        std::vector<std::string> subjects;
        if (outcome.rows) {
            for (const ListRow& row : *outcome.rows) subjects.push_back(row.subject);
        } else {
            outcome.cursor.WalkFields(ListRowFields(), [&](const EventCursor::Fields& fields) {
                subjects.push_back(RowFromFields(fields, StartFormat::Added).subject);
            });
        }
        return subjects;
    }

    TempFolder folder_;
};

sqlite3* OpenRaw(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(file.string().c_str(), &db), SQLITE_OK);
    return db;
}

void Exec(sqlite3* db, const std::string& sql) {
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
}

void CopyWithSideFiles(const std::filesystem::path& from, const std::filesystem::path& to) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        std::filesystem::path source = from.string() + suffix;
        if (std::filesystem::exists(source)) WriteBytes(to.string() + suffix, ReadBytes(source));
    }
}

// Tears the 300 "committed" events of our own table.
constexpr const char* kTearOurTable = "UPDATE TODOLIST SET Subject = 'torn', Memo = printf('%0900d', Id)";

void RemoveWithSideFiles(const std::filesystem::path& file) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) std::filesystem::remove(file.string() + suffix);
}

// `file` as a copy of `source` caught in the middle of the transaction
// `tear`: a hot journal beside it.
void MakeHotJournal(const std::filesystem::path& source, const std::filesystem::path& file, const char* tear) {
    RemoveWithSideFiles(file);
    std::filesystem::create_directories(file.parent_path());
    sqlite3* db = OpenRaw(source);
    Exec(db, std::string("PRAGMA cache_size=1; BEGIN; ") + tear);
    CopyWithSideFiles(source, file);
    Exec(db, "ROLLBACK");
    sqlite3_close(db);
}

// A foreign table of 200 long rows, torn by an update.
void MakeForeignFileWithHotJournal(const std::filesystem::path& source, const std::filesystem::path& file) {
    RemoveWithSideFiles(source);
    sqlite3* db = OpenRaw(source);
    Exec(db, "CREATE TABLE notes (text TEXT)");
    Exec(db,
         "WITH RECURSIVE n(v) AS (SELECT 1 UNION ALL SELECT v + 1 FROM n WHERE v < 200) "
         "INSERT INTO notes SELECT printf('%0500d', v) FROM n");
    sqlite3_close(db);
    MakeHotJournal(source, file, "UPDATE notes SET text = upper(text) || 'x'");
}

TEST_F(StoreOpenTest, ReopenFailingOnALockKeepsTheOldConnectionWorking) {
    EventCursor cursor;
    cursor.Open(File());
    AddEvent(cursor, "first");
    auto doomed = AddEvent(cursor, "doomed");

    sqlite3* other = OpenRaw(File());
    Exec(other, "BEGIN EXCLUSIVE");
    std::string message;
    try {
        cursor.Reopen(File());
    } catch (const Error& error) {
        message = error.what();
    }
    EXPECT_NE(message.find("database is locked"), std::string::npos) << message;
    Exec(other, "COMMIT");
    sqlite3_close(other);

    // New, Modify and Delete go on as if the reopen had not been tried.
    ASSERT_TRUE(cursor.Active());
    AddEvent(cursor, "new");
    ASSERT_TRUE(cursor.SeekId(doomed));
    cursor.Delete();
    cursor.First();
    cursor.Edit();
    cursor.SetFieldText("subject", "modified");
    cursor.Post();
    EXPECT_EQ(Subjects(cursor), (std::vector<std::string>{"modified", "new"}));
    cursor.Reopen(File());  // and once free, the reopen works
    EXPECT_EQ(Subjects(cursor), (std::vector<std::string>{"modified", "new"}));
}

TEST_F(StoreOpenTest, AFailedFirstCreationLeavesNoFileBehind) {
    // The disk "fills" at once: the file appears, the table cannot be written.
    auto old_handler = signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit full = old_limit;
    full.rlim_cur = 0;
    setrlimit(RLIMIT_FSIZE, &full);
    bool failed = false;
    {
        EventCursor cursor;
        try {
            cursor.Open(File());
        } catch (const Error&) {
            failed = true;
        }
    }
    setrlimit(RLIMIT_FSIZE, &old_limit);
    signal(SIGXFSZ, old_handler);
    ASSERT_TRUE(failed);
    EXPECT_FALSE(std::filesystem::exists(File()));
    EXPECT_FALSE(std::filesystem::exists(File().string() + "-journal"));

    // The next start simply creates the table.
    EventCursor cursor;
    cursor.Open(File());
    AddEvent(cursor, "works");
    EXPECT_EQ(Subjects(cursor), (std::vector<std::string>{"works"}));
}

TEST_F(StoreOpenTest, ForeignFilesWithLogOrHotJournalStayByteForByte) {
    std::filesystem::create_directories(File().parent_path());
    auto source = folder_.Path() / "source.db";

    // A foreign file in WAL mode whose log still holds its changes.
    {
        sqlite3* db = OpenRaw(source);
        Exec(db, "PRAGMA journal_mode=WAL; CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('kept')");
        CopyWithSideFiles(source, File());
        sqlite3_close(db);
    }
    auto before = Snapshot(File());
    ASSERT_TRUE(before.contains("-wal"));
    {
        EventCursor cursor;
        EXPECT_THROW(cursor.Open(File()), Error);
    }
    EXPECT_EQ(Snapshot(File()), before);

    // A foreign file caught in the middle of a transaction: a hot journal.
    MakeForeignFileWithHotJournal(source, File());
    before = Snapshot(File());
    ASSERT_TRUE(before.contains("-journal"));
    ASSERT_FALSE(before["-journal"].empty());
    {
        EventCursor cursor;
        EXPECT_THROW(cursor.Open(File()), Error);
    }
    EXPECT_EQ(Snapshot(File()), before);
}

TEST_F(StoreOpenTest, OurTableWithAHotJournalIsRolledBack) {
    auto source = folder_.Path() / "source.db";
    {
        EventCursor cursor;
        cursor.Open(source);
        for (int i = 0; i < 300; ++i) AddEvent(cursor, "committed");
    }
    MakeHotJournal(source, File(), kTearOurTable);
    ASSERT_NE(ReadBytes(File()), ReadBytes(source));  // the copy holds half a transaction

    EventCursor cursor;
    cursor.Open(File());
    EXPECT_EQ(Subjects(cursor), std::vector<std::string>(300, "committed"));
}

TEST_F(StoreOpenTest, TheStartUpLoadGivesTheRowsAndCursorOfTheListsOwnLoad) {
    std::vector<std::string> subjects;
    {
        EventCursor cursor;
        cursor.Open(File());
        // Across several of the cursor's read-ahead batches.
        for (int i = 0; i < 1200; ++i) {
            subjects.push_back("event " + std::to_string(i));
            AddEvent(cursor, subjects.back());
        }
    }
    StartupTableLoad load(File());
    StartupTableLoad::Outcome outcome = load.Take();
    ASSERT_FALSE(outcome.failure) << *outcome.failure;
    ASSERT_TRUE(outcome.rows);
    EXPECT_EQ(ShownSubjects(outcome), subjects);
    // Where the list's own load leaves the cursor: on the last record, at the end.
    outcome.cursor.StandAtEnd();
    EXPECT_TRUE(outcome.cursor.Eof());
    EXPECT_EQ(outcome.cursor.FieldText("subject"), subjects.back());

    // A missing table is made, with nothing to read beside it.
    std::filesystem::remove_all(File().parent_path());
    StartupTableLoad fresh(File());
    StartupTableLoad::Outcome made = fresh.Take();
    ASSERT_FALSE(made.failure) << *made.failure;
    EXPECT_TRUE(std::filesystem::exists(File()));
    EXPECT_EQ(ShownSubjects(made), std::vector<std::string>{});
}

// The rows read beside the open count only while they are still the table's.
TEST_F(StoreOpenTest, ASnapshotKnowsWhenAnotherConnectionChangedTheTable) {
    EventCursor cursor;
    cursor.Open(File());
    AddEvent(cursor, "first");
    FieldSnapshot snapshot(File());
    std::vector<std::string> subjects;
    snapshot.Walk(ListRowFields(), [&](const EventCursor::Fields& fields) {
        subjects.push_back(RowFromFields(fields, StartFormat::Added).subject);
    });
    EXPECT_EQ(subjects, std::vector<std::string>{"first"});
    EXPECT_FALSE(snapshot.ChangedSinceWalk());
    EXPECT_FALSE(snapshot.ChangedSinceWalk());
    AddEvent(cursor, "second");
    EXPECT_TRUE(snapshot.ChangedSinceWalk());

    EXPECT_THROW(FieldSnapshot(folder_.Path() / "missing.DB"), Error);
}

// The read beside the open must never write: a foreign file keeps every
// byte, and our own torn transaction is rolled back before any row shows.
TEST_F(StoreOpenTest, TheStartUpLoadLeavesForeignFilesAndShowsOnlyCommittedRows) {
    auto source = folder_.Path() / "source.db";
    MakeForeignFileWithHotJournal(source, File());
    auto before = Snapshot(File());
    ASSERT_FALSE(before["-journal"].empty());
    {
        StartupTableLoad load(File());
        EXPECT_TRUE(load.Take().failure);
    }
    EXPECT_EQ(Snapshot(File()), before);

    RemoveWithSideFiles(source);
    {
        EventCursor cursor;
        cursor.Open(source);
        for (int i = 0; i < 300; ++i) AddEvent(cursor, "committed");
    }
    MakeHotJournal(source, File(), kTearOurTable);
    StartupTableLoad load(File());
    StartupTableLoad::Outcome outcome = load.Take();
    ASSERT_FALSE(outcome.failure) << *outcome.failure;
    EXPECT_EQ(ShownSubjects(outcome), std::vector<std::string>(300, "committed"));
}

}  // namespace
}  // namespace orbelle
