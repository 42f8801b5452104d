#pragma once
// The event table as the exchange formats see it: every record with its
// stable iCalendar UID, and the import of a whole file in one transaction.
// UIDs live in a table of their own, ICAL_UID, beside TODOLIST.
#include <cstdint>
#include <filesystem>
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

    // Adds or updates (same UID) every event in one transaction: on any
    // failure nothing is stored, and the Error is passed on.
    StoreCounts Store(const std::vector<IncomingEvent>& events);

private:
    void EnsureUidTable();
    sql::Database db_;
};

// A new UID: 128 random bits as hex, "@orbelle".
std::string NewUid();

}  // namespace orbelle
