#pragma once
// The sync's own tables in the event table's file, beside TODOLIST and
// ICAL_UID, made on first use: per event its item on the server, per
// calendar its token, the versions that lost a conflict (kept whole until
// the user restores or drops them) and the items set aside in the last sync.
// Every call runs in the caller's transaction when one is open, so that a
// sync stores its events and these rows together or not at all.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/sqlite.h"

namespace orbelle::sync {

struct SyncItemRow {
    std::int64_t event_id = 0;
    std::string uid;
    std::string href;  // unique
    std::string etag;  // as the server sent it
    std::string local_hash;
    std::string remote_hash;
    std::string original;  // the server's text as last synced, only for an inexact item
    bool exact = true;
    std::string ack_utc;  // YYYYMMDDTHHMMSSZ, or empty
    friend bool operator==(const SyncItemRow&, const SyncItemRow&) = default;
};

struct SyncCalendarRow {
    std::string url;
    std::string token;
    std::string ctag;
    std::string last_sync;
    std::string result;
    friend bool operator==(const SyncCalendarRow&, const SyncCalendarRow&) = default;
};

struct KeptVersion {
    std::int64_t id = 0;  // given by Keep
    std::string uid;
    std::string subject;
    std::string side;  // "server" or "here": where this version came from
    std::string kept_at;
    std::string item;  // its iCalendar text, whole
    friend bool operator==(const KeptVersion&, const KeptVersion&) = default;
};

struct AsideItem {
    std::string href;
    std::string uid;
    std::string subject;
    std::string reason;
    std::string at;
    friend bool operator==(const AsideItem&, const AsideItem&) = default;
};

class SyncTables {
public:
    // Makes the tables that are missing.
    explicit SyncTables(sql::Database& db);

    std::vector<SyncItemRow> Items() const;
    // Adds the row or replaces the one of the same href.
    void PutItem(const SyncItemRow& row);
    void ForgetItem(std::string_view href);
    void ForgetItemsOfEvent(std::int64_t event_id);

    std::optional<SyncCalendarRow> Calendar(std::string_view url) const;
    void PutCalendar(const SyncCalendarRow& row);

    // Returns the id of the kept version.
    std::int64_t Keep(const KeptVersion& version);
    std::vector<KeptVersion> KeptVersions() const;
    // The version, removed from the table; nothing when there is none of that id.
    std::optional<KeptVersion> TakeKept(std::int64_t id);

    // The items set aside by the last sync, in place of those of the one before.
    void ReplaceAside(const std::vector<AsideItem>& items);
    std::vector<AsideItem> Aside() const;

    // The server's text of the event's item as last synced, when our record
    // cannot hold all of it; read on any connection, a read-only one too.
    static std::optional<std::string> InexactOriginal(sql::Database& db, std::int64_t event_id);

    // Forgets the pairing with the server (items, calendars, items set aside),
    // when sync is pointed at another calendar. The kept versions stay: they
    // are the user's.
    void ForgetAll();

private:
    sql::Database& db_;
};

}  // namespace orbelle::sync
