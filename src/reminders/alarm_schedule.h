#pragma once
// The alarms of every event and the rows of the Reminders window.
//
// Each event keeps in memory the next moment at which its row can change (its
// next alarm, or the end of its snooze), and a heap orders those moments, so
// a check with nothing due reads one number. The rows are a function of the
// events, the dismissals and snoozes kept in the state table, and the clock:
// for each event, its latest alarm that has rung and is not dismissed, unless
// that alarm is snoozed and the snooze runs. So an event has one row at most,
// whatever happens: repeated checks, restarts, the end of a snooze, the next
// occurrence of a repeating event (which takes over the row).
//
// Times are wall-clock local times. Every check gets the wall clock with the
// real time beside it (ClockReading), which tells apart:
// - a sleep, or a program that was not running: the real time jumped ahead;
//   what rang in between shows marked missed;
// - a daylight-saving or time zone change: the offset moved; alarms are
//   taken again at the new offset. When the clocks go back, the hour already
//   lived is not lived again: until the wall clock passes its highest reading,
//   nothing in that hour rings twice. The reading's recent_high says so also
//   to a program that started, or a computer that woke, in the repeated
//   hour: what fell due in the hour's first pass shows at once, missed;
// - a clock set back by the user: the real time went back; alarms are
//   taken again at the new time, and nothing rings twice that is already
//   shown.
// The rows shown are kept in the state table too, so that a restart, in the
// repeated hour or after the clock was set back, shows them again as they
// were and rings none of them twice. Snoozes of minutes and hours run on the
// monotonic clock, which nobody sets.
#include <cstdint>
#include <optional>
#include <queue>
#include <string>
#include <unordered_map>
#include <vector>

#include "reminders/alarm_plan.h"
#include "reminders/boxed.h"
#include "reminders/id_table.h"
#include "reminders/lateness_text.h"
#include "reminders/reminder_event.h"
#include "reminders/snooze_length.h"
#include "reminders/wall_clock.h"
#include "store/reminder_state.h"

namespace orbelle {

struct ReminderRow {
    std::int64_t event_id = 0;
    std::string subject;
    std::string sound;
    DateTime occurrence;  // the occurrence (or start) the alarm is for
    DateTime alarm;       // when it rang, on the wall clock
    Lateness lateness;    // for LatenessText
};

// What a schedule call changed in the rows.
struct ReminderChanges {
    // Rows that showed for the first time, or that show a new occurrence or
    // the end of a snooze: each plays its event's sound once and brings the
    // window up.
    std::vector<std::int64_t> appeared;
    // Any row came, went or changed: the window redraws its list.
    bool rows_changed = false;
};

// What a Dismiss asks of the caller.
struct Dismissal {
    std::int64_t event_id = 0;
    // An event that does not recur is dismissed as the popup's Accept does:
    // the caller stores Accepttext "Y" for it and posts. A repeating event's
    // occurrence is kept as dismissed in the state table, and the record is
    // not touched.
    bool accept_event = false;
};

// What a dismissal did: the rows it dismissed, and the rows it brought (an
// event's next alarm may already be due when the one shown is dismissed),
// which ring as any other that appears.
struct Dismissed {
    std::vector<Dismissal> dismissals;
    ReminderChanges changes;
};

class AlarmSchedule {
public:
    // A check this long (real time) after the one before counts as a gap:
    // the program slept or was held up, and what rang in between is missed.
    static constexpr std::int64_t kGapMs = 2 * kWallMinute;
    // A row that shows after a gap is marked missed when it rang at least
    // this long before.
    static constexpr WallMs kMissedAfter = kWallMinute;

    // The state table must outlive the schedule.
    explicit AlarmSchedule(ReminderState& state);

    // Takes every event (at start, or after the table was opened again) with
    // the snoozes, dismissals and shown rows of the state table, and checks
    // at `now` as after a gap: rows that rang while the program was not
    // running show marked missed. Rows shown before come back as they were,
    // and are not among those that appeared.
    ReminderChanges Build(const std::vector<ReminderEvent>& events, ClockReading now);

    // An event was saved (new or changed): its alarms are taken again. When
    // its start, rule or lead changed, they start afresh from now: what was
    // dismissed or snoozed no longer applies, and no alarm before now rings
    // (the row stays while it still shows the latest alarm). Throws Error
    // when the state table cannot be written; nothing has changed then.
    ReminderChanges Post(const ReminderEvent& event, ClockReading now);
    // An event was deleted: its row leaves, and its state rows with it.
    ReminderChanges Delete(std::int64_t event_id);

    // What fell due by `now`. Reads one number when nothing is due, unless
    // the clock jumped (see above). Call it from the timer set by WakeDelay,
    // from a coarse tick, after a resume and after a time change.
    ReminderChanges Check(ClockReading now);

    // The wall-clock moment of the next change, if any.
    std::optional<WallMs> NextWakeUp() const;
    // Milliseconds from `now` to the next change, at most `longest` (the
    // coarse tick): the wall clock may jump, so no timer is set further out.
    std::int64_t WakeDelay(ClockReading now, std::int64_t longest) const;

    // The rows, in the order they rang (then by event).
    std::vector<ReminderRow> Rows() const;
    bool HasRow(std::int64_t event_id) const;

    // Each throws Error when the state table cannot be written; nothing has
    // changed then. A call for an event without a row does nothing.
    Dismissed Dismiss(std::int64_t event_id, ClockReading now);
    Dismissed DismissAll(ClockReading now);
    // The row leaves and comes back once, when the snooze ends.
    ReminderChanges Snooze(std::int64_t event_id, SnoozeLength length, ClockReading now);

    std::size_t EventCount() const { return entries_.size(); }

private:
    struct SnoozeState {
        WallMs occurrence = 0;
        WallMs until_local = 0;                  // Tomorrow: on the wall clock
        std::optional<std::int64_t> until_mono;  // minutes and hours: on the monotonic clock
    };
    struct Row {
        Alarm alarm;
        bool missed = false;
        std::int64_t appeared_utc = 0;
    };
    // Where an entry's subject and sound lie in texts_.
    struct Texts {
        std::uint32_t at = 0;
        std::uint32_t subject_size = 0;
        std::uint32_t sound_size = 0;
    };
    struct Entry {
        Texts texts;
        AlarmPlan plan;
        std::optional<WallMs> done;  // occurrences up to this one are dismissed
        Boxed<SnoozeState> snooze;
        Boxed<Row> row;
        WallMs next_moment = kNever;  // as pushed on the heap; kNever when none
    };
    // How an evaluation treats a row that shows for the first time.
    enum class Watch { Watching, AfterGap };
    struct HeapItem {
        WallMs moment;
        std::int64_t event_id;
        bool operator>(const HeapItem& other) const { return moment > other.moment; }
    };

    static constexpr WallMs kNever = INT64_MAX;

    void Evaluate(std::int64_t event_id, Entry& entry, ClockReading now, Watch watch, ReminderChanges& changes);
    void EvaluateAll(ClockReading now, Watch watch, ReminderChanges& changes);
    void Schedule(std::int64_t event_id, Entry& entry);
    void Remember(ClockReading now);
    WallMs Effective(ClockReading now) const;
    Entry MakeEntry(const ReminderEvent& event);
    void TakeState(ClockReading now, IdTable<Entry>& before, ReminderChanges& changes);
    std::string Subject(const Entry& entry) const;
    std::string Sound(const Entry& entry) const;
    // The texts of entries that are no longer wanted are left behind until
    // they are most of texts_, or `always`.
    void DropTexts(const Entry& entry);
    void CompactTexts(bool always);
    void StartAfresh(std::int64_t event_id, const Entry& old, Entry& fresh, ClockReading now);
    void RecordShown(const ReminderChanges& changes);
    void DismissOne(std::int64_t event_id, ClockReading now, Dismissed& dismissed);

    ReminderState& state_;
    IdTable<Entry> entries_;
    // Every entry's subject and sound, one after another: one allocation for
    // the whole table rather than two per event.
    std::string texts_;
    std::size_t live_text_ = 0;
    // Leads by Remind text: a table holds a handful of different texts.
    std::unordered_map<std::string, std::optional<WallMs>> leads_;
    // Lazy: an entry whose moment changed leaves its old item behind, which
    // is skipped when it comes up (its moment no longer matches the entry's).
    std::priority_queue<HeapItem, std::vector<HeapItem>, std::greater<>> heap_;
    std::vector<std::int64_t> with_row_;  // events that have a row, unordered
    std::optional<ClockReading> last_check_;
    // The highest wall-clock reading seen while the real time ran on: after
    // the clocks go back, alarms are taken as of this moment.
    WallMs highest_local_ = INT64_MIN;
};

}  // namespace orbelle
