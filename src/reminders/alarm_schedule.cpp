#include "reminders/alarm_schedule.h"

#include <algorithm>
#include <cstdlib>

#include "base/error.h"

namespace orbelle {
namespace {

// A snooze or a shown row applies only while its alarm is still one of the
// event's alarms and not dismissed: the table may have changed while the
// mode was off.
bool StillAnAlarm(const AlarmPlan& plan, std::optional<WallMs> done, const Alarm& alarm) {
    return (!done || alarm.occurrence > *done) && plan.Has(alarm);
}

}  // namespace

AlarmSchedule::AlarmSchedule(ReminderState& state) : state_(state) {}

AlarmSchedule::Entry AlarmSchedule::MakeEntry(const ReminderEvent& event) {
    Entry entry;
    entry.texts = {static_cast<std::uint32_t>(texts_.size()), static_cast<std::uint32_t>(event.subject.size()),
                   static_cast<std::uint32_t>(event.sound.size())};
    texts_ += event.subject;
    texts_ += event.sound;
    live_text_ += event.subject.size() + event.sound.size();
    std::optional<WallMs> lead;
    if (event.recurring && !event.accepted) {
        auto found = leads_.find(event.remind);
        if (found == leads_.end()) found = leads_.emplace(event.remind, LeadOfRemindText(event.remind)).first;
        lead = found->second;
    }
    entry.plan = AlarmPlan::For(event, lead);
    return entry;
}

std::string AlarmSchedule::Subject(const Entry& entry) const {
    return texts_.substr(entry.texts.at, entry.texts.subject_size);
}

std::string AlarmSchedule::Sound(const Entry& entry) const {
    return texts_.substr(entry.texts.at + entry.texts.subject_size, entry.texts.sound_size);
}

void AlarmSchedule::DropTexts(const Entry& entry) {
    live_text_ -= entry.texts.subject_size + entry.texts.sound_size;
}

void AlarmSchedule::CompactTexts(bool always) {
    if (!always && texts_.size() <= 2 * live_text_ + 64 * 1024) return;
    std::string kept;
    kept.reserve(live_text_);
    for (auto& [id, entry] : entries_) {
        std::uint32_t at = static_cast<std::uint32_t>(kept.size());
        kept.append(texts_, entry.texts.at, entry.texts.subject_size + entry.texts.sound_size);
        entry.texts.at = at;
    }
    texts_ = std::move(kept);
    live_text_ = texts_.size();
}

void AlarmSchedule::TakeState(ClockReading now, IdTable<Entry>& before,
                              ReminderChanges& changes) {
    for (const StoredAcknowledgement& done : state_.Acknowledgements()) {
        auto found = entries_.find(done.event_id);
        if (found != entries_.end()) found->second.done = ToWallMs(done.occurrence);
    }
    for (const StoredSnooze& snooze : state_.Snoozes()) {
        auto found = entries_.find(snooze.event_id);
        if (found == entries_.end()) continue;
        std::optional<Alarm> alarm = found->second.plan.AlarmOf(ToWallMs(snooze.occurrence));
        if (!alarm || !StillAnAlarm(found->second.plan, found->second.done, *alarm)) continue;
        SnoozeState taken{ToWallMs(snooze.occurrence), ToWallMs(snooze.until), std::nullopt};
        if (snooze.until_utc_ms) {
            // Read again within this run, the snooze goes on as it ran; after
            // a restart the monotonic clock has a new zero, and the snooze
            // ends at its stored real-time end.
            auto earlier = before.find(snooze.event_id);
            if (earlier != before.end() && earlier->second.snooze &&
                earlier->second.snooze->occurrence == taken.occurrence)
                taken.until_mono = earlier->second.snooze->until_mono;
            else taken.until_mono = now.mono_ms + (*snooze.until_utc_ms - now.utc_ms);
        }
        found->second.snooze = taken;
    }
    std::vector<std::int64_t> stale;
    for (const StoredShown& shown : state_.Shown()) {
        auto found = entries_.find(shown.event_id);
        if (found == entries_.end()) continue;
        Entry& entry = found->second;
        const Alarm alarm{ToWallMs(shown.occurrence), ToWallMs(shown.alarm)};
        if (entry.snooze || !StillAnAlarm(entry.plan, entry.done, alarm)) {
            // An accepted event's row, or one the event no longer has.
            if (!entry.snooze) stale.push_back(shown.event_id);
            continue;
        }
        entry.row = Row{alarm, shown.missed, shown.shown_utc_ms};
        with_row_.push_back(shown.event_id);
        changes.rows_changed = true;
    }
    try {
        state_.DropShown(stale);
    } catch (const Error&) {
        // They are passed over at every start all the same.
    }
}

ReminderChanges AlarmSchedule::Build(const std::vector<ReminderEvent>& events, ClockReading now) {
    IdTable<Entry> before;
    before.assign(entries_.release());
    texts_.clear();
    live_text_ = 0;
    heap_ = {};
    with_row_.clear();
    std::vector<IdTable<Entry>::Item> items;
    items.reserve(events.size());
    std::size_t text_size = 0;
    for (const ReminderEvent& event : events) text_size += event.subject.size() + event.sound.size();
    texts_.reserve(text_size);
    for (const ReminderEvent& event : events) items.emplace_back(event.id, MakeEntry(event));
    entries_.assign(std::move(items));
    if (entries_.size() != events.size()) CompactTexts(true);  // an id given twice
    ReminderChanges changes;
    TakeState(now, before, changes);
    before = {};
    last_check_.reset();
    highest_local_ = INT64_MIN;
    Remember(now);

    EvaluateAll(now, Watch::AfterGap, changes);
    RecordShown(changes);
    return changes;
}

ReminderChanges AlarmSchedule::Post(const ReminderEvent& event, ClockReading now) {
    ReminderChanges changes;
    Entry fresh = MakeEntry(event);
    auto found = entries_.find(event.id);
    if (found != entries_.end()) {
        Entry& old = found->second;
        if (old.row) changes.rows_changed = true;  // its subject may read differently
        if (fresh.plan == old.plan) {
            // The same alarms: what was dismissed, snoozed and shown of them stays.
            fresh.done = old.done;
            fresh.snooze = old.snooze;
            fresh.row = old.row;
        } else {
            StartAfresh(event.id, old, fresh, now);
            if (old.row && !fresh.row) std::erase(with_row_, event.id);
        }
        DropTexts(old);
        old = std::move(fresh);
    } else {
        found = entries_.insert_or_assign(event.id, std::move(fresh));
    }
    CompactTexts(false);
    Evaluate(event.id, found->second, now, Watch::AfterGap, changes);
    Schedule(event.id, found->second);
    RecordShown(changes);
    return changes;
}

void AlarmSchedule::StartAfresh(std::int64_t event_id, const Entry& old, Entry& fresh, ClockReading now) {
    // The dismissed mark, the snooze and the shown row were about the old
    // alarms. Carried over, a mark for today's 18:00 would silence a new
    // alarm at 17:15 today; dropped, a dismissed alarm before now would show
    // again. So every alarm before now counts as dismissed, except the row's
    // while it still shows the event's latest alarm.
    const WallMs effective = Effective(now);
    std::optional<Row> kept;
    if (old.row && fresh.plan.Around(effective, std::nullopt).latest == old.row->alarm) kept = *old.row;
    std::optional<WallMs> done;
    // An event that does not recur is dismissed through its accepted flag,
    // never here: its one alarm is taken as a new event's.
    if (fresh.plan.Recurs()) {
        const WallMs from = kept ? kept->alarm.moment : effective;
        if (std::optional<Alarm> before = fresh.plan.Around(from - 1, std::nullopt).latest)
            done = before->occurrence;
    }
    state_.StartAfresh(event_id, done ? std::optional<DateTime>(FromWallMs(*done)) : std::nullopt, kept.has_value());
    fresh.done = done;
    fresh.row = kept;
}

ReminderChanges AlarmSchedule::Delete(std::int64_t event_id) {
    ReminderChanges changes;
    auto found = entries_.find(event_id);
    if (found == entries_.end()) return changes;
    if (found->second.row) {
        changes.rows_changed = true;
        std::erase(with_row_, event_id);
    }
    DropTexts(found->second);
    entries_.erase(found);  // its heap items are skipped when they come up
    CompactTexts(false);
    // The event is gone whatever the state table says: a row left there for
    // its id is never read again, as ids are not reused.
    state_.Forget(event_id);
    return changes;
}

void AlarmSchedule::Remember(ClockReading now) {
    if (last_check_ && now.utc_ms < last_check_->utc_ms - kWallMinute) highest_local_ = INT64_MIN;
    highest_local_ = std::max(highest_local_, now.local);
    last_check_ = now;
}

WallMs AlarmSchedule::Effective(ClockReading now) const {
    return std::max({now.local, highest_local_, now.recent_high});
}

ReminderChanges AlarmSchedule::Check(ClockReading now) {
    ReminderChanges changes;
    if (!last_check_) {
        Remember(now);
        EvaluateAll(now, Watch::AfterGap, changes);
        RecordShown(changes);
        return changes;
    }
    const ClockReading last = *last_check_;
    bool gap = now.utc_ms - last.utc_ms > kGapMs;
    bool offset_moved = std::llabs(now.Offset() - last.Offset()) > kWallMinute;
    bool set_back = now.utc_ms < last.utc_ms - kWallMinute;
    Remember(now);
    Watch watch = gap ? Watch::AfterGap : Watch::Watching;
    if (offset_moved || set_back) {
        // Snooze ends in real time sit at other wall-clock moments now, and
        // a clock set back leaves moments that are no longer ahead.
        EvaluateAll(now, watch, changes);
        RecordShown(changes);
        return changes;
    }
    while (!heap_.empty() && heap_.top().moment <= now.local) {
        HeapItem item = heap_.top();
        heap_.pop();
        auto found = entries_.find(item.event_id);
        if (found == entries_.end() || found->second.next_moment != item.moment) continue;  // stale
        Evaluate(item.event_id, found->second, now, watch, changes);
        Schedule(item.event_id, found->second);
    }
    RecordShown(changes);
    return changes;
}

void AlarmSchedule::EvaluateAll(ClockReading now, Watch watch, ReminderChanges& changes) {
    heap_ = {};
    std::vector<HeapItem> items;
    items.reserve(entries_.size());
    for (auto& [id, entry] : entries_) {
        Evaluate(id, entry, now, watch, changes);
        if (entry.next_moment != kNever) items.push_back({entry.next_moment, id});
    }
    // A heap made from all items at once takes linear time.
    heap_ = decltype(heap_)(std::greater<>{}, std::move(items));
}

void AlarmSchedule::Schedule(std::int64_t event_id, Entry& entry) {
    if (entry.next_moment != kNever) heap_.push({entry.next_moment, event_id});
}

void AlarmSchedule::Evaluate(std::int64_t event_id, Entry& entry, ClockReading now, Watch watch,
                             ReminderChanges& changes) {
    const WallMs effective = Effective(now);
    AlarmsAround around = entry.plan.Around(effective, entry.done);
    WallMs next = around.next ? around.next->moment : kNever;

    std::optional<Alarm> showing = around.latest;
    // A snoozed alarm has rung: with the clock set back before it, it still
    // comes back when the snooze ends, not when the wall clock reaches it.
    if (entry.snooze && (!showing || showing->occurrence < entry.snooze->occurrence) &&
        !(entry.done && entry.snooze->occurrence <= *entry.done))
        if (std::optional<Alarm> snoozed = entry.plan.AlarmOf(entry.snooze->occurrence)) showing = snoozed;
    WallMs due_since = showing ? showing->moment : 0;
    if (showing && entry.snooze && entry.snooze->occurrence == showing->occurrence) {
        const SnoozeState& snooze = *entry.snooze;
        bool ended = snooze.until_mono ? now.mono_ms >= *snooze.until_mono : effective >= snooze.until_local;
        if (!ended) {
            WallMs end = snooze.until_mono ? now.local + (*snooze.until_mono - now.mono_ms) : snooze.until_local;
            next = std::min(next, end);
            showing.reset();
        } else {
            due_since = snooze.until_mono ? now.local - (now.mono_ms - *snooze.until_mono) : snooze.until_local;
        }
    }

    if (entry.row) {
        bool same = showing && showing->occurrence == entry.row->alarm.occurrence;
        // A row already shown stays when the clock went back and its alarm
        // now lies ahead: it rang, and it is not rung again.
        bool older = !showing || showing->occurrence < entry.row->alarm.occurrence;
        if (same || older) {
            entry.next_moment = next;
            return;
        }
    }

    bool had_row = entry.row.has_value();
    if (showing) {
        bool missed = watch == Watch::AfterGap && due_since + kMissedAfter <= effective;
        entry.row = Row{*showing, missed, now.utc_ms};
        // Ended, or about an earlier occurrence: RecordShown takes it from
        // the state table as well.
        entry.snooze.reset();
        changes.appeared.push_back(event_id);
        changes.rows_changed = true;
        if (!had_row) with_row_.push_back(event_id);
    } else if (had_row) {
        entry.row.reset();
        changes.rows_changed = true;
        std::erase(with_row_, event_id);
    }
    entry.next_moment = next;
}

std::optional<WallMs> AlarmSchedule::NextWakeUp() const {
    if (heap_.empty()) return std::nullopt;
    return heap_.top().moment;
}

std::int64_t AlarmSchedule::WakeDelay(ClockReading now, std::int64_t longest) const {
    std::optional<WallMs> next = NextWakeUp();
    if (!next) return longest;
    return std::clamp<std::int64_t>(*next - now.local, 0, longest);
}

std::vector<ReminderRow> AlarmSchedule::Rows() const {
    std::vector<ReminderRow> rows;
    rows.reserve(with_row_.size());
    for (std::int64_t id : with_row_) {
        const Entry& entry = entries_.find(id)->second;
        const Row& row = *entry.row;
        rows.push_back({id, Subject(entry), Sound(entry), FromWallMs(row.alarm.occurrence), FromWallMs(row.alarm.moment),
                        {row.missed, row.alarm.moment, row.appeared_utc}});
    }
    std::sort(rows.begin(), rows.end(), [](const ReminderRow& a, const ReminderRow& b) {
        if (a.lateness.alarm != b.lateness.alarm) return a.lateness.alarm < b.lateness.alarm;
        return a.event_id < b.event_id;
    });
    return rows;
}

bool AlarmSchedule::HasRow(std::int64_t event_id) const {
    auto found = entries_.find(event_id);
    return found != entries_.end() && found->second.row.has_value();
}

Dismissed AlarmSchedule::Dismiss(std::int64_t event_id, ClockReading now) {
    Dismissed dismissed;
    DismissOne(event_id, now, dismissed);
    RecordShown(dismissed.changes);
    return dismissed;
}

Dismissed AlarmSchedule::DismissAll(ClockReading now) {
    Dismissed dismissed;
    for (std::int64_t id : std::vector<std::int64_t>(with_row_)) DismissOne(id, now, dismissed);
    RecordShown(dismissed.changes);
    return dismissed;
}

void AlarmSchedule::DismissOne(std::int64_t event_id, ClockReading now, Dismissed& dismissed) {
    auto found = entries_.find(event_id);
    if (found == entries_.end() || !found->second.row) return;
    Entry& entry = found->second;
    bool recurs = entry.plan.Recurs();
    if (recurs) {
        state_.Acknowledge({event_id, FromWallMs(entry.row->alarm.occurrence)});
        entry.done = entry.row->alarm.occurrence;
    } else {
        // Accepted from here on, as the caller's post of the flag will say.
        // Until that post, the state table keeps the row as shown: should the
        // program end first, or the post fail, the row comes back at the next
        // start as it was, without ringing again. A start that finds the
        // event accepted drops it.
        entry.plan = AlarmPlan{};
        entry.done.reset();
    }
    entry.snooze.reset();
    entry.row.reset();
    std::erase(with_row_, event_id);
    dismissed.changes.rows_changed = true;
    // The next alarm may be due already (it fell due since the last check):
    // it appears now, and rings.
    Evaluate(event_id, entry, now, Watch::Watching, dismissed.changes);
    Schedule(event_id, entry);
    dismissed.dismissals.push_back({event_id, !recurs});
}

ReminderChanges AlarmSchedule::Snooze(std::int64_t event_id, SnoozeLength length, ClockReading now) {
    ReminderChanges changes;
    auto found = entries_.find(event_id);
    if (found == entries_.end() || !found->second.row) return changes;
    Entry& entry = found->second;
    SnoozeEnd end = SnoozeEndAt(length, now);
    state_.SetSnooze({event_id, FromWallMs(entry.row->alarm.occurrence), FromWallMs(end.local), end.utc_ms});
    entry.snooze = SnoozeState{entry.row->alarm.occurrence, end.local, end.mono_ms};
    entry.row.reset();
    std::erase(with_row_, event_id);
    changes.rows_changed = true;
    Evaluate(event_id, entry, now, Watch::Watching, changes);
    Schedule(event_id, entry);
    RecordShown(changes);
    return changes;
}

void AlarmSchedule::RecordShown(const ReminderChanges& changes) {
    if (changes.appeared.empty()) return;
    try {
        std::vector<StoredShown> shown;
        shown.reserve(changes.appeared.size());
        for (std::int64_t id : changes.appeared) {
            const Row& row = *entries_.find(id)->second.row;
            shown.push_back({id, FromWallMs(row.alarm.occurrence), FromWallMs(row.alarm.moment), row.missed,
                             row.appeared_utc});
        }
        state_.SetShown(shown);
    } catch (const Error&) {
        // The rows show all the same; this runs from a timer, where an error
        // box would come back with every alarm. Unrecorded, a row can ring
        // once more after a restart within its hour.
    }
}

}  // namespace orbelle
