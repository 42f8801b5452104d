#pragma once
// The event table as the exchange formats see it: every record with its
// stable iCalendar UID, and the import of a whole file in one transaction.
// UIDs live in a table of their own, ICAL_UID, beside TODOLIST.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "store/event_record.h"
#include "store/sqlite.h"

namespace orbelle {

struct StoredEvent {
    std::int64_t id = 0;
    std::string uid;
    EventRecord record;
};

struct IncomingEvent {
    std::string uid;  // empty: always a new event
    EventRecord record;
};

struct StoreCounts {
    std::size_t added = 0;
    std::size_t updated = 0;  // the UID was there already
};

class ExchangeStore {
public:
    // Opens an existing event table; throws Error("Cannot open the event
    // table ...") when the file is missing or holds no event table.
    explicit ExchangeStore(const std::filesystem::path& file);

    // Every record in Id order. Records without a UID get one, stored at once.
    std::vector<StoredEvent> LoadAll();
    // The same records handed one at a time, never all held at once: the
    // event passed is reused for the next row, and may be moved from.
    void VisitAll(const std::function<void(StoredEvent&)>& visit);

    // Adds or updates (same UID) every event in one transaction: on any
    // failure nothing is stored, and the Error is passed on.
    StoreCounts Store(const std::vector<IncomingEvent>& events);
    // The same for `count` events, the i-th given by `event_at(i)`, for a
    // caller that holds them in a form of its own.
    StoreCounts Store(std::size_t count, const std::function<const IncomingEvent&(std::size_t)>& event_at);

    // Runs `work` in one transaction over the table: on a throw nothing it
    // did is stored, and the throw is passed on. Inside, VisitEvents,
    // StoreEvents and DeleteEvents (not LoadAll, VisitAll or Store) read and
    // change the events, and tables of other rooms in the same file may be
    // written with them.
    void InTransaction(const std::function<void(sql::Database&)>& work);

private:
    void EnsureUidTable();
    // Gives a UID to every record that has none, stored at once.
    void GiveMissingUids();
    sql::Database db_;
};

// Adds or updates (same UID) events one at a time in the caller's
// transaction, each statement prepared once: StoreEvents for a caller that
// has its events one by one rather than as a list.
class EventStorer {
public:
    explicit EventStorer(sql::Database& db);
    // The id the event is stored under.
    std::int64_t Store(const IncomingEvent& event);
    const StoreCounts& Counts() const { return counts_; }

private:
    sql::Database& db_;
    sql::Statement find_;
    sql::Statement insert_;
    sql::Statement update_;
    sql::Statement remember_;
    sql::Statement replace_;
    StoreCounts counts_;
};

// VisitAll in the caller's transaction: what it reads, no other writer
// changes before the caller has written.
void VisitEvents(sql::Database& db, const std::function<void(StoredEvent&)>& visit);
// Adds or updates (same UID) each event in the caller's transaction: the id
// of each, in order, and the counts when asked for.
std::vector<std::int64_t> StoreEvents(sql::Database& db, std::size_t count,
                                      const std::function<const IncomingEvent&(std::size_t)>& event_at,
                                      StoreCounts* counts = nullptr);
std::vector<std::int64_t> StoreEvents(sql::Database& db, const std::vector<IncomingEvent>& events);
// Deletes the events and their UIDs in the caller's transaction; an id not
// in the table is passed over.
void DeleteEvents(sql::Database& db, const std::vector<std::int64_t>& ids);

// A new UID: 128 random bits as hex, "@orbelle".
std::string NewUid();

}  // namespace orbelle
