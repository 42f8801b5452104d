#include "store/reminder_state.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "base/error.h"
#include "base/text.h"
#include "store/table_open.h"

namespace orbelle {
namespace {

struct TableDef {
    std::string_view name;
    std::array<std::string_view, 4> columns;  // in order; empty ones unused
    std::string_view create;
};

constexpr std::array<TableDef, 3> kTables{{
    {"ReminderStateInfo", {"Name", "Value"},
     "CREATE TABLE ReminderStateInfo (Name TEXT PRIMARY KEY, Value INTEGER NOT NULL)"},
    {"ReminderSnoozes", {"EventId", "Occurrence", "Until", "UntilUtc"},
     "CREATE TABLE ReminderSnoozes (EventId INTEGER PRIMARY KEY, Occurrence REAL NOT NULL, "
     "Until REAL NOT NULL, UntilUtc INTEGER)"},
    {"ReminderAcknowledged", {"EventId", "Occurrence"},
     "CREATE TABLE ReminderAcknowledged (EventId INTEGER PRIMARY KEY, Occurrence REAL NOT NULL)"},
}};

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
void CheckValueTypes(const sql::Database& db) {
    constexpr const char* kBadRows[] = {
        "SELECT 1 FROM ReminderSnoozes WHERE typeof(EventId) <> 'integer' OR typeof(Occurrence) <> 'real' "
        "OR typeof(Until) <> 'real' OR typeof(UntilUtc) NOT IN ('integer', 'null') LIMIT 1",
        "SELECT 1 FROM ReminderAcknowledged WHERE typeof(EventId) <> 'integer' "
        "OR typeof(Occurrence) <> 'real' LIMIT 1",
    };
    for (const char* sql : kBadRows)
        if (sql::Statement(db, sql).Step()) throw Unsound{ReminderState::Opening::Damaged};
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
        std::size_t present = 0;
        for (const TableDef& table : kTables) present += TableExists(db, table.name) ? 1 : 0;
        if (present == 0) throw Unsound{ReminderState::Opening::Missing};
        if (present != kTables.size()) throw Unsound{ReminderState::Opening::Damaged};
        for (const TableDef& table : kTables)
            if (!ColumnsMatch(db, table)) throw Unsound{ReminderState::Opening::Damaged};
        StoredVersion(db);
        CheckValueTypes(db);
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
    if (opening != Opening::Kept) {
        try {
            MakeTables(db);
        } catch (const Error& error) {
            result.message += std::string(" It cannot be written (") + error.what() +
                              "): snoozes and dismissals last only until Orbelle ends.";
            return result;
        }
    }

    try {
        sql::Statement snoozes(db, "SELECT EventId, Occurrence, Until, UntilUtc FROM ReminderSnoozes");
        while (snoozes.Step()) {
            StoredSnooze snooze{snoozes.ColumnInt(0), DateTime(snoozes.ColumnDouble(1)),
                                DateTime(snoozes.ColumnDouble(2)), std::nullopt};
            if (!snoozes.IsNull(3)) snooze.until_utc_ms = snoozes.ColumnInt(3);
            snoozes_.push_back(snooze);
        }
        sql::Statement acknowledged(db, "SELECT EventId, Occurrence FROM ReminderAcknowledged");
        while (acknowledged.Step())
            acknowledgements_.push_back({acknowledged.ColumnInt(0), DateTime(acknowledged.ColumnDouble(1))});
    } catch (const Error& error) {
        // A page that breaks only when read in full: what was read is dropped
        // rather than half kept, and the tables are made anew.
        snoozes_.clear();
        acknowledgements_.clear();
        result = {Opening::Damaged, ReminderStateMessage(Opening::Damaged, file)};
        try {
            MakeTables(db);
        } catch (const Error& again) {
            result.message += std::string(" It cannot be written (") + again.what() +
                              "): snoozes and dismissals last only until Orbelle ends.";
            return result;
        }
    }
    db_ = std::move(db);
    return result;
}

std::vector<StoredSnooze> ReminderState::Snoozes() const { return snoozes_; }

std::vector<StoredAcknowledgement> ReminderState::Acknowledgements() const { return acknowledgements_; }

void ReminderState::Write(const auto& change) {
    if (!db_) return;
    sql::Transaction transaction(db_);
    change();
    transaction.Commit();
}

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
    });
    std::erase_if(snoozes_, [&](const StoredSnooze& s) { return s.event_id == snooze.event_id; });
    snoozes_.push_back(snooze);
}

void ReminderState::ClearSnooze(std::int64_t event_id) {
    Write([&] {
        sql::Statement clear(db_, "DELETE FROM ReminderSnoozes WHERE EventId = ?");
        clear.BindInt(1, event_id);
        clear.Step();
    });
    std::erase_if(snoozes_, [&](const StoredSnooze& s) { return s.event_id == event_id; });
}

void ReminderState::Acknowledge(const StoredAcknowledgement& acknowledgement) {
    Write([&] {
        sql::Statement set(db_, "INSERT OR REPLACE INTO ReminderAcknowledged (EventId, Occurrence) VALUES (?, ?)");
        set.BindInt(1, acknowledgement.event_id);
        set.BindDouble(2, acknowledgement.occurrence.Days());
        set.Step();
        sql::Statement clear(db_, "DELETE FROM ReminderSnoozes WHERE EventId = ?");
        clear.BindInt(1, acknowledgement.event_id);
        clear.Step();
    });
    std::erase_if(acknowledgements_, [&](const auto& a) { return a.event_id == acknowledgement.event_id; });
    acknowledgements_.push_back(acknowledgement);
    std::erase_if(snoozes_, [&](const StoredSnooze& s) { return s.event_id == acknowledgement.event_id; });
}

void ReminderState::Forget(std::int64_t event_id) {
    Write([&] {
        for (const char* sql : {"DELETE FROM ReminderSnoozes WHERE EventId = ?",
                                "DELETE FROM ReminderAcknowledged WHERE EventId = ?"}) {
            sql::Statement forget(db_, sql);
            forget.BindInt(1, event_id);
            forget.Step();
        }
    });
    std::erase_if(snoozes_, [&](const StoredSnooze& s) { return s.event_id == event_id; });
    std::erase_if(acknowledgements_, [&](const auto& a) { return a.event_id == event_id; });
}

}  // namespace orbelle
