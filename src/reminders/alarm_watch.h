#pragma once
// Reminders at their alarm time while the program runs: the state table, the
// schedule of every event's alarms, the Reminders window, and the timer that
// wakes at the next alarm (never later than the safety tick).
#include <cstdint>
#include <filesystem>
#include <vector>

#include "base/datefmt.h"
#include "reminders/alarm_schedule.h"
#include "reminders/reminders_window.h"
#include "store/cursor_gate.h"
#include "store/event_changes.h"
#include "store/event_cursor.h"
#include "store/reminder_state.h"
#include "ui/window.h"
#include "ui/window_context.h"

namespace orbelle {

class AlarmWatch final : private RemindersWindow::Actions {
public:
    // The wall clock may jump while the timer waits: it never waits longer.
    static constexpr std::int64_t kSafetyTickMs = 30'000;

    AlarmWatch(const WindowContext& context, std::filesystem::path table_file, EventListAccess& list,
               EventChangeSink& changes);
    AlarmWatch(const AlarmWatch&) = delete;
    AlarmWatch& operator=(const AlarmWatch&) = delete;
    ~AlarmWatch();

    // Opens the state table, reads every event, and shows what is due or was
    // missed while the program was not running.
    void Start();

    void EventSaved(std::int64_t event_id);
    void EventDeleted(std::int64_t event_id);
    void EventsReloaded();

    // A restore replaces the table file: the state table's connection closes
    // before (Windows renames over no open file) and opens again after, on
    // the file then in place; the events follow through EventsReloaded.
    void CloseTable();
    void ReopenTable();

    RemindersWindow& Window() { return *window_; }
    const AlarmSchedule& Schedule() const { return schedule_; }

private:
    void Dismiss(std::int64_t event_id) override;
    void DismissAll() override;
    void Snooze(std::int64_t event_id, SnoozeLength length) override;
    void Open(std::int64_t event_id) override;
    void Wake() override;

    // Opens the state table, telling the user what was wrong with it.
    void OpenState();
    std::vector<ReminderEvent> ReadEvents();
    // Shows the rows; a row new to the window plays its sound and brings it up.
    void Apply(const ReminderChanges& changes, ClockReading now);
    // Stores the accepted flag of each dismissed event that does not recur.
    ReminderChanges Accept(const Dismissed& dismissed);
    void ShowRows(ClockReading now);
    void PlaySound(std::int64_t event_id) const;
    void SetWakeTimer(ClockReading now);
    void RememberSnoozeLength(SnoozeLength length) const;

    WindowContext context_;
    std::filesystem::path table_file_;
    EventListAccess& list_;
    EventChangeSink& changes_;
    LocaleNames names_;
    ReminderState state_;
    AlarmSchedule schedule_{state_};
    WindowPtr<RemindersWindow> window_;
};

// The snooze length last chosen, from [Reminders] SnoozeLength of the settings file.
SnoozeLength RememberedSnoozeLength(const std::filesystem::path& program_folder);

}  // namespace orbelle
