#include <gtest/gtest.h>
#include <sqlite3.h>

#include "base/error.h"
#include "store/event_cursor.h"
#include "store/reminder_state.h"
#include "store/sqlite.h"
#include "store/table_open.h"
#include "temp_folder.h"

namespace orbelle {
namespace {

// An event table with two records, and our tables opened beside it.
class ReminderStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        EventCursor cursor;
        cursor.Open(File());
        for (const char* subject : {"Dentist", "Rent"}) {
            cursor.Insert();
            cursor.SetFieldText("subject", subject);
            cursor.SetFieldText("accepttext", "N");
            cursor.SetFieldDateTime("starthour", DateTime(46100.375));
            cursor.Post();
        }
    }

    std::filesystem::path File() const { return folder_.Path() / "db" / "TODOLIST.DB"; }

    void Sql(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(File().string().c_str(), &db), SQLITE_OK);
        char* error = nullptr;
        int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
        std::string message = error ? error : "";
        sqlite3_free(error);
        sqlite3_close(db);
        ASSERT_EQ(rc, SQLITE_OK) << message;
    }

    // Every record of TODOLIST as text, to show it is untouched.
    std::string EventRows() const {
        EventCursor cursor;
        cursor.Open(File());
        std::string rows;
        for (cursor.First(); !cursor.Eof(); cursor.Next()) {
            for (const FieldDef& field : kEventFields) rows += cursor.FieldText(field.name) + "|";
            rows += "\n";
        }
        return rows;
    }

    TempFolder folder_;
};

TEST_F(ReminderStateTest, FirstOpenMakesTheTablesEmptyAndSaysSo) {
    std::string before = EventRows();
    ReminderState state;
    ReminderState::OpenResult opened = state.Open(File());
    EXPECT_EQ(opened.opening, ReminderState::Opening::Missing);
    EXPECT_NE(opened.message.find("was missing"), std::string::npos);
    EXPECT_TRUE(state.Persistent());
    EXPECT_TRUE(state.Snoozes().empty());
    EXPECT_TRUE(state.Acknowledgements().empty());
    EXPECT_EQ(EventRows(), before);

    ReminderState again;
    ReminderState::OpenResult reopened = again.Open(File());
    EXPECT_EQ(reopened.opening, ReminderState::Opening::Kept);
    EXPECT_EQ(reopened.message, "");
}

TEST_F(ReminderStateTest, SnoozesAndDismissalsSurviveReopeningAndDeletion) {
    {
        ReminderState state;
        state.Open(File());
        state.SetSnooze({1, DateTime(46100.5), DateTime(46100.25), 1'700'000'000'000});
        state.SetSnooze({1, DateTime(46100.5), DateTime(46101.5), std::nullopt});  // replaces
        state.SetSnooze({2, DateTime(46000.0), DateTime(46000.5), 42});
        state.Acknowledge({2, DateTime(46099.75)});  // drops event 2's snooze
        state.Acknowledge({3, DateTime(46090.0)});
        state.Forget(3);
    }
    ReminderState state;
    EXPECT_EQ(state.Open(File()).opening, ReminderState::Opening::Kept);
    std::vector<StoredSnooze> snoozes = state.Snoozes();
    ASSERT_EQ(snoozes.size(), 1u);
    EXPECT_EQ(snoozes[0].event_id, 1);
    EXPECT_EQ(snoozes[0].occurrence, DateTime(46100.5));
    EXPECT_EQ(snoozes[0].until, DateTime(46101.5));
    EXPECT_EQ(snoozes[0].until_utc_ms, std::nullopt);
    std::vector<StoredAcknowledgement> done = state.Acknowledgements();
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].event_id, 2);
    EXPECT_EQ(done[0].occurrence, DateTime(46099.75));
}

TEST_F(ReminderStateTest, ShownRowsSurviveReopeningUntilASnoozeDismissalOrChangeTakesThemAway) {
    const StoredShown one{1, DateTime(46100.5), DateTime(46100.25), false, 1'700'000'000'000};
    {
        ReminderState state;
        state.Open(File());
        state.SetSnooze({1, DateTime(46099.5), DateTime(46099.6), 7});
        state.SetShown({one,
                        {2, DateTime(46100.5), DateTime(46100.5), true, 5},
                        {3, DateTime(46101.0), DateTime(46101.0), false, 6},
                        {4, DateTime(46102.0), DateTime(46102.0), false, 8},
                        {5, DateTime(46103.0), DateTime(46103.0), false, 9}});
        state.SetSnooze({2, DateTime(46100.5), DateTime(46100.6), 7});  // the row leaves until its end
        state.Acknowledge({3, DateTime(46101.0)});                      // dismissed
        state.StartAfresh(4, DateTime(46101.5), false);                 // a new start, rule or lead
        state.StartAfresh(5, std::nullopt, true);                       // ... that keeps the row
        state.Forget(6);
    }
    ReminderState state;
    EXPECT_EQ(state.Open(File()).opening, ReminderState::Opening::Kept);
    std::vector<StoredShown> shown = state.Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].event_id, 1);
    EXPECT_EQ(shown[0].occurrence, one.occurrence);
    EXPECT_EQ(shown[0].alarm, one.alarm);
    EXPECT_FALSE(shown[0].missed);
    EXPECT_EQ(shown[0].shown_utc_ms, one.shown_utc_ms);
    EXPECT_EQ(shown[1].event_id, 5);
    // A shown row ends its event's snooze; a snooze takes its event's row.
    std::vector<StoredSnooze> snoozes = state.Snoozes();
    ASSERT_EQ(snoozes.size(), 1u);
    EXPECT_EQ(snoozes[0].event_id, 2);
    std::vector<StoredAcknowledgement> done = state.Acknowledgements();
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0].event_id, 3);
    EXPECT_EQ(done[1].event_id, 4);
    EXPECT_EQ(done[1].occurrence, DateTime(46101.5));
}

TEST_F(ReminderStateTest, AFileFromBeforeTheShownRowsKeepsItsStateAndGainsThem) {
    {
        ReminderState state;
        state.Open(File());
        state.SetSnooze({1, DateTime(46100.5), DateTime(46100.25), 5});
        state.Acknowledge({2, DateTime(46099.75)});
    }
    Sql("DROP TABLE ReminderShown");  // the layout before it
    std::string before = EventRows();

    {
        ReminderState state;
        ReminderState::OpenResult opened = state.Open(File());
        EXPECT_EQ(opened.opening, ReminderState::Opening::Kept);
        EXPECT_EQ(opened.message, "");
        EXPECT_TRUE(state.Persistent());
        ASSERT_EQ(state.Snoozes().size(), 1u);
        EXPECT_EQ(state.Snoozes()[0].until_utc_ms, 5);
        ASSERT_EQ(state.Acknowledgements().size(), 1u);
        EXPECT_EQ(state.Acknowledgements()[0].occurrence, DateTime(46099.75));
        EXPECT_TRUE(state.Shown().empty());
        state.SetShown({{3, DateTime(46100.5), DateTime(46100.5), false, 9}});
    }
    ReminderState state;
    EXPECT_EQ(state.Open(File()).opening, ReminderState::Opening::Kept);
    EXPECT_EQ(state.Shown().size(), 1u);
    EXPECT_EQ(state.Snoozes().size(), 1u);
    EXPECT_EQ(state.Acknowledgements().size(), 1u);
    EXPECT_EQ(EventRows(), before);
}

struct Damage {
    const char* name;
    const char* sql;
    ReminderState::Opening expected;
};

TEST_F(ReminderStateTest, DamagedOrNewerTablesAreMadeAnewWithOneMessageAndTodolistUntouched) {
    const Damage damages[] = {
        {"a table dropped", "DROP TABLE ReminderSnoozes", ReminderState::Opening::Damaged},
        {"a column missing",
         "DROP TABLE ReminderAcknowledged; CREATE TABLE ReminderAcknowledged (EventId INTEGER PRIMARY KEY)",
         ReminderState::Opening::Damaged},
        {"a column renamed", "ALTER TABLE ReminderSnoozes RENAME COLUMN Until TO Till",
         ReminderState::Opening::Damaged},
        {"a table that is a view",
         "DROP TABLE ReminderAcknowledged; CREATE VIEW ReminderAcknowledged AS SELECT 1 AS EventId, 2.0 AS Occurrence",
         ReminderState::Opening::Damaged},
        {"no version", "DELETE FROM ReminderStateInfo", ReminderState::Opening::Damaged},
        {"a version in words", "UPDATE ReminderStateInfo SET Value = 'one'", ReminderState::Opening::Damaged},
        {"version 0", "UPDATE ReminderStateInfo SET Value = 0", ReminderState::Opening::Damaged},
        {"a moment in words", "INSERT INTO ReminderSnoozes VALUES (9, 'soon', 2.0, NULL)",
         ReminderState::Opening::Damaged},
        {"a moment as bytes", "UPDATE ReminderAcknowledged SET Occurrence = x'00ff'", ReminderState::Opening::Damaged},
        {"a shown row's flag in words", "INSERT INTO ReminderShown VALUES (9, 1.0, 1.0, 'yes', 5)",
         ReminderState::Opening::Damaged},
        {"a shown row's flag out of range", "INSERT INTO ReminderShown VALUES (9, 1.0, 1.0, 2, 5)",
         ReminderState::Opening::Damaged},
        {"the shown rows without a column",
         "DROP TABLE ReminderShown; CREATE TABLE ReminderShown (EventId INTEGER PRIMARY KEY, Occurrence REAL)",
         ReminderState::Opening::Damaged},
        {"only the shown rows left",
         "DROP TABLE ReminderSnoozes; DROP TABLE ReminderAcknowledged; DROP TABLE ReminderStateInfo",
         ReminderState::Opening::Damaged},
        {"a newer program's", "UPDATE ReminderStateInfo SET Value = 2", ReminderState::Opening::Newer},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        {
            ReminderState state;
            state.Open(File());
            state.SetSnooze({1, DateTime(46100.5), DateTime(46100.25), 5});
            state.Acknowledge({2, DateTime(46099.75)});
        }
        std::string before = EventRows();
        Sql(damage.sql);

        ReminderState state;
        ReminderState::OpenResult opened = state.Open(File());
        EXPECT_EQ(opened.opening, damage.expected);
        EXPECT_FALSE(opened.message.empty());
        EXPECT_TRUE(state.Persistent());
        EXPECT_TRUE(state.Snoozes().empty());
        EXPECT_TRUE(state.Acknowledgements().empty());
        EXPECT_EQ(EventRows(), before);

        ReminderState again;
        EXPECT_EQ(again.Open(File()).opening, ReminderState::Opening::Kept);  // one message, not one per start
    }
}

// A broken page anywhere makes the whole file fail its check, as it does for
// the cursor: our tables are not made anew in it, nothing is written.
TEST_F(ReminderStateTest, ADamagedPageOfOurTableLeavesTheFileAsItIs) {
    {
        ReminderState state;
        state.Open(File());
        for (int id = 1; id <= 400; ++id) state.SetSnooze({id, DateTime(46100.5), DateTime(46101.0), id});
        // The root page then holds pointers to the leaves, not the rows.
    }
    // Overwrite the table's root page with noise.
    int root = 0, page_size = 0;
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(File().string().c_str(), &db), SQLITE_OK);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_schema WHERE name = 'ReminderSnoozes'", -1, &statement,
                           nullptr);
        if (sqlite3_step(statement) == SQLITE_ROW) root = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
        sqlite3_prepare_v2(db, "PRAGMA page_size", -1, &statement, nullptr);
        if (sqlite3_step(statement) == SQLITE_ROW) page_size = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
        sqlite3_close(db);
    }
    ASSERT_GT(root, 1);
    ASSERT_GT(page_size, 0);
    std::string bytes = ReadBytes(File());
    std::size_t at = static_cast<std::size_t>(root - 1) * static_cast<std::size_t>(page_size);
    ASSERT_LE(at + static_cast<std::size_t>(page_size), bytes.size());
    for (std::size_t i = 0; i < static_cast<std::size_t>(page_size); ++i) bytes[at + i] = static_cast<char>(0xA5 ^ i);
    WriteBytes(File(), bytes);

    ReminderState state;
    EXPECT_THROW(state.Open(File()), Error);
    EXPECT_EQ(ReadBytes(File()), bytes);
}

TEST_F(ReminderStateTest, AFileThatIsNoDatabaseIsReportedAndLeftAlone) {
    std::filesystem::path other = folder_.Path() / "notes.txt";
    WriteBytes(other, std::string(5000, 'x'));
    ReminderState state;
    EXPECT_THROW(state.Open(other), Error);
    EXPECT_EQ(ReadBytes(other), std::string(5000, 'x'));
}

// Another writer of the file (the calendar sync) brings dismissals made on
// other devices: a later one wins, an earlier one changes nothing, and a
// snooze or shown row of a covered occurrence goes.
TEST_F(ReminderStateTest, AcknowledgementsFromAnotherWriterKeepTheLaterAndTakeCoveredRows) {
    {
        sql::Database db = OpenEventTable(File(), TableAccess::kWrite);
        AcknowledgeUpTo(db, {{1, DateTime(46100.5)}});
        EXPECT_TRUE(AcknowledgedOccurrences(db).empty()) << "no tables of ours yet: nothing is written";
    }
    ReminderState state;
    state.Open(File());
    state.Acknowledge({1, DateTime(46100.5)});
    state.SetSnooze({2, DateTime(46101.5), DateTime(46101.6), 7});
    state.SetShown({{3, DateTime(46102.5), DateTime(46102.5), false, 5},
                    {4, DateTime(46103.5), DateTime(46103.5), false, 6}});
    {
        sql::Database db = OpenEventTable(File(), TableAccess::kWrite);
        AcknowledgeUpTo(db, {{1, DateTime(46099.5)},    // earlier than the one kept
                             {2, DateTime(46101.5)},    // covers the snoozed occurrence
                             {3, DateTime(46102.25)},   // before the shown one
                             {4, DateTime(46103.5)},    // covers the shown one
                             {5, DateTime(46104.5)}});  // a first one
        EXPECT_EQ(AcknowledgedOccurrences(db),
                  (std::map<std::int64_t, DateTime>{{1, DateTime(46100.5)}, {2, DateTime(46101.5)},
                                                    {3, DateTime(46102.25)}, {4, DateTime(46103.5)},
                                                    {5, DateTime(46104.5)}}));
    }
    // The open state takes it in when it reads again, as a new open does.
    EXPECT_EQ(state.Snoozes().size(), 1u);
    state.ReadAgain();
    ReminderState reopened;
    EXPECT_EQ(reopened.Open(File()).opening, ReminderState::Opening::Kept);
    for (const ReminderState* read : {&state, &reopened}) {
        EXPECT_EQ(read->Acknowledgements().size(), 5u);
        EXPECT_TRUE(read->Snoozes().empty());
        ASSERT_EQ(read->Shown().size(), 1u);
        EXPECT_EQ(read->Shown()[0].event_id, 3);
    }
}

}  // namespace
}  // namespace orbelle
