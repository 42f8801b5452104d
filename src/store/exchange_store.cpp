#include "store/exchange_store.h"

#include <algorithm>
#include <optional>
#include <random>

#include "base/error.h"
#include "base/text.h"
#include "store/table_open.h"

namespace orbelle {
namespace {

std::string SelectAll() {
    std::string sql = "SELECT u.Uid";
    for (const FieldDef& field : kEventFields) sql += ", t." + std::string(field.name);
    return sql + " FROM TODOLIST t LEFT JOIN ICAL_UID u ON u.EventId = t.Id ORDER BY t.Id";
}

// A field keeps the type it was stored with.
FieldValue ColumnValue(const sql::Statement& statement, int column) {
    switch (statement.ColumnType(column)) {
        case sql::Statement::Type::kInteger: return std::int64_t{statement.ColumnInt(column)};
        case sql::Statement::Type::kFloat: return statement.ColumnDouble(column);
        case sql::Statement::Type::kNull: return std::monostate{};
        default: return statement.ColumnText(column);
    }
}

std::string InsertSql() {
    std::string names, marks;
    for (std::size_t i = 0; i < kEventFields.size(); ++i) {
        if (i == kIdField) continue;
        names += (names.empty() ? "" : ", ") + std::string(kEventFields[i].name);
        marks += marks.empty() ? "?" : ", ?";
    }
    return "INSERT INTO TODOLIST (" + names + ") VALUES (" + marks + ")";
}

std::string UpdateSql() {
    std::string sets;
    for (std::size_t i = 0; i < kEventFields.size(); ++i) {
        if (i == kIdField) continue;
        sets += (sets.empty() ? "" : ", ") + std::string(kEventFields[i].name) + " = ?";
    }
    return "UPDATE TODOLIST SET " + sets + " WHERE Id = ?";
}

// The record's texts are bound in place: it outlives the statement's step.
int BindFields(sql::Statement& statement, const EventRecord& record) {
    int index = 1;
    for (std::size_t i = 0; i < kEventFields.size(); ++i) {
        if (i == kIdField) continue;
        const FieldValue& value = record.values[i];
        if (auto text = std::get_if<std::string>(&value)) statement.BindTextNoCopy(index, *text);
        else if (auto number = std::get_if<std::int64_t>(&value)) statement.BindInt(index, *number);
        else if (auto days = std::get_if<double>(&value)) statement.BindDouble(index, *days);
        else statement.BindNull(index);
        ++index;
    }
    return index;
}

void VisitRows(sql::Database& db, const std::function<void(StoredEvent&)>& visit) {
    sql::Statement select(db, SelectAll());
    StoredEvent event;
    while (select.Step()) {
        FieldValue uid = ColumnValue(select, 0);
        if (auto text = std::get_if<std::string>(&uid)) event.uid = std::move(*text);
        else event.uid.clear();
        for (std::size_t i = 0; i < kEventFields.size(); ++i)
            event.record.values[i] = ColumnValue(select, static_cast<int>(i) + 1);
        event.id = select.ColumnInt(static_cast<int>(kIdField) + 1);
        visit(event);
    }
}

constexpr std::string_view kWithoutUid =
    "SELECT t.Id FROM TODOLIST t LEFT JOIN ICAL_UID u ON u.EventId = t.Id "
    "WHERE u.Uid IS NULL OR typeof(u.Uid) <> 'text' OR u.Uid = '' ORDER BY t.Id";

bool HasEventsWithoutUid(sql::Database& db) {
    sql::Statement find(db, kWithoutUid);
    return find.Step();
}

// Gives a UID to every record that has none, in the caller's transaction.
void GiveUids(sql::Database& db) {
    std::vector<std::int64_t> without;
    {
        sql::Statement find(db, kWithoutUid);
        while (find.Step()) without.push_back(find.ColumnInt(0));
    }
    sql::Statement insert(db, "INSERT INTO ICAL_UID (EventId, Uid) VALUES (?, ?)");
    for (std::int64_t id : without) {
        insert.BindInt(1, id);
        insert.BindText(2, NewUid());
        insert.Step();
        insert.Reset();
    }
}

}  // namespace

std::string NewUid() {
    static thread_local std::mt19937_64 engine{[] {
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }()};
    char text[64];
    std::snprintf(text, sizeof text, "%016llx%016llx@orbelle", static_cast<unsigned long long>(engine()),
                  static_cast<unsigned long long>(engine()));
    return text;
}

ExchangeStore::ExchangeStore(const std::filesystem::path& file) {
    try {
        std::error_code ec;
        if (!std::filesystem::exists(file, ec)) throw Error("the file does not exist");
        db_ = OpenEventTable(file, TableAccess::kWrite);
        // A whole file goes in as one transaction: room for it in memory
        // spares the engine writing pages out and back before the commit.
        db_.Exec("PRAGMA cache_size=-65536");
        EnsureUidTable();
    } catch (const Error& error) {
        db_ = {};
        throw Error("Cannot open the event table " + PathToUtf8(file) + ": " + error.what());
    }
}

void ExchangeStore::EnsureUidTable() {
    db_.Exec("CREATE TABLE IF NOT EXISTS ICAL_UID (EventId INTEGER PRIMARY KEY, Uid TEXT NOT NULL UNIQUE)");
}

std::vector<StoredEvent> ExchangeStore::LoadAll() {
    std::vector<StoredEvent> events;
    // A record is over a kilobyte: made in place, in room counted first,
    // rather than moved again each time the vector grows.
    sql::Statement count(db_, "SELECT COUNT(*) FROM TODOLIST");
    if (count.Step()) events.reserve(static_cast<std::size_t>(std::max<std::int64_t>(0, count.ColumnInt(0))));
    VisitAll([&](StoredEvent& event) { events.push_back(std::move(event)); });
    return events;
}

void ExchangeStore::VisitAll(const std::function<void(StoredEvent&)>& visit) {
    GiveMissingUids();
    VisitRows(db_, visit);
}

void ExchangeStore::GiveMissingUids() {
    if (!HasEventsWithoutUid(db_)) return;
    sql::Transaction transaction(db_);
    GiveUids(db_);
    transaction.Commit();
}

void VisitEvents(sql::Database& db, const std::function<void(StoredEvent&)>& visit) {
    GiveUids(db);
    VisitRows(db, visit);
}

StoreCounts ExchangeStore::Store(const std::vector<IncomingEvent>& events) {
    return Store(events.size(), [&](std::size_t i) -> const IncomingEvent& { return events[i]; });
}

StoreCounts ExchangeStore::Store(std::size_t count,
                                 const std::function<const IncomingEvent&(std::size_t)>& event_at) {
    StoreCounts counts;
    sql::Transaction transaction(db_);
    StoreEvents(db_, count, event_at, &counts);
    transaction.Commit();
    return counts;
}

void ExchangeStore::InTransaction(const std::function<void(sql::Database&)>& work) {
    sql::Transaction transaction(db_);
    work(db_);
    transaction.Commit();
}

EventStorer::EventStorer(sql::Database& db)
    : db_(db),
      find_(db, "SELECT u.EventId FROM ICAL_UID u JOIN TODOLIST t ON t.Id = u.EventId WHERE u.Uid = ?"),
      insert_(db, InsertSql()),
      update_(db, UpdateSql()),
      remember_(db, "INSERT INTO ICAL_UID (EventId, Uid) VALUES (?, ?)"),
      replace_(db, "INSERT OR REPLACE INTO ICAL_UID (EventId, Uid) VALUES (?, ?)") {}

std::int64_t EventStorer::Store(const IncomingEvent& event) {
    std::optional<std::int64_t> existing;
    if (!event.uid.empty()) {
        find_.BindText(1, event.uid);
        if (find_.Step()) existing = find_.ColumnInt(0);
        find_.Reset();
    }
    if (existing) {
        int next = BindFields(update_, event.record);
        update_.BindInt(next, *existing);
        update_.Step();
        update_.Reset();
        ++counts_.updated;
        return *existing;
    }
    BindFields(insert_, event.record);
    insert_.Step();
    insert_.Reset();
    std::int64_t id = db_.LastInsertId();
    ++counts_.added;
    // A UID or id that a deleted event left behind is replaced. Only then:
    // OR REPLACE makes SQLite keep a statement journal of every page the row
    // touches, for every row.
    std::string uid = event.uid.empty() ? NewUid() : event.uid;
    remember_.BindInt(1, id);
    remember_.BindTextNoCopy(2, uid);
    bool remembered = remember_.StepUnlessConstraint();
    remember_.Reset();
    if (!remembered) {
        replace_.BindInt(1, id);
        replace_.BindTextNoCopy(2, uid);
        replace_.Step();
        replace_.Reset();
    }
    return id;
}

std::vector<std::int64_t> StoreEvents(sql::Database& db, std::size_t count,
                                      const std::function<const IncomingEvent&(std::size_t)>& event_at,
                                      StoreCounts* counts) {
    std::vector<std::int64_t> ids;
    ids.reserve(count);
    EventStorer storer(db);
    for (std::size_t i = 0; i < count; ++i) ids.push_back(storer.Store(event_at(i)));
    if (counts) {
        counts->added += storer.Counts().added;
        counts->updated += storer.Counts().updated;
    }
    return ids;
}

std::vector<std::int64_t> StoreEvents(sql::Database& db, const std::vector<IncomingEvent>& events) {
    return StoreEvents(db, events.size(), [&](std::size_t i) -> const IncomingEvent& { return events[i]; });
}

void DeleteEvents(sql::Database& db, const std::vector<std::int64_t>& ids) {
    sql::Statement event(db, "DELETE FROM TODOLIST WHERE Id = ?");
    sql::Statement uid(db, "DELETE FROM ICAL_UID WHERE EventId = ?");
    for (std::int64_t id : ids) {
        event.BindInt(1, id);
        event.Step();
        event.Reset();
        uid.BindInt(1, id);
        uid.Step();
        uid.Reset();
    }
}

}  // namespace orbelle
