// Every path that reaches the event table file leaves a file that is not a
// sound table of ours byte for byte, with its -journal, -wal and -shm: the
// open at start, the examination, the reminder state, import and export,
// backups and restore, each on the three untouchable files.
#include <gtest/gtest.h>

#include <functional>

#include "base/error.h"
#include "eventlist/startup_table_load.h"
#include "exchange_fixture.h"
#include "store/backups.h"
#include "store/reminder_state.h"
#include "store/table_health.h"
#include "store/table_recovery.h"
#include "temp_folder.h"
#include "untouchable_tables.h"

namespace orbelle {
namespace {

using untouchable::FileSet;

DateTime Noon() { return DateTime::FromParts(std::chrono::year{2026} / 12 / 10, {12, 0, 0, 0}); }

struct PathCase {
    const char* name;
    // Runs the path on the table and checks that it refused; returns where
    // the table's files are afterwards: in place, or kept aside by a restore.
    std::function<std::filesystem::path(const std::filesystem::path& table)> run;
};

class UntouchableTablesTest : public ::testing::Test {
protected:
    UntouchableTablesTest() {
        // A sound backup in the table's folder, for the restore and for the
        // backup's question whether anything changed.
        auto good = folder_.Path() / "good" / "TODOLIST.DB";
        exchange_test::PostRecords(good, {{{{"subject", "backed up"}}, {}}});
        backup_ = MakeBackup(good, BackupFolderFor(Table()), Noon()).file;
        WriteBytes(folder_.Path() / "in.ics",
                   "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:a@test\r\n"
                   "DTSTAMP:20261210T120000Z\r\nDTSTART:20270105T090000Z\r\nSUMMARY:Dentist\r\nEND:VEVENT\r\n"
                   "END:VCALENDAR\r\n");
    }
    std::filesystem::path Table() const { return folder_.Path() / "db" / "TODOLIST.DB"; }

    std::vector<PathCase> Paths() const {
        const auto in = folder_.Path() / "in.ics";
        const auto out = folder_.Path() / "out";
        const auto backup = backup_;
        return {
            {"the cursor's open at start",
             [](const auto& table) {
                 EventCursor cursor;
                 EXPECT_THROW(cursor.Open(table), Error);
                 return table;
             }},
            {"the read beside the start",
             [](const auto& table) {
                 StartupTableLoad load(table);
                 EXPECT_TRUE(load.Take().failure);
                 return table;
             }},
            {"the examination",
             [](const auto& table) {
                 EXPECT_EQ(ExamineTable(table).state, TableState::Damaged);
                 return table;
             }},
            {"the full examination",
             [](const auto& table) {
                 EXPECT_EQ(ExamineTable(table, CheckDepth::Full).state, TableState::Damaged);
                 return table;
             }},
            {"the reminder state",
             [](const auto& table) {
                 ReminderState state;
                 EXPECT_THROW(state.Open(table), Error);
                 return table;
             }},
            {"import",
             [in](const auto& table) {
                 auto report = ImportICalendarFile(table, in, exchange_test::BerlinContext());
                 EXPECT_EQ(report.outcome, ImportOutcome::TableUnavailable) << report.Summary();
                 return table;
             }},
            {"export",
             [out](const auto& table) {
                 EXPECT_THROW(ExportICalendarFile(table, out, exchange_test::BerlinContext()), Error);
                 return table;
             }},
            {"CSV export",
             [out](const auto& table) {
                 EXPECT_THROW(ExportCsvFile(table, out, exchange_test::BerlinContext()), Error);
                 return table;
             }},
            {"backup",
             [](const auto& table) {
                 EXPECT_THROW(MakeBackup(table, BackupFolderFor(table), Noon()), Error);
                 return table;
             }},
            {"the automatic backup's question whether the table changed",
             [](const auto& table) {
                 EXPECT_TRUE(ChangedSinceNewestBackup(table, BackupFolderFor(table)));
                 return table;
             }},
            {"restore, which keeps the file aside",
             [backup](const auto& table) -> std::filesystem::path {
                 RestoreResult result = RestoreTable(table, backup, Noon());
                 EXPECT_EQ(result.events, 1);
                 if (!result.moved_aside) {
                     ADD_FAILURE() << "not kept aside";
                     return table;
                 }
                 return *result.moved_aside;
             }},
        };
    }

    TempFolder folder_;
    std::filesystem::path backup_;
};

TEST_F(UntouchableTablesTest, EveryPathLeavesEachFileByteForByte) {
    const auto& fixtures = untouchable::Fixtures();
    ASSERT_EQ(fixtures.size(), 3u);
    ASSERT_FALSE(fixtures[0].files.at("-wal").empty());
    ASSERT_TRUE(fixtures[0].files.contains("-shm"));
    ASSERT_FALSE(fixtures[1].files.at("-journal").empty());
    for (const auto& fixture : fixtures) {
        SCOPED_TRACE(fixture.name);
        for (const PathCase& path : Paths()) {
            SCOPED_TRACE(path.name);
            untouchable::Lay(fixture.files, Table());
            std::filesystem::path after;
            try {
                after = path.run(Table());
            } catch (const std::exception& error) {
                ADD_FAILURE() << "failed: " << error.what();
                continue;
            }
            EXPECT_TRUE(untouchable::Snapshot(after) == fixture.files) << "changed";
            std::filesystem::remove_all(DamagedFolderFor(Table()));
        }
    }
}

}  // namespace
}  // namespace orbelle
