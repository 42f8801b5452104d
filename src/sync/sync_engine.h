#pragma once
// One sync of the chosen calendar with the event table: what changed on each
// side since the last sync goes to the other, nothing is ever dropped (the
// loser of a conflict is kept whole), and a sync that would delete most of a
// side stops before deleting anything until the user confirms.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "exchange/exchange_files.h"
#include "sync/caldav_client.h"
#include "sync/sync_decision.h"
#include "sync/sync_tables.h"

namespace orbelle::sync {

struct SyncSetup {
    Account account;
    std::string calendar_url;  // the calendar chosen among the account's
};

enum class SyncOutcome {
    kDone,
    kFailed,          // nothing or part was done; the next sync goes on from there
    kStoppedByGuard,  // nothing was deleted; confirm to go on
    kNeedsPassword,   // the server refused the user name or password
};

struct SyncReport {
    SyncOutcome outcome = SyncOutcome::kDone;
    std::string message;  // why it failed or stopped
    std::size_t up = 0;    // created or changed on the server
    std::size_t down = 0;  // created or changed here
    std::size_t deleted_here = 0;
    std::size_t deleted_there = 0;
    std::size_t conflicts = 0;  // each loser kept
    std::vector<AsideItem> set_aside;
    PlannedDeletions planned{};
    bool table_changed = false;  // the events changed here: tell every listener

    // "3 up, 1 down, 0 deleted here, 0 deleted on the server" and so on: what
    // the command line prints and the window shows.
    std::string Summary() const;
};

struct SyncRequest {
    bool deletions_confirmed = false;
    // When an event was last changed here, as "YYYYMMDDTHHMMSSZ", by event id:
    // the running program notes its own saves; a conflict goes to the side
    // changed last, and an event without a note counts as changed at the
    // last sync.
    std::map<std::int64_t, std::string> changed_here_utc;
    // The caller knows that no event changed here since the last sync that
    // completed (the running program hears every change): when the server
    // tells of no change either, the table is not read at all.
    bool unchanged_here = false;
    // Asked before anything is written to the table, again while it answers
    // false (an editor holds the event cursor).
    std::function<bool()> may_write = {};
};

SyncReport RunSync(const SyncSetup& setup, const std::filesystem::path& table, const ExchangeContext& context,
                   const SyncRequest& request = {});

// What the last sync left for the user to see: its result, the versions
// kept from conflicts and the items set aside.
struct SyncRecord {
    std::string last_sync_utc;  // empty: never synced
    std::string result;
    std::vector<KeptVersion> kept;
    std::vector<AsideItem> set_aside;
};
SyncRecord ReadSyncRecord(const std::filesystem::path& table, const std::string& calendar_url);

// Stores a kept version over the event of its UID (or as a new event), and
// forgets it: the next sync takes it to the server as a change made here.
// Throws Error when the version cannot be read or stored.
void RestoreKeptVersion(const std::filesystem::path& table, std::int64_t kept_id, const ExchangeContext& context);

// Why the editor cannot show the event whole: what of its item on the server
// our record cannot hold. Empty for an event held exactly or never synced,
// and when the table cannot be read now.
std::string WhyNotShownWhole(const std::filesystem::path& table, std::int64_t event_id, const ExchangeContext& context);

// The moment as iCalendar's UTC form.
std::string UtcStamp(DateTime utc);

}  // namespace orbelle::sync
