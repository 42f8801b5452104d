#include "store/reminder_state.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_set>

#include "base/error.h"
#include "base/text.h"
#include "store/table_open.h"

namespace orbelle {
namespace {

struct TableDef {
    std::string_view name;
    std::array<std::string_view, 5> columns;  // in order; empty ones unused
    std::string_view create;
    // A row whose values do not have the types their columns were made for.
    std::string_view bad_row;
};

constexpr std::array<TableDef, 4> kTables{{
    {"ReminderStateInfo", {"Name", "Value"},
     "CREATE TABLE ReminderStateInfo (Name TEXT PRIMARY KEY, Value INTEGER NOT NULL)", {}},
    {"ReminderSnoozes", {"EventId", "Occurrence", "Until", "UntilUtc"},
     "CREATE TABLE ReminderSnoozes (EventId INTEGER PRIMARY KEY, Occurrence REAL NOT NULL, "
     "Until REAL NOT NULL, UntilUtc INTEGER)",
     "SELECT 1 FROM ReminderSnoozes WHERE typeof(EventId) <> 'integer' OR typeof(Occurrence) <> 'real' "
     "OR typeof(Until) <> 'real' OR typeof(UntilUtc) NOT IN ('integer', 'null') LIMIT 1"},
    {"ReminderAcknowledged", {"EventId", "Occurrence"},
     "CREATE TABLE ReminderAcknowledged (EventId INTEGER PRIMARY KEY, Occurrence REAL NOT NULL)",
     "SELECT 1 FROM ReminderAcknowledged WHERE typeof(EventId) <> 'integer' OR typeof(Occurrence) <> 'real' LIMIT 1"},
    {"ReminderShown", {"EventId", "Occurrence", "Alarm", "Missed", "ShownUtc"},
     "CREATE TABLE ReminderShown (EventId INTEGER PRIMARY KEY, Occurrence REAL NOT NULL, Alarm REAL NOT NULL, "
     "Missed INTEGER NOT NULL, ShownUtc INTEGER NOT NULL)",
     "SELECT 1 FROM ReminderShown WHERE typeof(EventId) <> 'integer' OR typeof(Occurrence) <> 'real' "
     "OR typeof(Alarm) <> 'real' OR Missed NOT IN (0, 1) OR typeof(Missed) <> 'integer' "
     "OR typeof(ShownUtc) <> 'integer' LIMIT 1"},
}};

// The tables of the first layout; those after them were added later, and a
// file written before one of them was added simply lacks it.
constexpr std::size_t kFirstLayoutTables = 3;

// A flaw found while reading our tables.
struct Unsound {
    ReminderState::Opening opening;
};

bool TableExists(const sql::Database& db, std::string_view name) {
    sql::Statement find(db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?");
    find.BindText(1, name);
    return find.Step();
}

bool ColumnsMatch(const sql::Database& db, const TableDef& table) {
    sql::Statement info(db, "PRAGMA table_info(" + std::string(table.name) + ")");
    std::size_t count = 0;
    while (info.Step()) {
        if (count >= table.columns.size() || table.columns[count].empty() ||
            info.ColumnText(1) != table.columns[count])
            return false;
        ++count;
    }
    return count == table.columns.size() || table.columns[count].empty();
}

// Every value has the type its column was made for; anything else was written
// by another tool and is not guessed at.
void CheckValueTypes(const sql::Database& db, const TableDef& table) {
    if (!table.bad_row.empty() && sql::Statement(db, std::string(table.bad_row)).Step())
        throw Unsound{ReminderState::Opening::Damaged};
}

int StoredVersion(const sql::Database& db) {
    sql::Statement version(db, "SELECT Value, typeof(Value) FROM ReminderStateInfo WHERE Name = 'version'");
    if (!version.Step() || version.ColumnText(1) != "integer") throw Unsound{ReminderState::Opening::Damaged};
    std::int64_t value = version.ColumnInt(0);
    if (version.Step()) throw Unsound{ReminderState::Opening::Damaged};
    if (value > ReminderState::kVersion) throw Unsound{ReminderState::Opening::Newer};
    if (value < 1) throw Unsound{ReminderState::Opening::Damaged};
    return static_cast<int>(value);
}

// Kept when our tables are all there and sound; throws Unsound otherwise.
// A damaged page shows as an SQLite error while reading, counted as damage.
ReminderState::Opening Inspect(const sql::Database& db) {
    try {
        std::array<bool, kTables.size()> present{};
        for (std::size_t i = 0; i < kTables.size(); ++i) present[i] = TableExists(db, kTables[i].name);
        std::size_t first_layout = std::count(present.begin(), present.begin() + kFirstLayoutTables, true);
        if (std::count(present.begin(), present.end(), true) == 0) throw Unsound{ReminderState::Opening::Missing};
        if (first_layout != kFirstLayoutTables) throw Unsound{ReminderState::Opening::Damaged};
        for (std::size_t i = 0; i < kTables.size(); ++i)
            if (present[i] && !ColumnsMatch(db, kTables[i])) throw Unsound{ReminderState::Opening::Damaged};
        StoredVersion(db);
        for (std::size_t i = 0; i < kTables.size(); ++i)
            if (present[i]) CheckValueTypes(db, kTables[i]);
        return ReminderState::Opening::Kept;
    } catch (const Error&) {
        throw Unsound{ReminderState::Opening::Damaged};
    }
}

void MakeTables(sql::Database& db) {
    sql::Transaction transaction(db);
    // Whatever another tool left under our names goes, a view included.
    for (const TableDef& table : kTables) {
        sql::Statement kind(db, "SELECT type FROM sqlite_schema WHERE name = ? AND type IN ('table', 'view')");
        kind.BindText(1, table.name);
        if (!kind.Step()) continue;
        std::string drop = (kind.ColumnText(0) == "view" ? "DROP VIEW " : "DROP TABLE ") + std::string(table.name);
        kind.Reset();
        db.Exec(drop.c_str());
    }
    for (const TableDef& table : kTables) db.Exec(std::string(table.create).c_str());
    sql::Statement version(db, "INSERT INTO ReminderStateInfo (Name, Value) VALUES ('version', ?)");
    version.BindInt(1, ReminderState::kVersion);
    version.Step();
    transaction.Commit();
}

// A file from before a table was added gets it, empty; nothing is written
// when every table is there.
void AddLaterTables(sql::Database& db) {
    std::vector<const TableDef*> missing;
    for (std::size_t i = kFirstLayoutTables; i < kTables.size(); ++i)
        if (!TableExists(db, kTables[i].name)) missing.push_back(&kTables[i]);
    if (missing.empty()) return;
    sql::Transaction transaction(db);
    for (const TableDef* table : missing) db.Exec(std::string(table->create).c_str());
    transaction.Commit();
}

}  // namespace

std::string ReminderStateMessage(ReminderState::Opening opening, const std::filesystem::path& file) {
    std::string where = " in " + PathToUtf8(file);
    switch (opening) {
    case ReminderState::Opening::Kept: return {};
    case ReminderState::Opening::Missing:
        return "The record of snoozed and dismissed reminders" + where +
               " was missing. It has been made anew, empty; the events are unchanged.";
    case ReminderState::Opening::Damaged:
        return "The record of snoozed and dismissed reminders" + where +
               " was damaged. It has been made anew, empty; the events are unchanged.";
    case ReminderState::Opening::Newer:
        return "The record of snoozed and dismissed reminders" + where +
               " was written by a newer version of Orbelle. It has been made anew, empty; the events are unchanged.";
    }
    return {};
}

ReminderState::OpenResult ReminderState::Open(const std::filesystem::path& file) {
    db_ = {};
    snoozes_.clear();
    acknowledgements_.clear();
    shown_.clear();
    // Not made when missing: the cursor's open makes the file. Nothing is
    // written to a file that is no sound event table of ours.
    sql::Database db = OpenEventTable(file, TableAccess::kWrite);

    Opening opening = Opening::Kept;
    try {
        Inspect(db);
    } catch (const Unsound& unsound) {
        opening = unsound.opening;
    }

    OpenResult result{opening, ReminderStateMessage(opening, file)};
    bool writable = true;
    try {
        if (opening == Opening::Kept) AddLaterTables(db);
        else MakeTables(db);
    } catch (const Error& error) {
        const std::string unwritable = std::string("cannot be written (") + error.what() +
                                       "): snoozes and dismissals last only until Orbelle ends.";
        if (opening != Opening::Kept) {
            result.message += " It " + unwritable;
            return result;
        }
        // Sound tables from before a table was added: what they hold serves
        // this run, from memory.
        result.message = "The record of snoozed and dismissed reminders in " + PathToUtf8(file) + " " + unwritable;
        writable = false;
    }

    try {
        ReadRows(db, writable);
    } catch (const Error& error) {
        // A page that breaks only when read in full: what was read is dropped
        // rather than half kept, and the tables are made anew.
        snoozes_.clear();
        acknowledgements_.clear();
        shown_.clear();
        result = {Opening::Damaged, ReminderStateMessage(Opening::Damaged, file)};
        try {
            MakeTables(db);
        } catch (const Error& again) {
            result.message += std::string(" It cannot be written (") + again.what() +
                              "): snoozes and dismissals last only until Orbelle ends.";
            return result;
        }
    }
    if (writable) db_ = std::move(db);
    return result;
}

void ReminderState::ReadRows(const sql::Database& db, bool with_shown) {
    std::vector<StoredSnooze> snoozes;
    std::vector<StoredAcknowledgement> acknowledgements;
    std::vector<StoredShown> shown;
    sql::Statement snooze_rows(db, "SELECT EventId, Occurrence, Until, UntilUtc FROM ReminderSnoozes");
    while (snooze_rows.Step()) {
        StoredSnooze snooze{snooze_rows.ColumnInt(0), DateTime(snooze_rows.ColumnDouble(1)),
                            DateTime(snooze_rows.ColumnDouble(2)), std::nullopt};
        if (!snooze_rows.IsNull(3)) snooze.until_utc_ms = snooze_rows.ColumnInt(3);
        snoozes.push_back(snooze);
    }
    sql::Statement acknowledged(db, "SELECT EventId, Occurrence FROM ReminderAcknowledged");
    while (acknowledged.Step())
        acknowledgements.push_back({acknowledged.ColumnInt(0), DateTime(acknowledged.ColumnDouble(1))});
    if (with_shown) {
        sql::Statement shown_rows(db, "SELECT EventId, Occurrence, Alarm, Missed, ShownUtc FROM ReminderShown");
        while (shown_rows.Step())
            shown.push_back({shown_rows.ColumnInt(0), DateTime(shown_rows.ColumnDouble(1)),
                             DateTime(shown_rows.ColumnDouble(2)), shown_rows.ColumnInt(3) != 0,
                             shown_rows.ColumnInt(4)});
    }
    snoozes_ = std::move(snoozes);
    acknowledgements_ = std::move(acknowledgements);
    shown_ = std::move(shown);
}

void ReminderState::ReadAgain() {
    if (!db_) return;
    try {
        ReadRows(db_, true);
    } catch (const Error&) {
        // What was read before still serves; the next open judges the tables.
    }
}

std::vector<StoredSnooze> ReminderState::Snoozes() const { return snoozes_; }

std::vector<StoredAcknowledgement> ReminderState::Acknowledgements() const { return acknowledgements_; }

std::vector<StoredShown> ReminderState::Shown() const { return shown_; }

void ReminderState::Write(const auto& change) {
    if (!db_) return;
    sql::Transaction transaction(db_);
    change();
    transaction.Commit();
}

namespace {

// Deletes the event's row of one of our tables; `table` is one of our names.
void DeleteRow(const sql::Database& db, std::string_view table, std::int64_t event_id) {
    sql::Statement remove(db, "DELETE FROM " + std::string(table) + " WHERE EventId = ?");
    remove.BindInt(1, event_id);
    remove.Step();
}

template <typename Row>
void EraseEvent(std::vector<Row>& rows, std::int64_t event_id) {
    std::erase_if(rows, [&](const Row& row) { return row.event_id == event_id; });
}

}  // namespace

void ReminderState::SetSnooze(const StoredSnooze& snooze) {
    Write([&] {
        sql::Statement set(db_,
                           "INSERT OR REPLACE INTO ReminderSnoozes (EventId, Occurrence, Until, UntilUtc) "
                           "VALUES (?, ?, ?, ?)");
        set.BindInt(1, snooze.event_id);
        set.BindDouble(2, snooze.occurrence.Days());
        set.BindDouble(3, snooze.until.Days());
        if (snooze.until_utc_ms) set.BindInt(4, *snooze.until_utc_ms);
        else set.BindNull(4);
        set.Step();
        DeleteRow(db_, "ReminderShown", snooze.event_id);
    });
    EraseEvent(snoozes_, snooze.event_id);
    snoozes_.push_back(snooze);
    EraseEvent(shown_, snooze.event_id);
}

void ReminderState::SetShown(const std::vector<StoredShown>& rows) {
    if (rows.empty()) return;
    Write([&] {
        sql::Statement set(db_,
                           "INSERT OR REPLACE INTO ReminderShown (EventId, Occurrence, Alarm, Missed, ShownUtc) "
                           "VALUES (?, ?, ?, ?, ?)");
        for (const StoredShown& row : rows) {
            set.Reset();
            set.BindInt(1, row.event_id);
            set.BindDouble(2, row.occurrence.Days());
            set.BindDouble(3, row.alarm.Days());
            set.BindInt(4, row.missed ? 1 : 0);
            set.BindInt(5, row.shown_utc_ms);
            set.Step();
            DeleteRow(db_, "ReminderSnoozes", row.event_id);
        }
    });
    // Many rows at once after a start (every alarm missed while closed), and
    // few of their events with a row or snooze before: one look-up per row
    // among those few, not one pass over the list per row.
    std::unordered_set<std::int64_t> before;
    for (const StoredShown& row : shown_) before.insert(row.event_id);
    for (const StoredSnooze& snooze : snoozes_) before.insert(snooze.event_id);
    std::unordered_set<std::int64_t> replaced;
    for (const StoredShown& row : rows)
        if (before.contains(row.event_id)) replaced.insert(row.event_id);
    if (!replaced.empty()) {
        std::erase_if(shown_, [&](const StoredShown& row) { return replaced.contains(row.event_id); });
        std::erase_if(snoozes_, [&](const StoredSnooze& snooze) { return replaced.contains(snooze.event_id); });
    }
    shown_.insert(shown_.end(), rows.begin(), rows.end());
}

void ReminderState::Acknowledge(const StoredAcknowledgement& acknowledgement) {
    Write([&] {
        sql::Statement set(db_, "INSERT OR REPLACE INTO ReminderAcknowledged (EventId, Occurrence) VALUES (?, ?)");
        set.BindInt(1, acknowledgement.event_id);
        set.BindDouble(2, acknowledgement.occurrence.Days());
        set.Step();
        DeleteRow(db_, "ReminderSnoozes", acknowledgement.event_id);
        DeleteRow(db_, "ReminderShown", acknowledgement.event_id);
    });
    EraseEvent(acknowledgements_, acknowledgement.event_id);
    acknowledgements_.push_back(acknowledgement);
    EraseEvent(snoozes_, acknowledgement.event_id);
    EraseEvent(shown_, acknowledgement.event_id);
}

void ReminderState::StartAfresh(std::int64_t event_id, std::optional<DateTime> done, bool keep_shown) {
    Write([&] {
        if (done) {
            sql::Statement set(db_,
                               "INSERT OR REPLACE INTO ReminderAcknowledged (EventId, Occurrence) VALUES (?, ?)");
            set.BindInt(1, event_id);
            set.BindDouble(2, done->Days());
            set.Step();
        } else {
            DeleteRow(db_, "ReminderAcknowledged", event_id);
        }
        DeleteRow(db_, "ReminderSnoozes", event_id);
        if (!keep_shown) DeleteRow(db_, "ReminderShown", event_id);
    });
    EraseEvent(acknowledgements_, event_id);
    if (done) acknowledgements_.push_back({event_id, *done});
    EraseEvent(snoozes_, event_id);
    if (!keep_shown) EraseEvent(shown_, event_id);
}

void ReminderState::DropShown(const std::vector<std::int64_t>& event_ids) {
    if (event_ids.empty()) return;
    Write([&] {
        for (std::int64_t event_id : event_ids) DeleteRow(db_, "ReminderShown", event_id);
    });
    std::unordered_set<std::int64_t> dropped(event_ids.begin(), event_ids.end());
    std::erase_if(shown_, [&](const StoredShown& row) { return dropped.contains(row.event_id); });
}

void ReminderState::Forget(std::int64_t event_id) {
    Write([&] {
        for (std::string_view table : {"ReminderSnoozes", "ReminderAcknowledged", "ReminderShown"})
            DeleteRow(db_, table, event_id);
    });
    EraseEvent(snoozes_, event_id);
    EraseEvent(acknowledgements_, event_id);
    EraseEvent(shown_, event_id);
}

namespace {

bool SoundTables(const sql::Database& db) {
    try {
        return Inspect(db) == ReminderState::Opening::Kept;
    } catch (const Unsound&) {
        return false;
    }
}

}  // namespace

std::map<std::int64_t, DateTime> AcknowledgedOccurrences(const sql::Database& db) {
    std::map<std::int64_t, DateTime> acknowledged;
    if (!SoundTables(db)) return acknowledged;
    sql::Statement select(db, "SELECT EventId, Occurrence FROM ReminderAcknowledged");
    while (select.Step()) acknowledged[select.ColumnInt(0)] = DateTime(select.ColumnDouble(1));
    return acknowledged;
}

void AcknowledgeUpTo(sql::Database& db, const std::vector<StoredAcknowledgement>& acknowledgements) {
    if (acknowledgements.empty() || !SoundTables(db)) return;
    const bool has_shown = TableExists(db, "ReminderShown");
    for (const StoredAcknowledgement& done : acknowledgements) {
        sql::Statement set(db, "INSERT INTO ReminderAcknowledged (EventId, Occurrence) VALUES (?1, ?2) "
                               "ON CONFLICT (EventId) DO UPDATE SET Occurrence = max(Occurrence, ?2)");
        set.BindInt(1, done.event_id);
        set.BindDouble(2, done.occurrence.Days());
        set.Step();
        for (const char* gone : {"DELETE FROM ReminderSnoozes WHERE EventId = ? AND Occurrence <= ?",
                                 "DELETE FROM ReminderShown WHERE EventId = ? AND Occurrence <= ?"}) {
            if (!has_shown && std::string_view(gone).find("ReminderShown") != std::string_view::npos) continue;
            sql::Statement remove(db, gone);
            remove.BindInt(1, done.event_id);
            remove.BindDouble(2, done.occurrence.Days());
            remove.Step();
        }
    }
}

}  // namespace orbelle
