#pragma once
// What the reminders remember beyond the event table: snoozes, the
// occurrences of repeating events the user dismissed, and the rows shown and
// not yet dismissed or snoozed. Kept in tables of their own in the event
// table's file, so that a backup of the file carries them and TODOLIST keeps
// its columns; this class never reads or writes TODOLIST.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "store/sqlite.h"

namespace orbelle {

struct StoredSnooze {
    std::int64_t event_id = 0;
    DateTime occurrence;                  // the snoozed occurrence
    DateTime until;                       // its end on the local wall clock
    std::optional<std::int64_t> until_utc_ms;  // its end in real time, when it has one
};

// Every occurrence of the event up to and including this one is dismissed.
struct StoredAcknowledgement {
    std::int64_t event_id = 0;
    DateTime occurrence;
};

// A row the Reminders window showed: after a restart it shows again as it
// was, without ringing, also when the wall clock now reads before its alarm
// (a restart in the repeated autumn hour, or after the clock was set back).
struct StoredShown {
    std::int64_t event_id = 0;
    DateTime occurrence;             // the occurrence the alarm is for
    DateTime alarm;                  // when it rang, on the wall clock
    bool missed = false;             // it fell due while nobody watched
    std::int64_t shown_utc_ms = 0;   // real time it first showed
};

class ReminderState {
public:
    // The layout this program writes; a file with a higher one came from a
    // newer program and is not read. A table added beside the others, which
    // an older program passes over, leaves the layout as it was: a file
    // without it gets it, empty, and keeps everything else.
    static constexpr int kVersion = 1;

    enum class Opening {
        Kept,      // our tables were there and sound
        Missing,   // none of them was there: made, empty
        Damaged,   // a table, column, value or page was wrong: made anew, empty
        Newer,     // written by a newer program: made anew, empty
    };
    struct OpenResult {
        Opening opening = Opening::Kept;
        // For the user, for every opening but Kept; says also when the tables
        // could not be written and the state lasts only until the program ends.
        std::string message;
    };

    ReminderState() = default;
    ReminderState(ReminderState&&) noexcept = default;
    ReminderState& operator=(ReminderState&&) noexcept = default;

    // Opens our tables in the existing event table file, making them when
    // missing and anew when damaged or newer, in one transaction that touches
    // only them. Throws Error, having written nothing, when the file is no
    // sound event table (not a database, another program's, damaged) or
    // cannot be opened now.
    // When the tables cannot be made (a read-only file, a damaged page), the
    // state lives in memory only and the message says so.
    OpenResult Open(const std::filesystem::path& file);
    bool Persistent() const { return static_cast<bool>(db_); }
    // Reads the rows again from the file, for what another writer of it
    // changed meanwhile (a sync bringing a dismissal from another device);
    // a state kept only in memory stays as it is.
    void ReadAgain();

    std::vector<StoredSnooze> Snoozes() const;
    std::vector<StoredAcknowledgement> Acknowledgements() const;
    std::vector<StoredShown> Shown() const;

    // Each change is one durable transaction. They throw Error with SQLite's
    // words when the write fails; the in-memory copy is then left as it was.
    // An event has one snooze and one shown row at most: a new one replaces
    // the old.

    // The row leaves until the snooze ends: its shown row goes.
    void SetSnooze(const StoredSnooze& snooze);
    // These rows show now, each replacing its event's shown row. A row shows
    // when its snooze has ended or no longer applies: the event's snooze goes.
    void SetShown(const std::vector<StoredShown>& rows);
    // Replaces the event's acknowledgement; its snooze and shown row go.
    void Acknowledge(const StoredAcknowledgement& acknowledgement);
    // The event's alarms start afresh (its start, rule or lead changed): the
    // occurrences up to `done` count as dismissed (none when empty), its
    // snooze goes, and so does its shown row unless it is kept.
    void StartAfresh(std::int64_t event_id, std::optional<DateTime> done, bool keep_shown);
    // A deleted event leaves nothing behind.
    void Forget(std::int64_t event_id);
    // The shown rows of these events go (rows no longer any alarm of theirs).
    void DropShown(const std::vector<std::int64_t>& event_ids);

private:
    void Write(const auto& change);
    // All or nothing: throws Error, the rows as they were, when a read fails.
    void ReadRows(const sql::Database& db, bool with_shown);

    sql::Database db_;
    // The rows as stored, read once at open; the schedule asks for them only
    // then, and the in-memory copy serves when the file cannot be written.
    std::vector<StoredSnooze> snoozes_;
    std::vector<StoredAcknowledgement> acknowledgements_;
    std::vector<StoredShown> shown_;
};

// For another writer of the file, in its own transaction (the calendar sync
// brings and takes dismissals made on other devices). Both do nothing when
// the reminders' tables are not there or not sound: the reminders were never
// on, or will make them anew.
// The acknowledged occurrence of each event that has one.
std::map<std::int64_t, DateTime> AcknowledgedOccurrences(const sql::Database& db);
// Each event's occurrences up to the one given count as dismissed, unless a
// later one already does; a snooze or shown row of one of them goes. A
// running reminder watch takes it in when it reads the events again.
void AcknowledgeUpTo(sql::Database& db, const std::vector<StoredAcknowledgement>& acknowledgements);

// The message shown for an opening, naming the file; empty for Kept.
std::string ReminderStateMessage(ReminderState::Opening opening, const std::filesystem::path& file);

}  // namespace orbelle
