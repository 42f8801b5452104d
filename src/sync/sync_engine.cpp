#include "sync/sync_engine.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>

#include "base/error.h"
#include "exchange/ical_time.h"
#include "store/exchange_store.h"
#include "store/reminder_state.h"
#include "store/table_open.h"
#include "sync/content_hash.h"
#include "sync/sync_item.h"
#include "sync/sync_tables.h"

namespace orbelle::sync {
namespace {

// An event of the table as this sync sees it.
struct Here {
    std::int64_t id = 0;
    std::string uid;
    std::string subject;
    std::string hash;
    std::string text;  // kept only when it may go up
    bool accepted = false;  // its reminder dismissed
    std::optional<std::int64_t> lead_seconds;  // of a dismissed one's alarm
    // A repeating event's dismissed occurrences: the alarm of the last of
    // them, as UTC and in the UTC form.
    std::optional<DateTime> acknowledged;
    std::string acknowledged_utc;
};

// An item the server gave in this sync.
struct There {
    std::string href;
    std::string etag;
    std::string text;
    std::string hash;
    ItemReading reading;
};

// One event as both sides and the last sync know it.
struct Pair {
    std::optional<std::size_t> row;  // into the stored rows
    std::optional<std::size_t> here;
    std::optional<std::size_t> there;
    SideState here_state = SideState::kAbsent;
    SideState there_state = SideState::kAbsent;
};

bool Done(int status) { return status >= 200 && status < 300; }

std::optional<DateTime> StampTime(const std::string& stamp) {
    if (stamp.empty()) return std::nullopt;
    std::optional<ical::ParsedDateTime> parsed = ical::ParseDateTime(stamp);
    if (!parsed || !parsed->utc) return std::nullopt;
    return parsed->value;
}

// The moment an item was last changed, as its text says, in the UTC form:
// the latest LAST-MODIFIED, or DTSTAMP when none is given.
std::string ChangedThereUtc(std::string_view text) {
    std::string latest;
    for (std::string_view name : {"\nLAST-MODIFIED:", "\nDTSTAMP:"}) {
        for (std::size_t at = text.find(name); at != std::string_view::npos; at = text.find(name, at + 1)) {
            const std::string_view value = text.substr(at + name.size(), 16);
            if (value.size() == 16 && value.back() == 'Z') latest = std::max(latest, std::string(value));
        }
        if (!latest.empty()) break;
    }
    return latest;
}

// An href as a key: servers spell the same name with and without percent
// escapes ("a@b.ics" and "a%40b.ics").
std::string HrefKey(std::string_view href) {
    std::string key;
    key.reserve(href.size());
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < href.size(); ++i) {
        if (href[i] == '%' && i + 2 < href.size() && hex(href[i + 1]) >= 0 && hex(href[i + 2]) >= 0) {
            key.push_back(static_cast<char>(hex(href[i + 1]) * 16 + hex(href[i + 2])));
            i += 2;
        } else {
            key.push_back(href[i]);
        }
    }
    return key;
}

class Sync {
public:
    Sync(const SyncSetup& setup, const std::filesystem::path& table, const ExchangeContext& context,
         const SyncRequest& request)
        : setup_(setup),
          context_(context),
          request_(request),
          client_(setup.account),
          store_(table),
          now_utc_time_(context.local_zone.ToUtc(context.now_local)),
          now_utc_(UtcStamp(now_utc_time_)) {}

    SyncReport Run() {
        ReadState();
        const CalendarInfo state = client_.State(setup_.calendar_url);
        const bool server_unchanged =
            !calendar_.token.empty() && state.token == calendar_.token && state.ctag == calendar_.ctag;
        if (server_unchanged && request_.unchanged_here) return Unchanged(state);
        ReadHere();
        const bool here_changed = std::any_of(pairs_.begin(), pairs_.end(), [](const Pair& pair) {
            return pair.here_state != SideState::kUnchanged;
        });
        if (server_unchanged && !here_changed) return Unchanged(state);
        ReadThere(state);
        Decide();
        if (GuardStops(report_.planned) && !request_.deletions_confirmed) {
            report_.outcome = SyncOutcome::kStoppedByGuard;
            report_.message = GuardMessage();
            return std::move(report_);
        }
        ctag_ = state.ctag;
        try {
            WriteThere();
            if (!written_there_.empty() || !deleted_there_.empty()) TokenAfterOurWrites();
        } catch (const DavError& error) {
            // What went up is noted below; the rest goes at the next sync.
            if (error.kind == DavError::kAuth) throw;
            report_.outcome = SyncOutcome::kFailed;
            report_.message = error.what();
            token_ = calendar_.token;
            ctag_.clear();
        }
        Commit();
        return std::move(report_);
    }

private:
    SyncReport Unchanged(const CalendarInfo& state) {
        ctag_ = state.ctag;
        Commit();
        return std::move(report_);
    }

    void ReadState() {
        store_.InTransaction([&](sql::Database& db) {
            SyncTables tables(db);
            rows_ = tables.Items();
            std::optional<SyncCalendarRow> calendar = tables.Calendar(setup_.calendar_url);
            // A calendar other than the one the rows were synced with: start afresh.
            if (!calendar && !rows_.empty()) {
                rows_.clear();
                forget_all_ = true;
            }
            calendar_ = calendar.value_or(SyncCalendarRow{.url = setup_.calendar_url});
        });
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            row_of_event_[rows_[i].event_id] = i;
            row_of_href_[HrefKey(rows_[i].href)] = i;
            row_of_uid_[rows_[i].uid] = i;
        }
        token_ = calendar_.token;
    }

    void ReadHere() {
        std::vector<bool> seen(rows_.size());
        std::map<std::int64_t, DateTime> acknowledged;
        store_.InTransaction([&](sql::Database& db) { acknowledged = AcknowledgedOccurrences(db); });
        store_.VisitAll([&](StoredEvent& event) {
            Here here{.id = event.id, .uid = event.uid, .subject = event.record.Text("Subject"),
                      .accepted = event.record.Text("Accepttext") == "Y"};
            if (here.accepted) {
                const DateTime start = event.record.DateTimeOf("Date");
                if (std::optional<DateTime> alarm = AlarmOfOccurrence(event.record, start))
                    here.lead_seconds = std::llround((start.Days() - alarm->Days()) * 86'400);
            }
            if (auto occurrence = acknowledged.find(event.id); occurrence != acknowledged.end() && !here.accepted) {
                if (std::optional<DateTime> alarm = AlarmOfOccurrence(event.record, occurrence->second)) {
                    here.acknowledged = context_.local_zone.ToUtc(*alarm);
                    here.acknowledged_utc = UtcStamp(*here.acknowledged);
                }
            }
            std::string text = ItemText(event.uid, event.record, context_.local_zone,
                                        context_.local_zone.ToUtc(context_.now_local), context_.names);
            here.hash = ContentHash(text);
            Pair pair{.here = heres_.size()};
            // The same id with another UID is a new event in a deleted one's place.
            auto row = row_of_event_.find(event.id);
            if (row != row_of_event_.end() && rows_[row->second].uid != event.uid) row = row_of_event_.end();
            if (row == row_of_event_.end()) {
                pair.here_state = SideState::kNew;
            } else {
                seen[row->second] = true;
                pair.row = row->second;
                pair.here_state = here.hash == rows_[row->second].local_hash ? SideState::kUnchanged : SideState::kChanged;
                // An occurrence dismissed here since goes up as an acknowledgement.
                if (here.acknowledged_utc > rows_[row->second].ack_utc) pair.here_state = SideState::kChanged;
            }
            if (pair.here_state != SideState::kUnchanged) here.text = std::move(text);
            pair_of_uid_[here.uid] = pairs_.size();
            heres_.push_back(std::move(here));
            pairs_.push_back(pair);
        });
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            if (seen[i]) continue;
            pair_of_uid_[rows_[i].uid] = pairs_.size();
            pairs_.push_back({.row = i, .here_state = SideState::kDeleted, .there_state = SideState::kUnchanged});
        }
        for (Pair& pair : pairs_)
            if (pair.row) pair.there_state = SideState::kUnchanged;
        report_.planned.local_total = heres_.size();
    }

    // What changed on the server since the last sync, fetched whole.
    void ReadThere(const CalendarInfo& state) {
        std::vector<Member> changed;
        std::set<std::string> deleted;
        std::size_t listed = 0;
        std::optional<Changes> changes = client_.SyncCollection(setup_.calendar_url, calendar_.token);
        if (changes) {
            changed = std::move(changes->changed);
            deleted.insert(changes->deleted.begin(), changes->deleted.end());
            token_ = changes->token;
            listed = rows_.size();
            by_sync_collection_ = true;
        } else {
            // No token the server takes: the whole listing, paired by href.
            std::vector<Member> members = client_.ListAll(setup_.calendar_url);
            std::set<std::string> present;
            for (Member& member : members) present.insert(HrefKey(member.href));
            for (const SyncItemRow& row : rows_)
                if (!present.count(HrefKey(row.href))) deleted.insert(row.href);
            changed = std::move(members);
            token_ = state.token;
            listed = present.size();
        }
        // Our own writes come back with the ETag we noted: nothing to fetch.
        std::erase_if(changed, [&](const Member& member) {
            const auto row = row_of_href_.find(HrefKey(member.href));
            return row != row_of_href_.end() && !member.etag.empty() && rows_[row->second].etag == member.etag;
        });
        for (const std::string& href : deleted) {
            const auto row = row_of_href_.find(HrefKey(href));
            if (row == row_of_href_.end()) continue;
            Pair& pair = pairs_[pair_of_uid_.at(rows_[row->second].uid)];
            pair.there_state = SideState::kDeleted;
        }
        std::vector<std::string> hrefs;
        for (const Member& member : changed) hrefs.push_back(member.href);
        std::size_t new_there = 0;
        for (Fetched& fetched : client_.Multiget(setup_.calendar_url, hrefs)) {
            if (fetched.status == 404) continue;  // gone since it was listed
            if (!Done(fetched.status)) {
                SetAside(fetched.href, "", "the server did not give it (status " + std::to_string(fetched.status) + ")");
                continue;
            }
            std::string refusal;
            std::optional<ItemReading> reading =
                ReadItem(fetched.text, context_.local_zone, context_.now_local, context_.names, refusal);
            if (!reading) {
                SetAside(fetched.href, "", refusal);
                continue;
            }
            There there{.href = fetched.href, .etag = fetched.etag, .text = std::move(fetched.text)};
            there.hash = ContentHash(there.text);
            there.reading = std::move(*reading);
            if (PairThere(std::move(there))) ++new_there;
        }
        report_.planned.remote_total = listed + new_there;
    }

    // True when the item is new on the server.
    bool PairThere(There there) {
        std::optional<std::size_t> row;
        if (const auto by_href = row_of_href_.find(HrefKey(there.href)); by_href != row_of_href_.end()) row = by_href->second;
        const std::string& uid = there.reading.event.uid;
        if (!row && !uid.empty())
            if (const auto by_uid = row_of_uid_.find(uid); by_uid != row_of_uid_.end()) row = by_uid->second;
        const std::size_t index = theres_.size();
        if (row) {
            Pair& pair = pairs_[pair_of_uid_.at(rows_[*row].uid)];
            pair.there = index;
            if (pair.there_state != SideState::kDeleted)
                pair.there_state = there.hash == rows_[*row].remote_hash ? SideState::kUnchanged : SideState::kChanged;
            theres_.push_back(std::move(there));
            return false;
        }
        const auto by_uid = uid.empty() ? pair_of_uid_.end() : pair_of_uid_.find(uid);
        if (by_uid != pair_of_uid_.end() && pairs_[by_uid->second].here_state == SideState::kNew &&
            !pairs_[by_uid->second].there) {
            Pair& pair = pairs_[by_uid->second];
            pair.there = index;
            pair.there_state = SideState::kNew;
        } else {
            pairs_.push_back({.there = index, .here_state = SideState::kAbsent, .there_state = SideState::kNew});
            // Only to be stored here: its text serves no more unless our
            // events cannot hold it all (a first sync down holds thousands).
            if (there.reading.exact) std::string().swap(there.text);
        }
        theres_.push_back(std::move(there));
        return true;
    }

    bool HereChangedLast(const Pair& pair) const {
        std::string here_at = calendar_.last_sync;
        if (pair.here)
            if (const auto noted = request_.changed_here_utc.find(heres_[*pair.here].id);
                noted != request_.changed_here_utc.end())
                here_at = noted->second;
        const std::string there_at = pair.there ? ChangedThereUtc(theres_[*pair.there].text) : std::string();
        return here_at >= there_at;
    }

    void Decide() {
        actions_.resize(pairs_.size());
        for (std::size_t i = 0; i < pairs_.size(); ++i) {
            const Pair& pair = pairs_[i];
            actions_[i] = orbelle::sync::Decide(pair.here_state, pair.there_state, HereChangedLast(pair));
            if (actions_[i] == SyncAction::kDeleteLocal) ++report_.planned.delete_local;
            if (actions_[i] == SyncAction::kDeleteRemote) ++report_.planned.delete_remote;
        }
    }

    std::string GuardMessage() const {
        const PlannedDeletions& p = report_.planned;
        std::string side = p.delete_local > 0 ? std::to_string(p.delete_local) + " of " + std::to_string(p.local_total) +
                                                    " events here"
                                              : "";
        if (p.delete_remote > 0)
            side += (side.empty() ? "" : " and ") + std::to_string(p.delete_remote) + " of " +
                    std::to_string(p.remote_total) + " events on the server";
        return "The sync stopped before deleting " + side +
               ". Nothing was deleted; confirm to go on if that is what you want.";
    }

    void SetAside(std::string href, std::string subject, std::string reason) {
        report_.set_aside.push_back(
            {.href = std::move(href), .subject = std::move(subject), .reason = std::move(reason), .at = now_utc_});
    }

    // A server may derive its token from the calendar's content, so that a
    // calendar emptied by another client has the token it had before our
    // uploads: the token kept must be one taken after our own writes. It is,
    // when what changed since the token read before them is ours alone;
    // otherwise the old one stays, and the next sync sees ours by their ETags.
    // The ctag is kept only with such a token.
    void TokenAfterOurWrites() {
        ctag_.clear();
        if (!by_sync_collection_) return;
        const std::optional<Changes> after = client_.SyncCollection(setup_.calendar_url, token_);
        if (!after) return;
        for (const Member& member : after->changed) {
            const auto ours = written_there_.find(HrefKey(member.href));
            if (ours == written_there_.end() || ours->second.empty() || ours->second != member.etag) return;
        }
        for (const std::string& href : after->deleted)
            if (!deleted_there_.count(HrefKey(href))) return;
        token_ = after->token;
    }

    // The server's side of every decision, item by item: one refused item
    // is set aside and the rest goes on; a transport failure ends the writes.
    void WriteThere() {
        for (std::size_t i = 0; i < pairs_.size(); ++i) {
            Pair& pair = pairs_[i];
            switch (actions_[i]) {
            case SyncAction::kUpload: Upload(pair); break;
            case SyncAction::kCreateRemote:
            case SyncAction::kRestoreLocal: CreateThere(pair); break;
            case SyncAction::kDeleteRemote: DeleteThere(pair); break;
            case SyncAction::kConflictKeepLocal:
            case SyncAction::kConflictKeepRemote:
            case SyncAction::kPairIfSame: {
                const There& there = theres_[*pair.there];
                if (SameBothSides(pair)) {
                    // Both sides came to the same event: a write of ours whose
                    // answer was lost, or the same change made on both.
                    NoteSynced(pair, there.href, there.etag, there.text, &there.reading);
                } else if (actions_[i] == SyncAction::kPairIfSame ? HereChangedLast(pair)
                                                                   : actions_[i] == SyncAction::kConflictKeepLocal) {
                    Keep(pair, "server");
                    Upload(pair);
                } else {
                    Keep(pair, "here");
                    Download(pair);
                }
                break;
            }
            case SyncAction::kDownload:
            case SyncAction::kCreateLocal:
            case SyncAction::kRestoreRemote: Download(pair); break;
            case SyncAction::kDeleteLocal: DeleteHere(pair); break;
            case SyncAction::kForget: forget_.push_back(rows_[*pair.row].href); break;
            case SyncAction::kNothing:
                // The server rewrote the item without changing it: note its new ETag.
                if (pair.row && pair.there) {
                    SyncItemRow row = rows_[*pair.row];
                    row.etag = theres_[*pair.there].etag;
                    put_rows_.push_back(std::move(row));
                }
                break;
            }
        }
    }

    // Whether the server's item is the event here, as this program would
    // store it: a server rewrites what it stores (its own escaping, its own
    // form of a time), so the texts themselves are not compared. An
    // occurrence dismissed here must have gone up with it.
    bool SameBothSides(const Pair& pair) const {
        const Here& here = heres_[*pair.here];
        const ItemReading& reading = theres_[*pair.there].reading;
        if (!here.acknowledged_utc.empty() &&
            (!reading.acknowledged_utc || UtcStamp(*reading.acknowledged_utc) < here.acknowledged_utc))
            return false;
        return ContentHash(ItemText(here.uid, reading.event.record, context_.local_zone, now_utc_time_,
                                    context_.names)) == here.hash;
    }

    // What goes up for the event: its own text, or for an item this program
    // cannot hold whole, the server's text with our fields written into it.
    // A dismissed reminder goes up acknowledged in both forms other
    // calendars read, so that no other device rings for it again.
    std::string UploadText(const Pair& pair) const {
        const Here& here = heres_[*pair.here];
        std::string text = pair.row && !rows_[*pair.row].exact && !rows_[*pair.row].original.empty()
                               ? MergeIntoOriginal(rows_[*pair.row].original, here.text)
                               : here.text;
        if (here.accepted)
            return here.lead_seconds ? WithAcknowledgedAlarm(text, *here.lead_seconds, here.subject, now_utc_time_)
                                     : WithAcknowledgement(text, now_utc_time_);
        // Our text has no acknowledgement of a repeating event's alarms: the
        // latest one either side knows goes with it.
        const std::string known = std::max(here.acknowledged_utc, pair.row ? rows_[*pair.row].ack_utc : std::string());
        if (std::optional<DateTime> acknowledged = StampTime(known)) text = WithAcknowledgement(text, *acknowledged);
        return text;
    }

    void Upload(Pair& pair) {
        if (!pair.here) return;
        const std::string text = UploadText(pair);
        const std::string href = pair.there ? theres_[*pair.there].href : rows_[*pair.row].href;
        const std::string etag = pair.there ? theres_[*pair.there].etag : rows_[*pair.row].etag;
        const PutAnswer answer = client_.Update(href, etag, text);
        if (answer.status == 412) {
            // Changed on the server since we read it: a conflict for the next sync.
            ++report_.conflicts;
            return;
        }
        if (!Done(answer.status)) {
            SetAside(href, heres_[*pair.here].subject, "the server refused it (status " + std::to_string(answer.status) + ")");
            return;
        }
        ++report_.up;
        NoteWritten(href, answer.etag);
        NoteSynced(pair, href, answer.etag, text);
    }

    void CreateThere(Pair& pair) {
        const Here& here = heres_[*pair.here];
        const std::string text = UploadText(pair);
        std::string href;
        const PutAnswer answer = client_.Create(setup_.calendar_url, here.uid, text, href);
        if (answer.status == 412) {
            // It is there already: an earlier sync's answer was lost. Pair with
            // what the server holds; if it differs, it is a conflict.
            std::vector<Fetched> fetched = client_.Multiget(setup_.calendar_url, {href});
            if (fetched.empty() || !Done(fetched.front().status)) {
                SetAside(href, here.subject, "the server holds an item of that name it does not give");
                return;
            }
            std::string refusal;
            std::optional<ItemReading> reading = ReadItem(fetched.front().text, context_.local_zone,
                                                          context_.now_local, context_.names, refusal);
            if (!reading) {
                SetAside(href, here.subject, refusal);
                return;
            }
            pair.there = theres_.size();
            theres_.push_back({.href = href, .etag = fetched.front().etag, .text = fetched.front().text,
                               .hash = ContentHash(fetched.front().text), .reading = std::move(*reading)});
            if (SameBothSides(pair)) {
                NoteSynced(pair, href, fetched.front().etag, fetched.front().text, &theres_[*pair.there].reading);
                return;
            }
            Keep(pair, "server");
            Upload(pair);
            return;
        }
        if (!Done(answer.status)) {
            SetAside(href, here.subject, "the server refused it (status " + std::to_string(answer.status) + ")");
            return;
        }
        ++report_.up;
        NoteWritten(href, answer.etag);
        NoteSynced(pair, href, answer.etag, text);
    }

    void DeleteThere(Pair& pair) {
        const SyncItemRow& row = rows_[*pair.row];
        const int status = client_.Delete(row.href, row.etag);
        if (status == 412) {
            ++report_.conflicts;  // changed there since: it comes back at the next sync
            return;
        }
        if (!Done(status) && status != 404) {
            SetAside(row.href, "", "the server refused to delete it (status " + std::to_string(status) + ")");
            return;
        }
        ++report_.deleted_there;
        deleted_there_.insert(HrefKey(row.href));
        forget_.push_back(row.href);
    }

    void Download(const Pair& pair) {
        downloads_.push_back({*pair.there, pair.row});
        ++report_.down;
    }

    void DeleteHere(Pair& pair) {
        delete_ids_.push_back(rows_[*pair.row].event_id);
        forget_.push_back(rows_[*pair.row].href);
        ++report_.deleted_here;
    }

    // The loser of a conflict, kept whole.
    void Keep(const Pair& pair, const char* side) {
        ++report_.conflicts;
        KeptVersion kept;
        kept.side = side;
        kept.kept_at = now_utc_;
        if (std::string_view(side) == "server") {
            const There& there = theres_[*pair.there];
            kept.uid = there.reading.event.uid;
            kept.subject = there.reading.event.record.Text("Subject");
            kept.item = there.text;
        } else {
            const Here& here = heres_[*pair.here];
            kept.uid = here.uid;
            kept.subject = here.subject;
            kept.item = here.text;
        }
        kept_.push_back(std::move(kept));
    }

    void NoteWritten(const std::string& href, const std::string& etag) { written_there_[HrefKey(href)] = etag; }

    // `server`: the server's item, when it is what both sides now hold; what
    // of it our events cannot hold is then kept, as for a download.
    void NoteSynced(const Pair& pair, const std::string& href, const std::string& etag, const std::string& text,
                    const ItemReading* server = nullptr) {
        const Here& here = heres_[*pair.here];
        SyncItemRow row = pair.row ? rows_[*pair.row] : SyncItemRow{};
        // The server may spell the name otherwise than we did ("%40" for
        // "@"): the row under the old spelling goes, or it would pair a
        // second time with nothing here and delete the item there.
        if (!row.href.empty() && row.href != href) forget_.push_back(row.href);
        row.event_id = here.id;
        row.uid = here.uid;
        row.href = href;
        row.etag = etag;
        row.local_hash = here.hash;
        row.remote_hash = ContentHash(text);
        row.ack_utc = std::max(row.ack_utc, here.acknowledged_utc);
        if (!pair.row || server) row.exact = server ? server->exact : true;
        row.original = row.exact ? std::string() : text;
        put_rows_.push_back(std::move(row));
    }

    // Everything this sync changes here, in one transaction: the events, the
    // rows that pair them, what was kept and set aside, and the token.
    void Commit() {
        if (request_.may_write)
            while (!request_.may_write()) Sleep(500);
        store_.InTransaction([&](sql::Database& db) {
            SyncTables tables(db);
            if (forget_all_) tables.ForgetAll();
            std::vector<StoredAcknowledgement> acknowledgements;
            for (const auto& [there_index, row_index] : downloads_) {
                There& there = theres_[there_index];
                IncomingEvent& event = there.reading.event;
                SyncItemRow row = row_index ? rows_[*row_index] : SyncItemRow{};
                // Stored over the paired event, whatever UID the server gave.
                if (!row.uid.empty()) event.uid = row.uid;
                // Acknowledged elsewhere at or after its alarm: it does not ring
                // here. A repeating event keeps its later alarms: the
                // occurrences acknowledged count as dismissed, as if here.
                std::optional<DateTime> acknowledged_occurrence;
                if (there.reading.acknowledged_utc) {
                    const DateTime acknowledged = context_.local_zone.ToLocal(*there.reading.acknowledged_utc);
                    if (RecordRecurs(event.record)) {
                        acknowledged_occurrence = AcknowledgedOccurrence(event.record, acknowledged, context_.names);
                    } else {
                        const DateTime alarm = event.record.DateTimeOf("StartHour");
                        if (alarm.Days() != 0 && acknowledged >= alarm) event.record.SetText("Accepttext", "Y");
                    }
                    row.ack_utc = UtcStamp(*there.reading.acknowledged_utc);
                }
                if (event.uid.empty()) event.uid = NewUid();
                const std::int64_t id = StoreEvents(db, {event}).front();
                if (acknowledged_occurrence) acknowledgements.push_back({id, *acknowledged_occurrence});
                if (!row.href.empty() && row.href != there.href) tables.ForgetItem(row.href);
                row.event_id = id;
                row.uid = event.uid;
                row.href = there.href;
                row.etag = there.etag;
                row.local_hash = ContentHash(ItemText(event.uid, event.record, context_.local_zone,
                                                      context_.local_zone.ToUtc(context_.now_local), context_.names));
                row.remote_hash = there.hash;
                row.exact = there.reading.exact;
                row.original = row.exact ? std::string() : there.text;
                tables.PutItem(row);
                report_.table_changed = true;
            }
            AcknowledgeUpTo(db, acknowledgements);
            if (!delete_ids_.empty()) {
                DeleteEvents(db, delete_ids_);
                report_.table_changed = true;
            }
            for (const std::string& href : forget_) tables.ForgetItem(href);
            for (const SyncItemRow& row : put_rows_) tables.PutItem(row);
            for (const KeptVersion& kept : kept_) tables.Keep(kept);
            tables.ReplaceAside(report_.set_aside);
            SyncCalendarRow calendar = calendar_;
            calendar.url = setup_.calendar_url;
            calendar.token = token_;
            calendar.ctag = ctag_;
            calendar.last_sync = now_utc_;
            calendar.result = report_.outcome == SyncOutcome::kDone ? report_.Summary() : report_.message;
            tables.PutCalendar(calendar);
        });
    }

    const SyncSetup& setup_;
    const ExchangeContext& context_;
    const SyncRequest& request_;
    CalDavClient client_;
    ExchangeStore store_;
    DateTime now_utc_time_;
    std::string now_utc_;

    std::vector<SyncItemRow> rows_;
    SyncCalendarRow calendar_;
    std::string ctag_;
    bool by_sync_collection_ = false;
    std::unordered_map<std::string, std::string> written_there_;  // by href key: the ETag the write gave
    std::set<std::string> deleted_there_;
    bool forget_all_ = false;
    std::string token_;
    std::unordered_map<std::int64_t, std::size_t> row_of_event_;
    std::unordered_map<std::string, std::size_t> row_of_href_;
    std::unordered_map<std::string, std::size_t> row_of_uid_;
    std::unordered_map<std::string, std::size_t> pair_of_uid_;
    std::vector<Here> heres_;
    std::vector<There> theres_;
    std::vector<Pair> pairs_;
    std::vector<SyncAction> actions_;

    // Each item to store here, with its row when it had one.
    std::vector<std::pair<std::size_t, std::optional<std::size_t>>> downloads_;
    std::vector<std::int64_t> delete_ids_;
    std::vector<std::string> forget_;
    std::vector<SyncItemRow> put_rows_;
    std::vector<KeptVersion> kept_;
    SyncReport report_;
};

}  // namespace

std::string UtcStamp(DateTime utc) {
    const auto date = utc.Date();
    const auto time = utc.Time();
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02u%02uT%02d%02d%02dZ", int(date.year()), unsigned(date.month()),
                  unsigned(date.day()), time.hour, time.minute, time.second);
    return text;
}

std::string SyncReport::Summary() const {
    std::string text = std::to_string(up) + " up, " + std::to_string(down) + " down, " + std::to_string(deleted_here) +
                       " deleted here, " + std::to_string(deleted_there) + " deleted on the server";
    if (conflicts > 0) text += ", " + std::to_string(conflicts) + " in conflict (the other version kept)";
    if (!set_aside.empty()) text += ", " + std::to_string(set_aside.size()) + " set aside";
    return text;
}

SyncRecord ReadSyncRecord(const std::filesystem::path& table, const std::string& calendar_url) {
    SyncRecord record;
    ExchangeStore store(table);
    store.InTransaction([&](sql::Database& db) {
        SyncTables tables(db);
        const SyncCalendarRow calendar = tables.Calendar(calendar_url).value_or(SyncCalendarRow{});
        record.last_sync_utc = calendar.last_sync;
        record.result = calendar.result;
        record.kept = tables.KeptVersions();
        record.set_aside = tables.Aside();
    });
    return record;
}

void RestoreKeptVersion(const std::filesystem::path& table, std::int64_t kept_id, const ExchangeContext& context) {
    ExchangeStore store(table);
    store.InTransaction([&](sql::Database& db) {
        SyncTables tables(db);
        const std::optional<KeptVersion> kept = tables.TakeKept(kept_id);
        if (!kept) throw Error("That version is no longer kept.");
        std::string refusal;
        std::optional<ItemReading> reading =
            ReadItem(kept->item, context.local_zone, context.now_local, context.names, refusal);
        if (!reading) throw Error("That version cannot be read: " + refusal);
        if (reading->event.uid.empty()) reading->event.uid = kept->uid;
        StoreEvents(db, {reading->event});
    });
}

std::string WhyNotShownWhole(const std::filesystem::path& table, std::int64_t event_id, const ExchangeContext& context) {
    std::optional<std::string> original;
    try {
        sql::Database db = OpenEventTable(table, TableAccess::kRead);
        original = SyncTables::InexactOriginal(db, event_id);
    } catch (const sql::Failure&) {
        return {};
    }
    if (!original) return {};
    std::string refusal;
    std::optional<ItemReading> reading =
        ReadItem(*original, context.local_zone, context.now_local, context.names, refusal);
    return reading ? reading->why_not_exact : std::string();
}

SyncReport RunSync(const SyncSetup& setup, const std::filesystem::path& table, const ExchangeContext& context,
                   const SyncRequest& request) {
    try {
        return Sync(setup, table, context, request).Run();
    } catch (const DavError& error) {
        SyncReport report;
        report.outcome = error.kind == DavError::kAuth ? SyncOutcome::kNeedsPassword : SyncOutcome::kFailed;
        report.message = error.what();
        return report;
    } catch (const std::exception& error) {
        SyncReport report;
        report.outcome = SyncOutcome::kFailed;
        report.message = error.what();
        return report;
    }
}

}  // namespace orbelle::sync
