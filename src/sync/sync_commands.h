#pragma once
// Calendar sync as a capability beside the list: "Calendar Sync..." in the
// Tools menu opens the one sync window (made at its first use). Once the
// calendar has first shown, the chosen calendar syncs soon, then every
// interval while the program runs, about ten seconds after a change here
// (one sync for a burst of edits), and on Sync Now: never two at once, on a
// thread of its own, and it waits while an editor holds the event cursor
// before it writes here. What it stores reaches every listener through the
// one "events changed" notice.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "store/cursor_gate.h"
#include "store/event_changes.h"
#include "sync/sync_window.h"
#include "ui/list_rooms.h"
#include "ui/tools_menu.h"
#include "ui/window_context.h"

namespace orbelle::sync {

enum SyncCommand : WORD {
    kCmdCalendarSync = 370,
};

class SyncCommands final : public WindowMessageHook,
                           public EventChangeSink,
                           public EditorNotes,
                           private SyncWindow::Actions {
public:
    static constexpr UINT_PTR kIntervalTimer = 60;
    static constexpr UINT_PTR kSoonTimer = 61;
    static constexpr UINT kSyncDoneMessage = WM_APP + 60;
    static constexpr UINT kCalendarsFoundMessage = WM_APP + 61;
    // Sent by the sync's thread before it writes here: answers whether the
    // event cursor is free.
    static constexpr UINT kMayWriteMessage = WM_APP + 62;
    // The pause after a change here, so that a burst of edits syncs once.
    static constexpr UINT kAfterChangeDelay = 10'000;
    // The first sync after the calendar has shown.
    static constexpr UINT kFirstSyncDelay = 5'000;
    // After a failure (no network, a server down) the next try waits this
    // long, doubled at each failure in a row up to kLongestRetryDelay.
    static constexpr UINT kFirstRetryDelay = 30'000;
    static constexpr UINT kLongestRetryDelay = 15 * 60'000;

    SyncCommands(WindowContext context, EventChanges& changes);
    ~SyncCommands();
    SyncCommands(const SyncCommands&) = delete;
    SyncCommands& operator=(const SyncCommands&) = delete;

    void AddToolsItems(ToolsMenu& tools);
    // The list made: its window takes the timers and messages, its cursor
    // says when the sync may write.
    void Attach(HWND list, const CursorGate& cursor);
    // After the calendar has first shown: the timers start.
    void Start();
    // Before the list goes: a sync under way is waited for, the window goes.
    void Detach();

    void ShowSync();
    SyncWindow* Window() const { return window_.get(); }
    bool Syncing() const;

    bool OnWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
    void EventSaved(std::int64_t id) override;
    void EventDeleted(std::int64_t id) override;
    void EventsReloaded() override;
    void AlarmsDismissed(std::int64_t id) override;
    // Once per event and run: an event from the server that the editor
    // cannot show whole says so as the editor opens it.
    std::wstring NoteOnOpening(std::int64_t event_id) override;

private:
    void FindCalendars(const Account& account) override;
    void ChangeSettings(const SyncSettings& settings, const std::string& typed_password) override;
    void SyncNow(bool deletions_confirmed) override;
    void RestoreKept(std::int64_t kept_id) override;

    // Starts a sync unless one runs; false when none could start.
    bool StartSync(bool deletions_confirmed, bool asked_by_user);
    void SyncEnded();
    void ChangedHere(std::int64_t id);
    void SetIntervalTimer();
    template <typename Work>
    void RunOnThread(Work work);

    WindowContext context_;
    EventChanges& changes_;
    HWND list_ = nullptr;
    const CursorGate* cursor_ = nullptr;
    bool started_ = false;
    bool asked_by_user_ = false;
    // After a refused password the timers stop asking until the user acts.
    bool waiting_for_password_ = false;
    // Our own notice of what a sync stored is no change to sync again.
    bool telling_ = false;
    std::map<std::int64_t, std::string> changed_here_utc_;
    std::set<std::int64_t> noted_;
    // Whether an event may have changed here since the last sync that
    // completed; unknown at start.
    bool changed_here_ = true;
    int failures_in_a_row_ = 0;
    bool sync_saw_change_ = true;
    std::string sync_began_utc_;
    // The list is going: the sync's thread writes without asking.
    std::atomic<bool> stopping_ = false;

    mutable std::mutex mutex_;
    std::thread thread_;
    bool running_ = false;
    std::optional<SyncReport> report_;
    std::optional<std::pair<std::vector<CalendarInfo>, std::string>> calendars_;

    WindowPtr<SyncWindow> window_;
};

}  // namespace orbelle::sync
